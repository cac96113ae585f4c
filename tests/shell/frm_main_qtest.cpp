// The main window: its menu bar by name, the two mode switches and the preview toggle.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QtTest>

#include "shell/child_windows.h"
#include "shell/frm_main.h"
#include "shell/shell_services.h"
#include "support/window_environment.h"

namespace {

// A file operations window whose "Perform Operation" button can be switched on, as the real one does when the
// user's choices are complete.
class FileOps : public dv::frmFileOpsBase {
 public:
  bool processEnabled = false;
  int refreshed = 0;
  bool ProcessEnabled() const override { return processEnabled; }
  void RefreshDrives() override { ++refreshed; }
};

}  // namespace

class FrmMainTest : public QObject {
  Q_OBJECT
  std::unique_ptr<dv::test::WindowEnvironment> env_;
  std::unique_ptr<dv::ShellServices> services_;
  std::unique_ptr<dv::frmMain> w_;
  FileOps* fileOps_ = nullptr;

  bool Enabled(const char* name) { return w_->Item(name)->isEnabled(); }
  bool Checked(const char* name) { return w_->Item(name)->isChecked(); }
  void Trigger(const char* name) { w_->Item(name)->trigger(); }

 private slots:
  void init() {
    env_ = std::make_unique<dv::test::WindowEnvironment>();
    services_ = std::make_unique<dv::ShellServices>();
    w_ = std::make_unique<dv::frmMain>(*services_, dv::frmMain::DirPrintFactory{}, [this](dv::ShellServices&) {
      fileOps_ = new FileOps;
      return fileOps_;
    });
    w_->show();
    w_->Load();
  }
  void cleanup() {
    w_.reset();
    services_.reset();
    env_.reset();
  }

  void isAnMdiFrameWithTheDirectoryPrinterInFront() {
    QCOMPARE(w_->windowTitle(), QString("Dorvane"));
    QCOMPARE(w_->objectName(), QString("frmMain"));
    QVERIFY(w_->DirPrint());
    QCOMPARE(w_->DirPrint()->objectName(), QString("frmDirPrint"));
    QCOMPARE(w_->Area()->activeSubWindow()->widget(), static_cast<QWidget*>(w_->DirPrint()));
    QVERIFY(!w_->FileOps());  // made on the first switch to File Operations
    QCOMPARE(w_->lngInitialMainWidth, w_->width());
    // The progress controller is loaded, hidden.
    auto* cancel = w_->findChild<QWidget*>("frmCancel");
    QVERIFY(cancel);
    QVERIFY(!cancel->isVisible());
    // The session error log was opened (emptied) at load.
    QVERIFY(QFile::exists(env_->RuntimeDir() + "/dorvane/DVcurerr.txt"));
  }

