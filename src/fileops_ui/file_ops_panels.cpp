// The rules between the file operations window's controls and the checks made while the user edits: which
// option frame shows, the destination greyed for operations without one, the advanced set of operations, the
// filters panel in place of the sources, and the boxes corrected as they are typed or left.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include "common/prompter.h"
#include "dirprint/dir_print_inputs.h"
#include "fileops_ui/frm_file_ops.h"
#include "fileops_ui/rename_text.h"

namespace dv {

namespace {

// A box's background: white when it takes input, the window's colour when it does not.
void SetBase(QWidget* w, bool white) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, white ? QColor(Qt::white) : w->palette().color(QPalette::Window));
  w->setPalette(p);
}

// Operations that work on the source alone: find and replace, rename, attributes, delete, open, change date and
// run process (by button index).
bool UsesDestination(int index) { return index == 0 || index == 1 || index == 6 || index == 10; }

}  // namespace

void frmFileOps::optFileOps_Click(int index) {
  for (int i = 0; i < 11; ++i) frames_[i]->setVisible(i == index);
  const bool destination = UsesDestination(index);
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

void frmFileOps::SubDirectoriesChanged() {
  const bool only = optSubDirectories_Only_->isChecked();
  txtSubDirectoriesLevel_->setEnabled(only);
  SetBase(txtSubDirectoriesLevel_, only);
}

void frmFileOps::txtSubDirectoriesLevel_Change() {
  const QString t = txtSubDirectoriesLevel_->text();
  if (!t.isEmpty() && !IsNumericText(t)) txtSubDirectoriesLevel_->setText("1");
}

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

void frmFileOps::PatternMatchingChanged(int index, bool checked) {
  // The filters' pair (0, 1) and the rename frame's pair (2, 3) are one choice.
  if (checked) optPatternMatching_[(index + 2) % 4]->setChecked(true);
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
  if (!IsNumericText(text)) {
    prompter_.Message("Please put in numeric values only", "Numeric values only");
    rewrite("");
    return;
  }
  QString plain = text;
  plain.remove(',');
  if (plain != text) rewrite(plain);
  if (!utilities_.ValidSizeRestriction(plain.toStdString(), cboFileSizeRestrictionSizeType_->currentText().toStdString()))
    rewrite("");
}

void frmFileOps::dtpChangeDate_LostFocus() {
  QString text = dtpChangeDate_->text();
  if (text.isEmpty()) return;
  text.replace('.', '/');
  dtpChangeDate_->setText(text);
  const auto date = ParseDateText(text);
  if (!date) {
    prompter_.Message("Please enter a valid date in the date field box.", "Invalid Date");
    return;
  }
  if (*date <= QDate(1980, 1, 1)) {
    prompter_.Message("Please enter a date that is later than the year 1980.", kAppTitle);
    return;
  }
  dtpChangeDate_->setText(FormatDateText(*date));
}

void frmFileOps::dtpDateRestrictionDate_LostFocus() {
  const QString text = dtpDateRestrictionDate_->text();
  if (text.isEmpty()) return;
  if (auto date = ParseDateText(text)) {
    dtpDateRestrictionDate_->setText(FormatDateText(*date));
  } else {
    prompter_.Message("Please enter a valid date in the date field box.", "Invalid Date");
    dtpDateRestrictionDate_->setText("");
  }
}

void frmFileOps::chkPreviewOnly_Click() {
  if (QAction* a = MainItem("mnuFileOpPreviewOnly")) {
    a->setCheckable(true);
    a->setChecked(chkPreviewOnly_->isChecked());
  }
}

}  // namespace dv
