#include "shell/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QShortcut>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QThread>

#include "shell/child_windows.h"
#include "shell/frm_cancel.h"
#include "shell/screen_fit.h"
#include "shell/shell_services.h"

namespace dv {

namespace {
const char* const kGeometryKey = "MainWindowGeometry";
}  // namespace

frmMain::frmMain(ShellServices& services, DirPrintFactory dirPrint, FileOpsFactory fileOps)
    : services_(services),
      makeDirPrint_(dirPrint ? std::move(dirPrint) : [](ShellServices&, frmCancel*) { return new frmDirPrintBase; }),
      makeFileOps_(fileOps ? std::move(fileOps) : [](ShellServices&) { return new frmFileOpsBase; }),
      area_(new QMdiArea(this)),
      emptyHint_(new QLabel(area_->viewport())) {
  setObjectName("frmMain");
  setWindowTitle("Dorvane");
  area_->setObjectName("mdiArea");
  setCentralWidget(area_);
  // Working windows that fill the frame keep filling it when the frame changes size.
  area_->viewport()->installEventFilter(this);
  emptyHint_->setObjectName("lblEmptyFrame");
  emptyHint_->setText("No working window is open. To bring one back, choose \"Goto Directory Printer\" or "
                      "\"Goto File Operations\" in the File menu.");
  emptyHint_->setAlignment(Qt::AlignCenter);
  emptyHint_->setWordWrap(true);
  PlaceOnScreen();
  services_.prompter.Parent(this);
  BuildMenus();
  // The size and place are remembered for the next session, however the program ends.
  connect(qApp, &QCoreApplication::aboutToQuit, this, &frmMain::RememberPlace);
}

void frmMain::RememberPlace() {
  // Only logged: a box at the very end would be more trouble than a window that opens at its usual size.
  ResumeScope(services_.errors.Reporting(mode::Log), "FM:29").Step([this] {
    services_.settings.SaveSetting(kGeometryKey, saveGeometry().toBase64().toStdString());
  });
}

void frmMain::PlaceOnScreen() {
  const QByteArray stored =
      QByteArray::fromBase64(QByteArray::fromStdString(services_.settings.GetSetting(kGeometryKey, "")));
  // Qt moves a restored window back onto a screen when the one it was on is gone.
  if (!stored.isEmpty() && restoreGeometry(stored)) {
    // Remembered on a larger screen (or with a larger resolution): the frame must fit this one.
    if (!isMaximized() && !isFullScreen()) FitToScreen(this);
    return;
  }
  QSize size(1180, 820);
  if (const QScreen* here = screen()) {
    // Leave room for the window frame, which the available area does not count.
    const QRect room = here->availableGeometry().adjusted(0, 0, -16, -48);
    size = size.boundedTo(room.size());
    resize(size);
    move(room.center() - rect().center());
  } else {
    resize(size);
  }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == area_->viewport() && event->type() == QEvent::Resize) {
    const auto* resize = static_cast<QResizeEvent*>(event);
    const QRect before(QPoint(0, 0), resize->oldSize()), now(QPoint(0, 0), resize->size());
    for (QMdiSubWindow* sub : area_->subWindowList())
      if (sub->geometry() == before && !sub->isMaximized() && !sub->isMinimized()) sub->setGeometry(now);
    emptyHint_->setGeometry(now.adjusted(24, 24, -24, -24));
  } else if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
    if (qobject_cast<QMdiSubWindow*>(watched)) UpdateEmptyHint();
  }
  return QMainWindow::eventFilter(watched, event);
}

frmMain::~frmMain() { services_.prompter.Parent(nullptr); }

void frmMain::Run(const char* location, const std::function<void()>& step) {
  ResumeScope(services_.errors.Reporting(mode::MessageAndReport), location).Step(step);
}

QMenu* frmMain::AddMenu(QMenu* parent, const QString& name, const QString& caption) {
  QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
  menu->setObjectName(name);
  menu->menuAction()->setObjectName(name);
  menus_[name] = menu;
  items_[name] = menu->menuAction();
  return menu;
}

QAction* frmMain::AddItem(QMenu* menu, const QString& name, const QString& caption, const char* location,
                          std::function<void()> action) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  connect(item, &QAction::triggered, this, [this, location, action = std::move(action)] { Run(location, action); });
  items_[name] = item;
  return item;
}

bool frmMain::FontOk() { return !FontCheck || FontCheck(); }

