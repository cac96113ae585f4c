#include "dirprint/frm_dir_print.h"

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <cerrno>
#include <functional>
#include <utility>

#include "common/pattern.h"
#include "common/setting_defaults.h"
#include "common/resume_scope.h"
#include "shell/input_checks.h"
#include "dirprint/dir_print_job.h"
#include "shell/background_job.h"
#include "shell/frm_cancel.h"
#include "dirprint/frm_html_settings.h"
#include "shell/report_view.h"
#include "dirprint/sortable_list.h"
#include "dirprint/sortable_report.h"
#include "export/html_export.h"
#include "export/save_report.h"
#include "platform/regexp.h"
#include "scan/cls_dir_processing.h"
#include "scan/scan_codes.h"
#include "shell/control_builders.h"
#include "shell/control_memory.h"
#include "shell/filters_panel.h"
#include "shell/frm_please_wait.h"
#include "shell/shared_ui.h"
#include "shell/shell_services.h"

namespace dv {

namespace {

const char* const kGetInfo = "Get Directory Information";
const char* const kQuickRef = "Quick Ref";
const QStringList kAvailableColumns = {"Created", "Modified", "Accessed", "Attributes"};
const QStringList kDisplayedColumns = {"Size", "File Type"};

// The per-user settings keys of the remembered choices: this prefix and the control's name.
const QString kMemoryPrefix = QStringLiteral("DirPrint_");

// 15 twips to a pixel at 96 dpi: the quick reference keeps its place relative to the preview in these units.
constexpr int kTwipsPerPixel = 15;

std::string Std(const QString& s) { return s.toStdString(); }

QPlainTextEdit* ReadOnlyText(const char* name) {
  auto* t = Named(new QPlainTextEdit, name);
  t->setReadOnly(true);
  t->setFont(FixedFont());
  t->setLineWrapMode(QPlainTextEdit::NoWrap);
  return t;
}

}  // namespace

frmDirPrint::frmDirPrint(ShellServices& services, frmCancel* cancel, Prompter* prompter, QWidget* parent)
    : frmDirPrintBase(parent),
      services_(services),
      cancel_(cancel),
      prompter_(prompter ? *prompter : static_cast<Prompter&>(services.prompter)),
      utilities_(prompter_, services.settings, services.errors),
      enginePrompter_(std::make_unique<GuiThreadPrompter>(prompter_)),
      job_(new BackgroundJob(cancel, this)) {
  setObjectName("frmDirPrint");
  setWindowTitle("Directory Printer");
  SaveDialog = [this](const SaveDialogRequest& request) { return RunSaveFileDialog(request, this); };
  BuildControls();
  Form_Load();
}

frmDirPrint::~frmDirPrint() {
  // The worker ends before the engine it works with.
  job_->StopAndWait();
}

void frmDirPrint::Run(const char* location, const std::function<void()>& step) {
  ResumeScope(services_.errors.Reporting(mode::MessageAndReport), location).Step(step);
}

void frmDirPrint::BuildControls() {
  // The file filters' panel also makes the levels, which the "Main" tab shows.
  FiltersPanelSetup setup;
  setup.firstPatternIndex = 2;  // 0 and 1 are the folder filters' pair
  setup.quickRefName = "cmdRegExInstructionsBottom";
  setup.filesVerb = "display";
  setup.describeAll = true;
  setup.dateForm = "MM-DD-YYYY";
  setup.acceptsLevel = IsNumericText;
  filters_ = new FiltersPanel(std::move(setup));

  frames_[0] = BuildMainTab();
  frames_[1] = BuildViewOptionsTab();
  frames_[2] = BuildFileFiltersTab();
  frames_[3] = BuildFolderFiltersTab();
  QLayout* tabs = BuildTabs();
  QLayout* pathAndTree = BuildPathAndTree();
  BuildDisplayArea();
  LayOut(pathAndTree, tabs);
  ConnectHandlers();
}

QWidget* frmDirPrint::BuildMainTab() {
  auto* fraStandard = Named(new QFrame, "fraStandard");
  auto* levels = Named(new QGroupBox("Subdirectory Levels"), "fraSubDirectoryLevels");
  {
    auto* l = new QGridLayout(levels);
    l->addWidget(filters_->optSubDirectories_All, 0, 0);
    l->addWidget(filters_->optSubDirectories_Only, 1, 0);
    l->addWidget(filters_->txtSubDirectoriesLevel, 1, 1);
    l->addWidget(new QLabel("levels deep"), 1, 2);
  }
  chkDirectoriesOnly_ = Named(new QCheckBox("Display  Directories Only"), "chkDirectoriesOnly",
                              "Only show directories (Do Not show any files)");
  auto* fraViewType =
      Named(new QGroupBox("Folder Structure View"), "fraViewType",
            "Choose the format for the report (Use CSV format for pushing the data to other applications)");
  optHierarchicalView_ = Named(new QRadioButton("Hierarchical"), "optHierarchicalView",
                               "Display report with folders and files in an indented hierarchy");
  optFlatView_ = Named(new QRadioButton("DOS"), "optFlatView", "Display report in the classic flat DOS format");
  optCSVView_ = Named(new QRadioButton("CSV"), "optCSVView", "Display report in comma separated values format");
  optSortableView_ =
      Named(new QRadioButton("Sortable"), "optSortableView",
            "Display report so you can sort columns and select rows for saving & printing while in Dorvane");
  {
    auto* g = new QButtonGroup(this);
    auto* l = new QVBoxLayout(fraViewType);
    for (QRadioButton* b : {optHierarchicalView_, optFlatView_, optCSVView_, optSortableView_}) {
      g->addButton(b);
      l->addWidget(b);
    }
  }
  listAvailable_ = Named(new QListWidget, "listAvailable",
                         "Choose from these remaining file/folder information columns to report on");
  listDisplayed_ = Named(new QListWidget, "listDisplayed",
                         "Each item listed here will show up as a column in the directory report");
  cmdAddToColumnDisplay_ =
      Named(new QPushButton(">"), "cmdAddToColumnDisplay", "Add the highlighted column to the report");
  cmdRemoveFromColumnDisplay_ =
      Named(new QPushButton("<"), "cmdRemoveFromColumnDisplay", "Remove the highlighted column from the report");
  auto* l = new QGridLayout(fraStandard);
  l->addWidget(levels, 0, 0);
  l->addWidget(chkDirectoriesOnly_, 1, 0);
  l->addWidget(fraViewType, 2, 0);
  l->addWidget(new QLabel("Available Columns"), 0, 1);
  l->addWidget(listAvailable_, 1, 1, 2, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdAddToColumnDisplay_);
  buttons->addWidget(cmdRemoveFromColumnDisplay_);
  buttons->addStretch();
  l->addLayout(buttons, 1, 2, 2, 1);
  l->addWidget(new QLabel("Show these Columns"), 0, 3);
  l->addWidget(listDisplayed_, 1, 3, 2, 1);
  return fraStandard;
}

QWidget* frmDirPrint::BuildViewOptionsTab() {
  auto* fraOtherViewOptions = Named(new QFrame, "fraOtherViewOptions");
  chkDisplayHiddenAndSystem_ = Named(new QCheckBox("Display  Hidden && System Files"), "chkDisplayHiddenAndSystem",
                                     "Show files with the Hidden and System attributes set");
  chkDirectoryDetails_ =
      Named(new QCheckBox("Show Directory Details"), "chkDirectoryDetails",
            "Display the columns selected information (size, file type,...) for directories in report");
  chkShowFileCounts_ = Named(new QCheckBox("Show file counts (DOS View Only)"), "chkShowFileCounts",
                             "Display the number of files in a directory");
  chkIncludeFullPath_ =
      Named(new QCheckBox("Include Full Path (DOS View Only)"), "chkIncludeFullPath", "Show full path in report");
  auto* fraSizeType = Named(new QGroupBox, "fraSizeType");
  lblShowSizeIn_ = Named(new QLabel("Show Sizes In"), "lblShowSizeIn");
  {
    const char* captions[] = {"Bytes", "KB", "MB"};
    const char* tips[] = {"Sizes in report will show up in Bytes", "Sizes in report will show up in Kilobytes",
                          "Sizes in report will show up in Megabytes"};
    auto* g = new QButtonGroup(this);
    auto* l = new QHBoxLayout(fraSizeType);
    l->addWidget(lblShowSizeIn_);
    for (int i = 0; i < 3; ++i) {
      optSizeType_[i] = Named(new QRadioButton(captions[i]), Indexed("optSizeType", i), tips[i]);
      g->addButton(optSizeType_[i], i);
      l->addWidget(optSizeType_[i]);
    }
  }
  auto* l = new QVBoxLayout(fraOtherViewOptions);
  for (QWidget* w : {static_cast<QWidget*>(chkDisplayHiddenAndSystem_), static_cast<QWidget*>(chkDirectoryDetails_),
                     static_cast<QWidget*>(chkShowFileCounts_), static_cast<QWidget*>(chkIncludeFullPath_),
                     static_cast<QWidget*>(fraSizeType)})
    l->addWidget(w);
  l->addStretch();
  return fraOtherViewOptions;
}

QWidget* frmDirPrint::BuildFileFiltersTab() {
  // The pattern options form one array over both filter tabs: the file pair is the panel's.
  optPatternMatching_[2] = filters_->optWildcards;
  optPatternMatching_[3] = filters_->optRegEx;
  int row = filters_->AddNameRows(0);
  row = filters_->AddExtensionRows(row, "The following extensions");
  row = filters_->AddDateRow(row);
  row = filters_->AddSizeRow(row);
  filters_->Grid()->setRowStretch(row, 1);
  return filters_;
}

QWidget* frmDirPrint::BuildFolderFiltersTab() {
  for (int i = 0; i < 2; ++i)
    optPatternMatching_[i] =
        Named(new QRadioButton(i == 0 ? "Wildcards" : "RegEx Pattern"), Indexed("optPatternMatching", i),
              (i == 0 ? filters_->optWildcards : filters_->optRegEx)->toolTip());
  auto* folderPatternGroup = new QButtonGroup(this);
  folderPatternGroup->addButton(optPatternMatching_[0], 0);
  folderPatternGroup->addButton(optPatternMatching_[1], 1);
  auto* fraFilters2 = Named(new QFrame, "fraFilters2");
  txtRegExFolderPattern_ =
      Named(new QLineEdit, "txtRegExFolderPattern",
            "Only display folders that match the following Wildcard or Regular Expression pattern");
  cmdRegExInstructionsFromFolders_ =
      Named(new QPushButton(kQuickRef), "cmdRegExInstructionsFromFolders", filters_->cmdQuickRef->toolTip());
  cboFolderSizeRestrictionOperator_ = Combo("cboFolderSizeRestrictionOperator", kComparisonOperators,
                                            "Select comparison operator to restrict folder sizes");
  txtFolderSizeRestrictionSize_ =
      Named(new QLineEdit, "txtFolderSizeRestrictionSize", "Enter numeric value to restrict folder sizes");
  cboFolderSizeRestrictionSizeType_ =
      Combo("cboFolderSizeRestrictionSizeType", kSizeUnits, "Select byte size type to restrict folder sizes");
  auto* l = new QGridLayout(fraFilters2);
  int row = AddPatternRows(l, 0, "Folder Name Filter", txtRegExFolderPattern_, optPatternMatching_[0],
                           optPatternMatching_[1], cmdRegExInstructionsFromFolders_);
  AddLabelledRow(l, row, "Folder Size is",
                 {cboFolderSizeRestrictionOperator_, txtFolderSizeRestrictionSize_, cboFolderSizeRestrictionSizeType_});
  l->setRowStretch(row + 1, 1);
  return fraFilters2;
}

QLayout* frmDirPrint::BuildTabs() {
  // The tab strip over one shared place for the four frames.
  TabStrip1_ = Named(new QTabBar, "TabStrip1");
  for (const char* caption : {"Main", "Additional View Options", "File Filters", "Folder Filters"})
    TabStrip1_->addTab(caption);
  auto* frameHolder = Named(new QWidget, "fraHolder");
  auto* l = new QGridLayout(frameHolder);
  l->setContentsMargins(0, 0, 0, 0);
  for (QWidget* f : frames_) {
    // Hidden pages keep their room: the place is as tall as the tallest page, so nothing below it jumps
    // when the tab changes.
    KeepRoom(f);
    l->addWidget(f, 0, 0);
  }
  auto* tabs = new QVBoxLayout;
  tabs->addWidget(TabStrip1_);
  tabs->addWidget(frameHolder, 1);
  return tabs;
}

QLayout* frmDirPrint::BuildPathAndTree() {
  txtPathSelected_ = Named(new QLineEdit, "txtPathSelected",
                           "Enter top-level directory to process from (You can use local drives, mapped network "
                           "drives, or UNC share names)");
  treeModel_ = new QFileSystemModel(this);
  treeModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  treeModel_->setRootPath("/");
  ExploreTreeDirPrinter_ = Named(new QTreeView, "ExploreTreeDirPrinter");
  ExploreTreeDirPrinter_->setModel(treeModel_);
  for (int c = 1; c < treeModel_->columnCount(); ++c) ExploreTreeDirPrinter_->hideColumn(c);
  ExploreTreeDirPrinter_->setHeaderHidden(true);
  cmdProcessDirPrint_ = Named(new QPushButton(kGetInfo), "cmdProcessDirPrint", "Gather selected file information");
  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel("Select or type a path"));
  left->addWidget(txtPathSelected_);
  left->addWidget(ExploreTreeDirPrinter_, 1);
  left->addWidget(cmdProcessDirPrint_, 0, Qt::AlignHCenter);
  return left;
}

