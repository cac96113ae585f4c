#pragma once
// The directory printer window: the starting folder, the scan options and filters on four tabs, the button that
// runs the job, and one display area where the report preview, the sortable list, the session error view and
// the quick reference lie on top of each other. Every control's objectName is its control name.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/shared_utils.h"
#include "dirprint/dir_print_save.h"
#include "shell/shared_ui.h"
#include "shell/child_windows.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QFrame;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTableView;
class QTreeView;

namespace dv {

class clsDirProcessing;
class FiltersPanel;
class frmCancel;
class BackgroundJob;
class GuiThreadPrompter;
class Prompter;
class ReportPreview;
class SortableListModel;
struct DirPrintChoices;
struct ShellServices;

class frmDirPrint : public frmDirPrintBase {
  Q_OBJECT
 public:
  // `prompter`, when given, answers every message of the window and its engine instead of services.prompter.
  frmDirPrint(ShellServices& services, frmCancel* cancel, Prompter* prompter = nullptr, QWidget* parent = nullptr);
  ~frmDirPrint() override;

  void ProcessDirPrintJob() override;
  void RefreshDrives() override;
  void ClearSettings() override;
  void PrintDirectoryInformation() override;
  void SaveDirectoryInformation() override;
  void ShowHTMLSettings() override;
  void ViewSessionErrors() override;
  void ClearErrors() override;

  // The button's handler: closes the session error view when open, else checks the font and starts the job.
  void cmdProcessDirPrint_Click();
  // A job runs on the worker: the window's input waits until it has ended and its report shows.
  bool JobRunning() const;

  // Stores the choices (folder, view, columns, options, filters) for the next session; also done when the
  // program ends.
  void RememberChoices();

  // The report file the job writes and the preview loads.
  QString ReportPath() const;
  // The choices the job would read from the controls now.
  DirPrintChoices CurrentChoices();
  clsDirProcessing& Engine() { return *cDirProc_; }
  QFileSystemModel* TreeModel() const { return treeModel_; }
  SortableListModel* SortableList() const { return list_; }

  // The save dialog; nullopt when the user cancels. RunSaveFileDialog unless replaced (tests script it).
  std::function<std::optional<SaveDialogChoice>(const SaveDialogRequest&)> SaveDialog;
  // Runs the print dialog; RunPrintDialog unless replaced.
  PrintDialogRunner PrintDialog = RunPrintDialog;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls, tab by tab, then the path and tree, the display area, the whole and the handlers.
  void BuildControls();
  QWidget* BuildMainTab();
  QWidget* BuildViewOptionsTab();
  QWidget* BuildFileFiltersTab();
  QWidget* BuildFolderFiltersTab();
  QLayout* BuildTabs();
  QLayout* BuildPathAndTree();
  void BuildDisplayArea();
  void LayOut(QLayout* pathAndTree, QLayout* tabs);
  void ConnectHandlers();
  // The button (its handler and its caption leaning while held) and the window's keys.
  void ConnectButtonAndKeys();
  void Form_Load();
  void Run(const char* location, const std::function<void()>& step);

  void TabStrip1_Click(int index);
  void ViewTypeChanged();
  void chkDirectoryDetails_Click();
  void chkDirectoriesOnly_Click();
  void PatternMatchingChanged(int index, bool checked);
  void MoveColumn(QListWidget* source, QListWidget* target);
  void ToggleQuickReference();
  void PlaceQuickReference();
  void txtPathSelected_Change(const QString& text);
  void ExploreTreeDirPrinter_NodeClick(const QModelIndex& index);
  bool CheckSizeBox(QLineEdit* box, QComboBox* unit);
  void SizeUnitClicked(QLineEdit* box, QComboBox* unit, bool notice);
  void dtpDateRestrictionDate_LostFocus();
  void LoadReport();
  // Starts the job; `after` runs on this thread once its report shows.
  void StartJob(std::function<void()> after);
  void JobDone(long unread);
  // The names of the controls whose state is kept between sessions.
  QStringList RememberedControls() const;
  void RestoreChoices();
  // Makes `folder` the tree's current item and keeps it in view while the tree reads the folders on its way.
  void FollowTreeTo(const QString& folder);
  // Rewrites the report from the sortable list (all rows or the highlighted ones) and shows it in the preview.
  void WriteSortableReport(bool onlyHighlighted);
  // In the sortable view: asks whether only highlighted rows count and rewrites the report accordingly.
  // `printing` asks in printing words.
  void AskSelectedOnly(bool printing);
  void SaveAsWebPage(const std::string& fullName, bool askSettings);
  // A view chosen after a run: shown from the report at hand when its text serves the view (the CSV and sortable
  // views share one), else by walking again.
  void ViewChosenAfterRun();
  QAction* MainItem(const char* name) const;

  ShellServices& services_;
  frmCancel* cancel_;
  Prompter& prompter_;
  SharedUtilities utilities_;  // input checks answered through this window's prompter
  // The engine runs on a worker: its questions reach prompter_ on this window's thread.
  std::unique_ptr<GuiThreadPrompter> enginePrompter_;
  std::unique_ptr<clsDirProcessing> cDirProc_;
  BackgroundJob* job_;
  std::string tempFolder_;
  QString lastTreePath_;
  QPointer<QObject> followTree_;  // alive while the tree follows the start folder
  bool loading_ = false;
  bool rewriting_ = false;  // a size box is being rewritten by its own check
  SortableListModel* list_ = nullptr;
  std::optional<long> shownView_;  // the view the window shows since the last walk; empty before any walk
  bool reportRewritten_ = false;   // the report holds the sortable list's text layout, not a walked view's

  QTabBar* TabStrip1_ = nullptr;
  QWidget* frames_[4] = {};
  QCheckBox* chkDirectoriesOnly_;
  QRadioButton *optHierarchicalView_, *optFlatView_, *optCSVView_, *optSortableView_;
  QListWidget *listAvailable_, *listDisplayed_;
  QPushButton *cmdAddToColumnDisplay_, *cmdRemoveFromColumnDisplay_;
  QCheckBox *chkDisplayHiddenAndSystem_, *chkDirectoryDetails_, *chkShowFileCounts_, *chkIncludeFullPath_;
  QLabel* lblShowSizeIn_;
  QRadioButton* optSizeType_[3];
  QLabel* lblJobErrors_ = nullptr;  // under the preview: items the last job could not read
  FiltersPanel* filters_ = nullptr;  // the file filters tab; it also makes the levels of the "Main" tab
  QRadioButton* optPatternMatching_[4];  // 0 and 1 the folder filters' pair, 2 and 3 the file filters' (the panel's)
  QPushButton* cmdRegExInstructionsFromFolders_;
  QLineEdit* txtRegExFolderPattern_;
  QComboBox *cboFolderSizeRestrictionOperator_, *cboFolderSizeRestrictionSizeType_;
  QLineEdit* txtFolderSizeRestrictionSize_;
  QLineEdit* txtPathSelected_;
  QTreeView* ExploreTreeDirPrinter_;
  QFileSystemModel* treeModel_;
  QPushButton* cmdProcessDirPrint_;
  QWidget* displayArea_;
  ReportPreview* rtfPreviewDirPrint_;
  QTableView* lvFilesFolders_;
  QPlainTextEdit* txtErrorsDisplay_;
  QPlainTextEdit* txtPopUpInfo_;
};

}  // namespace dv
