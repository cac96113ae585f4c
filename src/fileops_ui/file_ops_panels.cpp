// The rules between the file operations window's controls and the checks made while the user edits: which
// option frame shows, the destination greyed for operations without one, the advanced set of operations, the
// filters panel in place of the sources, the boxes corrected as they are typed or left, and the checks made before
// the confirmation is asked.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTreeView>

#include "common/prompter.h"
#include "common/pattern.h"
#include "shell/input_checks.h"
#include "fileops_engine/item_kind.h"
#include "fileops_ui/frm_file_ops.h"
#include "fileops_ui/rename_text.h"
#include "platform/regexp.h"
#include "shell/control_builders.h"
#include "shell/filters_panel.h"

namespace dv {

namespace {

// True when the expression compiles in the engines' own matcher (its dialect, not Qt's).
bool CompiledExpression(const std::string& expression) {
  try {
    RegExp probe(expression);
    probe.Test("");
    return true;
  } catch (...) {
    return false;
  }
}

// A whole number from `low` to `high`, digits only.
bool InRange(const QString& text, long long low, long long high) {
  if (!IsDigitsText(text)) return false;
  bool ok = false;
  const long long value = text.toLongLong(&ok);
  return ok && value >= low && value <= high;
}

QString Quoted(const QString& text) { return '"' + text + '"'; }

}  // namespace

std::optional<QDate> DateBoxValue(const QString& text) {
  static const QRegularExpression form(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})\s*$)");
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  if (!date.isValid()) return std::nullopt;
  return date;
}

bool IsDigitsText(const QString& text) {
  static const QRegularExpression digits(R"(^[0-9]+$)");
  return digits.match(text).hasMatch();
}

void frmFileOps::optFileOps_Click(int index) {
  for (int i = 0; i < 11; ++i) frames_[i]->setVisible(i == index);
  const bool destination = UsesDestination(kOperationButtons[index]);
  for (QWidget* w : {static_cast<QWidget*>(txtDestination_), static_cast<QWidget*>(lblDestination_),
                     static_cast<QWidget*>(ExploreTreeFileOpsDestination_)})
    w->setEnabled(destination);
  SetBase(txtDestination_, destination);
  for (QRadioButton* b : optChangeDate_) b->setEnabled(index == 8);
}

void frmFileOps::cmdShowAdvanced_Click() {
  const bool show = cmdShowAdvanced_->text() == "Advanced";
  for (int i : {1, 3, 7, 8, 9}) optFileOps_[i]->setVisible(show);
  cmdShowAdvanced_->setText(show ? "Hide Adv" : "Advanced");
  // A hidden operation cannot stay chosen without the user seeing it.
  if (!show && optFileOps_[SelectedOperation()]->isHidden()) optFileOps_[0]->setChecked(true);
}

void frmFileOps::SetFiltersShown(bool shown) {
  fraFilters_->setVisible(shown);
  if (shown) fraFilters_->raise();
  cmdFilterFiles_->setText(shown ? "Hide Filters" : "View Filters");
  if (QAction* a = MainItem("mnuShowFileOpFilterSettings")) {
    a->setCheckable(true);
    a->setChecked(shown);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{flbSource_, flbDestination_, txtDestination_,
                                                    ExploreTreeFileOpsSource_, ExploreTreeFileOpsDestination_,
                                                    txtSource_, cmdAddFiles_, cmdRemoveFiles_, cmdViewFileBank_,
                                                    lblSource_, lblDestination_})
    w->setVisible(!shown);
  sourcePanel_->setVisible(!shown);
}

void frmFileOps::cmdFilterFiles_Click() { SetFiltersShown(fraFilters_->isHidden()); }

void frmFileOps::ShowFileOpFilterSettings() { Run("ffo:27", [&] { cmdFilterFiles_Click(); }); }

void frmFileOps::SubDirectoriesChanged() { filters_->SubDirectoriesChanged(); }

void frmFileOps::txtSubDirectoriesLevel_Change() { filters_->LevelChanged(); }

void frmFileOps::CopyStructureChanged() {
  // "with directory structure" has no duplicate names to decide.
  for (int k = 0; k < 2; ++k) {
    const bool oneDirectory = optCopyStructure_[2 * k + 1]->isChecked();
    fraDuplicateFilenames_[k]->setEnabled(oneDirectory);
    optCopyDupeName_[2 * k]->setEnabled(oneDirectory);
    optCopyDupeName_[2 * k + 1]->setEnabled(oneDirectory);
  }
}

void frmFileOps::CompareOptionsChanged() {
  const bool part = optCompareOptions_[1]->isChecked();
  txtBytesToCompare_->setEnabled(part);
  lblBytesToCheck_->setEnabled(part);
}

