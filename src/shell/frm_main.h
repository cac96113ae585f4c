#pragma once
// The main window: a multiple-document frame titled "Dorvane" with the menu bar of both modes. It holds the two
// working windows: the directory printer from the start, the file operations window from the first switch to
// that mode. Both live until the program ends.
#include <QMainWindow>
#include <QMap>
#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace dv {

struct ShellServices;
class frmDirPrintBase;
class frmFileOpsBase;
class frmCancel;

class frmMain : public QMainWindow {
  Q_OBJECT
 public:
  // Makers of the working windows; later parts of the program install the real ones.
  using DirPrintFactory = std::function<frmDirPrintBase*(ShellServices&, frmCancel* cancel)>;
  using FileOpsFactory = std::function<frmFileOpsBase*(ShellServices&)>;

  explicit frmMain(ShellServices& services, DirPrintFactory dirPrint = {}, FileOpsFactory fileOps = {});
  ~frmMain() override;

  // The load steps: the session error log opened (emptied), the progress controller loaded hidden, the directory
  // printer shown. Each step's failure goes to the error handler and loading goes on.
  void Load();

  QMdiArea* Area() const { return area_; }
  QAction* Item(const QString& name) const { return items_.value(name); }
  QMenu* Menu(const QString& name) const { return menus_.value(name); }
  frmDirPrintBase* DirPrint() const { return dirPrint_; }
  // The progress controller, loaded hidden at load and kept for the session.
  frmCancel* Cancel() const { return cancel_; }
  frmFileOpsBase* FileOps() const { return fileOps_; }

  // The font check that print commands and the directory printer job run first; true lets them go on.
  std::function<bool()> FontCheck;
  // Opens the help at a topic ("Welcome.htm"); closes every help window when given an empty topic.
  std::function<void(const QString& topic)> Help;
  // Shows the about box.
  std::function<void()> About;

  void SetDirectoryPrinterMenus();
  void SetFileOperationsMenus();
  void ShowDirectoryPrinter();
  void ShowFileOperations();

  // Stores the window's size and place for the next session; also done when the program ends.
  void RememberPlace();

  int lngInitialMainHeight = 0;
  int lngInitialMainWidth = 0;
  bool FileOpsShown = false;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  // The size and place of the last session, else the usual size within the screen it opens on, centred.
  void PlaceOnScreen();
  QMenu* AddMenu(QMenu* parent, const QString& name, const QString& caption);
  QAction* AddItem(QMenu* menu, const QString& name, const QString& caption, const char* location,
                   std::function<void()> action);
  void Enable(std::initializer_list<const char*> names, bool on);
  void Run(const char* location, const std::function<void()>& step);
  void FillArea(QMdiSubWindow* sub);
  // The empty frame says how to bring a working window back; it shows only while none is open.
  void UpdateEmptyHint();
  bool FontOk();

  ShellServices& services_;
  DirPrintFactory makeDirPrint_;
  FileOpsFactory makeFileOps_;
  QMdiArea* area_;
  QLabel* emptyHint_;
  QMap<QString, QAction*> items_;
  QMap<QString, QMenu*> menus_;
  frmDirPrintBase* dirPrint_ = nullptr;
  frmFileOpsBase* fileOps_ = nullptr;
  frmCancel* cancel_ = nullptr;
  QMdiSubWindow* dirPrintSub_ = nullptr;
  QMdiSubWindow* fileOpsSub_ = nullptr;
};

}  // namespace dv
