// The progress program's window on its own: how a progress text is laid out (the counter line whole, the path
// shortened in the middle on one line), the elapsed time, and Escape as the keyboard's Cancel. The protocol and
// the program around the window are tested through the real program in frm_cancel_qtest.cpp.
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "progress/progress_window.h"
#include "support/find_child.h"

using dv::test::Child;
namespace pp = dv::progress;

class ProgressWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void textSplitsIntoHeadingAndPath_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("path");
    QTest::newRow("scan") << "Gathering information for folder #12\r\n/home/u" << "Gathering information for folder #12"
                          << "/home/u";
    QTest::newRow("no path") << "Deleting" << "Deleting" << "";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("lone LF") << "a\nb" << "a" << "b";
    QTest::newRow("lone CR") << "a\rb" << "a" << "b";
    QTest::newRow("break ends it") << "a\r\n" << "a" << "";
    // Line breaks after the first belong to the file name.
    QTest::newRow("name with breaks") << "#3\r\n/t/x\r\ny\nz" << "#3" << "/t/x\r\ny\nz";
  }
  void textSplitsIntoHeadingAndPath() {
    QFETCH(QString, text);
    QFETCH(QString, heading);
    QFETCH(QString, path);
    const pp::ProgressLines lines = pp::SplitProgressText(text);
    QCOMPARE(lines.heading, heading);
    QCOMPARE(lines.path, path);
  }

  void elapsedTimeShowsHoursOnlyPastTheFirst() {
    const QList<QPair<qint64, QString>> cases = {{0, "0:00"},      {7, "0:07"},        {60, "1:00"},
                                                 {754, "12:34"},   {3599, "59:59"},    {3600, "1:00:00"},
                                                 {3723, "1:02:03"}, {36000, "10:00:00"}};
    for (const auto& [seconds, text] : cases) QCOMPARE(pp::ElapsedText(seconds), text);
  }

  void counterStaysWholeAndThePathIsShortenedInTheMiddle() {
    pp::ProgressWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* heading = Child<QLabel>(&window, "lblProgress");
    auto* path = Child<QLabel>(&window, "lblProgressPath");
    auto* elapsed = Child<QLabel>(&window, "lblElapsed");

    // A name with a line break and markup in it, deep enough to need shortening.
    const QString tail = "/<b>odd\nname\t.txt";
    const QString longPath = "/home/user" + QString("/folder").repeated(60) + tail;
    const QString text = "Gathering information for folder #1234567\r\n" + longPath;
    window.SetProgressText(text);
    QCOMPARE(window.ProgressText(), text);  // what QUERY answers: the text as sent
    QCOMPARE(heading->text(), QString("Gathering information for folder #1234567"));
    QVERIFY(heading->width() >= heading->sizeHint().width());

    const QString shown = path->text();
    QVERIFY2(shown.startsWith("/home/user/folder") && shown.endsWith("/<b>odd name .txt") &&
                 shown.contains(QChar(0x2026)),
             qPrintable(shown));
    QVERIFY(path->fontMetrics().horizontalAdvance(shown) <= path->contentsRect().width());
    QCOMPARE(path->textFormat(), Qt::PlainText);
    QCOMPARE(heading->textFormat(), Qt::PlainText);
    QVERIFY2(elapsed->text().startsWith("Elapsed time: 0:0"), qPrintable(elapsed->text()));

    // A heading wider than the window widens the window rather than lose its counter.
    const QString wide = "Copying" + QString(" word").repeated(80) + " #99";
    window.SetProgressText(wide + "\n/x");
    QTRY_VERIFY(heading->width() >= heading->sizeHint().width());
    QCOMPARE(heading->text(), wide);
    QCOMPARE(path->text(), QString("/x"));
  }

  void escapePressesCancel() {
    pp::ProgressWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QPushButton* cancel = window.CancelButton();
    QCOMPARE(window.CancelState(), QString("0"));
    // From the button, which has the focus in the window, the key reaches the window.
    QTest::keyClick(cancel, Qt::Key_Escape);
    QCOMPARE(window.CancelState(), QString("1"));
    QCOMPARE(cancel->text(), QString("Cancelling..."));
    QVERIFY(!cancel->isEnabled());
    // Once pressed it stays pressed; Escape neither undoes it nor closes the window.
    QTest::keyClick(&window, Qt::Key_Escape);
    QCOMPARE(window.CancelState(), QString("1"));
    QVERIFY(window.isVisible());
  }

  // Hidden while Dorvane asks something, back afterwards; a cancel read meanwhile does not end the program, and a
  // window the user closed after Cancel does not come back.
  void stepsAsideWhileAQuestionIsOpen() {
    struct Row {
      const char* name;
      bool closedAfterCancel;
      bool shownAfter;
    };
    const Row rows[] = {{"shown", false, true}, {"closed after cancel", true, false}};
    for (const Row& r : rows) {
      pp::ProgressWindow window;
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      window.CancelButton()->click();
      if (r.closedAfterCancel) window.close();
      window.StepAside(true);
      QVERIFY2(window.isHidden(), r.name);
      window.CancelDelivered();
      window.StepAside(false);
      QCOMPARE(window.isVisible(), r.shownAfter);
      QCOMPARE(window.CancelState(), QString("1"));
    }
  }
};

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_qtest.moc"
