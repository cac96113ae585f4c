// A question asked while the progress window is up (by the window or by an engine on a job's worker), on a real X
// server with a window manager (openbox, started by the test): the progress window stays on top of everything, so
// the box must not open behind it. The box is the
// topmost window while it is open, and the progress window is back once it is answered. Screenshots are kept in
// the artifacts folder.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "dirprint/frm_dir_print.h"
#include "shell/background_job.h"
#include "shell/frm_cancel.h"
#include "shell/frm_main.h"
#include "shell/shell_services.h"

namespace {

QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished();
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The managed windows from the bottom of the stack to its top, by their titles.
QStringList StackedTitles() {
  QStringList titles;
  const QString list = Run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
  static const QRegularExpression id("0x[0-9a-fA-F]+");
  for (auto it = id.globalMatch(list.section('#', 1)); it.hasNext();) {
    const QString name = Run("xprop", {"-id", it.next().captured(), "_NET_WM_NAME"});
    titles << name.section('"', 1, -2);
  }
  return titles;
}

}  // namespace

class QuestionInFrontXTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QProcess wm_;

  void Shot(const QString& name) {
    const QString folder = qEnvironmentVariable("DV_ARTIFACT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(folder + "/" + name, "PNG"));
  }

 private slots:
  void initTestCase() {
    QVERIFY2(!qgetenv("DISPLAY").isEmpty(), "runs under an X server only");
    for (const char* d : {"run", "config", "home", "data", "cache"}) QVERIFY(QDir().mkpath(dir_.filePath(d)));
    QFile::setPermissions(dir_.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir_.filePath("run").toUtf8());
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", dir_.filePath("data").toUtf8());
    qputenv("XDG_CACHE_HOME", dir_.filePath("cache").toUtf8());
    qputenv("HOME", dir_.filePath("home").toUtf8());
    wm_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    wm_.start("openbox", {"--sm-disable"});
    QVERIFY2(wm_.waitForStarted(), "openbox is needed");
    QVERIFY(QTest::qWaitFor([] { return Run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"); },
                            20000));
    // The manager names its check window before it manages anything; the client list comes once it does (a window
    // shown in between is never mapped on a loaded machine).
    QVERIFY(QTest::qWaitFor([] { return Run("xprop", {"-root", "_NET_CLIENT_LIST"}).contains("WINDOW"); }, 20000));
    // The progress program is looked for beside the running program.
    const QString progress = QCoreApplication::applicationDirPath() + "/VORizivuzuvi";
    if (!QFile::exists(progress)) QFile::link(DV_BUILD_BIN_DIR "/VORizivuzuvi", progress);
  }

  void cleanupTestCase() {
    wm_.terminate();
    wm_.waitForFinished();
  }

  void aQuestionDuringARunIsTheTopWindow() {
    dv::ShellServices services;
    dv::frmMain w(services, [](dv::ShellServices& s, dv::frmCancel* c) { return new dv::frmDirPrint(s, c); });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w, 30000));  // a loaded machine may take a while
    w.Load();
    QVERIFY(w.Cancel());
    dv::Prompter& prompter = services.prompter;

    struct Row {
      const char* title;  // of the box
      std::function<void()> ask;
    };
    const Row rows[] = {
        {"Create Folder?", [&] { prompter.YesNo("The folder does not exist. Create it?", "Create Folder?"); }},
        {"Source does not exist", [&] { prompter.Message("Please choose another folder.", "Source does not exist"); }},
        {"Name", [&] { prompter.Input("New name:", "Name", "x"); }},
        // Asked by an engine on a job's worker: the box opens on the window's thread all the same.
        {"Process Next File Confirmation",
         [&] {
           dv::GuiThreadPrompter fromWorker(prompter);
           dv::BackgroundJob job(nullptr);
           job.Start([&] { fromWorker.YesNoCancel("Run Process: x?", "Process Next File Confirmation"); }, {});
           QVERIFY(QTest::qWaitFor([&] { return !job.Running(); }, 30000));
         }},
    };
    const QString progressTitle = "Processing Operation";
    w.Cancel()->OpenExternalApp();
    for (const Row& r : rows) {
      QTRY_VERIFY_WITH_TIMEOUT(StackedTitles().contains(progressTitle), 10000);
      QStringList whileOpen;
      int looks = 0;
      // Looked at from inside the box's own event loop, then answered with Escape as a user would.
      QTimer look;
      look.setInterval(100);
      connect(&look, &QTimer::timeout, this, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !whileOpen.isEmpty()) return;
        const QStringList stack = StackedTitles();
        // A box that never reaches the top is taken as it stands after 10 s, so the test fails instead of hanging.
        if ((stack.isEmpty() || stack.last() != r.title) && ++looks < 100) return;
        whileOpen = stack;
        Shot(QStringLiteral("question-%1.png").arg(&r - rows));
        QTest::keyClick(box, Qt::Key_Escape);
      });
      look.start();
      r.ask();
      look.stop();
      // The box was the top window and the progress window could not cover it.
      QCOMPARE(whileOpen.value(whileOpen.size() - 1), QString(r.title));
      QVERIFY2(!whileOpen.contains(progressTitle), qPrintable(whileOpen.join(" | ")));
      // Answered: the progress window is back for the rest of the run.
      QTRY_VERIFY_WITH_TIMEOUT(StackedTitles().contains(progressTitle), 10000);
    }
    w.Cancel()->CloseExternalApp();
  }
};

QTEST_MAIN(QuestionInFrontXTest)
#include "question_in_front_xtest.moc"
