#pragma once
// The file operations window: the operation buttons, one place shared by the eleven option frames, the source and
// destination trees and file lists (or the filters panel in their place), and the results and errors viewers over
// the work area. The user's choices go through the same settings function as `dorvane-cli op`
// (fileops_engine/operation_setup.h); this window adds its controls, the questions around them and the run with
// the progress program. Every control's objectName is its control name; arrays carry "_" and the index.
//
// The class is split by concern: frm_file_ops.cpp (load, choices, perform, menu procedures),
// file_ops_layout.cpp (the controls), file_ops_panels.cpp (rules between controls, input checks while editing
// and before the confirmation), file_ops_sources.cpp (trees, lists, picked files, the processing bank, RefreshDrives) and
// file_ops_results.cpp (the two viewers, their buttons, printing and saving).
#include <QColor>
#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/shared_utils.h"
#include "shell/save_dialog.h"
#include "fileops_engine/operation_setup.h"
#include "shell/child_windows.h"
#include "shell/shared_ui.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeView;

class QDialog;

namespace dv {

class BackgroundJob;
class clsFileOps;
class FileListModel;
class FileOpsRun;
class GuiThreadPrompter;
class FiltersPanel;
class frmCancel;
class Prompter;
struct UndoWork;
class ReportPreview;
struct ShellServices;

// The three-state attribute box: each click moves grayed (left alone) -> checked (set) -> unchecked (cleared).
class AttributeCheckBox;

// The date boxes' one form, shown as their placeholder and named by every date message.
inline constexpr char kDateBoxForm[] = "YYYY-MM-DD";
// The date a date box holds (year-month-day, one- or two-digit month and day), or nothing.
std::optional<QDate> DateBoxValue(const QString& text);
// The number boxes take digits only.
bool IsDigitsText(const QString& text);

class frmFileOps : public frmFileOpsBase {
  Q_OBJECT
 public:
  // The button colours of the results and errors buttons.
  static const QColor kNewResults;  // light green: results not yet viewed
  static const QColor kNewErrors;   // light red: errors of the last run not yet viewed
  static const QColor kStoppedResults;  // light amber: results of a run stopped early, not yet viewed

  // `prompter`, when given, answers every message of the window and its engine instead of services.prompter.
  frmFileOps(ShellServices& services, frmCancel* cancel, Prompter* prompter = nullptr, QWidget* parent = nullptr);
  ~frmFileOps() override;

  // The main window's File Ops menu.
  void PerformFileOperation() override;
  // Undoes the last journaled run that is not undone (file_ops_undo.cpp).
  void UndoLastOperation() override;
  void RefreshDrives() override;
  void ShowFileOpFilterSettings() override;
  void cmdLastOperationResults_Click() override;
  void cmdDisplayErrors_Click() override;
  void PrintLastOperationResults() override;
  void PrintFileOpErrorsThisSession() override;
  void SaveLastOperationResults() override;
  void SaveFileOpErrorsThisSession() override;
  bool ProcessEnabled() const override;
  void SetPreviewOnly(bool checked) override;
  bool PreviewOnly() const override;
  void RefreshMacroSeries();
  // The open operation's keystroke macro (strMacroSeries), set by the macro windows; setting it shows it.
  const std::string& MacroSeries() const { return strMacroSeries_; }
  void MacroSeries(std::string macro) {
    strMacroSeries_ = std::move(macro);
    RefreshMacroSeries();
  }

  // The macro frame's buttons and the bank window (file_ops_macros.cpp).
  void cmdAddToMacroSeries_Click();
  void cmdMacroReset_Click();
  void cmdSaveOpenMacro_Click();
  void cmdLoadOpenMacro_Click();
  void cmdSpecialMacroKeys_Click();
  // Shows the bank window at the bank chosen last; its list becomes the bank when it closes.
  void ManageFileSets();
  // Where the macros file is kept (LocateMacrosFolder with the machine-wide "OpenMacros" value).
  std::string LocateMacrosFolder();
  // The program's folder and the per-user data folder: where the macros and bank files go. Tests point them at
  // folders of their own.
  std::string ProgramFolder, UserDataFolder;
  // The bank window's save dialog for the bank file's place; nullopt when cancelled. Tests script it.
  std::function<std::optional<std::string>()> AskBankLocation;
  // Shows the macro and bank windows modally; tests answer them instead.
  std::function<int(QDialog&)> ShowModal;