void frmFileOps::FarModeChanged() {
  if (optFARBinary_->isChecked() && txtFindText_->text().toUtf8().size() != txtReplaceText_->text().toUtf8().size()) {
    prompter_.Message("Binary Compares require equal length strings.\r\n\r\n"
                      "Please ensure that both the find and replace strings are equal.",
                      "Unequal Strings Detected");
    optFARTextFilesOnly_->setChecked(true);
  }
  cboTextExtensions_->setEnabled(optFARTextFilesOnly_->isChecked());
}

void frmFileOps::ClampBox(QLineEdit* box, long low, long high) {
  if (rewriting_ || isLoading_) return;
  const QString text = box->text();
  // A box being emptied to type anew is left alone; the run reads it as it stands.
  if (text.trimmed().isEmpty()) return;
  const double value = LeadingNumber(text.toStdString());
  QString corrected;
  if (value > high) corrected = QString::number(high);
  else if (value < low) corrected = QString::number(low);
  if (corrected.isEmpty() || corrected == text) return;
  rewriting_ = true;
  box->setText(corrected);
  rewriting_ = false;
}

void frmFileOps::txtRenameRepString_Change() {
  if (rewriting_) return;
  const QString text = txtRenameRepString_->text();
  const QString clean = WithoutNameCharacters(text);
  if (clean == text) return;
  rewriting_ = true;
  const int cursor = txtRenameRepString_->cursorPosition() - static_cast<int>(text.size() - clean.size());
  txtRenameRepString_->setText(clean);
  txtRenameRepString_->setCursorPosition(std::max(0, cursor));
  rewriting_ = false;
  prompter_.Message(kInvalidNameCharactersText, "Invalid filename characters");
}

void frmFileOps::txtFileSizeRestrictionSize_Change() {
  if (rewriting_ || isLoading_) return;
  const QString text = txtFileSizeRestrictionSize_->text();
  if (text.isEmpty()) return;
  auto rewrite = [this](const QString& t) {
    rewriting_ = true;
    txtFileSizeRestrictionSize_->setText(t);
    rewriting_ = false;
  };
  // Text set from outside the keyboard (the validator stops typed letters) gets the same rule.
  if (!IsDigitsText(text)) {
    prompter_.Message("Please put in numeric values only", "Numeric values only");
    rewrite("");
    return;
  }
  if (!utilities_.ValidSizeRestriction(text.toStdString(), cboFileSizeRestrictionSizeType_->currentText().toStdString()))
    rewrite("");
}

QString frmFileOps::DateFault(const QString& field, const QString& text, bool after1980) const {
  const QString form = QString(" as %1, for example 2026-02-28.").arg(kDateBoxForm);
  if (text.trimmed().isEmpty()) return field + ": enter the date" + form;
  const auto date = DateBoxValue(text);
  if (!date) return field + ": " + Quoted(text.trimmed()) + " is not a date. Enter the date" + form;
  if (after1980 && *date <= QDate(1980, 1, 1)) return field + ": enter a date later than 1980-01-01" + form;
  return {};
}

void frmFileOps::dtpChangeDate_LostFocus() {
  const QString text = dtpChangeDate_->text();
  if (text.trimmed().isEmpty()) return;
  if (const QString fault = DateFault("Change Date \"New date\"", text, true); !fault.isEmpty()) {
    prompter_.Message(fault.toStdString(), "Invalid Date");
    return;
  }
  dtpChangeDate_->setText(DateBoxValue(text)->toString(Qt::ISODate));
}

void frmFileOps::dtpDateRestrictionDate_LostFocus() {
  // The text stays for correcting; Perform refuses it until it is a date.
  const QString text = dtpDateRestrictionDate_->text();
  if (text.trimmed().isEmpty()) return;
  if (const QString fault = DateFault("File Date Filter", text, false); !fault.isEmpty()) {
    prompter_.Message(fault.toStdString(), "Invalid Date");
    return;
  }
  dtpDateRestrictionDate_->setText(DateBoxValue(text)->toString(Qt::ISODate));
}

void frmFileOps::chkPreviewOnly_Click() {
  if (QAction* a = MainItem("mnuFileOpPreviewOnly")) {
    a->setCheckable(true);
    a->setChecked(chkPreviewOnly_->isChecked());
  }
}

// ---- before "Proceed?" ----

bool frmFileOps::Refuse(QWidget* field, const QString& text, const QString& title) {
  prompter_.Message(text.toStdString(), title.toStdString());
  if (fraFilters_->isAncestorOf(field)) SetFiltersShown(true);
  else if (sourcePanel_->isAncestorOf(field)) SetFiltersShown(false);
  field->setFocus(Qt::OtherFocusReason);
  return false;
}

