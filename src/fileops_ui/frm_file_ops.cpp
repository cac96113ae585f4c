#include "fileops_ui/frm_file_ops.h"

// The window's life and its one task: load (controls, engine, the last session's choices), read the controls
// into the choices, prepare the operation through the shared settings function, run it with the progress
// program, and take the results when the engine completes. The menu procedures that belong to the panels, the
// sources and the viewers live in the files named in the header.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

#include "common/resume_scope.h"
#include "shell/input_checks.h"
#include "shell/report_view.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_engine/fileops_codes.h"
#include "fileops_engine/macro_file.h"
#include "fileops_ui/attribute_check_box.h"
#include "fileops_ui/file_ops_run.h"
#include "shell/background_job.h"
#include "shell/control_memory.h"
#include "shell/frm_cancel.h"
#include "shell/frm_custom_choice.h"
#include "shell/shell_services.h"

namespace dv {

namespace {

const QString kMemoryPrefix = QStringLiteral("FileOps_");

std::string Std(const QString& s) { return s.toStdString(); }

// The macro help box's text.
QString MacroHelpText() {
  const QStringList lines = {"Special Keys",
                             "--------------",
                             "Combination Keys\t\tExamples:",
                             "Alt [ALT]\t\t\t[ALT]F\t[ALT] V",
                             "CTRL [CTRL]\t\t[CTRL] S\t[CTRL]P",
                             "",
                             "To pause or delay between keystrokes",
                             "[DELAY]#Seconds\t\t[DELAY] 60\t[DELAY]600    - 10 Minutes",
                             "",
                             "Other Keys"};
  return lines.join("\r\n");
}

}  // namespace

const QColor frmFileOps::kNewResults(0xAE, 0xFC, 0xAE);
const QColor frmFileOps::kNewErrors(0xFF, 0xC0, 0xC0);

frmFileOps::frmFileOps(ShellServices& services, frmCancel* cancel, Prompter* prompter, QWidget* parent)
    : frmFileOpsBase(parent),
      services_(services),
      cancel_(cancel),
      prompter_(prompter ? *prompter : static_cast<Prompter&>(services.prompter)),
      utilities_(prompter_, services.settings, services.errors),
      enginePrompter_(std::make_unique<GuiThreadPrompter>(prompter_)),
      job_(new BackgroundJob(cancel, this)) {
  setObjectName("frmFileOps");
  setWindowTitle("File Operations");
  SaveDialog = [this](const SaveDialogRequest& request) { return RunSaveFileDialog(request, this); };
  GiveChoice = [this](const QString& text, const QString& left, const QString& right, const QString& title) {
    frmCustomChoice choice(window());
    return choice.GiveChoice(text, left, right, title);
  };
  BuildControls();
  ConnectHandlers();
  ConnectKeys();
  Form_Load();
}

frmFileOps::~frmFileOps() {
  // The worker ends before the engine it works with.
  job_->StopAndWait();
}

void frmFileOps::Run(const char* location, const std::function<void()>& step) {
  ResumeScope(services_.errors.Reporting(mode::MessageAndReport), location).Step(step);
}

QAction* frmFileOps::MainItem(const char* name) const {
  QWidget* top = window();
  return top && top != this ? top->findChild<QAction*>(name) : nullptr;
}

void frmFileOps::Form_Load() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:11");
  isLoading_ = true;
  scope.Step([&] { dvFileOps_ = std::make_unique<clsFileOps>(*enginePrompter_, services_.tempFolder); });
  scope.Step([&] { dvFileOps_->JournalFolder(DefaultJournalFolder()); });
  selectedFiles_.clear();
  bank_.clear();
  scope.Step([&] { txtPopUpInfo2_->setPlainText(MacroHelpText()); });
  scope.Step([&] {
    buttonFace_ = cmdProcess_->palette().color(QPalette::Button);
    optFileOps_[0]->setChecked(true);
    optCopyStructure_[0]->setChecked(true);
    optCopyStructure_[2]->setChecked(true);
    optCopyDupeName_[0]->setChecked(true);
    optCopyDupeName_[2]->setChecked(true);
    optCopyVerification_[0]->setChecked(true);
    optCopyVerification_[3]->setChecked(true);
    optEmptyFolderAndFileShells_->setChecked(true);
    optFARTextFilesOnly_->setChecked(true);
    optChangeDate_[1]->setChecked(true);
    optRunprocOnFileOptions_[1]->setChecked(true);
    optCompareOptions_[0]->setChecked(true);
    for (QCheckBox* b : {chkCompareMatchingFiles_, chkCompareNonMatchingFiles_, chkCompareMissingFiles_})
      b->setChecked(true);
    optPatternMatching_[0]->setChecked(true);
    // Rename reads its pattern as a regular expression unless told otherwise, as it always has.
    optPatternMatching_[3]->setChecked(true);
    optIncludeExtensions_->setChecked(true);
    chkDisplayHiddenAndSystem_->setChecked(true);
    optSubDirectories_All_->setChecked(true);
    cboTextExtensions_->setCurrentText(".TXT");
    // The basic set of operations until "Advanced" is pressed.
    for (int i : {1, 3, 7, 8, 9}) optFileOps_[i]->hide();
  });
  scope.Step([&] {
    std::string root = services_.utilities.DefaultDriveRoot;
    if (root.empty()) root = services_.utilities.DefaultDriveRoot = utilities_.FirstDriveRoot();
    const QString folder = QString::fromStdString(root);
    txtSource_->setText(folder);
    txtDestination_->setText(folder);
    lastSourceFolder_ = folder;
  });
  scope.Step([&] { RestoreChoices(); });
  scope.Step([&] {
    ShowFolder(ExploreTreeFileOpsSource_, txtSource_->text());
    ShowFolder(ExploreTreeFileOpsDestination_, txtDestination_->text());
    SetListFolder(flbSource_, sourceFiles_, txtSource_->text());
    SetListFolder(flbDestination_, destinationFiles_, txtDestination_->text());
  });
  scope.Step([&] {
    optFileOps_Click(SelectedOperation());
    SubDirectoriesChanged();
    CopyStructureChanged();
    CompareOptionsChanged();
    FarModeChanged();
    SourceListFilterChanged();
  });
  isLoading_ = false;
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { RememberChoices(); });
}