void frmDirPrint::BuildDisplayArea() {
  // The preview, list and error view share one cell.
  displayArea_ = Named(new QWidget, "fraDisplayArea");
  // The preview reads the report file as it is scrolled: a report of a million lines is never held whole.
  rtfPreviewDirPrint_ = Named(new ReportPreview, "rtfPreviewDirPrint");
  rtfPreviewDirPrint_->setFont(FixedFont());
  lvFilesFolders_ = Named(new QTableView, "lvFilesFolders");
  list_ = new SortableListModel(this);
  // Header clicks sort by the list's rule: the sort column again flips the order, another one sorts ascending.
  AttachSortableList(lvFilesFolders_, list_);
  txtErrorsDisplay_ = ReadOnlyText("txtErrorsDisplay");
  // No layout here: the three keep one geometry even while hidden (see eventFilter).
  for (QWidget* w : {static_cast<QWidget*>(rtfPreviewDirPrint_), static_cast<QWidget*>(lvFilesFolders_),
                     static_cast<QWidget*>(txtErrorsDisplay_)})
    w->setParent(displayArea_);
  displayArea_->setMinimumHeight(120);
  displayArea_->installEventFilter(this);
  lvFilesFolders_->hide();
  txtErrorsDisplay_->hide();
}

void frmDirPrint::LayOut(QLayout* pathAndTree, QLayout* tabs) {
  // The quick reference reaches beyond the display area (left and below it), so it floats over the window.
  txtPopUpInfo_ = ReadOnlyText("txtPopUpInfo");
  // Everything lies on one content panel that scrolls when the window is smaller than the controls need.
  auto* content = Named(new QWidget, "fraContent");
  txtPopUpInfo_->setParent(content);
  txtPopUpInfo_->setPlainText(QuickReferenceText());
  txtPopUpInfo_->hide();
  auto* webBrowser = Named(new QWidget(this), "WebBrowser1");
  webBrowser->hide();

  auto* top = new QGridLayout;
  top->addLayout(pathAndTree, 0, 0);
  top->addLayout(tabs, 0, 1);
  top->setColumnStretch(0, 1);
  top->setColumnStretch(1, 1);
  auto* main = new QVBoxLayout(content);
  main->addLayout(top, 0);
  main->addWidget(displayArea_, 1);
  // Said where the user looks, without a box to close: the job's items that could not be read.
  lblJobErrors_ = Named(new QLabel, "lblJobErrors");
  lblJobErrors_->hide();
  main->addWidget(lblJobErrors_);
  auto* scroller = Named(new QScrollArea, "scrContent");
  scroller->setWidgetResizable(true);
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidget(content);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroller);
}