  // Checks the fields (CheckBeforeAsking), reads the controls, asks what the choices need, builds the summary
  // and asks "Operation Confirmation". True on Yes; the settings made are then in PreparedSettings().
  bool PrepareOperation();
  // The choices as the controls hold them now.
  OperationChoices CurrentChoices();
  const OperationSettings& PreparedSettings() const { return prepared_.settings; }
  const OperationSource& PreparedSource() const { return prepared_.source; }
  const std::string& OperationSummary() const { return prepared_.summary; }
  bool ErrorsThisRun() const { return errorsThisRun_; }
  bool Running() const { return running_; }

  // The processing bank: entries ending in "/" are folders with their contents, "/*.*" a folder's contents only,
  // others files. Emptied entries stay until the whole bank is empty.
  const std::vector<std::string>& ProcessingBankItems() const { return bank_; }
  void ProcessingBankItems(std::vector<std::string> items, const std::string& bankName = {});
  // Names (without folder) of the files picked in the source list.
  const std::vector<std::string>& SelectedFiles() const { return selectedFiles_; }
  void AddFileToBank(const std::string& path);
  void AddFolderToBank(std::string folder);

  // Stores the source, destination, operation and filters for the next session; also done at each run and when
  // the program ends.
  void RememberChoices();

  clsFileOps& Engine() { return *dvFileOps_; }
  QFileSystemModel* TreeModel() const { return treeModel_; }
  // The source list's model and the index it shows for a file's path.
  FileListModel* SourceFilesModel() const { return sourceFiles_; }
  QString ResultsPath() const;

  // The save dialog; nullopt when the user cancels. RunSaveFileDialog unless replaced (tests script it).
  std::function<std::optional<SaveDialogChoice>(const SaveDialogRequest&)> SaveDialog;
  // Runs the print dialog; RunPrintDialog unless replaced.
  PrintDialogRunner PrintDialog = RunPrintDialog;
  // The two-button question (frmCustomChoice): 1 left, 2 right, 0 closed. Tests script it.
  std::function<int(const QString& text, const QString& left, const QString& right, const QString& title)> GiveChoice;
  // The clock of the default save names.
  std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class FileOpsRun;
  // file_ops_layout.cpp
  void BuildControls();
  QWidget* BuildOperationButtons();
  // The place of the option frames, built frame by frame.
  QWidget* BuildOptionFrames();
  void BuildCopyMoveFrames();
  void BuildShellsFrame();
  void BuildDeleteFrame();
  void BuildFindReplaceFrame();
  void BuildRenameFrame();
  void BuildAttributesFrame();
  void BuildMacroFrame();
  void BuildChangeDateFrame();
  void BuildRunProcessFrame();
  void BuildCompareFrame();
  QWidget* BuildSourcePanel();
  QWidget* BuildFilters();
  QWidget* BuildCommandColumn();
  void ConnectHandlers();
  void ConnectMacroAndBank();
  // Arrow keys, Enter and Space in the folder trees; Escape for the results and errors views (file_ops_keys.cpp).
  void ConnectKeys();
  friend class FileOpsKeys;
  void PlaceViewers();

  // frm_file_ops.cpp
  void Form_Load();
  void Run(const char* location, const std::function<void()>& step);
  QAction* MainItem(const char* name) const;
  QStringList RememberedControls() const;
  void RestoreChoices();
  void ControlsFromChoices(const OperationChoices& changed);
  int SelectedOperation() const;
  // The job's end, on this thread: the results when the engine completed, then the controls come back.
  void RunFinished();
  void cfoCompletedProcessing();