QStringList frmFileOps::RememberedControls() const {
  QStringList names = {"txtSource", "txtDestination", "optPatternMatching_0", "optPatternMatching_1",
                       "optPatternMatching_2", "optPatternMatching_3", "txtRegExFilePattern",
                       "cboFileSizeRestrictionOperator", "txtFileSizeRestrictionSize",
                       "cboFileSizeRestrictionSizeType", "cboDateRestrictionType", "cboDateRestrictionTypeOperator",
                       "dtpDateRestrictionDate", "optIncludeExtensions", "optExcludeExtensions", "txtExtensionsFilter",
                       "chkDisplayHiddenAndSystem", "optSubDirectories_All", "optSubDirectories_Only",
                       "txtSubDirectoriesLevel", "chkDeleteToTrash"};
  for (int i = 0; i < 11; ++i) names << QString("optFileOps_%1").arg(i);
  return names;
}

void frmFileOps::RememberChoices() {
  // Only logged: the choices are a convenience, and this runs at the end of the session or at a run.
  ResumeScope(services_.errors.Reporting(mode::Log), "ffo:72").Step([&] {
    // A picked file, several picked files or the bank stand for their folder; a typed path stays as typed.
    const QString typed = txtSource_->text();
    const bool folder = bank_.empty() && selectedFiles_.empty() && !QFileInfo(typed).isFile();
    const QSignalBlocker quiet(txtSource_);
    if (!folder) txtSource_->setText(lastSourceFolder_);
    RememberControls(*this, RememberedControls(), kMemoryPrefix, services_.settings);
    if (!folder) txtSource_->setText(typed);
  });
}