void frmDirPrint::ConnectHandlers() {
  connect(TabStrip1_, &QTabBar::currentChanged, this, [this](int i) { Run("fdp:07", [&] { TabStrip1_Click(i); }); });
  for (QRadioButton* b : {filters_->optSubDirectories_All, filters_->optSubDirectories_Only})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Run("fdp:08", [&] { filters_->SubDirectoriesChanged(); });
    });
  connect(filters_->txtSubDirectoriesLevel, &QLineEdit::textChanged, this,
          [this] { Run("fdp:09", [&] { filters_->LevelChanged(); }); });
  for (QRadioButton* b : {optHierarchicalView_, optFlatView_, optCSVView_, optSortableView_}) {
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Run("fdp:10", [&] { ViewTypeChanged(); });
    });
    // Only the user's choice (a click or an arrow key) shows a view at once; restoring and clearing the
    // settings set the options without a walk.
    connect(b, &QRadioButton::clicked, this, [this, b] {
      if (b->isChecked()) Run("fdp:10", [&] { ViewChosenAfterRun(); });
    });
  }
  connect(chkDirectoryDetails_, &QCheckBox::toggled, this,
          [this] { Run("fdp:11", [&] { chkDirectoryDetails_Click(); }); });
  connect(chkDirectoriesOnly_, &QCheckBox::toggled, this,
          [this] { Run("fdp:12", [&] { chkDirectoriesOnly_Click(); }); });
  for (int i = 0; i < 4; ++i)
    connect(optPatternMatching_[i], &QRadioButton::toggled, this,
            [this, i](bool on) { Run("fdp:13", [&] { PatternMatchingChanged(i, on); }); });
  connect(cmdAddToColumnDisplay_, &QPushButton::clicked, this,
          [this] { Run("fdp:14", [&] { MoveColumn(listAvailable_, listDisplayed_); }); });
  connect(cmdRemoveFromColumnDisplay_, &QPushButton::clicked, this,
          [this] { Run("fdp:15", [&] { MoveColumn(listDisplayed_, listAvailable_); }); });
  for (QPushButton* b : {filters_->cmdQuickRef, cmdRegExInstructionsFromFolders_})
    connect(b, &QPushButton::clicked, this, [this] { Run("fdp:16", [&] { ToggleQuickReference(); }); });
  connect(txtPathSelected_, &QLineEdit::textEdited, this,
          [this](const QString& t) { Run("fdp:17", [&] { txtPathSelected_Change(t); }); });
  connect(ExploreTreeDirPrinter_, &QTreeView::clicked, this,
          [this](const QModelIndex& i) { Run("fdp:19", [&] { ExploreTreeDirPrinter_NodeClick(i); }); });
  connect(filters_->txtFileSizeRestrictionSize, &QLineEdit::textChanged, this, [this] {
    Run("fdp:20",
        [&] { CheckSizeBox(filters_->txtFileSizeRestrictionSize, filters_->cboFileSizeRestrictionSizeType); });
  });
  connect(txtFolderSizeRestrictionSize_, &QLineEdit::textChanged, this, [this] {
    Run("fdp:21", [&] { CheckSizeBox(txtFolderSizeRestrictionSize_, cboFolderSizeRestrictionSizeType_); });
  });
  connect(filters_->cboFileSizeRestrictionSizeType, &QComboBox::activated, this, [this] {
    Run("fdp:22", [&] {
      SizeUnitClicked(filters_->txtFileSizeRestrictionSize, filters_->cboFileSizeRestrictionSizeType, true);
    });
  });
  connect(cboFolderSizeRestrictionSizeType_, &QComboBox::activated, this, [this] {
    Run("fdp:23", [&] { SizeUnitClicked(txtFolderSizeRestrictionSize_, cboFolderSizeRestrictionSizeType_, false); });
  });
  filters_->dtpDateRestrictionDate->installEventFilter(this);
  ExploreTreeDirPrinter_->installEventFilter(this);
  ExploreTreeDirPrinter_->viewport()->installEventFilter(this);
  ConnectButtonAndKeys();
}

