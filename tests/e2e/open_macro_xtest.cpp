// Open with a keystroke macro on a real X server: the engine opens a text file through xdg-open (a desktop of the
// test's own associates text files with a handler script), waits, and types the macro into the window that has
// the focus, here a text field made by the test that notes every key it receives.
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QtTest>

#include "fileops_engine/cls_file_ops.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"
#include "support/test_desktop.h"

namespace {

// Each key as a user would name it: the character typed, or the key with its modifiers ("Ctrl+A", "Backspace").
class KeyLog : public QLineEdit {
 public:
  QStringList keys;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const int k = e->key();
    if (k != Qt::Key_Shift && k != Qt::Key_Control && k != Qt::Key_Alt && k != Qt::Key_Meta) {
      const bool chord = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
      if (!chord && !e->text().isEmpty() && e->text().at(0).isPrint()) keys << e->text();
      else keys << QKeySequence(e->keyCombination()).toString();
    }
    QLineEdit::keyPressEvent(e);
  }
};

// Runs the window's events while the engine waits, as the file operations window does.
class PumpEvents : public dv::FileOpsListener {
 public:
  QStringList errors;
  void evtCFOCheckForClosing() override { QCoreApplication::processEvents(); }
  void evtCFOExternalPassError(const dv::Error& e, const std::string& loc, long, const std::string&) override {
    errors << QString::fromStdString(loc + " " + e.Description());
  }
};

}  // namespace

class OpenMacroXTest : public QObject {
  Q_OBJECT

 private slots:
  void macroReachesTheFocusedField() {
    dv::test::TempTree tree;
    const QByteArray display = qgetenv("DISPLAY");
    QVERIFY2(!display.isEmpty(), "runs under an X server only");
    dv::test::TestDesktop desktop(tree, display.constData());
    const std::string file = tree.File("src/note.txt", "hello\n");

    KeyLog field;
    int returns = 0;
    connect(&field, &QLineEdit::returnPressed, [&] { ++returns; });
    field.show();
    field.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&field));
    field.setFocus();

    dv::test::ScriptedPrompter prompter;
    PumpEvents events;
    dv::clsFileOps ops(prompter, tree.Dir("private"), &events);
    ops.scFileOperations().DirLevelsDeep(32000);
    ops.scFileOperations().PatternMatchingOption(1);
    ops.SourceDirectory(tree / "src");
    ops.scFileOperations().StartingDirectory(tree / "src");
    ops.FileOperation(dv::fileop::OpenWithMacro);
    ops.Process_Files_Folders_Both(dv::gather::FilesAndFolders);
    ops.OpenMacroString(":::héllo€:::+(ab)c:::{LEFT 3}{DEL}:::[CTRL]a[ALT]f:::[DELAY]1:::x{BACKSPACE}yz~");
    QElapsedTimer timer;
    timer.start();
    ops.ProcessOperation();
    const qint64 elapsed = timer.elapsed();
    QTest::qWait(200);  // the last keys' events

    QCOMPARE(events.errors, QStringList());
    QCOMPARE(ops.RecordedLines(), std::vector<std::string>{"Success: " + file});
    QCOMPARE(dv::test::TempTree::Read(desktop.Marker()), "[" + file + "]\n");
    // "é" and "€" have no key on the server's keyboard: they come through a key lent for the moment.
    const QStringList expected = {"h", "é", "l", "l", "o", "€", "A", "B", "c", "Left", "Left", "Left", "Del",
                                  "Ctrl+A", "Alt+F", "x", "Backspace", "y", "z", "Return"};
    QCOMPARE(field.keys, expected);
    // Ctrl+A selected everything; a text field types Alt+F as "f" over the selection.
    QCOMPARE(field.text(), QString("fyz"));
    QCOMPARE(returns, 1);
    // 5 s for the opened program, 1 s before each of the six items, and the pause of 1 s: at least 12 s.
    QVERIFY2(elapsed >= 12000, qPrintable(QString::number(elapsed)));
  }
};

QTEST_MAIN(OpenMacroXTest)
#include "open_macro_xtest.moc"
