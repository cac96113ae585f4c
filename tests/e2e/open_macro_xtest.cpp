// Open with a keystroke macro on a real X server with a window manager (openbox, started by the test): the engine,
// on a job's worker as the window runs it, opens a text file through xdg-open (a desktop of the test's own) and
// types the macro only into a window of the program it opened. The key windows are this binary started again with
// --key-window: each notes every key it receives in a log file of the test.
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "fileops_engine/cls_file_ops.h"
#include "platform/key_sender.h"
#include "shell/background_job.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "support/test_desktop.h"

namespace {

// Each key as a user would name it: the character typed, or the key with its modifiers ("Ctrl+A", "Backspace").
class KeyLog : public QLineEdit {
 public:
  std::function<void(const QString&)> onKey;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const int k = e->key();
    if (k != Qt::Key_Shift && k != Qt::Key_Control && k != Qt::Key_Alt && k != Qt::Key_Meta) {
      const bool chord = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
      const bool typed = !chord && !e->text().isEmpty() && e->text().at(0).isPrint();
      onKey(typed ? e->text() : QKeySequence(e->keyCombination()).toString());
    }
    QLineEdit::keyPressEvent(e);
  }
};

// The key window: writes "ready" once it has the focus, then each key on a line of its own, and at Return the
// field's text ("text=..."), and ends. It ends by itself after a minute in any case.
int KeyWindowMain(int argc, char** argv) {
  QApplication app(argc, argv);
  QFile log(QString::fromLocal8Bit(argv[2]));
  if (!log.open(QIODevice::Append | QIODevice::Unbuffered)) return 1;
  auto note = [&](const QString& line) { log.write((line + "\n").toUtf8()); };
  KeyLog field;
  field.onKey = note;
  QObject::connect(&field, &QLineEdit::returnPressed, [&] {
    note("text=" + field.text());
    app.quit();
  });
  QTimer ready;
  QObject::connect(&ready, &QTimer::timeout, [&] {
    if (!field.isActiveWindow()) return;
    QFile id(log.fileName() + ".id");  // for a test that moves the focus to this window
    if (id.open(QIODevice::WriteOnly)) id.write(QByteArray::number(static_cast<qulonglong>(field.winId())));
    note("ready");
    ready.stop();
  });
  ready.start(50);
  QTimer::singleShot(60000, &app, &QApplication::quit);
  field.show();
  field.activateWindow();
  return app.exec();
}

// Notes the engine's errors; `onCheck` runs at each check, on the worker, as the window's listener does.
class MacroEvents : public dv::FileOpsListener {
 public:
  QStringList errors;
  std::function<void()> onCheck;
  void evtCFOCheckForClosing() override {
    if (onCheck) onCheck();
  }
  void evtCFOExternalPassError(const dv::Error& e, const std::string& loc, long, const std::string&) override {
    errors << QString::fromStdString(loc + " " + e.Description());
  }
};