void frmDirPrint::ConnectButtonAndKeys() {
  connect(cmdProcessDirPrint_, &QPushButton::clicked, this, [this] { cmdProcessDirPrint_Click(); });
  // Keyboard habits: Enter in the path box runs the job; Ctrl+S saves, Ctrl+P prints, F5 reads the tree again.
  connect(txtPathSelected_, &QLineEdit::returnPressed, cmdProcessDirPrint_, &QPushButton::click);
  const std::pair<QKeySequence, std::function<void()>> keys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveDirectoryInformation(); }},
      {QKeySequence(Qt::CTRL | Qt::Key_P), [this] { PrintDirectoryInformation(); }},
      {QKeySequence(Qt::Key_F5), [this] { RefreshDrives(); }},
  };
  for (const auto& [key, act] : keys) {
    auto* shortcut = new QShortcut(key, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, act);
  }
  // The caption leans while the mouse button is held on the button.
  connect(cmdProcessDirPrint_, &QPushButton::pressed, this, [this] {
    QFont f = cmdProcessDirPrint_->font();
    f.setItalic(true);
    cmdProcessDirPrint_->setFont(f);
  });
  connect(cmdProcessDirPrint_, &QPushButton::released, this, [this] {
    QFont f = cmdProcessDirPrint_->font();
    f.setItalic(false);
    cmdProcessDirPrint_->setFont(f);
  });
}

void frmDirPrint::Form_Load() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:06");
  scope.Step([&] { tempFolder_ = services_.tempFolder; });
  scope.Step([&] { cDirProc_ = std::make_unique<clsDirProcessing>(*enginePrompter_); });
  scope.Step([&] {
    filters_->optSubDirectories_All->setChecked(true);
    optHierarchicalView_->setChecked(true);
    optSizeType_[1]->setChecked(true);
    optPatternMatching_[0]->setChecked(true);
    filters_->optIncludeExtensions->setChecked(true);
    chkDisplayHiddenAndSystem_->setChecked(true);
    chkDirectoryDetails_->setChecked(true);
    chkShowFileCounts_->setEnabled(false);
    chkIncludeFullPath_->setEnabled(false);
    listAvailable_->addItems(kAvailableColumns);
    listDisplayed_->addItems(kDisplayedColumns);
    filters_->SubDirectoriesChanged();
    filters_->SetFileControlsEnabled(true);
    TabStrip1_Click(0);
  });
  scope.Step([&] {
    listAvailable_->setCurrentRow(0);
    listDisplayed_->setCurrentRow(0);
  });
  scope.Step([&] {
    loading_ = true;
    const std::string root = utilities_.FirstDriveRoot();
    services_.utilities.DefaultDriveRoot = root;
    // The path box shows the root as the user would type it, with its final "/".
    txtPathSelected_->setText(QString::fromStdString(root));
    loading_ = false;
  });
  loading_ = false;
  // The choices of the last session, the folder among them; then the tree opens at the path box's folder.
  scope.Step([&] { RestoreChoices(); });
  scope.Step([&] { FollowTreeTo(txtPathSelected_->text()); });
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { RememberChoices(); });
}

QStringList frmDirPrint::RememberedControls() const {
  QStringList names = {"txtPathSelected", "optSubDirectories_All", "optSubDirectories_Only", "txtSubDirectoriesLevel",
                       "chkDirectoriesOnly", "optHierarchicalView", "optFlatView", "optCSVView", "optSortableView",
                       "listAvailable", "listDisplayed", "chkDisplayHiddenAndSystem", "chkDirectoryDetails",
                       "chkShowFileCounts", "chkIncludeFullPath", "optPatternMatching_0", "optPatternMatching_1",
                       "txtRegExFilePattern", "txtExtensionsFilter", "optIncludeExtensions", "optExcludeExtensions",
                       "cboDateRestrictionType", "cboDateRestrictionTypeOperator", "dtpDateRestrictionDate",
                       "cboFileSizeRestrictionOperator", "txtFileSizeRestrictionSize", "cboFileSizeRestrictionSizeType",
                       "txtRegExFolderPattern", "cboFolderSizeRestrictionOperator", "txtFolderSizeRestrictionSize",
                       "cboFolderSizeRestrictionSizeType"};
  for (int i = 0; i < 3; ++i) names << QString("optSizeType_%1").arg(i);
  return names;
}

void frmDirPrint::RememberChoices() {
  // Only logged: the choices are a convenience, and this runs at the end of the session or of a job.
  ResumeScope(services_.errors.Reporting(mode::Log), "fdp:31").Step([&] {
    RememberControls(*this, RememberedControls(), kMemoryPrefix, services_.settings);
  });
}

