// The file operations window's controls: captions, indexes, initial values and where they lie. Qt layouts take
// the place of fixed positions: the operation buttons and the command column on top; below them the work area,
// with the source and destination panel (or the filters panel in its place) on the left and the one place of the
// eleven option frames on the right. The two viewers lie over the whole work area.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

#include "shell/input_checks.h"
#include "shell/report_view.h"
#include "fileops_ui/attribute_check_box.h"
#include "fileops_ui/file_list_model.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/control_builders.h"
#include "shell/filters_panel.h"

namespace dv {

namespace {

// A date box: the one form it takes is its placeholder.
QLineEdit* DateBox(const char* name) {
  auto* box = Named(new QLineEdit, name, QString("Enter date %1").arg(kDateBoxForm));
  box->setPlaceholderText(kDateBoxForm);
  return box;
}

// A group of radio buttons in one layout; the group keeps one of them on.
template <std::size_t N>
void Group(QObject* owner, QRadioButton* (&buttons)[N], std::size_t first, std::size_t count) {
  auto* g = new QButtonGroup(owner);
  for (std::size_t i = first; i < first + count; ++i) g->addButton(buttons[i], static_cast<int>(i));
}

QLabel* Marker(const char* name, QWidget* owner) {
  auto* l = Named(new QLabel, name);
  l->setPixmap(owner->style()->standardIcon(QStyle::SP_ArrowRight).pixmap(16, 16));
  l->hide();
  return l;
}

}  // namespace

QWidget* frmFileOps::BuildOperationButtons() {
  static const char* const kCaptions[] = {"Copy",   "Empty Shells/Shadow Dir", "Delete", "Find && Replace",
                                          "Rename", "Attributes", "Move", "Slideshow/Automate", "Change Date",
                                          "Run Process on File(s)", "Compare"};
  auto* box = Named(new QGroupBox("File Operation"), "fraFileOperations");
  box->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  auto* l = new QGridLayout(box);
  operations_ = new QButtonGroup(this);
  // Basic operations on the first row, the advanced ones on the second.
  int basic = 0, advanced = 0;
  for (int i = 0; i < 11; ++i) {
    optFileOps_[i] = Named(new QRadioButton(kCaptions[i]), Indexed("optFileOps", i));
    operations_->addButton(optFileOps_[i], i);
    const bool isAdvanced = i == 1 || i == 3 || i == 7 || i == 8 || i == 9;
    if (isAdvanced) l->addWidget(optFileOps_[i], 1, advanced++);
    else l->addWidget(optFileOps_[i], 0, basic++);
  }
  return box;
}

QWidget* frmFileOps::BuildOptionFrames() {
  for (int i = 0; i < 11; ++i) {
    auto* f = Named(new QGroupBox, Indexed("fraSpecificFileOperationOptions", i));
    KeepRoom(f);
    frames_[i] = f;
  }
  BuildCopyMoveFrames();
  BuildShellsFrame();
  BuildDeleteFrame();
  BuildFindReplaceFrame();
  BuildRenameFrame();
  BuildAttributesFrame();
  BuildMacroFrame();
  BuildChangeDateFrame();
  BuildRunProcessFrame();
  BuildCompareFrame();

  auto* holder = Named(new QWidget, "fraOptionsHolder");
  auto* l = new QGridLayout(holder);
  l->setContentsMargins(0, 0, 0, 0);
  for (QWidget* f : frames_) l->addWidget(f, 0, 0);
  return holder;
}

void frmFileOps::BuildCopyMoveFrames() {
  // Copy (0) and move (6) share the structure, duplicate and verification arrays.
  static const char* const kStructure[] = {
      "Copy all files with directory structure", "Copy all files found to one directory (no directory structure)",
      "Move all files with directory structure", "Move all files found to one directory (no directory structure)"};
  static const char* const kVerify[] = {"Do Not Verify", "Quick Verification (byte count check)",
                                        "Full Binary Comparison"};
  for (int i = 0; i < 4; ++i) {
    optCopyStructure_[i] = Named(new QRadioButton(kStructure[i]), Indexed("optCopyStructure", i));
    optCopyDupeName_[i] = Named(new QRadioButton(i % 2 == 0 ? "Numbered" : "Overwritten"), Indexed("optCopyDupeName", i));
  }
  for (int i = 0; i < 6; ++i) optCopyVerification_[i] = Named(new QRadioButton(kVerify[i % 3]), Indexed("optCopyVerification", i));
  Group(this, optCopyStructure_, 0, 2);
  Group(this, optCopyStructure_, 2, 2);
  Group(this, optCopyDupeName_, 0, 2);
  Group(this, optCopyDupeName_, 2, 2);
  Group(this, optCopyVerification_, 0, 3);
  Group(this, optCopyVerification_, 3, 3);
  chkCopyOverwrite_ = Named(new QCheckBox("Overwrite files"), "chkCopyOverwrite");
  chkCopyEmptyFolders_ = Named(new QCheckBox("Copy empty folders"), "chkCopyEmptyFolders");
  chkMoveEmptyFolders_ = Named(new QCheckBox("Move empty folders"), "chkMoveEmptyFolders");
  for (int k = 0; k < 2; ++k) {
    fraDuplicateFilenames_[k] = Named(new QGroupBox("Duplicate Filenames"), Indexed("fraDuplicateFilenames", k));
    auto* d = new QHBoxLayout(fraDuplicateFilenames_[k]);
    d->addWidget(optCopyDupeName_[2 * k]);
    d->addWidget(optCopyDupeName_[2 * k + 1]);
    auto* verify = new QGroupBox("Verification");
    auto* v = new QVBoxLayout(verify);
    for (int i = 0; i < 3; ++i) v->addWidget(optCopyVerification_[3 * k + i]);
    auto* l = new QGridLayout(frames_[k == 0 ? 0 : 6]);
    l->addWidget(optCopyStructure_[2 * k], 0, 0, 1, 2);
    l->addWidget(optCopyStructure_[2 * k + 1], 1, 0, 1, 2);
    l->addWidget(fraDuplicateFilenames_[k], 2, 0);
    l->addWidget(verify, 2, 1, 2, 1);
    if (k == 0) {
      l->addWidget(chkCopyOverwrite_, 3, 0);
      l->addWidget(chkCopyEmptyFolders_, 4, 0);
    } else {
      l->addWidget(chkMoveEmptyFolders_, 3, 0);
    }
    l->setRowStretch(5, 1);
  }
}

void frmFileOps::BuildShellsFrame() {
  optEmptyFolderAndFileShells_ =
      Named(new QRadioButton("Create Empty Folders && Empty File Shells"), "optEmptyFolderAndFileShells");
  optEmptyFolderShellsOnly_ = Named(new QRadioButton("Create Empty Folders Only"), "optEmptyFolderShellsOnly");
  auto* g = new QButtonGroup(this);
  g->addButton(optEmptyFolderAndFileShells_);
  g->addButton(optEmptyFolderShellsOnly_);
  auto* l = new QVBoxLayout(frames_[1]);
  l->addWidget(optEmptyFolderAndFileShells_);
  l->addWidget(optEmptyFolderShellsOnly_);
  l->addStretch();
}

void frmFileOps::BuildDeleteFrame() {
  chkDeleteEmptyDirectories_ = Named(new QCheckBox("Remove Empty Directories"), "chkDeleteEmptyDirectories");
  chkDeleteToTrash_ = Named(new QCheckBox("Move to Trash (can be restored)"), "chkDeleteToTrash");
  auto* l = new QVBoxLayout(frames_[2]);
  l->addWidget(chkDeleteEmptyDirectories_);
  l->addWidget(chkDeleteToTrash_);
  l->addStretch();
}

void frmFileOps::BuildFindReplaceFrame() {
  txtFindText_ = Named(new QLineEdit, "txtFindText");
  txtReplaceText_ = Named(new QLineEdit, "txtReplaceText");
  optFARTextFilesOnly_ = Named(new QRadioButton("Text Files"), "optFARTextFilesOnly");
  optFARBinary_ = Named(new QRadioButton("All Files (Binary)"), "optFARBinary");
  chkFindAndReplaceBackup_ = Named(new QCheckBox("Create BackUp"), "chkFindAndReplaceBackup");
  cboTextExtensions_ = Combo("cboTextExtensions", {".TXT", ".TXT,.CSV,.LOG", ".HTM,.HTML,.XML,.CSS,.JS",
                                                   ".C,.H,.CPP,.HPP,.PY,.SH", ".MD,.INI,.CONF"});
  cboTextExtensions_->setEditable(true);
  auto* g = new QButtonGroup(this);
  g->addButton(optFARTextFilesOnly_);
  g->addButton(optFARBinary_);
  auto* l = new QGridLayout(frames_[3]);
  l->addWidget(new QLabel("Find"), 0, 0);
  l->addWidget(txtFindText_, 0, 1, 1, 2);
  l->addWidget(new QLabel("Replace with"), 1, 0);
  l->addWidget(txtReplaceText_, 1, 1, 1, 2);
  l->addWidget(optFARTextFilesOnly_, 2, 0);
  l->addWidget(cboTextExtensions_, 2, 1, 1, 2);
  l->addWidget(optFARBinary_, 3, 0);
  l->addWidget(chkFindAndReplaceBackup_, 4, 0);
  l->setRowStretch(5, 1);
}

void frmFileOps::BuildRenameFrame() {
  // Rename's own Wildcards / RegEx choice, apart from the filters' pair.
  for (int i = 2; i < 4; ++i)
    optPatternMatching_[i] =
        Named(new QRadioButton(i % 2 == 0 ? "Wildcards" : "RegEx Pattern"), Indexed("optPatternMatching", i));
  Group(this, optPatternMatching_, 2, 2);
  txtRenamePattern_ = Named(new QLineEdit, "txtRenamePattern");
  txtRenameRepString_ = Named(new QLineEdit, "txtRenameRepString");
  txtRenameStartPosition_ = DigitsOnly(Named(new QLineEdit, "txtRenameStartPosition"));
  auto* l = new QGridLayout(frames_[4]);
  l->addWidget(new QLabel("Search Pattern"), 0, 0);
  l->addWidget(txtRenamePattern_, 0, 1, 1, 2);
  l->addWidget(optPatternMatching_[2], 1, 1);
  l->addWidget(optPatternMatching_[3], 1, 2);
  l->addWidget(new QLabel("Replace with"), 2, 0);
  l->addWidget(txtRenameRepString_, 2, 1, 1, 2);
  l->addWidget(new QLabel("Start at match (empty: the last)"), 3, 0);
  l->addWidget(txtRenameStartPosition_, 3, 1);
  l->setRowStretch(4, 1);
}

void frmFileOps::BuildAttributesFrame() {
  static const char* const kAttributes[] = {"Archive", "Read Only", "System", "Hidden"};
  auto* l = new QVBoxLayout(frames_[5]);
  for (int i = 0; i < 4; ++i) {
    chkAttributeSetting_[i] = Named(new AttributeCheckBox(kAttributes[i]), Indexed("chkAttributeSetting", i));
    l->addWidget(chkAttributeSetting_[i]);
  }
  l->addWidget(new QLabel("Checked: set   Unchecked: clear   Grayed: leave alone"));
  l->addStretch();
}

void frmFileOps::BuildMacroFrame() {
  chkPauseBetweenOpens_ = Named(new QCheckBox("Prompt between each file"), "chkPauseBetweenOpens");
  txtKeyStroke_ = Named(new QLineEdit, "txtKeyStroke");
  txtCurrentMacro_ = Named(new QLineEdit("Empty Macro"), "txtCurrentMacro");
  txtCurrentMacro_->setReadOnly(true);
  txtPopUpInfo2_ = Named(new QPlainTextEdit, "txtPopUpInfo2");
  txtPopUpInfo2_->setReadOnly(true);
  txtPopUpInfo2_->setMaximumHeight(90);
  auto* l = new QGridLayout(frames_[7]);
  l->addWidget(chkPauseBetweenOpens_, 0, 0, 1, 3);
  l->addWidget(new QLabel("Enter Keystrokes to push to open file and click Add Step to add to macro"), 1, 0, 1, 3);
  l->addWidget(txtKeyStroke_, 2, 0, 1, 3);
  const char* buttons[][2] = {{"cmdAddToMacroSeries", "&Add Step"}, {"cmdMacroReset", "&Remove Last Step"},
                              {"cmdSaveOpenMacro", "&Save"}, {"cmdLoadOpenMacro", "&Load"},
                              {"cmdSpecialMacroKeys", "Special &Keys"}};
  int i = 0;
  for (auto& [name, caption] : buttons) {
    auto* b = Named(new QPushButton(caption), name);
    l->addWidget(b, 3 + i / 3, i % 3);
    ++i;
  }
  l->addWidget(txtCurrentMacro_, 5, 0, 1, 3);
  l->addWidget(txtPopUpInfo2_, 6, 0, 1, 3);
}

void frmFileOps::BuildChangeDateFrame() {
  static const char* const kDates[] = {"Created Date", "Modified Date", "Last Access Date"};
  dtpChangeDate_ = DateBox("dtpChangeDate");
  auto* l = new QVBoxLayout(frames_[8]);
  for (int i = 0; i < 3; ++i) {
    optChangeDate_[i] = Named(new QRadioButton(kDates[i]), Indexed("optChangeDate", i));
    l->addWidget(optChangeDate_[i]);
  }
  Group(this, optChangeDate_, 0, 3);
  l->addWidget(new QLabel("New date"));
  l->addWidget(dtpChangeDate_);
  l->addStretch();
}

void frmFileOps::BuildRunProcessFrame() {
  static const char* const kRun[] = {"No Prompts or delays", "Process one file at a time", "Prompt Between each file"};
  txtRunProcessOnFile_ = Named(new QLineEdit, "txtRunProcessOnFile", "The command to run; <<filename>> stands for each file");
  txtRunProcOnFileWaitTime_ = DigitsOnly(Named(new QLineEdit("30"), "txtRunProcOnFileWaitTime"));
  chkRunProcOnFileContinue_ =
      Named(new QCheckBox("Continue next file even past wait delay (headstart)"), "chkRunProcOnFileContinue");
  auto* l = new QGridLayout(frames_[9]);
  l->addWidget(new QLabel("Process (use <<filename>> for the file)"), 0, 0, 1, 3);
  l->addWidget(txtRunProcessOnFile_, 1, 0, 1, 3);
  for (int i = 0; i < 3; ++i) {
    optRunprocOnFileOptions_[i] = Named(new QRadioButton(kRun[i]), Indexed("optRunprocOnFileOptions", i));
    l->addWidget(optRunprocOnFileOptions_[i], 2 + i, 0, 1, 3);
  }
  Group(this, optRunprocOnFileOptions_, 0, 3);
  l->addWidget(new QLabel("Wait"), 5, 0);
  l->addWidget(txtRunProcOnFileWaitTime_, 5, 1);
  l->addWidget(new QLabel("seconds"), 5, 2);
  l->addWidget(chkRunProcOnFileContinue_, 6, 0, 1, 3);
  l->setRowStretch(7, 1);
}

void frmFileOps::BuildCompareFrame() {
  optCompareOptions_[0] = Named(new QRadioButton("Full compare"), "optCompareOptions_0");
  optCompareOptions_[1] = Named(new QRadioButton("Randomly check part of file"), "optCompareOptions_1");
  Group(this, optCompareOptions_, 0, 2);
  txtBytesToCompare_ = DigitsOnly(Named(new QLineEdit("2000"), "txtBytesToCompare"));
  lblBytesToCheck_ = Named(new QLabel("Bytes to check"), "lblBytesToCheck");
  chkCompareMatchingFiles_ = Named(new QCheckBox("Matching Files"), "chkCompareMatchingFiles");
  chkCompareNonMatchingFiles_ = Named(new QCheckBox("Non-Matching Files"), "chkCompareNonMatchingFiles");
  chkCompareMissingFiles_ = Named(new QCheckBox("Missing Files"), "chkCompareMissingFiles");
  auto* l = new QGridLayout(frames_[10]);
  l->addWidget(optCompareOptions_[0], 0, 0, 1, 2);
  l->addWidget(optCompareOptions_[1], 1, 0, 1, 2);
  l->addWidget(lblBytesToCheck_, 2, 0);
  l->addWidget(txtBytesToCompare_, 2, 1);
  l->addWidget(new QLabel("Show:"), 3, 0);
  l->addWidget(chkCompareMatchingFiles_, 4, 0, 1, 2);
  l->addWidget(chkCompareNonMatchingFiles_, 5, 0, 1, 2);
  l->addWidget(chkCompareMissingFiles_, 6, 0, 1, 2);
  l->setRowStretch(7, 1);
}

QWidget* frmFileOps::BuildSourcePanel() {
  treeModel_ = new QFileSystemModel(this);
  treeModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  treeModel_->setRootPath("/");
  for (FileListModel** list : {&sourceFiles_, &destinationFiles_}) {
    auto* files = new QFileSystemModel(this);
    files->setFilter(QDir::Files | QDir::System | QDir::Hidden);
    *list = new FileListModel(files, this);
  }
  auto tree = [this](const char* name) {
    auto* t = Named(new QTreeView, name);
    t->setModel(treeModel_);
    for (int c = 1; c < treeModel_->columnCount(); ++c) t->hideColumn(c);
    t->setHeaderHidden(true);
    return t;
  };
  ExploreTreeFileOpsSource_ = tree("ExploreTreeFileOpsSource");
  ExploreTreeFileOpsDestination_ = tree("ExploreTreeFileOpsDestination");
  flbSource_ = Named(new QListView, "flbSource");
  flbSource_->setModel(sourceFiles_);
  flbSource_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  flbDestination_ = Named(new QListView, "flbDestination");
  flbDestination_->setModel(destinationFiles_);
  lblSource_ = Named(new QLabel("From"), "lblSource");
  lblDestination_ = Named(new QLabel("To"), "lblDestination");
  txtSource_ = Named(new QLineEdit, "txtSource");
  txtDestination_ = Named(new QLineEdit, "txtDestination");
  cmdAddFiles_ = Named(new QPushButton("Add to Bank"), "cmdAddFiles",
                       "Add files and folders to the processing bank by dragging them from Explorer or Dorvane to "
                       "this button (or) select files or folders inside Dorvane and click this button");
  cmdRemoveFiles_ = Named(new QPushButton("Remove from Bank"), "cmdRemoveFiles",
                          "Remove the selected files (or the source folder) from the processing bank");
  cmdViewFileBank_ = Named(new QPushButton("Bank..."), "cmdViewFileBank",
                           "View, Load, or Remove Files from the Processing Bank");

  sourcePanel_ = Named(new QWidget, "fraSourceDestination");
  auto* l = new QGridLayout(sourcePanel_);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(lblSource_, 0, 0);
  l->addWidget(txtSource_, 1, 0);
  l->addWidget(ExploreTreeFileOpsSource_, 2, 0);
  l->addWidget(flbSource_, 3, 0);
  auto* bank = new QHBoxLayout;
  bank->addWidget(cmdAddFiles_);
  bank->addWidget(cmdRemoveFiles_);
  bank->addWidget(cmdViewFileBank_);
  l->addLayout(bank, 4, 0);
  l->addWidget(lblDestination_, 0, 1);
  l->addWidget(txtDestination_, 1, 1);
  l->addWidget(ExploreTreeFileOpsDestination_, 2, 1);
  l->addWidget(flbDestination_, 3, 1);
  l->setRowStretch(2, 3);
  l->setRowStretch(3, 2);
  return sourcePanel_;
}

QWidget* frmFileOps::BuildFilters() {
  FiltersPanelSetup setup;
  setup.firstPatternIndex = 0;  // 2 and 3 are Rename's own pair
  setup.quickRefName = "cmdRegExInstructions";
  setup.filesVerb = "process";
  setup.digitsOnly = true;
  setup.dateForm = kDateBoxForm;
  setup.datePlaceholder = true;
  setup.acceptsLevel = IsDigitsText;
  filters_ = new FiltersPanel(std::move(setup));
  fraFilters_ = filters_;
  optPatternMatching_[0] = filters_->optWildcards;
  optPatternMatching_[1] = filters_->optRegEx;
  txtRegExFilePattern_ = filters_->txtRegExFilePattern;
  cmdRegExInstructions_ = filters_->cmdQuickRef;
  cboFileSizeRestrictionOperator_ = filters_->cboFileSizeRestrictionOperator;
  txtFileSizeRestrictionSize_ = filters_->txtFileSizeRestrictionSize;
  cboFileSizeRestrictionSizeType_ = filters_->cboFileSizeRestrictionSizeType;
  cboDateRestrictionType_ = filters_->cboDateRestrictionType;
  cboDateRestrictionTypeOperator_ = filters_->cboDateRestrictionTypeOperator;
  dtpDateRestrictionDate_ = filters_->dtpDateRestrictionDate;
  optIncludeExtensions_ = filters_->optIncludeExtensions;
  optExcludeExtensions_ = filters_->optExcludeExtensions;
  txtExtensionsFilter_ = filters_->txtExtensionsFilter;
  optSubDirectories_All_ = filters_->optSubDirectories_All;
  optSubDirectories_Only_ = filters_->optSubDirectories_Only;
  txtSubDirectoriesLevel_ = filters_->txtSubDirectoriesLevel;
  cmdRegExInstructionsBottom_ = Named(new QPushButton("Quick Ref"), "cmdRegExInstructionsBottom");
  chkDisplayHiddenAndSystem_ = Named(new QCheckBox("Process  Hidden && System Files"), "chkDisplayHiddenAndSystem");

  int row = filters_->AddNameRows(0);
  row = filters_->AddSizeRow(row);
  row = filters_->AddDateRow(row);
  row = filters_->AddExtensionRows(row, {});
  QGridLayout* l = filters_->Grid();
  l->addWidget(chkDisplayHiddenAndSystem_, row, 0, 1, 2);
  l->addWidget(new QLabel("Subdirectory Levels"), row + 1, 0);
  l->addWidget(optSubDirectories_All_, row + 1, 1);
  l->addWidget(optSubDirectories_Only_, row + 2, 1);
  l->addWidget(txtSubDirectoriesLevel_, row + 2, 2);
  l->addWidget(new QLabel("levels deep"), row + 2, 3);
  l->addWidget(cmdRegExInstructionsBottom_, row + 3, 3);
  l->setRowStretch(row + 4, 1);
  fraFilters_->hide();
  return fraFilters_;
}

QWidget* frmFileOps::BuildCommandColumn() {
  auto* column = Named(new QWidget, "fraCommands");
  chkPreviewOnly_ = Named(new QCheckBox("Preview Only"), "chkPreviewOnly",
                          "List what the operation would do without changing anything");
  cmdShowAdvanced_ = Named(new QPushButton("Advanced"), "cmdShowAdvanced");
  cmdFilterFiles_ = Named(new QPushButton("View Filters"), "cmdFilterFiles");
  cmdProcess_ = Named(new QPushButton("Perform Operation"), "cmdProcess");
  cmdLastOperationResults_ = Named(new QPushButton("Last Operations Results"), "cmdLastOperationResults");
  cmdDisplayErrors_ = Named(new QPushButton("Errors This Session"), "cmdDisplayErrors");
  imgViewingResults_ = Marker("imgViewingResults", this);
  imgViewingErrors_ = Marker("imgViewingErrors", this);
  auto* l = new QGridLayout(column);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(chkPreviewOnly_, 0, 1);
  l->addWidget(cmdShowAdvanced_, 1, 1);
  l->addWidget(cmdFilterFiles_, 2, 1);
  l->addWidget(cmdProcess_, 3, 1);
  l->addWidget(imgViewingResults_, 4, 0);
  l->addWidget(cmdLastOperationResults_, 4, 1);
  l->addWidget(imgViewingErrors_, 5, 0);
  l->addWidget(cmdDisplayErrors_, 5, 1);
  return column;
}

void frmFileOps::BuildControls() {
  QWidget* operations = BuildOperationButtons();
  QWidget* filters = BuildFilters();
  QWidget* options = BuildOptionFrames();
  QWidget* sources = BuildSourcePanel();
  QWidget* commands = BuildCommandColumn();

  workArea_ = Named(new QWidget, "fraWorkArea");
  auto* work = new QGridLayout(workArea_);
  work->setContentsMargins(0, 0, 0, 0);
  work->addWidget(sources, 0, 0);
  work->addWidget(filters, 0, 0);
  work->addWidget(options, 0, 1);
  work->setColumnStretch(0, 3);
  work->setColumnStretch(1, 2);
  // The viewers lie over the whole work area and keep its rectangle while hidden (see eventFilter).
  txtInfoDisplay_ = Named(new ReportPreview(workArea_), "txtInfoDisplay");
  txtErrorsDisplay_ = Named(new ReportPreview(workArea_), "txtErrorsDisplay");
  txtPopUpInfo_ = Named(new QPlainTextEdit(workArea_), "txtPopUpInfo");
  txtPopUpInfo_->setReadOnly(true);
  txtPopUpInfo_->setPlainText(QuickReferenceText());
  for (QWidget* w : {static_cast<QWidget*>(txtInfoDisplay_), static_cast<QWidget*>(txtErrorsDisplay_),
                     static_cast<QWidget*>(txtPopUpInfo_)}) {
    w->setFont(FixedFont());
    w->hide();
  }
  workArea_->installEventFilter(this);
  workArea_->setMinimumHeight(360);

  auto* content = Named(new QWidget, "fraContent");
  auto* main = new QVBoxLayout(content);
  main->addWidget(operations, 0, Qt::AlignTop);
  main->addWidget(workArea_, 1);
  // The rest scrolls when the window is smaller than the controls need; the command column (Perform, Results,
  // Errors) stands beside the scrolled part, so it is always in reach, whatever is shown and however small.
  auto* scroller = Named(new QScrollArea, "scrContent");
  scroller->setWidgetResizable(true);
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidget(content);
  auto* outer = new QHBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroller, 1);
  outer->addWidget(commands, 0, Qt::AlignTop);
}

void frmFileOps::PlaceViewers() {
  const QRect all(QPoint(0, 0), workArea_->size());
  txtInfoDisplay_->setGeometry(all);
  txtErrorsDisplay_->setGeometry(all);
  txtPopUpInfo_->setGeometry(all.adjusted(all.width() / 2, 0, 0, 0));
}

}  // namespace dv