void frmFileOps::RestoreChoices() {
  RestoreControls(*this, RememberedControls(), kMemoryPrefix, services_.settings);
  const QString root = QString::fromStdString(services_.utilities.DefaultDriveRoot);
  // Only empty boxes take the defaults: a remembered folder that is gone stays, shown as missing, so that no
  // operation is pointed at a folder the user did not choose.
  if (txtSource_->text().trimmed().isEmpty()) txtSource_->setText(root);
  if (txtDestination_->text().trimmed().isEmpty()) txtDestination_->setText(root);
  lastSourceFolder_ = txtSource_->text();
  for (QLineEdit* box : {txtFileSizeRestrictionSize_, txtSubDirectoriesLevel_})
    if (!box->text().isEmpty() && !IsDigitsText(box->text())) box->clear();
  // A date kept in an earlier form is carried over into the box's one form.
  const QString kept = dtpDateRestrictionDate_->text();
  if (!kept.isEmpty() && !DateBoxValue(kept)) {
    const auto earlier = ParseDateText(kept);
    dtpDateRestrictionDate_->setText(earlier ? earlier->toString(Qt::ISODate) : QString());
  }
  // A remembered advanced operation shows the advanced set.
  const int op = SelectedOperation();
  if (optFileOps_[op]->isHidden()) cmdShowAdvanced_Click();
}

int frmFileOps::SelectedOperation() const {
  for (int i = 0; i < 11; ++i)
    if (optFileOps_[i]->isChecked()) return i;
  return 0;
}

OperationChoices frmFileOps::CurrentChoices() {
  OperationChoices c;
  c.operation = kOperationButtons[SelectedOperation()];
  c.previewOnly = chkPreviewOnly_->isChecked();
  c.source = Std(txtSource_->text());
  c.sourceIsFile = QFileInfo(txtSource_->text()).isFile();
  c.destination = Std(txtDestination_->text());
  c.selectedFiles = selectedFiles_;
  c.bank = BankEntries();
  const bool move = c.operation == FileOp::Move;
  const int base = move ? 2 : 0;
  c.toOneDirectory = optCopyStructure_[base + 1]->isChecked();
  c.numberDuplicates = optCopyDupeName_[base]->isChecked();
  const int verifyBase = move ? 3 : 0;
  for (int i = 0; i < 3; ++i)
    if (optCopyVerification_[verifyBase + i]->isChecked()) c.verification = i;
  c.overwrite = chkCopyOverwrite_->isChecked();
  c.emptyFolders = move ? chkMoveEmptyFolders_->isChecked() : chkCopyEmptyFolders_->isChecked();
  c.shellsForFiles = optEmptyFolderAndFileShells_->isChecked();
  c.deleteEmptyFolders = chkDeleteEmptyDirectories_->isChecked();
  c.toTrash = chkDeleteToTrash_->isChecked();
  c.findText = Std(txtFindText_->text());
  c.replaceText = Std(txtReplaceText_->text());
  c.binary = optFARBinary_->isChecked();
  c.backup = chkFindAndReplaceBackup_->isChecked();
  c.textExtensions = Std(cboTextExtensions_->currentText());
  c.renamePattern = Std(txtRenamePattern_->text());
  // Rename has a pattern choice of its own, apart from the filters' one.
  c.renameWildcards = optPatternMatching_[2]->isChecked();
  c.renameReplacement = Std(txtRenameRepString_->text());
  c.renameStart = static_cast<long>(LeadingNumber(Std(txtRenameStartPosition_->text())));
  for (int i = 0; i < 4; ++i) {
    const Qt::CheckState s = chkAttributeSetting_[i]->checkState();
    c.attributes[i] = s == Qt::Checked     ? AttributeBox::Checked
                      : s == Qt::Unchecked ? AttributeBox::Unchecked
                                           : AttributeBox::Grayed;
  }
  c.pauseBetweenOpens = chkPauseBetweenOpens_->isChecked();
  c.macro = strMacroSeries_;
  for (int i = 0; i < 3; ++i)
    if (optChangeDate_[i]->isChecked() && c.operation == FileOp::ModifiedDate) c.operation = kDateOperations[i];
  c.newDateText = Std(dtpChangeDate_->text());
  if (auto d = DateBoxValue(dtpChangeDate_->text())) c.newDate = LocalTime{d->year(), d->month(), d->day()};
  c.runCommand = Std(txtRunProcessOnFile_->text());
  for (int i = 0; i < 3; ++i)
    if (optRunprocOnFileOptions_[i]->isChecked()) c.runMode = i;
  c.waitSeconds = LeadingNumber(Std(txtRunProcOnFileWaitTime_->text()));
  c.continuePastWait = chkRunProcOnFileContinue_->isChecked();
  c.compareFull = optCompareOptions_[0]->isChecked();
  c.showMatching = chkCompareMatchingFiles_->isChecked();
  c.showDiffering = chkCompareNonMatchingFiles_->isChecked();
  c.showMissing = chkCompareMissingFiles_->isChecked();
  c.bytesToCompare = LeadingNumber(Std(txtBytesToCompare_->text()));

  c.wildcards = optPatternMatching_[0]->isChecked();
  c.filePattern = Std(txtRegExFilePattern_->text());
  c.sizeOperator = Std(cboFileSizeRestrictionOperator_->currentText());
  c.sizeText = Std(txtFileSizeRestrictionSize_->text());
  c.sizeUnit = Std(cboFileSizeRestrictionSizeType_->currentText());
  c.extensions = Std(txtExtensionsFilter_->text());
  c.includeExtensions = optIncludeExtensions_->isChecked();
  c.dateType = Std(cboDateRestrictionType_->currentText());
  c.dateOperator = Std(cboDateRestrictionTypeOperator_->currentText());
  c.filterDateText = Std(dtpDateRestrictionDate_->text());
  if (auto d = DateBoxValue(dtpDateRestrictionDate_->text())) c.filterDate = LocalTime{d->year(), d->month(), d->day()};
  c.showHidden = chkDisplayHiddenAndSystem_->isChecked();
  c.levelsOnly = optSubDirectories_Only_->isChecked();
  c.levels = static_cast<long>(LeadingNumber(Std(txtSubDirectoriesLevel_->text())));
  return c;
}