  // The title-bar close button closes the sub-window; the menus that reach the window afterwards must find it
  // again (closing once deleted it and left the menus a dangling pointer).
  void aClosedWorkingWindowIsShownAgainByItsMenus() {
    const struct {
      const char* show;
      std::vector<const char*> after;
    } cases[] = {
        {"mnuGotoDirectoryPrinter", {"mnuDirectoryPrinterMode", "mnuGotoDirectoryPrinter", "mnuSaveDirectoryInfo",
                                     "mnuDirPrintDirsRefresh"}},
        {"mnuGotoFileOperations", {"mnuFileOperationsMode", "mnuGotoFileOperations", "mnuFileOpDirsRefresh"}},
    };
    for (const auto& c : cases) {
      for (const char* menu : c.after) {
        Trigger(c.show);
        QMdiSubWindow* sub = w_->findChild<QMdiArea*>()->activeSubWindow();
        QVERIFY(sub);
        QWidget* inside = sub->widget();
        QVERIFY(sub->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Trigger(menu);
        Trigger(c.show);
        QMdiSubWindow* again = w_->findChild<QMdiArea*>()->activeSubWindow();
        QVERIFY2(again && again->isVisible(), menu);
        QCOMPARE(again->widget(), inside);  // the same window, with what the user had set up
        QVERIFY2(inside->isVisible(), menu);
      }
    }
    QVERIFY(fileOps_->refreshed >= 1);
  }

  // Once the last working window is closed the empty frame says how to bring one back, and only then.
  void theEmptyFrameSaysHowToBringAWindowBack() {
    auto* hint = w_->findChild<QLabel*>("lblEmptyFrame");
    QVERIFY(hint && hint->text().contains("File menu"));
    struct Step {
      const char* step;  // a menu item, or "close" with the window to close
      std::function<QWidget*()> close;
      bool hintShown;
    };
    const auto fileOps = [this]() -> QWidget* { return w_->FileOps(); };
    const auto dirPrint = [this]() -> QWidget* { return w_->DirPrint(); };
    const Step steps[] = {{"mnuGotoFileOperations", {}, false}, {"close", fileOps, false},
                          {"close", dirPrint, true},           {"mnuGotoDirectoryPrinter", {}, false},
                          {"close", dirPrint, true},           {"mnuGotoFileOperations", {}, false}};
    QVERIFY(!hint->isVisible());
    for (const auto& s : steps) {
      if (s.close) {
        QWidget* inside = s.close();
        for (QMdiSubWindow* sub : w_->Area()->subWindowList())
          if (sub->widget() == inside) QVERIFY(sub->close());
      } else {
        Trigger(s.step);
      }
      QVERIFY2(hint->isVisible() == s.hintShown, s.step);
    }
  }

  // The frame fits the screen it opens on, working windows fill it and follow its size, and the size and place
  // come back in the next session.
  void fitsTheScreenFillsItsFrameAndRemembersItsPlace() {
    QVERIFY(w_->screen()->availableGeometry().contains(w_->geometry()));
    QMdiArea* area = w_->Area();
    QCOMPARE(area->activeSubWindow()->geometry(), QRect(QPoint(0, 0), area->viewport()->size()));
    w_->resize(w_->width() - 120, w_->height() - 90);
    QTRY_COMPARE(area->activeSubWindow()->geometry(), QRect(QPoint(0, 0), area->viewport()->size()));

    const QSize size = w_->size();
    w_->RememberPlace();
    w_.reset();
    w_ = std::make_unique<dv::frmMain>(*services_);
    w_->show();
    QCOMPARE(w_->size(), size);

    // Remembered larger than this screen (another monitor, another resolution): shrunk to fit it with its frame.
    w_->resize(3000, 2000);
    w_->RememberPlace();
    w_.reset();
    w_ = std::make_unique<dv::frmMain>(*services_);
    w_->show();
    const QRect got = w_->frameGeometry();
    QVERIFY2(w_->screen()->availableGeometry().contains(got),
             qPrintable(QString("%1,%2 %3x%4").arg(got.x()).arg(got.y()).arg(got.width()).arg(got.height())));
  }

  void menuBarHasEveryItemWithItsCaptionAndInitialState() {
    struct Row {
      const char* name;
      const char* caption;
      bool enabled;
    };
    const Row rows[] = {
        {"mnuFunctions", "&File", true},
        {"mnuGotoDirectoryPrinter", "Goto &Directory Printer", true},
        {"mnuGotoFileOperations", "Goto File &Operations", true},
        {"mnuExit", "E&xit", true},
        {"mnuDirectoryPrinter", "&Directory Printer", true},
        {"mnuDirectoryPrinterMode", "&Directory Printer Mode", true},
        {"mnuGetNewDirectoryInfo", "&Get New Directory Info", true},
        {"mnuDirPrintDirsRefresh", "&Refresh Directories", true},
        {"mnuRestore", "Res&tore Defaults", true},
        {"mnuPrintDirectoryInfo", "&Print Directory Info", true},
        {"mnuSaveDirectoryInfo", "&Save Directory Info", true},
        {"mnuHTMLSettings", "&HTML Save Settings", true},
        {"mnuSessionErrors", "Session &Errors", true},
        {"mnuViewSessionErrors", "&View Session Errors", true},
        {"mnuClearErrors", "&Clear Session Errors", true},
        {"mnuFileOps", "File &Ops", true},
        {"mnuFileOperationsMode", "&File Operations Mode", true},
        {"mnuPerformFileOperation", "Perform &Operation", false},
        {"mnuFileOpsUndoLast", "&Undo Last Operation...", false},
        {"mnuFileOpPreviewOnly", "P&review Only", false},
        {"mnuFileOpDirsRefresh", "&Refresh Directories", false},
        {"mnuShowFileOpFilterSettings", "Show &Filter Settings", false},
        {"mnuViewFileOps", "&View", false},
        {"mnuViewFileOpLastOperationResults", "&Last Operation Results", true},
        {"mnuViewFileOpErrorsThisSession", "&Errors This Session", true},
        {"mnuPrintFileOps", "&Print", false},
        {"mnuPFileOpLastOperationResults", "&Last Operation Results", true},
        {"mnuPFileOpErrorsThisSession", "&Errors This Session", true},
        {"mnuSaveFileOps", "&Save", false},
        {"mnuSaveFileOpLastOperationResults", "&Last Operation Results", true},
        {"mnuSaveFileOpErrorsThisSession", "&Errors This Session", true},
        {"mnuHelp", "&Help", true},
        {"mnuHelpContents", "&Contents  [F1]", true},
        {"mnuAbout", "&About", true},
    };
    for (const Row& r : rows) {
      QAction* a = w_->Item(r.name);
      QVERIFY2(a, r.name);
      QCOMPARE(a->text(), QString(r.caption));
      QVERIFY2(a->isEnabled() == r.enabled, r.name);
      // Found by name, as tests and later windows find them.
      QVERIFY2(w_->findChild<QAction*>(r.name) || w_->findChild<QMenu*>(r.name), r.name);
    }
    QVERIFY(Checked("mnuDirectoryPrinterMode"));
    QVERIFY(!Checked("mnuFileOperationsMode"));
    // F1 opens the help, and the item shows it once: in its caption, not again as the item's own shortcut.
    QVERIFY(w_->Item("mnuHelpContents")->shortcut().isEmpty());
    QString topic;
    w_->Help = [&](const QString& t) { topic = t; };
    w_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w_.get()));
    QTest::keyClick(w_.get(), Qt::Key_F1);
    QCOMPARE(topic, QString("Welcome.htm"));
  }

  void fileOperationsModeBeforePerformWasEverEnabled() {
    Trigger("mnuGotoFileOperations");
    QVERIFY(fileOps_);
    QVERIFY(w_->FileOpsShown);
    QCOMPARE(w_->Area()->activeSubWindow()->widget(), static_cast<QWidget*>(fileOps_));
    QVERIFY(!Enabled("mnuPerformFileOperation"));
    QVERIFY(!Enabled("mnuShowFileOpFilterSettings"));
    for (const char* on : {"mnuFileOpPreviewOnly", "mnuFileOpDirsRefresh", "mnuPrintFileOps", "mnuViewFileOps",
                           "mnuSaveFileOps"})
      QVERIFY2(Enabled(on), on);
    for (const char* off : {"mnuDirPrintDirsRefresh", "mnuGetNewDirectoryInfo", "mnuPrintDirectoryInfo",
                            "mnuSaveDirectoryInfo", "mnuViewSessionErrors", "mnuSessionErrors", "mnuClearErrors",
                            "mnuRestore", "mnuHTMLSettings"})
      QVERIFY2(!Enabled(off), off);
    QVERIFY(Checked("mnuFileOperationsMode"));
    QVERIFY(!Checked("mnuDirectoryPrinterMode"));

    Trigger("mnuFileOpDirsRefresh");
    QCOMPARE(fileOps_->refreshed, 1);

    // Once the window's button is enabled, the next switch enables the two items; back in Directory Printer
    // mode they are disabled again.
    fileOps_->processEnabled = true;
    Trigger("mnuFileOperationsMode");
    QVERIFY(Enabled("mnuPerformFileOperation"));
    QVERIFY(Enabled("mnuShowFileOpFilterSettings"));
    Trigger("mnuDirectoryPrinterMode");
    QVERIFY(!Enabled("mnuPerformFileOperation"));
    QVERIFY(!Enabled("mnuSaveFileOps"));
    QVERIFY(Enabled("mnuHTMLSettings"));
    QVERIFY(Checked("mnuDirectoryPrinterMode"));
    QVERIFY(!Checked("mnuFileOperationsMode"));
    QCOMPARE(w_->Area()->activeSubWindow()->widget(), static_cast<QWidget*>(w_->DirPrint()));
  }

  void previewOnlyTwiceReturnsToItsFirstState() {
    Trigger("mnuGotoFileOperations");
    QVERIFY(!Checked("mnuFileOpPreviewOnly"));
    Trigger("mnuFileOpPreviewOnly");
    QVERIFY(Checked("mnuFileOpPreviewOnly"));
    QVERIFY(fileOps_->PreviewOnly());
    Trigger("mnuFileOpPreviewOnly");
    QVERIFY(!Checked("mnuFileOpPreviewOnly"));
    QVERIFY(!fileOps_->PreviewOnly());
  }

  void aDeclinedFontCheckStopsThePrintCommand() {
    struct DirPrint : dv::frmDirPrintBase {
      int printed = 0;
      void PrintDirectoryInformation() override { ++printed; }
    };
    auto* dp = new DirPrint;
    dv::frmMain w(*services_, [dp](dv::ShellServices&, dv::frmCancel*) { return dp; });
    w.Load();
    int asked = 0;
    bool answer = false;
    w.FontCheck = [&] {
      ++asked;
      return answer;
    };
    w.Item("mnuPrintDirectoryInfo")->trigger();
    QCOMPARE(asked, 1);
    QCOMPARE(dp->printed, 0);
    answer = true;
    w.Item("mnuPrintDirectoryInfo")->trigger();
    QCOMPARE(dp->printed, 1);
  }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_qtest.moc"