QString Read(const std::string& path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace

class OpenMacroXTest : public QObject {
  Q_OBJECT

  dv::test::TempTree wmTree_;  // the window manager's home, config and cache
  QProcess wm_;

  // Opens the files of `tree`/src with `macro` as the file operations window does.
  static void RunOpen(dv::test::TempTree& tree, MacroEvents& events, const std::string& macro,
                      std::vector<std::string>& lines) {
    dv::test::ScriptedPrompter prompter;
    dv::clsFileOps ops(prompter, tree.Dir("private"), &events);
    ops.scFileOperations().DirLevelsDeep(32000);
    ops.scFileOperations().PatternMatchingOption(1);
    ops.SourceDirectory(tree / "src");
    ops.scFileOperations().StartingDirectory(tree / "src");
    ops.FileOperation(dv::FileOp::OpenWithMacro);
    ops.Process_Files_Folders_Both(dv::Gathering::FilesAndFolders);
    ops.OpenMacroString(macro);
    // On a job's worker, as the window runs it: the keys go out from there.
    dv::BackgroundJob job(nullptr);
    job.Start([&] { ops.ProcessOperation(); }, {});
    QVERIFY(QTest::qWaitFor([&] { return !job.Running(); }, 120000));
    lines = ops.RecordedLines();
  }

  // Types a last key into the active window, a key window logging to `log`, and waits until it is logged: X
  // delivers keys in order, so any key sent before it has arrived by then.
  static void LastKey(const std::string& log) {
    dv::KeySender().Send(dv::ParseSendKeys("q"));
    QVERIFY(QTest::qWaitFor([&] { return Read(log).endsWith("q\n"); }, 10000));
  }

  // Makes xdg-open open text files with a key window logging to `log`.
  static void KeyWindowDesktop(dv::test::TempTree& tree, const std::string& log) {
    tree.File("desktop/data/applications/dvtest.desktop",
              "[Desktop Entry]\nType=Application\nName=Dorvane key window\nExec=" +
                  QCoreApplication::applicationFilePath().toStdString() + " --key-window " + log +
                  " %f\nMimeType=text/plain;\n");
  }

 private slots:
  void initTestCase() {
    QVERIFY2(!qgetenv("DISPLAY").isEmpty(), "runs under an X server only");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(wmTree_.Dir("home")));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(wmTree_.Dir("config")));
    env.insert("XDG_CACHE_HOME", QString::fromStdString(wmTree_.Dir("cache")));
    env.insert("XDG_DATA_HOME", QString::fromStdString(wmTree_.Dir("data")));
    wm_.setProcessEnvironment(env);
    wm_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    wm_.start("openbox", {"--sm-disable"});
    QVERIFY2(wm_.waitForStarted(), "openbox is needed");
    // Ready once it manages windows: it names itself on the root window first, its client list comes after.
    QVERIFY(QTest::qWaitFor([] {
      QProcess xprop;
      xprop.start("xprop", {"-root", "_NET_CLIENT_LIST"});
      xprop.waitForFinished();
      return xprop.readAllStandardOutput().contains("WINDOW");
    }, 20000));
  }

  void cleanupTestCase() {
    wm_.terminate();
    wm_.waitForFinished();
  }

  // The opened program's window gets the whole macro, in order, even characters the keyboard has no key for.
  void macroReachesTheOpenedWindow() {
    dv::test::TempTree tree;
    dv::test::TestDesktop desktop(tree, qgetenv("DISPLAY").constData());
    const std::string file = tree.File("src/note.txt", "hello\n"), log = tree / "opened.log";
    KeyWindowDesktop(tree, log);
    MacroEvents events;
    std::vector<std::string> lines;
    RunOpen(tree, events, ":::héllo€:::+(ab)c:::{LEFT 3}{DEL}:::[CTRL]a[ALT]f:::[DELAY]1:::x{BACKSPACE}yz~", lines);

    QCOMPARE(events.errors, QStringList());
    QCOMPARE(lines, std::vector<std::string>{"Success: " + file});
    QVERIFY(QTest::qWaitFor([&] { return Read(log).contains("text="); }, 10000));
    // "é" and "€" have no key on the server's keyboard: they come through a key lent for the moment. Ctrl+A
    // selected everything; a text field types Alt+F as "f" over the selection.
    const QStringList expected = {"ready", "h", "é", "l", "l", "o", "€", "A", "B", "c", "Left", "Left", "Left",
                                  "Del", "Ctrl+A", "Alt+F", "x", "Backspace", "y", "z", "Return", "text=fyz", ""};
    QCOMPARE(Read(log).split('\n'), expected);
  }

  // A program that opens no window: the window that has the focus (another program's, as a terminal would be)
  // gets nothing, and the file fails.
  void noWindowNoKeystrokes() {
    dv::test::TempTree tree;
    const std::string log = tree / "focused.log";
    QProcess focused;
    focused.start(QCoreApplication::applicationFilePath(), {"--key-window", QString::fromStdString(log)});
    QVERIFY(QTest::qWaitFor([&] { return Read(log) == "ready\n"; }, 20000));

    dv::test::TestDesktop desktop(tree, qgetenv("DISPLAY").constData());  // its handler opens no window
    const std::string file = tree.File("src/note.txt", "hello\n");
    MacroEvents events;
    std::vector<std::string> lines;
    RunOpen(tree, events, ":::echo typed~", lines);
    LastKey(log);

    QCOMPARE(lines, std::vector<std::string>{"Failure: " + file});
    QCOMPARE(events.errors, QStringList{"cfo:8L There is no window to send the keystrokes to: no window of the opened "
                                        "program took the focus within 5 seconds"});
    QCOMPARE(dv::test::TempTree::Read(desktop.Marker()), "[" + file + "]\n");  // it was opened
    QCOMPARE(Read(log), QString("ready\nq\n"));  // the last key only
    focused.kill();
    focused.waitForFinished();
  }

  // The user moves to another program's window while the macro runs: nothing more is typed, there or anywhere,
  // and the file fails.
  void focusMovedStopsTheMacro() {
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("xdotool moves the focus as a user would");
    dv::test::TempTree tree;
    const std::string other = tree / "other.log", log = tree / "opened.log";
    QProcess focused;
    focused.start(QCoreApplication::applicationFilePath(), {"--key-window", QString::fromStdString(other)});
    QVERIFY(QTest::qWaitFor([&] { return Read(other) == "ready\n"; }, 20000));

    dv::test::TestDesktop desktop(tree, qgetenv("DISPLAY").constData());
    const std::string file = tree.File("src/note.txt", "hello\n");
    KeyWindowDesktop(tree, log);
    MacroEvents events;
    bool moved = false;
    events.onCheck = [&] {
      if (moved || !Read(log).endsWith("b\n")) return;
      moved = true;
      QProcess::execute("xdotool", {"windowactivate", "--sync", Read(other + ".id")});
    };
    std::vector<std::string> lines;
    RunOpen(tree, events, ":::ab:::cd:::ef~", lines);
    LastKey(other);

    QVERIFY(moved);
    QCOMPARE(lines, std::vector<std::string>{"Failure: " + file});
    QCOMPARE(events.errors, QStringList{QString("cfo:8L ") + dv::kFocusMoved});
    QCOMPARE(Read(log), QString("ready\na\nb\n"));
    QCOMPARE(Read(other), QString("ready\nq\n"));  // the last key only
    focused.kill();
    focused.waitForFinished();
  }
};

int main(int argc, char** argv) {
  if (argc >= 3 && QByteArray(argv[1]) == "--key-window") return KeyWindowMain(argc, argv);
  QApplication app(argc, argv);
  OpenMacroXTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "open_macro_xtest.moc"
