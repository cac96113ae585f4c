// LaunchDocument and OpenWebPage against a stand-in xdg-open on PATH.
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtTest>

#include "shell/launch_browser.h"
#include "small_windows_support.h"

using dvtest::FakeXdgOpen;
using dvtest::TestErrors;

class LaunchBrowserTest : public QObject {
  Q_OBJECT

 private slots:
  void messageTable_data() {
    QTest::addColumn<long>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("2") << 2L << "File not found";
    QTest::newRow("3") << 3L << "Path not found";
    QTest::newRow("5") << 5L << "Access denied";
    QTest::newRow("8") << 8L << "Out of memory";
    QTest::newRow("11") << 11L << "Invalid EXE file or error in EXE image";
    QTest::newRow("26") << 26L << "A sharing violation occurred";
    QTest::newRow("27") << 27L << "Incomplete or invalid file association";
    QTest::newRow("28") << 28L << "DDE Time out";
    QTest::newRow("29") << 29L << "DDE transaction failed";
    QTest::newRow("30") << 30L << "DDE busy";
    QTest::newRow("31") << 31L << "No association for file extension";
    QTest::newRow("32") << 32L << "DLL not found";
    QTest::newRow("0") << 0L << "Unknown error";
    QTest::newRow("1") << 1L << "Unknown error";
    QTest::newRow("4") << 4L << "Unknown error";
    QTest::newRow("25") << 25L << "Unknown error";
    QTest::newRow("33 is success") << 33L << "";
    QTest::newRow("42 is success") << dv::kShellLaunchOk << "";
  }
  void messageTable() {
    QFETCH(long, code);
    QFETCH(QString, message);
    QCOMPARE(dv::ShellResultMessage(code), message);
  }

  // Each exit status of xdg-open leads to its message, shown once with the program's title; success shows none.
  void exitStatusGivesMessage_data() {
    QTest::addColumn<QByteArray>("exitCode");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("message");
    QTest::newRow("opened") << QByteArray("0") << true << "";
    QTest::newRow("bad arguments") << QByteArray("1") << false << "Unknown error";
    QTest::newRow("no such file") << QByteArray("2") << false << "File not found";
    QTest::newRow("no program for it") << QByteArray("3") << false << "No association for file extension";
    QTest::newRow("program failed") << QByteArray("4") << false << "Incomplete or invalid file association";
    QTest::newRow("undocumented") << QByteArray("9") << false << "Unknown error";
  }
  void exitStatusGivesMessage() {
    QFETCH(QByteArray, exitCode);
    QFETCH(bool, success);
    QFETCH(QString, message);
    FakeXdgOpen xdg;
    xdg.SetExitCode(exitCode);
    TestErrors errors;

    const long result = dv::LaunchDocument("https://example.org/", errors.handler);
    QCOMPARE(result > 32, success);
    QCOMPARE(dv::ShellResultMessage(result), message);

    dv::OpenWebPage("https://example.org/", errors.prompter, errors.handler);
    QCOMPARE(xdg.Calls(), 2);
    if (success) {
      QVERIFY(errors.prompter.Log().empty());
    } else {
      QCOMPARE(errors.prompter.Log().size(), size_t(1));
      QCOMPARE(QString::fromStdString(errors.prompter.Log()[0].text), message);
      QCOMPARE(QString::fromStdString(errors.prompter.Log()[0].title), QString());
    }
  }

  // The target reaches xdg-open as one argument, never through a shell, and xdg-open runs in the home folder.
  void targetIsOneArgumentRunInHome() {
    FakeXdgOpen xdg;
    dv::test::WindowEnvironment env;
    const QString home = env.Home();
    TestErrors errors;
    const QString target = "/tmp/a b/$(touch pwned)`touch pwned2`;'\"*.txt\nsecond line";

    QVERIFY(dv::LaunchDocument(target, errors.handler) > 32);
    QCOMPARE(xdg.Args(), QStringList{target});
    QCOMPARE(QFileInfo(xdg.WorkingDir()).canonicalFilePath(), QFileInfo(home).canonicalFilePath());
    QVERIFY(!QFileInfo::exists(home + "/pwned"));
    QVERIFY(!QFileInfo::exists(home + "/pwned2"));
    QVERIFY(!QFileInfo::exists(xdg.Dir() + "/pwned"));
  }

  void missingXdgOpenIsDllNotFound() {
    FakeXdgOpen emptyPath(false);
    TestErrors errors;
    QCOMPARE(dv::LaunchDocument("https://example.org/", errors.handler), 32L);
    dv::OpenWebPage("https://example.org/", errors.prompter, errors.handler);
    QCOMPARE(errors.prompter.Log().size(), size_t(1));
    QCOMPARE(errors.prompter.Log()[0].text, std::string("DLL not found"));
  }

  void emptyTargetTakesCommandLineThenHomePage_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("opened");
    QTest::newRow("target given") << "https://a.example/" << "https://b.example/" << "https://a.example/";
    QTest::newRow("command line, trimmed") << "" << "  https://b.example/x y  " << "https://b.example/x y";
    QTest::newRow("blank command line") << "" << "   " << QString::fromUtf8(dv::kHomePageAddress);
    QTest::newRow("nothing") << "" << "" << QString::fromUtf8(dv::kHomePageAddress);
  }
  void emptyTargetTakesCommandLineThenHomePage() {
    QFETCH(QString, target);
    QFETCH(QString, commandLine);
    QFETCH(QString, opened);
    FakeXdgOpen xdg;
    TestErrors errors;
    dv::OpenWebPage(target, errors.prompter, errors.handler, commandLine);
    QCOMPARE(xdg.Args(), QStringList{opened});
    QVERIFY(errors.prompter.Log().empty());
  }

  void commandLineLeavesProgramNameOut() {
    const QStringList args = QCoreApplication::arguments();
    QCOMPARE(dv::CommandLineText(), args.mid(1).join(' '));
    QVERIFY(!dv::CommandLineText().contains("launch_browser_qtest"));
  }

  // An xdg-open that keeps running (a browser in its foreground) counts as started once the wait is over.
  void slowLauncherCountsAsStarted() {
    FakeXdgOpen xdg;
    xdg.SetExitCode("sleep");
    TestErrors errors;
    QElapsedTimer clock;
    clock.start();
    dv::OpenWebPage("https://example.org/", errors.prompter, errors.handler, QString(), 300);
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(errors.prompter.Log().empty());
    QCOMPARE(xdg.Args(), QStringList{"https://example.org/"});
  }
};

QTEST_MAIN(LaunchBrowserTest)
#include "launch_browser_qtest.moc"