void frmFileOps::ControlsFromChoices(const OperationChoices& changed) {
  // The checks change controls the way the user would: a binary replacement forces the backup on and hidden
  // files off, unequal binary texts fall back to text mode.
  chkFindAndReplaceBackup_->setChecked(changed.backup);
  chkDisplayHiddenAndSystem_->setChecked(changed.showHidden);
  if (!changed.binary && optFARBinary_->isChecked()) optFARTextFilesOnly_->setChecked(true);
}

bool frmFileOps::PrepareOperation() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:07");
  prepared_ = {};
  OperationChoices choices;
  bool checked = false;
  scope.Step([&] { checked = CheckBeforeAsking(); });
  if (!checked) return false;
  scope.Step([&] { choices = CurrentChoices(); });
  scope.Step([&] {
    prepared_ = dv::PrepareOperation(choices, prompter_);
  });
  scope.Step([&] {
    if (choices.operation == FileOp::FindReplace) ControlsFromChoices(choices);
  });
  return prepared_.confirmed;
}

void frmFileOps::PerformFileOperation() {
  // A click that reaches the button while a run or a viewer holds the window does what a disabled button does.
  if (running_ || !cmdProcess_->isEnabled()) return;
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:06");
  bool go = false;
  scope.Step([&] {
    if (!txtPopUpInfo_->isHidden()) txtPopUpInfo_->hide();
    go = PrepareOperation();
  });
  if (!go) return;
  RememberChoices();
  running_ = true;
  UpdateProcessEnabled();
  errorsThisRun_ = false;
  run_ = std::make_unique<FileOpsRun>(*dvFileOps_, *job_, services_.errors);
  scope.Step([&] { dvFileOps_->StopProcessing(false); });
  scope.Step([&] {
    if (cancel_) cancel_->OpenExternalApp();
  });
  // The window goes back to its events; RunFinished takes over when the worker is done.
  bool started = false;
  scope.Step([&] {
    started = job_->Start(
        [this, settings = prepared_.settings, source = prepared_.source] {
          ResumeScope work(GuiReporting(services_.errors, mode::MessageAndReport), "ffo:06");
          work.Step([&] { dvFileOps_->ProcessOperation(settings, source); });
        },
        [this] { RunFinished(); });
  });
  if (started) return;
  run_.reset();
  running_ = false;
  UpdateProcessEnabled();
  scope.Step([&] {
    if (cancel_) cancel_->CloseExternalApp();
  });
}

void frmFileOps::RunFinished() {
  errorsThisRun_ = run_->ErrorsThisRun();
  const bool completed = run_->Completed();
  run_.reset();
  if (completed) cfoCompletedProcessing();
  running_ = false;
  UpdateProcessEnabled();
}