void frmDirPrint::RestoreChoices() {
  RestoreControls(*this, RememberedControls(), kMemoryPrefix, services_.settings);
  // Stored texts that no longer pass the boxes' own checks, and column lists that are not the known columns
  // split in two, give way to the defaults.
  QStringList columns;
  for (const QListWidget* list : {listAvailable_, listDisplayed_})
    for (int i = 0; i < list->count(); ++i) columns << list->item(i)->text();
  QStringList known = kAvailableColumns + kDisplayedColumns;
  columns.sort();
  known.sort();
  if (columns != known) {
    listAvailable_->clear();
    listAvailable_->addItems(kAvailableColumns);
    listDisplayed_->clear();
    listDisplayed_->addItems(kDisplayedColumns);
  }
  for (QListWidget* list : {listAvailable_, listDisplayed_})
    if (list->count() > 0) list->setCurrentRow(0);
  for (QLineEdit* box :
       {filters_->txtFileSizeRestrictionSize, txtFolderSizeRestrictionSize_, filters_->txtSubDirectoriesLevel})
    if (!box->text().isEmpty() && !IsNumericText(box->text())) box->clear();
  if (!filters_->dtpDateRestrictionDate->text().isEmpty() && !ParseDateText(filters_->dtpDateRestrictionDate->text()))
    filters_->dtpDateRestrictionDate->clear();
  if (!QFileInfo(txtPathSelected_->text()).isDir())
    txtPathSelected_->setText(QString::fromStdString(services_.utilities.DefaultDriveRoot));
  // The controls that follow others, brought in line as their handlers would have done.
  optPatternMatching_[optPatternMatching_[1]->isChecked() ? 3 : 2]->setChecked(true);
  filters_->SubDirectoriesChanged();
  ViewTypeChanged();
  chkDirectoryDetails_Click();
  chkDirectoriesOnly_Click();
}

void frmDirPrint::FollowTreeTo(const QString& folder) {
  // The model reads folders in the background and rows arrive (and get sorted) while it does, which would move
  // the folder out of sight. Until the user takes over, each folder read on the way brings it back into view.
  QString path = QDir::cleanPath(folder);
  if (path.isEmpty() || !QFileInfo(path).isDir()) return;
  auto show = [this, path] {
    const QModelIndex index = treeModel_->index(path);
    if (!index.isValid()) return;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) ExploreTreeDirPrinter_->expand(p);
    ExploreTreeDirPrinter_->setCurrentIndex(index);
    ExploreTreeDirPrinter_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  };
  show();
  delete followTree_;
  auto* follow = new QObject(this);
  connect(treeModel_, &QFileSystemModel::directoryLoaded, follow, [show, follow, path](const QString& loaded) {
    if (path == loaded || path.startsWith(loaded == "/" ? loaded : loaded + "/")) show();
    // Once the folder's own parent is read (and sorted, just after), the folder is in its final place.
    if (QFileInfo(path).dir().path() == loaded || path == "/")
      QTimer::singleShot(100, follow, [show, follow] {
        show();
        follow->deleteLater();
      });
  });
  followTree_ = follow;
}

QString frmDirPrint::ReportPath() const { return QString::fromStdString(tempFolder_) + "/tmpOuput.txt"; }

void frmDirPrint::TabStrip1_Click(int index) {
  for (int i = 0; i < 4; ++i) frames_[i]->setVisible(i == index);
}

void frmDirPrint::ViewTypeChanged() {
  if (optFlatView_->isChecked()) {
    chkIncludeFullPath_->setEnabled(true);
    if (chkDirectoryDetails_->isChecked()) chkShowFileCounts_->setEnabled(true);
  } else if (optHierarchicalView_->isChecked() || optCSVView_->isChecked()) {
    chkIncludeFullPath_->setEnabled(false);
    chkShowFileCounts_->setEnabled(false);
  }
}

void frmDirPrint::chkDirectoryDetails_Click() {
  chkShowFileCounts_->setEnabled(chkDirectoryDetails_->isChecked() && optFlatView_->isChecked());
}

void frmDirPrint::chkDirectoriesOnly_Click() { filters_->SetFileControlsEnabled(!chkDirectoriesOnly_->isChecked()); }

void frmDirPrint::PatternMatchingChanged(int index, bool checked) {
  // One pattern mode serves file and folder names: 0 pairs with 2, 1 with 3.
  if (checked) optPatternMatching_[(index + 2) % 4]->setChecked(true);
}

void frmDirPrint::MoveColumn(QListWidget* source, QListWidget* target) {
  const int p = source->currentRow();
  if (p < 0 || !source->item(p) || source->item(p)->text().isEmpty()) return;
  target->addItem(source->item(p)->text());
  if (target->currentRow() < 0 && target->count() > 0) target->setCurrentRow(0);
  delete source->takeItem(p);
  if (source->count() > 0) source->setCurrentRow(p < source->count() ? p : p - 1);
}

void frmDirPrint::PlaceQuickReference() {
  const QRect preview(rtfPreviewDirPrint_->mapTo(txtPopUpInfo_->parentWidget(), QPoint(0, 0)),
                      rtfPreviewDirPrint_->size());
  txtPopUpInfo_->setGeometry(120 / kTwipsPerPixel, preview.top(), preview.width(),
                             preview.height() + 72 / kTwipsPerPixel);
}

void frmDirPrint::ToggleQuickReference() {
  if (!txtPopUpInfo_->isHidden()) {
    txtPopUpInfo_->hide();
    filters_->cmdQuickRef->setText(kQuickRef);
    cmdRegExInstructionsFromFolders_->setText(kQuickRef);
  } else {
    PlaceQuickReference();
    txtPopUpInfo_->show();
    txtPopUpInfo_->raise();
    filters_->cmdQuickRef->setText("Close Ref");
    cmdRegExInstructionsFromFolders_->setText("Close Ref");
  }
}

void frmDirPrint::txtPathSelected_Change(const QString& text) {
  if (loading_) return;
  if (text.isEmpty() || !QFileInfo(text).isDir()) return;
  QString path = text;
  if (path.size() > 1 && path.endsWith('/')) path.chop(1);
  QModelIndex index = treeModel_->index(path);
  if (!index.isValid()) return;
  for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) ExploreTreeDirPrinter_->expand(p);
  ExploreTreeDirPrinter_->setCurrentIndex(index);
  ExploreTreeDirPrinter_->scrollTo(index);
}

void frmDirPrint::ExploreTreeDirPrinter_NodeClick(const QModelIndex& index) {
  const QString path = treeModel_->filePath(index);
  // Every Linux path names something below the one root, so even "/" may be taken.
  if (path.isEmpty()) return;
  struct stat st {};
  const QByteArray native = QFile::encodeName(path);
  if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    const int err = errno;
    if (err == ENOMEDIUM || err == ENODEV || err == ENXIO) {
      prompter_.Message("Device was unavailable.  Please try another drive or make sure media is in drive.",
                        "Device Unavailable");
    } else {
      prompter_.Message(
          "The clicked path was not found.\r\n\r\nIt may have been removed since Dorvane was loaded or you may not "
          "have permissions to view it.\r\n\r\nTry using the menu to refresh the directory tree -> Directory Printer "
          "- Refresh Directories",
          "Path is no longer valid");
    }
    return;
  }
  if (path == lastTreePath_) return;
  txtPathSelected_->setText(path);
  lastTreePath_ = path;
}

