// The two viewers of the file operations window: the last operation's results file and the session error log,
// each opened over the work area by its button, printed, and saved as rich text. Both viewers read their file as
// they are scrolled (ReportPreview), so a run over a million files costs the window the index of the results
// file, not its text. The buttons' colours tell what is new: light green results, light amber results of a run
// stopped early, light red errors.
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include "common/resume_scope.h"
#include "shell/report_view.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_ui/file_ops_save.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/shell_services.h"

namespace dv {

QString frmFileOps::ResultsPath() const {
  return dvFileOps_ ? QString::fromStdString(dvFileOps_->InformativeDisplayTXTLocation()) : QString();
}

void frmFileOps::LoadResults() {
  // A missing file fails here and the viewer keeps what it showed.
  const QString path = ResultsPath();
  if (!QFileInfo(path).isFile()) throw Error(err::FileNotFound, ErrorText(err::FileNotFound) + ": " + path.toStdString());
  txtInfoDisplay_->Load(path);
}

void frmFileOps::SetButtonColour(QPushButton* button, const QColor& colour) {
  QPalette p = button->palette();
  p.setColor(QPalette::Button, colour);
  button->setPalette(p);
  button->setAutoFillBackground(colour != buttonFace_);
}

const QColor frmFileOps::kStoppedResults(0xFF, 0xD8, 0x8A);

void frmFileOps::ShowRunOutcome() {
  // Green would say "all done" for a run that was cut short; the caption says it too, for those who cannot
  // tell the colours apart. Viewing the results gives the button its usual face and caption again.
  const bool stopped = dvFileOps_->StopProcessing();
  SetButtonColour(cmdLastOperationResults_, stopped ? kStoppedResults : kNewResults);
  static const QString kStopped = " (Stopped early)";
  QString caption = cmdLastOperationResults_->text();
  if (caption.endsWith(kStopped)) caption.chop(kStopped.size());
  cmdLastOperationResults_->setText(stopped ? caption + kStopped : caption);
  const long failed = dvFileOps_->FailureCount();
  if (failed == 0) return;
  // A coloured button is easily missed; failures are said at once.
  const long all = failed + dvFileOps_->SuccessCount();
  prompter_.Message(std::to_string(failed) + " of " + std::to_string(all) + " items failed; see Errors This Session",
                    "");
}

void frmFileOps::UpdateProcessEnabled() {
  const bool on = !running_ && txtInfoDisplay_->isHidden() && txtErrorsDisplay_->isHidden();
  cmdProcess_->setEnabled(on);
  // The menu item does what the button does, so it follows it while the window's menus are shown.
  QAction* mode = MainItem("mnuFileOperationsMode");
  if (mode && mode->isChecked())
    if (QAction* a = MainItem("mnuPerformFileOperation")) a->setEnabled(on);
}

void frmFileOps::cmdLastOperationResults_Click() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:05");
  QAction* item = MainItem("mnuViewFileOpLastOperationResults");
  if (item) item->setCheckable(true);
  if (!txtInfoDisplay_->isHidden()) {
    scope.Step([&] {
      txtInfoDisplay_->hide();
      imgViewingResults_->hide();
      cmdLastOperationResults_->setText("View Operation Results");
      if (item) item->setChecked(false);
    });
  } else {
    scope.Step([&] {
      txtInfoDisplay_->show();
      txtInfoDisplay_->raise();
      imgViewingResults_->show();
      cmdLastOperationResults_->setText("Close Operation Results");
      if (item) item->setChecked(true);
    });
  }
  scope.Step([&] { UpdateProcessEnabled(); });
  scope.Step([&] { SetButtonColour(cmdLastOperationResults_, buttonFace_); });
}

void frmFileOps::cmdDisplayErrors_Click() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:03");
  QAction* item = MainItem("mnuViewFileOpErrorsThisSession");
  if (item) item->setCheckable(true);
  if (!txtErrorsDisplay_->isHidden()) {
    scope.Step([&] {
      txtErrorsDisplay_->hide();
      imgViewingErrors_->hide();
      cmdDisplayErrors_->setText("Errors This Session");
      if (item) item->setChecked(false);
    });
    scope.Step([&] { UpdateProcessEnabled(); });
    return;
  }
  scope.Step([&] {
    const QString log = QString::fromStdString(services_.log.Path());
    // An empty log leaves the viewer's previous content and the button's colour as they are.
    if (QFileInfo(log).size() > 0) {
      txtErrorsDisplay_->Load(log);
      SetButtonColour(cmdDisplayErrors_, buttonFace_);
    }
  });
  scope.Step([&] {
    txtErrorsDisplay_->show();
    txtErrorsDisplay_->raise();
    imgViewingErrors_->show();
    cmdDisplayErrors_->setText("Close Errors");
    if (item) item->setChecked(true);
  });
  scope.Step([&] { UpdateProcessEnabled(); });
}

void frmFileOps::PrintLastOperationResults() {
  Run("ffo:28", [&] { PrintRichText(txtInfoDisplay_, services_.Printer(), this, prompter_, PrintDialog); });
}

void frmFileOps::PrintFileOpErrorsThisSession() {
  Run("ffo:30", [&] { PrintRichText(txtErrorsDisplay_, services_.Printer(), this, prompter_, PrintDialog); });
}

void frmFileOps::SaveLastOperationResults() {
  // Right after a restart the viewer is empty while the last run's results file is still there.
  SaveView(txtInfoDisplay_, ResultsPath(), "There are no operation results to save yet.", "ffo:29", "DV_Op_Results_",
           "Save Last Operation Results");
}

void frmFileOps::SaveFileOpErrorsThisSession() {
  // A session without errors has an empty log; saving it says so in a file of its own.
  SaveView(txtErrorsDisplay_, QString::fromStdString(services_.log.Path()), nullptr, "ffo:31", "DV_Errors_",
           "Save Errors This Session");
}

void frmFileOps::SaveView(ReportPreview* view, const QString& lastFile, const char* nothing, const char* location,
                          const char* namePrefix, const char* title) {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), location);
  SaveSource source;
  scope.Step([&] { source = WhatToSave(view->Path(), view->Text(), lastFile); });
  if (source.Empty() && nothing) {
    prompter_.Message(nothing, title);
    return;
  }
  SaveDialogRequest request;
  scope.Step([&] {
    request.fileName = FileOpsSaveName(namePrefix, Now());
    request.filters = QStringList{"Rich Text Files (*.rtf)"};
    request.defaultExtension = "rtf";
    request.title = title;
    request.initialFolder = QString::fromStdString(services_.utilities.GetDefaultSaveLocation());
  });
  std::optional<SaveDialogChoice> choice;
  const bool ran = scope.Step([&] { choice = SaveDialog(request); });
  if (!ran || !choice) return;  // cancelled: nothing written, nothing said
  const std::string target = choice->path.toStdString();
  scope.Step([&] { utilities_.OfferDefaultSaveLocation(request.initialFolder.toStdString(), target); });
  scope.Step([&] { SaveViewAsRtf(source.path, source.text, target); });
}

}  // namespace dv