void frmFileOps::cfoCompletedProcessing() {
  ResumeScope scope(services_.errors.Reporting(mode::MessageAndReport), "ffo:09");
  const FileOp op = dvFileOps_->FileOperation();
  scope.Step([&] { LoadResults(); });
  scope.Step([&] {
    if (op != FileOp::Compare && !chkPreviewOnly_->isChecked()) return;
    cmdLastOperationResults_->setText("Close Operation Results");
    txtInfoDisplay_->show();
    txtInfoDisplay_->raise();
    if (QAction* a = MainItem("mnuViewFileOpLastOperationResults")) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    if (chkPreviewOnly_->isChecked()) imgViewingResults_->show();
    UpdateProcessEnabled();
  });
  scope.Step([&] {
    if (op == FileOp::Delete || op == FileOp::EmptyShells || op == FileOp::Move || op == FileOp::Copy ||
        op == FileOp::Rename)
      RefreshDrives();
  });
  scope.Step([&] {
    if (errorsThisRun_) SetButtonColour(cmdDisplayErrors_, kNewErrors);
    ShowRunOutcome();
  });
}

bool frmFileOps::ProcessEnabled() const { return cmdProcess_->isEnabled(); }

void frmFileOps::SetPreviewOnly(bool checked) { chkPreviewOnly_->setChecked(checked); }

bool frmFileOps::PreviewOnly() const { return chkPreviewOnly_->isChecked(); }

void frmFileOps::RefreshMacroSeries() {
  Run("ffo:50", [&] {
    txtCurrentMacro_->setText(QString::fromStdString(MacroDisplay(strMacroSeries_)));
  });
}