void frmMain::BuildMenus() {
  QMenu* file = AddMenu(nullptr, "mnuFunctions", "&File");
  AddItem(file, "mnuGotoDirectoryPrinter", "Goto &Directory Printer", "FM:02", [this] { ShowDirectoryPrinter(); });
  AddItem(file, "mnuGotoFileOperations", "Goto File &Operations", "FM:03", [this] { ShowFileOperations(); });
  AddItem(file, "mnuExit", "E&xit", "FM:04", [] { QCoreApplication::exit(0); });

  QMenu* dp = AddMenu(nullptr, "mnuDirectoryPrinter", "&Directory Printer");
  AddItem(dp, "mnuDirectoryPrinterMode", "&Directory Printer Mode", "FM:05", [this] { ShowDirectoryPrinter(); })
      ->setCheckable(true);
  AddItem(dp, "mnuGetNewDirectoryInfo", "&Get New Directory Info", "FM:06", [this] {
    if (FontOk()) dirPrint_->ProcessDirPrintJob();
  });
  AddItem(dp, "mnuDirPrintDirsRefresh", "&Refresh Directories", "FM:07", [this] { dirPrint_->RefreshDrives(); });
  AddItem(dp, "mnuRestore", "Res&tore Defaults", "FM:08", [this] { dirPrint_->ClearSettings(); });
  AddItem(dp, "mnuPrintDirectoryInfo", "&Print Directory Info", "FM:11", [this] {
    if (FontOk()) dirPrint_->PrintDirectoryInformation();
  });
  AddItem(dp, "mnuSaveDirectoryInfo", "&Save Directory Info", "FM:12", [this] { dirPrint_->SaveDirectoryInformation(); });
  AddItem(dp, "mnuHTMLSettings", "&HTML Save Settings", "FM:13", [this] { dirPrint_->ShowHTMLSettings(); });
  QMenu* errors = AddMenu(dp, "mnuSessionErrors", "Session &Errors");
  AddItem(errors, "mnuViewSessionErrors", "&View Session Errors", "FM:14", [this] { dirPrint_->ViewSessionErrors(); });
  AddItem(errors, "mnuClearErrors", "&Clear Session Errors", "FM:15", [this] { dirPrint_->ClearErrors(); });

  QMenu* fo = AddMenu(nullptr, "mnuFileOps", "File &Ops");
  AddItem(fo, "mnuFileOperationsMode", "&File Operations Mode", "FM:16", [this] { ShowFileOperations(); })
      ->setCheckable(true);
  AddItem(fo, "mnuPerformFileOperation", "Perform &Operation", "FM:17", [this] { fileOps_->PerformFileOperation(); });
  AddItem(fo, "mnuFileOpsUndoLast", "&Undo Last Operation...", "FM:17.10", [this] { fileOps_->UndoLastOperation(); });
  QAction* preview = AddItem(fo, "mnuFileOpPreviewOnly", "P&review Only", "FM:18", [this] {
    // The item's own check mark has already flipped; the window's box follows it.
    fileOps_->SetPreviewOnly(Item("mnuFileOpPreviewOnly")->isChecked());
  });
  preview->setCheckable(true);
  AddItem(fo, "mnuFileOpDirsRefresh", "&Refresh Directories", "FM:19", [this] { fileOps_->RefreshDrives(); });
  AddItem(fo, "mnuShowFileOpFilterSettings", "Show &Filter Settings", "FM:20",
          [this] { fileOps_->ShowFileOpFilterSettings(); });
  QMenu* view = AddMenu(fo, "mnuViewFileOps", "&View");
  AddItem(view, "mnuViewFileOpLastOperationResults", "&Last Operation Results", "FM:21",
          [this] { fileOps_->cmdLastOperationResults_Click(); });
  AddItem(view, "mnuViewFileOpErrorsThisSession", "&Errors This Session", "FM:22",
          [this] { fileOps_->cmdDisplayErrors_Click(); });
  QMenu* print = AddMenu(fo, "mnuPrintFileOps", "&Print");
  AddItem(print, "mnuPFileOpLastOperationResults", "&Last Operation Results", "FM:23", [this] {
    if (FontOk()) fileOps_->PrintLastOperationResults();
  });
  AddItem(print, "mnuPFileOpErrorsThisSession", "&Errors This Session", "FM:24", [this] {
    if (FontOk()) fileOps_->PrintFileOpErrorsThisSession();
  });
  QMenu* save = AddMenu(fo, "mnuSaveFileOps", "&Save");
  AddItem(save, "mnuSaveFileOpLastOperationResults", "&Last Operation Results", "FM:25",
          [this] { fileOps_->SaveLastOperationResults(); });
  AddItem(save, "mnuSaveFileOpErrorsThisSession", "&Errors This Session", "FM:26",
          [this] { fileOps_->SaveFileOpErrorsThisSession(); });

  QMenu* help = AddMenu(nullptr, "mnuHelp", "&Help");
  QAction* contents = AddItem(help, "mnuHelpContents", "&Contents  [F1]", "FM:27", [this] {
    if (Help) Help("Welcome.htm");
  });
  // The caption already names F1; a shortcut on the item itself would show it a second time beside it.
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this, nullptr, nullptr, Qt::WindowShortcut);
  f1->setObjectName("shortcutHelpContents");
  connect(f1, &QShortcut::activated, contents, &QAction::trigger);
  AddItem(help, "mnuAbout", "&About", "FM:28", [this] {
    if (About) About();
  });

  // The state at load: Directory Printer mode.
  Item("mnuDirectoryPrinterMode")->setChecked(true);
  Enable({"mnuPerformFileOperation", "mnuFileOpPreviewOnly", "mnuFileOpDirsRefresh", "mnuShowFileOpFilterSettings",
          "mnuViewFileOps", "mnuPrintFileOps", "mnuSaveFileOps", "mnuFileOpsUndoLast"},
         false);
}

