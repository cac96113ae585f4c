// The help viewer over the shipped help pages: topics, navigation, closing with the main window, and the pages'
// own links.
#include <QDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>
#include <QtTest>
#include <set>

#include "shell/help_viewer.h"
#include "shell/resources.h"

namespace {

const QStringList kPages{"Welcome.htm", "DirectoryPrinter.htm", "FileOperations.htm", "FiltersAndPatterns.htm",
                         "SpeKeys.htm"};

QString ShippedHelp() { return dv::ResourceFolderFor(DV_BUILD_BIN_DIR) + "/help"; }

QString ReadPage(const QString& name) {
  QFile f(ShippedHelp() + "/" + name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

QTextBrowser* Browser(dv::HelpViewer* v) { return v->findChild<QTextBrowser*>("txtHelpPage"); }

}  // namespace

class HelpTest : public QObject {
  Q_OBJECT

  QWidget* main_ = nullptr;

 private slots:
  void init() {
    main_ = new QWidget;
    main_->setWindowTitle("Dorvane");
    main_->resize(900, 650);
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_));
  }
  void cleanup() { delete main_; }

  void contentsOpensWelcomeInOwnWindow() {
    dv::HelpViewer* help = dv::HelpViewer::ShowTopic(main_, dv::HelpViewer::kContentsTopic, ShippedHelp());
    QCOMPARE(dv::HelpViewer::kContentsTopic, QString("Welcome.htm"));
    QVERIFY(help->isVisible());
    QVERIFY(help->isWindow());
    QCOMPARE(help->parentWidget(), main_);
    QCOMPARE(help->CurrentTopic(), QString("Welcome.htm"));
    QCOMPARE(help->windowTitle(), QString("Dorvane Help - Welcome to Dorvane"));
    QVERIFY(Browser(help)->toPlainText().contains("Directory Printer"));
    QVERIFY(Browser(help)->toPlainText().contains("File Operations"));
  }

  // The window fits the screen with its frame, and Escape closes it.
  void fitsTheScreenAndEscapeCloses() {
    dv::HelpViewer* help = dv::HelpViewer::ShowTopic(main_, "Welcome.htm", ShippedHelp());
    // Made larger than the screen (as a window manager may restore it), then asked for again.
    help->setGeometry(-50, -50, 4000, 3000);
    help = dv::HelpViewer::ShowTopic(main_, "SpeKeys.htm", ShippedHelp());
    const QRect room = help->screen()->availableGeometry(), got = help->frameGeometry();
    QVERIFY2(room.contains(got), qPrintable(QString("%1,%2 %3x%4").arg(got.x()).arg(got.y()).arg(got.width()).arg(got.height())));
    QTest::keyClick(Browser(help), Qt::Key_Escape);
    QVERIFY(!help->isVisible());
  }

  // A second topic goes to the open help window instead of opening another.
  void nextTopicReusesTheWindow() {
    dv::HelpViewer* first = dv::HelpViewer::ShowTopic(main_, "Welcome.htm", ShippedHelp());
    dv::HelpViewer* second = dv::HelpViewer::ShowTopic(main_, "SpeKeys.htm#delay", ShippedHelp());
    QCOMPARE(second, first);
    QCOMPARE(dv::HelpViewer::OpenWindows(main_).size(), 1);
    QCOMPARE(second->CurrentTopic(), QString("SpeKeys.htm"));
    QCOMPARE(Browser(second)->source().fragment(), QString("delay"));
    QVERIFY(Browser(second)->toPlainText().contains("{ENTER}"));

    // Closed and asked again: the same window comes back with the new page.
    second->close();
    QVERIFY(dv::HelpViewer::OpenWindows(main_).isEmpty());
    QCOMPARE(dv::HelpViewer::ShowTopic(main_, "FileOperations.htm", ShippedHelp()), first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->CurrentTopic(), QString("FileOperations.htm"));
  }