bool frmDirPrint::CheckSizeBox(QLineEdit* box, QComboBox* unit) {
  if (rewriting_) return true;
  const QString text = box->text();
  if (text.isEmpty()) return true;
  auto rewrite = [&](const QString& t) {
    rewriting_ = true;
    box->setText(t);
    rewriting_ = false;
  };
  if (!IsNumericText(text)) {
    prompter_.Message("Please put in numeric values only", "Numeric values only");
    rewrite("");
    return false;
  }
  QString plain = text;
  plain.remove(',');
  if (plain != text) rewrite(plain);
  if (!utilities_.ValidSizeRestriction(Std(plain), Std(unit->currentText()))) {
    rewrite("");
    return false;
  }
  return true;
}

void frmDirPrint::SizeUnitClicked(QLineEdit* box, QComboBox* unit, bool notice) {
  if (box->text().isEmpty()) return;
  if (!CheckSizeBox(box, unit) || !notice) return;
  int display = 1;
  for (int i = 0; i < 3; ++i)
    if (optSizeType_[i]->isChecked()) display = i;
  const QString text = SizeConversionNotice(box->text().trimmed().toDouble(), unit->currentText(), display);
  if (!text.isEmpty()) prompter_.Message(Std(text), "File Size Filtration Information");
}

void frmDirPrint::dtpDateRestrictionDate_LostFocus() {
  const QString text = filters_->dtpDateRestrictionDate->text();
  if (text.isEmpty()) return;
  if (auto date = ParseDateText(text)) {
    filters_->dtpDateRestrictionDate->setText(FormatDateText(*date));
  } else {
    prompter_.Message("Please enter a valid date in the date field box.", "Invalid Date");
    filters_->dtpDateRestrictionDate->setText("");
  }
}

bool frmDirPrint::eventFilter(QObject* watched, QEvent* event) {
  if (watched == displayArea_ && event->type() == QEvent::Resize) {
    const QRect all(QPoint(0, 0), displayArea_->size());
    rtfPreviewDirPrint_->setGeometry(all);
    lvFilesFolders_->setGeometry(all);
    txtErrorsDisplay_->setGeometry(all);
    // The quick reference floats over the preview, so it follows the preview's size.
    if (!txtPopUpInfo_->isHidden()) Run("fdp:30", [&] { PlaceQuickReference(); });
  }
  // The user's own moves in the tree end the following of the start folder at once.
  if ((watched == ExploreTreeDirPrinter_->viewport() || watched == ExploreTreeDirPrinter_) &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel ||
       event->type() == QEvent::KeyPress))
    delete followTree_;
  if (watched == filters_->dtpDateRestrictionDate && event->type() == QEvent::FocusOut)
    Run("fdp:18", [&] { dtpDateRestrictionDate_LostFocus(); });
  return frmDirPrintBase::eventFilter(watched, event);
}

QAction* frmDirPrint::MainItem(const char* name) const {
  QWidget* top = window();
  return top && top != this ? top->findChild<QAction*>(name) : nullptr;
}

void frmDirPrint::ViewSessionErrors() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:27");
  if (!txtErrorsDisplay_->isHidden()) {
    scope.Step([&] { cmdProcessDirPrint_->setText(kGetInfo); });
    scope.Step([&] { txtErrorsDisplay_->hide(); });
    scope.Step([&] {
      if (QAction* a = MainItem("mnuGetNewDirectoryInfo")) a->setEnabled(true);
      if (QAction* a = MainItem("mnuViewSessionErrors")) a->setChecked(false);
    });
    return;
  }
  QFile file(QString::fromStdString(services_.log.Path()));
  scope.Step([&] {
    if (!file.open(QIODevice::ReadOnly)) throw Error(53, "File not found");
  });
  scope.Step([&] {
    if (file.isOpen() && file.size() > 0) txtErrorsDisplay_->setPlainText(QString::fromUtf8(file.readAll()));
  });
  scope.Step([&] { cmdProcessDirPrint_->setText("Close Session Errors"); });
  scope.Step([&] {
    txtErrorsDisplay_->show();
    txtErrorsDisplay_->raise();
  });
  scope.Step([&] {
    if (QAction* a = MainItem("mnuGetNewDirectoryInfo")) a->setEnabled(false);
    if (QAction* a = MainItem("mnuViewSessionErrors")) {
      a->setCheckable(true);
      a->setChecked(true);
    }
  });
  file.close();
}

void frmDirPrint::ClearErrors() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:29");
  scope.Step([&] { services_.log.OpenSessionErrorLog(); });
  scope.Step([&] { txtErrorsDisplay_->clear(); });
}

void frmDirPrint::ClearSettings() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:28");
  scope.Step([&] { optHierarchicalView_->setChecked(true); });
  scope.Step([&] { chkDirectoriesOnly_->setChecked(false); });
  scope.Step([&] {
    listAvailable_->clear();
    listAvailable_->addItems(kAvailableColumns);
    listDisplayed_->clear();
    listDisplayed_->addItems(kDisplayedColumns);
  });
  scope.Step([&] { filters_->optSubDirectories_All->setChecked(true); });
  scope.Step([&] { optSizeType_[1]->setChecked(true); });
  scope.Step([&] {
    chkIncludeFullPath_->setChecked(false);
    chkDirectoryDetails_->setChecked(true);
    chkShowFileCounts_->setChecked(false);
    chkDisplayHiddenAndSystem_->setChecked(true);
  });
  scope.Step([&] {
    filters_->cboFileSizeRestrictionOperator->setCurrentIndex(-1);
    filters_->txtFileSizeRestrictionSize->setText("");
    filters_->cboFileSizeRestrictionSizeType->setCurrentIndex(-1);
  });
  scope.Step([&] {
    filters_->optIncludeExtensions->setChecked(true);
    filters_->txtExtensionsFilter->setText("*.*");
  });
  scope.Step([&] {
    filters_->cboDateRestrictionType->setCurrentIndex(-1);
    filters_->cboDateRestrictionTypeOperator->setCurrentIndex(-1);
    filters_->dtpDateRestrictionDate->setText("");
    filters_->txtRegExFilePattern->setText("");
  });
  scope.Step([&] {
    cboFolderSizeRestrictionOperator_->setCurrentIndex(-1);
    txtFolderSizeRestrictionSize_->setText("");
    cboFolderSizeRestrictionSizeType_->setCurrentIndex(-1);
    txtRegExFolderPattern_->setText("");
  });
  scope.Step([&] {
    for (const char* key : {"HTMLbc", "HTMLfc", "HTMLfsize", "HTMLtborder", kAskWebPageSettingsKey})
      services_.settings.SaveSetting(key, "");
  });
}