bool frmFileOps::CheckBeforeAsking() {
  // The date button stands for all three date operations.
  const FileOp operation = kOperationButtons[SelectedOperation()];
  QString sourceFolder;
  if (bank_.empty()) {
    const QString source = txtSource_->text();
    if (source.trimmed().isEmpty())
      return Refuse(txtSource_,
                    "Choose a source folder\r\n\r\nFrom: type the path of a folder or choose one in the tree.",
                    "No Source");
    if (SourceMissing())
      return Refuse(txtSource_,
                    "From: " + Quoted(source) +
                        " does not exist.\r\n\r\nChoose an existing folder in the tree or type the path of one.",
                    "Source does not exist");
    sourceFolder = QFileInfo(source).isDir() ? source : source.left(source.lastIndexOf('/') + 1);
  }
  if (UsesDestination(operation)) {
    const QString destination = txtDestination_->text();
    if (destination.trimmed().isEmpty())
      return Refuse(txtDestination_,
                    "Choose a destination folder\r\n\r\nTo: type the path of a folder or choose one in the tree.",
                    "No Destination");
    const QFileInfo info(destination);
    const bool exists = info.exists() || info.isSymLink();
    if (exists && !info.isDir())
      return Refuse(txtDestination_, "To: " + Quoted(destination) + " is not a folder. Choose a folder.",
                    "Destination is not a folder");
    if (!exists && operation == FileOp::Compare)
      return Refuse(txtDestination_,
                    "To: " + Quoted(destination) + " does not exist. Choose the folder to compare with.",
                    "Destination does not exist");
    if (!sourceFolder.isEmpty()) {
      FolderRelation relation = FolderRelation::Apart;
      try {
        relation = RelationOf(destination.toStdString(), sourceFolder.toStdString());
      } catch (...) {
        // Unreadable on the way: the engine's own check reports it.
      }
      if (relation == FolderRelation::Same)
        return Refuse(txtDestination_, "To: the destination is the source folder. Choose another folder.",
                      "Identical Source and Destination directory");
      if (relation == FolderRelation::Inside &&
          (operation == FileOp::Copy || operation == FileOp::Move))
        return Refuse(txtDestination_,
                      "To: " + Quoted(destination) +
                          " is inside the source folder. Choose a destination outside the source.",
                      "Destination inside Source");
    }
  }

  switch (operation) {
    case FileOp::Rename:
      if (optPatternMatching_[3]->isChecked() &&
          !CompiledExpression(ConvertPattern(txtRenamePattern_->text().toStdString(), 2)))
        return Refuse(txtRenamePattern_,
                      "Rename \"Search Pattern\": " + Quoted(txtRenamePattern_->text()) +
                          " is not a valid regular expression. Correct it (see Quick Ref) or choose Wildcards.",
                      "Invalid Pattern");
      if (!txtRenameStartPosition_->text().isEmpty() && !IsDigitsText(txtRenameStartPosition_->text()))
        return Refuse(txtRenameStartPosition_,
                      "Rename \"Start at match\": digits only (the number of the match), or empty for the last.",
                      "Numbers only");
      break;
    case FileOp::ModifiedDate:
      if (const QString fault = DateFault("Change Date \"New date\"", dtpChangeDate_->text(), true);
          !fault.isEmpty())
        return Refuse(dtpChangeDate_, fault, "Invalid Date");
      break;
    case FileOp::RunProcess:
      if (optRunprocOnFileOptions_[1]->isChecked() && !InRange(txtRunProcOnFileWaitTime_->text(), 1, 86400))
        return Refuse(txtRunProcOnFileWaitTime_,
                      "Run Process \"Wait\": digits only, a number of seconds from 1 to 86400.", "Numbers only");
      break;
    case FileOp::Compare:
      if (optCompareOptions_[1]->isChecked() && !InRange(txtBytesToCompare_->text(), 1, 90000000))
        return Refuse(txtBytesToCompare_, "Compare \"Bytes to check\": digits only, from 1 to 90000000.",
                      "Numbers only");
      break;
    default: break;
  }

  const QString pattern = txtRegExFilePattern_->text().trimmed();
  if (optPatternMatching_[1]->isChecked() && !pattern.isEmpty() &&
      !CompiledExpression(ConvertPattern(pattern.toStdString(), 2)))
    return Refuse(txtRegExFilePattern_,
                  "\"File Name Filter\": " + Quoted(pattern) +
                      " is not a valid regular expression. Correct it (see Quick Ref) or choose Wildcards.",
                  "Invalid Pattern");
  const QString size = txtFileSizeRestrictionSize_->text();
  if (!size.isEmpty() && !IsDigitsText(size))
    return Refuse(txtFileSizeRestrictionSize_,
                  "\"File Size is\": digits only, a whole number of the unit chosen beside it.", "Numbers only");
  if (!dtpDateRestrictionDate_->text().trimmed().isEmpty())
    if (const QString fault = DateFault("File Date Filter", dtpDateRestrictionDate_->text(), false); !fault.isEmpty())
      return Refuse(dtpDateRestrictionDate_, fault, "Invalid Date");
  if (optSubDirectories_Only_->isChecked() && !IsDigitsText(txtSubDirectoriesLevel_->text()))
    return Refuse(txtSubDirectoriesLevel_, "Subdirectory Levels \"levels deep\": digits only, for example 2.",
                  "Numbers only");
  return true;
}

}  // namespace dv