  void linksBackAndContents() {
    dv::HelpViewer* help = dv::HelpViewer::ShowTopic(main_, "Welcome.htm", ShippedHelp());
    auto* back = help->findChild<QPushButton*>("cmdHelpBack");
    auto* forward = help->findChild<QPushButton*>("cmdHelpForward");
    QVERIFY(!back->isEnabled());
    Browser(help)->setSource(QUrl("FiltersAndPatterns.htm"));  // a link as the page writes it
    QCOMPARE(help->CurrentTopic(), QString("FiltersAndPatterns.htm"));
    QCOMPARE(help->windowTitle(), QString("Dorvane Help - Filters and Patterns"));
    QVERIFY(back->isEnabled());
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(help->CurrentTopic(), QString("Welcome.htm"));
    QVERIFY(forward->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    QCOMPARE(help->CurrentTopic(), QString("FiltersAndPatterns.htm"));
    QTest::mouseClick(help->findChild<QPushButton*>("cmdHelpContents"), Qt::LeftButton);
    QCOMPARE(help->CurrentTopic(), QString("Welcome.htm"));
  }

  void missingPageSaysSo() {
    QTemporaryDir empty;
    dv::HelpViewer* help = dv::HelpViewer::ShowTopic(main_, "Welcome.htm", empty.path());
    QCOMPARE(help->CurrentTopic(), QString());
    QVERIFY(Browser(help)->toPlainText().contains("The help page Welcome.htm was not found in the folder"));
    QVERIFY(Browser(help)->toPlainText().contains(empty.path()));
  }

  void closingMainWindowClosesEveryHelpWindow() {
    dv::HelpViewer* fromMain = dv::HelpViewer::ShowTopic(main_, "Welcome.htm", ShippedHelp());
    // One opened from a dialog of the main window, as the special-key chooser does.
    auto* chooser = new QDialog(main_);
    chooser->show();
    dv::HelpViewer* fromDialog = dv::HelpViewer::ShowTopic(chooser, "SpeKeys.htm", ShippedHelp());
    QVERIFY(fromDialog != fromMain);
    QCOMPARE(dv::HelpViewer::OpenWindows(main_).size(), 2);

    QVERIFY(main_->close());
    QVERIFY(!fromMain->isVisible());
    QVERIFY(!fromDialog->isVisible());
    QVERIFY(dv::HelpViewer::OpenWindows(main_).isEmpty());

    QPointer<dv::HelpViewer> gone = fromMain;
    delete main_;
    main_ = nullptr;
    QVERIFY(gone.isNull());
  }

  // Closing the dialog a help window came from closes that help window only.
  void closingOwnerDialogLeavesMainHelp() {
    dv::HelpViewer* fromMain = dv::HelpViewer::ShowTopic(main_, "Welcome.htm", ShippedHelp());
    QDialog chooser(main_);
    chooser.show();
    dv::HelpViewer* fromDialog = dv::HelpViewer::ShowTopic(&chooser, "SpeKeys.htm", ShippedHelp());
    chooser.close();
    QVERIFY(!fromDialog->isVisible());
    QVERIFY(fromMain->isVisible());
  }

  // Every shipped page exists with a title, links back to the contents, and every link inside the help leads to
  // an existing page (and anchor); every page can be reached from the contents.
  void shippedPagesAreLinkedToEachOther() {
    static const QRegularExpression href("href=\"([^\"]*)\"");
    static const QRegularExpression title("<title>([^<]+)</title>");
    std::set<QString> linkedFromWelcome;
    for (const QString& page : kPages) {
      const QString html = ReadPage(page);
      QVERIFY2(!html.isEmpty(), qPrintable(page));
      QVERIFY2(title.match(html).hasMatch(), qPrintable(page));
      if (page != "Welcome.htm") QVERIFY2(html.contains("href=\"Welcome.htm\""), qPrintable(page));
      for (auto it = href.globalMatch(html); it.hasNext();) {
        const QString link = it.next().captured(1);
        QVERIFY2(!link.startsWith("http") && !link.isEmpty(), qPrintable(page + ": " + link));
        const QString target = link.section('#', 0, 0).isEmpty() ? page : link.section('#', 0, 0);
        QVERIFY2(kPages.contains(target), qPrintable(page + ": " + link));
        const QString anchor = link.section('#', 1);
        if (!anchor.isEmpty()) {
          QVERIFY2(ReadPage(target).contains("name=\"" + anchor + "\""), qPrintable(page + ": " + link));
        }
        if (page == "Welcome.htm") linkedFromWelcome.insert(target);
      }
    }
    for (const QString& page : kPages) {
      if (page != "Welcome.htm") QVERIFY2(linkedFromWelcome.count(page), qPrintable(page));
    }
  }

  // The pages carry what the windows send the user there for.
  void shippedPagesHoldWhatTheWindowsPromise() {
    const QString fileOps = ReadPage("FileOperations.htm");
    QVERIFY(fileOps.contains("Risky Run"));
    QVERIFY(fileOps.contains("Scramble My Data"));
    const QString keys = ReadPage("SpeKeys.htm");
    for (const char* code : {"[ALT]", "[CTRL]", "[SHIFT]", "[DELAY]", "{F12}", "{ESC}", "{TAB}", "{BACKSPACE}",
                             "{ENTER}", "{INS}", "{HOME}", "{PGUP}", "{DEL}", "{END}", "{PGDN}", "{UP}", "{LEFT}",
                             "{DOWN}", "{RIGHT}", "{DOWN 5}", "~", "+(abc)"}) {
      QVERIFY2(keys.contains(code), code);
    }
  }
};

QTEST_MAIN(HelpTest)
#include "help_qtest.moc"