void frmDirPrint::RefreshDrives() {
  Run("fdp:24", [&] { ShowPathInTree(ExploreTreeDirPrinter_, treeModel_, txtPathSelected_->text(), services_.errors); });
}

DirPrintChoices frmDirPrint::CurrentChoices() {
  DirPrintChoices c;
  c.view = optFlatView_->isChecked() ? 1 : optCSVView_->isChecked() ? 2 : optSortableView_->isChecked() ? 3 : 0;
  c.directoriesOnly = chkDirectoriesOnly_->isChecked();
  for (int i = 0; i < listDisplayed_->count(); ++i) c.columns.push_back(Std(listDisplayed_->item(i)->text()));
  c.levelsOnly = filters_->optSubDirectories_Only->isChecked();
  c.levelsText = Std(filters_->txtSubDirectoriesLevel->text());
  c.sizeUnitShown = !lblShowSizeIn_->isHidden();
  for (int i = 0; i < 3; ++i)
    if (optSizeType_[i]->isChecked()) c.sizeUnit = i;
  c.fullPath = chkIncludeFullPath_->isChecked();
  c.fileCounts = chkShowFileCounts_->isChecked();
  c.directoryDetails = chkDirectoryDetails_->isChecked();
  c.showHidden = chkDisplayHiddenAndSystem_->isChecked();
  c.dateType = Std(filters_->cboDateRestrictionType->currentText());
  c.dateOperator = Std(filters_->cboDateRestrictionTypeOperator->currentText());
  const QString dateText = filters_->dtpDateRestrictionDate->text();
  c.dateEmpty = dateText.isEmpty();
  if (auto d = ParseDateText(dateText)) {
    c.date = LocalTime{d->year(), d->month(), d->day(), 0, 0, 0};
  } else {
    c.dateValid = c.dateEmpty;
  }
  c.fileSizeOperator = Std(filters_->cboFileSizeRestrictionOperator->currentText());
  c.fileSizeText = Std(filters_->txtFileSizeRestrictionSize->text());
  c.fileSizeUnit = Std(filters_->cboFileSizeRestrictionSizeType->currentText());
  c.folderSizeOperator = Std(cboFolderSizeRestrictionOperator_->currentText());
  c.folderSizeText = Std(txtFolderSizeRestrictionSize_->text());
  c.folderSizeUnit = Std(cboFolderSizeRestrictionSizeType_->currentText());
  c.extensionsText = Std(filters_->txtExtensionsFilter->text());
  c.includeExtensions = filters_->optIncludeExtensions->isChecked();
  c.wildcards = optPatternMatching_[0]->isChecked();
  c.filePattern = Std(filters_->txtRegExFilePattern->text().trimmed());
  c.folderPattern = Std(txtRegExFolderPattern_->text().trimmed());
  c.startingDirectory = Std(txtPathSelected_->text());
  return c;
}

void frmDirPrint::LoadReport() {
  rtfPreviewDirPrint_->Load(ReportPath());
}

void frmDirPrint::ProcessDirPrintJob() { StartJob({}); }

bool frmDirPrint::JobRunning() const { return job_->Running(); }

void frmDirPrint::StartJob(std::function<void()> after) {
  if (job_->Running()) return;
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:04");
  DirPrintChoices choices;
  scope.Step([&] { choices = CurrentChoices(); });
  // A pattern that is no valid expression would reject every item, one log record each, and leave an empty
  // report: it is named with the expression's own error before anything runs.
  if (!choices.wildcards) {
    for (const auto& [text, box] : {std::pair{choices.filePattern, "file"}, std::pair{choices.folderPattern, "folder"}}) {
      try {
        RegExp(ConvertPattern(text, static_cast<long>(PatternKind::RegularExpression)), true, true).Test("");
      } catch (const Error& e) {
        prompter_.Message(std::string("The ") + box + " name pattern is not a valid regular expression.\r\n\r\n" +
                              e.Description(),
                          "Invalid Pattern");
        return;
      }
    }
  }
  // A job's choices are the ones worth keeping, also when the session ends without a clean quit.
  RememberChoices();
  scope.Step("fdp:04.125", [&] {
    shownView_ = choices.view;
    reportRewritten_ = false;
    StartDirPrintJob(*job_, cancel_, choices, *cDirProc_, services_.errors, Std(ReportPath()),
                     [this, after = std::move(after)](long unread) {
                       JobDone(unread);
                       if (after) after();
                     });
  });
}

void frmDirPrint::JobDone(long unread) {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:04.125");
  // The progress window stays up until the report shows.
  scope.Step([&] { LoadReport(); });
  scope.Step([&] {
    if (cancel_) cancel_->CloseExternalApp();
  });
  lblJobErrors_->setText(QString::number(unread) + (unread == 1 ? " item" : " items") +
                         " could not be read - Directory Printer > View Session Errors");
  lblJobErrors_->setVisible(unread > 0);
}

void frmDirPrint::cmdProcessDirPrint_Click() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:26");
  if (cmdProcessDirPrint_->text() != kGetInfo) {
    // The session error view is open: the button closes it.
    scope.Step([&] { ViewSessionErrors(); });
    return;
  }
  scope.Step([&] {
    if (!txtPopUpInfo_->isHidden()) ToggleQuickReference();
  });
  bool fontOk = true;
  scope.Step([&] { fontOk = CheckPrintFont(services_.utilities, prompter_, services_.errors); });
  if (!fontOk) return;
  scope.Step([&] { list_->Clear(); });
  scope.Step([&] {
    StartJob([this] {
      ResumeScope after(services_.errors.Reporting(mode::MessageAndReport), "fdp:26");
      after.Step([&] { lvFilesFolders_->setVisible(optSortableView_->isChecked()); });
      after.Step([&] {
        if (optSortableView_->isChecked())
          FormatSortableView(Std(ReportPath()), lvFilesFolders_, list_, services_.errors);
      });
    });
  });
}