  // file_ops_panels.cpp
  void optFileOps_Click(int index);
  void cmdShowAdvanced_Click();
  void cmdFilterFiles_Click();
  void SetFiltersShown(bool shown);
  void SubDirectoriesChanged();
  void CopyStructureChanged();
  void CompareOptionsChanged();
  void FarModeChanged();
  void ClampBox(QLineEdit* box, long low, long high);
  void txtRenameRepString_Change();
  void txtFileSizeRestrictionSize_Change();
  void txtSubDirectoriesLevel_Change();
  void dtpChangeDate_LostFocus();
  void dtpDateRestrictionDate_LostFocus();
  void chkPreviewOnly_Click();
  // What can be checked before "Proceed?": the source and destination, the operation's own boxes and the
  // filters. A fault is told, naming the field and the form it takes, and the field takes the focus; false then.
  bool CheckBeforeAsking();
  bool Refuse(QWidget* field, const QString& text, const QString& title);
  // The message for a date box's text, empty when the text is a date the box accepts.
  QString DateFault(const QString& field, const QString& text, bool after1980) const;

  // file_ops_sources.cpp
  void ShowFolder(QTreeView* tree, const QString& folder);
  void SetListFolder(QListView* list, FileListModel* model, const QString& folder);
  void TreeFolderClicked(bool source, const QModelIndex& index);
  void flbSource_Click();
  void flbDestination_Click(const QModelIndex& index);
  void txtSource_Change(const QString& text);
  void txtDestination_Change(const QString& text);
  void SourceListFilterChanged();
  void cmdAddFiles_Click();
  void cmdRemoveFiles_Click();
  void RemoveFolderFromBank(std::string folder);
  // Paths dropped on "Add to Bank" (add) or "Remove from Bank" (remove).
  void DroppedOnBankButton(const QStringList& paths, bool add);
  void ResetBankIfEmpty();
  void UpdateSourceCaption();
  // Marks a source box naming nothing that exists (caption and colour); the box itself is never rewritten.
  void ShowSourceState();
  bool SourceMissing() const;
  std::vector<std::string> BankEntries() const;

  // file_ops_results.cpp
  void LoadResults();
  void SetButtonColour(QPushButton* button, const QColor& colour);
  // After a run: the results button tells a run stopped early from a finished one; failed items are said in a box.
  void ShowRunOutcome();
  void UndoFinished(const UndoWork& work);
  void UpdateProcessEnabled();
  // `lastFile`: what is saved when the viewer shows nothing; `nothing`: said when that is empty too (empty: an
  // empty file is saved).
  void SaveView(ReportPreview* view, const QString& lastFile, const char* nothing, const char* location,
                const char* namePrefix, const char* title);

  ShellServices& services_;
  QPointer<frmCancel> cancel_;
  Prompter& prompter_;
  SharedUtilities utilities_;  // input checks answered through this window's prompter
  // The engine runs on a worker: its questions reach prompter_ on this window's thread.
  std::unique_ptr<GuiThreadPrompter> enginePrompter_;
  std::unique_ptr<clsFileOps> dvFileOps_;
  BackgroundJob* job_;
  std::unique_ptr<FileOpsRun> run_;  // the events of the run in progress
  PreparedOperation prepared_;
  std::string strMacroSeries_;
  bool errorsThisRun_ = false;
  bool isLoading_ = false;
  bool running_ = false;
  bool rewriting_ = false;  // a box is being rewritten by its own check
  bool typedSource_ = false;  // the focus went from the source box straight to "Add to Bank"
  std::vector<std::string> selectedFiles_;
  std::vector<std::string> bank_;
  std::string bankName_;
  int bankPosition_ = 0;  // the bank window's choice, shown again next time
  QString lastSourceFolder_;
  QColor buttonFace_;