void frmMain::Enable(std::initializer_list<const char*> names, bool on) {
  for (const char* name : names) Item(name)->setEnabled(on);
}

void frmMain::Load() {
  Run("FM:01", [this] {
    lngInitialMainHeight = height();
    lngInitialMainWidth = width();
  });
  Run("FM:01.10", [this] { services_.log.OpenSessionErrorLog(); });
  Run("FM:01.15", [this] {
    if (cancel_) return;
    cancel_ = new frmCancel(services_.errors, frmCancel::DefaultProgramPath(), this);
    services_.prompter.AroundBoxes([cancel = QPointer<frmCancel>(cancel_)](bool open) {
      if (cancel) cancel->StepAside(open);
    });
  });
  Run("FM:01.20", [this] { ShowDirectoryPrinter(); });
}

void frmMain::FillArea(QMdiSubWindow* sub) {
  // The menus keep using the working window after the user closes it with its title-bar button: closing only
  // hides it (a sub-window deletes itself on close by default), and the menus show it again as it was.
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  // A working window fills the frame (not maximized: the caption stays "Dorvane"); when the frame is smaller
  // than its controls need, they scroll inside it.
  sub->setGeometry(QRect(QPoint(0, 0), area_->viewport()->size()));
  sub->installEventFilter(this);
}

void frmMain::UpdateEmptyHint() {
  bool open = false;
  for (QMdiSubWindow* sub : area_->subWindowList()) open = open || !sub->isHidden();
  emptyHint_->setVisible(!open);
  if (!open) emptyHint_->lower();
}

void frmMain::ShowDirectoryPrinter() {
  if (!dirPrint_) {
    dirPrint_ = makeDirPrint_(services_, cancel_);
    dirPrintSub_ = area_->addSubWindow(dirPrint_);
    FillArea(dirPrintSub_);
  }
  dirPrint_->show();  // closing the sub-window closed the window inside it too
  dirPrintSub_->show();
  area_->setActiveSubWindow(dirPrintSub_);
  SetDirectoryPrinterMenus();
}

void frmMain::ShowFileOperations() {
  if (!fileOps_) {
    fileOps_ = makeFileOps_(services_);
    fileOpsSub_ = area_->addSubWindow(fileOps_);
    FillArea(fileOpsSub_);
  }
  fileOps_->show();
  fileOpsSub_->show();
  FileOpsShown = true;
  area_->setActiveSubWindow(fileOpsSub_);
  SetFileOperationsMenus();
}

void frmMain::SetDirectoryPrinterMenus() {
  Run("FM:09", [this] {
    Enable({"mnuFileOpPreviewOnly", "mnuFileOpDirsRefresh", "mnuPerformFileOperation", "mnuPrintFileOps",
            "mnuViewFileOps", "mnuShowFileOpFilterSettings", "mnuFileOpsUndoLast"},
           false);
    Item("mnuFileOperationsMode")->setChecked(false);
    Enable({"mnuSaveFileOps"}, false);
    Enable({"mnuDirPrintDirsRefresh", "mnuGetNewDirectoryInfo", "mnuPrintDirectoryInfo", "mnuSaveDirectoryInfo",
            "mnuViewSessionErrors"},
           true);
    Item("mnuDirectoryPrinterMode")->setChecked(true);
    Enable({"mnuSessionErrors", "mnuClearErrors", "mnuRestore", "mnuHTMLSettings"}, true);
  });
}

void frmMain::SetFileOperationsMenus() {
  Run("FM:10", [this] {
    if (FileOpsShown && fileOps_ && fileOps_->ProcessEnabled())
      Enable({"mnuPerformFileOperation", "mnuShowFileOpFilterSettings"}, true);
    Enable({"mnuFileOpPreviewOnly", "mnuFileOpDirsRefresh", "mnuPrintFileOps", "mnuViewFileOps", "mnuSaveFileOps",
            "mnuFileOpsUndoLast"},
           true);
    Item("mnuFileOperationsMode")->setChecked(true);
    Enable({"mnuDirPrintDirsRefresh", "mnuGetNewDirectoryInfo", "mnuPrintDirectoryInfo", "mnuSaveDirectoryInfo",
            "mnuViewSessionErrors"},
           false);
    Item("mnuDirectoryPrinterMode")->setChecked(false);
    Enable({"mnuSessionErrors", "mnuClearErrors", "mnuRestore", "mnuHTMLSettings"}, false);
  });
}

void frmMain::closeEvent(QCloseEvent* event) {
  // Every help window goes with the main window, then the program ends.
  if (Help) Help(QString());
  QThread::yieldCurrentThread();
  event->accept();
  QCoreApplication::quit();
}

}  // namespace dv
