// frmAbout: the version label, the download label through a stand-in xdg-open, and centring on resize.
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "dv_version.h"
#include "shell/frm_about.h"
#include "shell/launch_browser.h"
#include "small_windows_support.h"

using dvtest::FakeXdgOpen;
using dvtest::TestErrors;

class AboutTest : public QObject {
  Q_OBJECT

  static QString Label(const dv::frmAbout& about, const char* name) {
    return about.findChild<QLabel*>(name)->text();
  }

 private slots:
  void programNameLabel_data() {
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("label");
    QTest::newRow("3.1") << 3 << 1 << "Dorvane 2004.3.1";
    QTest::newRow("revision 0 left out") << 1 << 0 << "Dorvane 2004.1";
    QTest::newRow("two digits") << 12 << 10 << "Dorvane 2004.12.10";
    QTest::newRow("minor 0") << 0 << 2 << "Dorvane 2004.0.2";
  }
  void programNameLabel() {
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, label);
    TestErrors errors;
    dv::frmAbout about(errors.prompter, errors.handler, nullptr, dv::ProgramVersion{2004, minor, revision});
    QCOMPARE(Label(about, "lblProgName"), label);
    QCOMPARE(dv::frmAbout::ProgramNameText({2004, minor, revision}), label);
    QVERIFY(errors.prompter.Log().empty());
  }

  // Without a version given, the window shows the project's version from the build.
  void projectVersionByDefault() {
    TestErrors errors;
    dv::frmAbout about(errors.prompter, errors.handler, nullptr);
    QString expected = QString("Dorvane 2004.%1").arg(DV_VERSION_MINOR);
    if (DV_VERSION_REVISION > 0) expected += QString(".%1").arg(DV_VERSION_REVISION);
    QCOMPARE(Label(about, "lblProgName"), expected);
    QCOMPARE(about.windowTitle(), QString("About"));
    QVERIFY(!about.isModal());
  }

  void downloadLabelOpensHomePage() {
    FakeXdgOpen xdg;
    TestErrors errors;
    dv::frmAbout about(errors.prompter, errors.handler, nullptr);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* download = about.findChild<QLabel*>("lblDownload");
    QCOMPARE(download->text(),
             QString("To download a new copy of Dorvane CLICK  HERE to goto Dorvane's Download Page"));
    QTest::mouseClick(download, Qt::LeftButton);
    QCOMPARE(xdg.Calls(), 1);
    QCOMPARE(xdg.Args(), QStringList{QString::fromUtf8(dv::kHomePageAddress)});
    QVERIFY(errors.prompter.Log().empty());

    // A right click does nothing; Enter on the focused label opens it like a click.
    QTest::mouseClick(download, Qt::RightButton);
    QCOMPARE(xdg.Calls(), 1);
    download->setFocus();
    QTest::keyClick(download, Qt::Key_Return);
    QCOMPARE(xdg.Calls(), 2);
    QVERIFY(about.isVisible());  // Enter went to the link, not to the OK button
  }

  void enterAtOpeningClosesTheBoxAndOpensNoPage() {
    FakeXdgOpen xdg;
    TestErrors errors;
    dv::frmAbout about(errors.prompter, errors.handler, nullptr);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.focusWidget(), about.findChild<QWidget*>("cmdOK"));
    QTest::keyClick(about.focusWidget(), Qt::Key_Return);
    QCOMPARE(xdg.Calls(), 0);
    QVERIFY(!about.isVisible());
  }

  void downloadFailureShowsShellMessage() {
    FakeXdgOpen xdg;
    xdg.SetExitCode("3");
    TestErrors errors;
    dv::frmAbout about(errors.prompter, errors.handler, nullptr);
    about.show();
    QTest::mouseClick(about.findChild<QLabel*>("lblDownload"), Qt::LeftButton);
    QCOMPARE(errors.prompter.Log().size(), size_t(1));
    QCOMPARE(errors.prompter.Log()[0].text, std::string("No association for file extension"));
  }

  // Resizing keeps every control where it was relative to the others, and the block in the middle.
  void contentStaysCentredOnResize() {
    TestErrors errors;
    dv::frmAbout about(errors.prompter, errors.handler, nullptr);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* name = about.findChild<QLabel*>("lblProgName");
    auto* ok = about.findChild<QPushButton*>("cmdOK");
    const QPoint gap = ok->mapTo(&about, QPoint()) - name->mapTo(&about, QPoint());
    for (const QSize size : {QSize(1000, 700), QSize(1400, 520), QSize(900, 900)}) {
      about.resize(size);
      QTRY_COMPARE(about.size(), size);
      QTRY_COMPARE(ok->mapTo(&about, QPoint()) - name->mapTo(&about, QPoint()), gap);
      const QWidget* block = about.findChild<QWidget*>("fraContent");
      const QPoint offCentre = block->geometry().center() - about.rect().center();
      QVERIFY2(offCentre.manhattanLength() <= 2, qPrintable(QString("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    }
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!about.isVisible());
  }
};

QTEST_MAIN(AboutTest)
#include "about_qtest.moc"