void frmDirPrint::ViewChosenAfterRun() {
  // Before any walk, or with the session error view open, choosing a view only chooses it.
  if (!shownView_ || cmdProcessDirPrint_->text() != kGetInfo) return;
  const long view = CurrentChoices().view;
  if (view == *shownView_) return;
  auto commaSeparated = [](long v) { return v == 2 || v == 3; };
  if (reportRewritten_ || !commaSeparated(view) || !commaSeparated(*shownView_)) {
    cmdProcessDirPrint_Click();  // the report's text is laid out for another view: only a walk gives this one
    return;
  }
  // The same rows serve both: the list is filled from the report, or hidden to leave the report's text.
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:10");
  scope.Step([&] { list_->Clear(); });
  scope.Step([&] { lvFilesFolders_->setVisible(view == 3); });
  scope.Step([&] {
    if (view == 3) FormatSortableView(Std(ReportPath()), lvFilesFolders_, list_, services_.errors);
  });
  // A save offers the type of the view shown.
  cDirProc_->ShowType(view);
  shownView_ = view;
}

void frmDirPrint::WriteSortableReport(bool onlyHighlighted) {
  Run("fdp:39", [&] {
    reportRewritten_ = true;
    dv::WriteSortableReport(onlyHighlighted, *list_, lvFilesFolders_->selectionModel(), *cDirProc_,
                            Std(ReportPath()));
    rtfPreviewDirPrint_->Load(ReportPath());
  });
}

void frmDirPrint::AskSelectedOnly(bool printing) {
  // The list's own flag, not on-screen visibility: a window that is minimised still has its sortable view.
  if (lvFilesFolders_->isHidden()) return;
  // With no row highlighted there is nothing to choose: a Yes would give a report without rows.
  const QItemSelectionModel* selection = lvFilesFolders_->selectionModel();
  const bool anySelected = selection && selection->hasSelection();
  const bool onlyHighlighted =
      anySelected && (printing ? prompter_.YesNo(kPrintSelectedOnlyQuestion, kPrintSelectedOnlyTitle)
                               : prompter_.YesNo(kSelectedOnlyQuestion, kSelectedOnlyTitle));
  WriteSortableReport(onlyHighlighted);
}

namespace {
// Saves what the preview shows: its file read a piece at a time, or the text it was given.
void SavePreview(const ReportPreview& preview, const std::string& fullName, const HtmlSettings& settings) {
  if (preview.Path().isEmpty()) SaveReportText(preview.Text(), fullName, settings);
  else SaveReportFile(Std(preview.Path()), fullName, settings);
}

// The system temporary folder as the dialog's starting folder, with a final "/" like every stored folder.
QString TempFolderForRetry() {
  QString t = QDir::tempPath();
  if (!t.endsWith('/')) t += '/';
  return t;
}
}  // namespace

void frmDirPrint::SaveDirectoryInformation() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:20");
  SaveDialogRequest request;
  bool csv = false;
  scope.Step([&] { request.fileName = DefaultSaveFileName(QDateTime::currentDateTime()); });
  scope.Step([&] {
    csv = cDirProc_->ShowType() == 2;
    request.filters = SaveNameFilters(csv);
    request.defaultExtension = csv ? "csv" : "htm";
    request.filterIndex = csv ? 4 : services_.utilities.GetDefaultExtension();
  });
  scope.Step([&] {
    request.title = kSaveDialogTitle;
    request.initialFolder = QString::fromStdString(services_.utilities.GetDefaultSaveLocation());
    request.askWebPageSettings = services_.settings.GetSetting(kAskWebPageSettingsKey, "0") == "1";
  });

  std::optional<SaveDialogChoice> choice;
  for (;;) {
    bool ran = scope.Step([&] { choice = SaveDialog(request); });
    if (!ran || !choice) return;  // cancelled: nothing to say
    bool valid = false;
    scope.Step([&] { valid = utilities_.ValidSavePath(Std(choice->path)); });
    if (valid) break;
    bool again = false;
    scope.Step([&] { again = prompter_.YesNo(kInvalidPathQuestion, kInvalidPathTitle); });
    if (!again) return;
    request.askWebPageSettings = choice->askWebPageSettings;
    request.initialFolder = TempFolderForRetry();
    request.fileName.clear();
  }

  const std::string fullName = Std(choice->path);
  // The dialog's options instead of questions after it: the save asks nothing more.
  scope.Step([&] {
    services_.settings.SaveSetting(kAskWebPageSettingsKey, choice->askWebPageSettings ? "1" : "0");
  });
  scope.Step([&] {
    if (choice->makeDefaultFolder)
      services_.settings.SaveSetting(setting::DefaultSaveLocation, fullName.substr(0, fullName.rfind('/') + 1));
  });
  scope.Step([&] {
    // An old value no index can have, so the chosen one is always stored.
    if (!csv) services_.utilities.SaveDefaultExtension(999, static_cast<int16_t>(choice->filterIndex));
  });
  scope.Step([&] { AskSelectedOnly(false); });

  scope.Step("fdp:20.70", [&] {
    if (SaveKindOf(fullName) == SaveKind::WebPage) SaveAsWebPage(fullName, choice->askWebPageSettings);
    else SavePreview(*rtfPreviewDirPrint_, fullName, {});
  });
}

// The shared save titles the page from the file name itself; the base name is not needed here any more.
void frmDirPrint::SaveAsWebPage(const std::string& fullName, bool askSettings) {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:20.70");
  HtmlSettings settings;
  bool cancelled = false;
  scope.Step([&] {
    // Only when the user asked for it: the stored look (or the defaults) otherwise.
    if (!askSettings) settings = StoredHtmlSettings(services_.settings);
    else cancelled = !frmHTMLSettings::Ask(services_.settings, prompter_, services_.errors, window(), settings);
  });
  if (cancelled) return;  // Escape in the settings window: no page is written
  frmPleaseWait wait(window());
  scope.Step([&] { wait.DisplayWaitMessage(kHtmlConvertingMessage); });
  scope.Step([&] { SavePreview(*rtfPreviewDirPrint_, fullName, settings); });
  wait.close();
}

void frmDirPrint::ShowHTMLSettings() {
  // The menu item's own handler reports failures; the settings window reports its own.
  frmHTMLSettings::ShowModal(services_.settings, prompter_, services_.errors, window());
}

void frmDirPrint::PrintDirectoryInformation() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "fdp:19");
  scope.Step([&] { AskSelectedOnly(true); });
  scope.Step([&] { PrintRichText(rtfPreviewDirPrint_, services_.Printer(), this, prompter_, PrintDialog); });
}

}  // namespace dv