  QButtonGroup* operations_ = nullptr;
  QRadioButton* optFileOps_[11] = {};
  QWidget* frames_[11] = {};
  QRadioButton* optCopyStructure_[4] = {};
  QGroupBox* fraDuplicateFilenames_[2] = {};
  QRadioButton* optCopyDupeName_[4] = {};
  QRadioButton* optCopyVerification_[6] = {};
  QCheckBox *chkCopyOverwrite_, *chkCopyEmptyFolders_, *chkMoveEmptyFolders_;
  QRadioButton *optEmptyFolderAndFileShells_, *optEmptyFolderShellsOnly_;
  QCheckBox* chkDeleteEmptyDirectories_;
  QCheckBox* chkDeleteToTrash_;
  QLineEdit *txtFindText_, *txtReplaceText_;
  QRadioButton *optFARTextFilesOnly_, *optFARBinary_;
  QCheckBox* chkFindAndReplaceBackup_;
  QComboBox* cboTextExtensions_;
  QLineEdit *txtRenamePattern_, *txtRenameRepString_, *txtRenameStartPosition_;
  AttributeCheckBox* chkAttributeSetting_[4] = {};
  QCheckBox* chkPauseBetweenOpens_;
  QLineEdit *txtKeyStroke_, *txtCurrentMacro_;
  QPlainTextEdit* txtPopUpInfo2_;
  QRadioButton* optChangeDate_[3] = {};
  QLineEdit* dtpChangeDate_;
  QLineEdit *txtRunProcessOnFile_, *txtRunProcOnFileWaitTime_;
  QRadioButton* optRunprocOnFileOptions_[3] = {};
  QCheckBox* chkRunProcOnFileContinue_;
  QRadioButton* optCompareOptions_[2] = {};
  QLineEdit* txtBytesToCompare_;
  QLabel* lblBytesToCheck_;
  QCheckBox *chkCompareMatchingFiles_, *chkCompareNonMatchingFiles_, *chkCompareMissingFiles_;

  // The filters panel's controls; the window reads them through these names too.
  FiltersPanel* filters_ = nullptr;
  QFrame* fraFilters_;
  QRadioButton* optPatternMatching_[4] = {};  // 0 and 1 the filters' pair (the panel's), 2 and 3 Rename's own
  QLineEdit* txtRegExFilePattern_;
  QComboBox *cboFileSizeRestrictionOperator_, *cboFileSizeRestrictionSizeType_;
  QLineEdit* txtFileSizeRestrictionSize_;
  QComboBox *cboDateRestrictionType_, *cboDateRestrictionTypeOperator_;
  QLineEdit* dtpDateRestrictionDate_;
  QRadioButton *optIncludeExtensions_, *optExcludeExtensions_;
  QLineEdit* txtExtensionsFilter_;
  QCheckBox* chkDisplayHiddenAndSystem_;
  QRadioButton *optSubDirectories_All_, *optSubDirectories_Only_;
  QLineEdit* txtSubDirectoriesLevel_;
  QPushButton *cmdRegExInstructions_, *cmdRegExInstructionsBottom_;
  QPlainTextEdit* txtPopUpInfo_;

  QWidget* sourcePanel_;
  QLabel *lblSource_, *lblDestination_;
  QLineEdit *txtSource_, *txtDestination_;
  QFileSystemModel* treeModel_;
  FileListModel *sourceFiles_, *destinationFiles_;
  QTreeView *ExploreTreeFileOpsSource_, *ExploreTreeFileOpsDestination_;
  QListView *flbSource_, *flbDestination_;
  QPushButton *cmdAddFiles_, *cmdRemoveFiles_, *cmdViewFileBank_;

  QCheckBox* chkPreviewOnly_;
  QPushButton *cmdProcess_, *cmdLastOperationResults_, *cmdDisplayErrors_, *cmdFilterFiles_, *cmdShowAdvanced_;
  QLabel *imgViewingResults_, *imgViewingErrors_;
  QWidget* workArea_;
  ReportPreview *txtInfoDisplay_, *txtErrorsDisplay_;
};

}  // namespace dv