void frmFileOps::ConnectHandlers() {
  ConnectMacroAndBank();
  connect(operations_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on) Run("ffo:14", [&] { optFileOps_Click(id); });
  });
  connect(cmdShowAdvanced_, &QPushButton::clicked, this, [this] { Run("ffo:48", [&] { cmdShowAdvanced_Click(); }); });
  connect(cmdFilterFiles_, &QPushButton::clicked, this, [this] { Run("ffo:04", [&] { cmdFilterFiles_Click(); }); });
  connect(cmdProcess_, &QPushButton::clicked, this, [this] { PerformFileOperation(); });
  connect(cmdLastOperationResults_, &QPushButton::clicked, this, [this] { cmdLastOperationResults_Click(); });
  connect(cmdDisplayErrors_, &QPushButton::clicked, this, [this] { cmdDisplayErrors_Click(); });
  connect(chkPreviewOnly_, &QCheckBox::toggled, this, [this] { Run("ffo:71", [&] { chkPreviewOnly_Click(); }); });
  for (QRadioButton* b : {optSubDirectories_All_, optSubDirectories_Only_})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Run("ffo:55", [&] { SubDirectoriesChanged(); });
    });
  connect(txtSubDirectoriesLevel_, &QLineEdit::textChanged, this,
          [this] { Run("ffo:56", [&] { txtSubDirectoriesLevel_Change(); }); });
  for (QRadioButton* b : optCopyStructure_)
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Run("ffo:12", [&] { CopyStructureChanged(); });
    });
  for (QRadioButton* b : optCompareOptions_)
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Run("ffo:13", [&] { CompareOptionsChanged(); });
    });
  for (QRadioButton* b : {optFARTextFilesOnly_, optFARBinary_})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Run("ffo:19", [&] { FarModeChanged(); });
    });
  connect(txtBytesToCompare_, &QLineEdit::textChanged, this,
          [this] { Run("ffo:37", [&] { ClampBox(txtBytesToCompare_, 1, 90000000); }); });
  connect(txtRunProcOnFileWaitTime_, &QLineEdit::textChanged, this,
          [this] { Run("ffo:38", [&] { ClampBox(txtRunProcOnFileWaitTime_, 1, 86400); }); });
  connect(txtRenameRepString_, &QLineEdit::textChanged, this,
          [this] { Run("ffo:39", [&] { txtRenameRepString_Change(); }); });
  connect(txtFileSizeRestrictionSize_, &QLineEdit::textChanged, this,
          [this] { Run("ffo:40", [&] { txtFileSizeRestrictionSize_Change(); }); });
  connect(chkDisplayHiddenAndSystem_, &QCheckBox::toggled, this,
          [this] { Run("ffo:43", [&] { SourceListFilterChanged(); }); });
  for (QPushButton* b : {cmdRegExInstructions_, cmdRegExInstructionsBottom_})
    connect(b, &QPushButton::clicked, this, [this] {
      Run("ffo:32", [&] {
        const bool show = txtPopUpInfo_->isHidden();
        txtPopUpInfo_->setVisible(show);
        if (show) txtPopUpInfo_->raise();
        for (QPushButton* q : {cmdRegExInstructions_, cmdRegExInstructionsBottom_})
          q->setText(show ? "Close Ref" : "Quick Ref");
      });
    });
  connect(ExploreTreeFileOpsSource_, &QTreeView::clicked, this,
          [this](const QModelIndex& i) { Run("ffo:34", [&] { TreeFolderClicked(true, i); }); });
  connect(ExploreTreeFileOpsDestination_, &QTreeView::clicked, this,
          [this](const QModelIndex& i) { Run("ffo:35", [&] { TreeFolderClicked(false, i); }); });
  connect(flbSource_, &QListView::clicked, this, [this] { Run("ffo:25", [&] { flbSource_Click(); }); });
  connect(flbDestination_, &QListView::clicked, this,
          [this](const QModelIndex& i) { Run("ffo:24", [&] { flbDestination_Click(i); }); });
  connect(txtSource_, &QLineEdit::textEdited, this,
          [this](const QString& t) { Run("ffo:53", [&] { txtSource_Change(t); }); });
  connect(txtSource_, &QLineEdit::textChanged, this, [this] { Run("ffo:61", [&] { ShowSourceState(); }); });
  connect(txtDestination_, &QLineEdit::textEdited, this,
          [this](const QString& t) { Run("ffo:54", [&] { txtDestination_Change(t); }); });
  connect(cmdAddFiles_, &QPushButton::clicked, this, [this] { Run("ffo:57", [&] { cmdAddFiles_Click(); }); });
  connect(cmdRemoveFiles_, &QPushButton::clicked, this, [this] { Run("ffo:58", [&] { cmdRemoveFiles_Click(); }); });
  dtpChangeDate_->installEventFilter(this);
  dtpDateRestrictionDate_->installEventFilter(this);
  txtSource_->installEventFilter(this);
  // Files and folders dragged from the trees, the lists or a file manager onto the bank buttons.
  for (QPushButton* b : {cmdAddFiles_, cmdRemoveFiles_}) {
    b->setAcceptDrops(true);
    b->installEventFilter(this);
  }
  for (QAbstractItemView* v : std::initializer_list<QAbstractItemView*>{ExploreTreeFileOpsSource_, flbSource_}) {
    v->setDragEnabled(true);
    v->setDragDropMode(QAbstractItemView::DragOnly);
  }
}

bool frmFileOps::eventFilter(QObject* watched, QEvent* event) {
  if (watched == workArea_ && event->type() == QEvent::Resize) PlaceViewers();
  if ((watched == cmdAddFiles_ || watched == cmdRemoveFiles_) &&
      (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop)) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (!drop->mimeData()->hasUrls()) return false;
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
      QStringList paths;
      for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile()) paths << QDir::cleanPath(url.toLocalFile());
      const bool add = watched == cmdAddFiles_;
      Run(add ? "ffo:59" : "ffo:60", [&] { DroppedOnBankButton(paths, add); });
    }
    return true;
  }
  if (watched == txtSource_ && event->type() == QEvent::FocusOut) {
    // The widget taking the focus is already the application's focus widget here.
    const QWidget* next = QApplication::focusWidget();
    typedSource_ = next && (next->objectName() == "cmdAddFiles" || next->objectName() == "cmdDelete");
  }
  if (event->type() == QEvent::FocusOut) {
    if (watched == dtpChangeDate_) Run("ffo:41", [&] { dtpChangeDate_LostFocus(); });
    if (watched == dtpDateRestrictionDate_) Run("ffo:42", [&] { dtpDateRestrictionDate_LostFocus(); });
  }
  return frmFileOpsBase::eventFilter(watched, event);
}

}  // namespace dv
