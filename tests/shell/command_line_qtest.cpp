// The program's informational options answer without a display: they are what a user tries first, also over ssh
// or in a script.
#include <QProcess>
#include <QtTest>

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void informationalOptionsNeedNoDisplay() {
    struct Row {
      const char* option;
      const char* starts;  // stdout begins with
      const char* mentions;
    };
    const Row rows[] = {
        {"--help", "Usage: dorvane", "--version"},
        {"-h", "Usage: dorvane", "--screenshot FILE"},
        {"--version", "dorvane ", "dorvane "},
    };
    for (const Row& r : rows) {
      QProcess p;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      // No display to be had: a window program that reached for one would end with an error.
      env.remove("DISPLAY");
      env.remove("WAYLAND_DISPLAY");
      env.insert("QT_QPA_PLATFORM", "xcb");
      p.setProcessEnvironment(env);
      p.start(DV_BUILD_BIN_DIR "/dorvane", {r.option});
      QVERIFY2(p.waitForFinished(30000), r.option);
      const QString out = QString::fromUtf8(p.readAllStandardOutput());
      QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, r.option);
      QVERIFY2(out.startsWith(r.starts) && out.contains(r.mentions), qPrintable(out));
    }
  }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_qtest.moc"
