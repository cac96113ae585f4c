// frmCustomChoice (GiveChoice), frmPleaseWait (DisplayWaitMessage) and the Prompter's boxes, driven through
// their widgets.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "shell/frm_custom_choice.h"
#include "shell/frm_please_wait.h"
#include "shell/qt_prompter.h"

namespace {

QPoint Centre(const QWidget* w) { return w->frameGeometry().center(); }

bool CentredOver(const QWidget* w, const QWidget* main) {
  return (Centre(w) - Centre(main)).manhattanLength() <= 2;
}

struct SeenWhileOpen {
  bool modal = false;
  QString title, text, left, right;
  bool centred = false;
};

// Calls GiveChoice and, once its window is up, lets `act` end it. A watchdog ends a call the action left open
// (the result is then -1).
int GiveChoiceAnd(dv::frmCustomChoice& choice, const QWidget* main, const std::function<void()>& act,
                  SeenWhileOpen* seen = nullptr) {
  QTimer::singleShot(0, &choice, [&] {
    if (seen) {
      seen->modal = choice.isVisible() && QApplication::activeModalWidget() == &choice;
      seen->title = choice.windowTitle();
      seen->text = choice.findChild<QLabel*>("lblChoiceText")->text();
      seen->left = choice.findChild<QPushButton*>("cmdLeft")->text();
      seen->right = choice.findChild<QPushButton*>("cmdRight")->text();
      seen->centred = CentredOver(&choice, main);
    }
    act();
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, &choice, [&] { choice.done(99); });
  watchdog.start(5000);
  const int result = choice.GiveChoice("Keep the old file or the new one?", "&Old", "&New", "Duplicate File");
  return watchdog.isActive() ? result : -1;  // -1: the action left the window open
}

}  // namespace

class PromptsTest : public QObject {
  Q_OBJECT

  QWidget* main_ = nullptr;

 private slots:
  void init() {
    main_ = new QWidget;
    main_->setGeometry(120, 90, 900, 640);
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_));
  }
  void cleanup() { delete main_; }

  void leftAndRightGiveOneAndTwo() {
    dv::frmCustomChoice choice(main_);
    SeenWhileOpen seen;
    QCOMPARE(GiveChoiceAnd(choice, main_, [&] {
      QTest::mouseClick(choice.findChild<QPushButton*>("cmdLeft"), Qt::LeftButton);
    }, &seen), 1);
    QVERIFY(!choice.isVisible());
    QVERIFY(seen.modal);
    QCOMPARE(seen.title, QString("Duplicate File"));
    QCOMPARE(seen.text, QString("Keep the old file or the new one?"));
    QCOMPARE(seen.left, QString("&Old"));
    QCOMPARE(seen.right, QString("&New"));
    QVERIFY(seen.centred);

    QCOMPARE(GiveChoiceAnd(choice, main_, [&] {
      QTest::mouseClick(choice.findChild<QPushButton*>("cmdRight"), Qt::LeftButton);
    }), 2);
    QCOMPARE(choice.LRChoice(), 2);
  }

  // Every way of closing without a choice gives 0, also right after a call that did choose.
  void closedWithoutChoiceGivesZero_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("exit button") << "exit";
    QTest::newRow("title bar close") << "close";
    QTest::newRow("Escape") << "escape";
  }
  void closedWithoutChoiceGivesZero() {
    QFETCH(QString, how);
    dv::frmCustomChoice choice(main_);
    QCOMPARE(GiveChoiceAnd(choice, main_, [&] {
      QTest::mouseClick(choice.findChild<QPushButton*>("cmdLeft"), Qt::LeftButton);
    }), 1);
    const int result = GiveChoiceAnd(choice, main_, [&] {
      if (how == "exit") QTest::mouseClick(choice.findChild<QPushButton*>("cmdExitPopUp"), Qt::LeftButton);
      else if (how == "close") choice.close();
      else QTest::keyClick(&choice, Qt::Key_Escape);
    });
    QCOMPARE(result, 0);
    QCOMPARE(choice.LRChoice(), 0);
    QVERIFY(!choice.isVisible());
  }

  // Enter must not pick a side by accident.
  void enterPicksNothing() {
    dv::frmCustomChoice choice(main_);
    const int result = GiveChoiceAnd(choice, main_, [&] {
      choice.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&choice));
      QTest::keyClick(&choice, Qt::Key_Return);
      QTest::keyClick(choice.findChild<QPushButton*>("cmdLeft"), Qt::Key_Return);
      QVERIFY(choice.isVisible());
      QTest::mouseClick(choice.findChild<QPushButton*>("cmdRight"), Qt::LeftButton);
    });
    QCOMPARE(result, 2);
  }

  void waitMessageShowsCentredAndDoesNotBlock() {
    dv::frmPleaseWait wait(main_);
    auto* info = wait.findChild<QLabel*>("txtWaitInfo");
    QVERIFY(info);
    QCOMPARE(info->text(), QString("Processing is completed"));
    QCOMPARE(wait.windowTitle(), QString("Please Wait While..."));

    wait.DisplayWaitMessage("Formatting Data into Sortable Format.");  // returns: not modal
    QVERIFY(wait.isVisible());
    QVERIFY(!wait.isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(info->text(), QString("Formatting Data into Sortable Format."));
    QVERIFY(CentredOver(&wait, main_));

    // Centred again over a main window that moved meanwhile.
    wait.hide();
    main_->setGeometry(300, 200, 700, 500);
    wait.DisplayWaitMessage("Second");
    QVERIFY(CentredOver(&wait, main_));
  }

  void anyKeyOrClickCloses_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("letter key") << "key";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("click on the window") << "click";
    QTest::newRow("click on the text") << "textclick";
  }
  void anyKeyOrClickCloses() {
    QFETCH(QString, how);
    dv::frmPleaseWait wait(main_);
    wait.DisplayWaitMessage("Working");
    QVERIFY(QTest::qWaitForWindowExposed(&wait));
    if (how == "key") QTest::keyClick(&wait, Qt::Key_A);
    else if (how == "escape") QTest::keyClick(&wait, Qt::Key_Escape);
    else if (how == "click") QTest::mouseClick(&wait, Qt::LeftButton, {}, QPoint(2, 2));
    else QTest::mouseClick(wait.findChild<QLabel*>("txtWaitInfo"), Qt::LeftButton);
    QVERIFY(!wait.isVisible());
  }

  // The progress window is told once before the first box opens and once after the last one closed, also when a
  // box is asked while another is open; each box is the active window while it is open.
  void boxesLetTheProgressWindowStepAside() {
    dv::QtPrompter prompter(main_);
    QList<bool> told;
    prompter.AroundBoxes([&](bool open) { told << open; });
    struct Row {
      const char* name;
      std::function<void()> ask;
      int boxes;  // opened in all
    };
    const Row rows[] = {
        {"message", [&] { prompter.Message("Done", "T"); }, 1},
        {"yes/no", [&] { prompter.YesNo("Go on?", "T"); }, 1},
        {"input", [&] { prompter.Input("Name", "T", "x"); }, 1},
        {"box inside a box", [&] { prompter.YesNoCancel("Keep?", "T"); }, 2},
    };
    for (const Row& r : rows) {
      told.clear();
      QList<QWidget*> seen;
      QList<bool> activeSeen;
      QTimer answer;
      answer.setInterval(20);
      connect(&answer, &QTimer::timeout, this, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !box->isVisible()) return;
        if (!seen.contains(box)) {
          seen << box;
          activeSeen << (QApplication::activeWindow() == box);
          // The second box is asked from inside the first, as a task's question can be.
          if (seen.size() < r.boxes) QTimer::singleShot(0, this, [&] { prompter.Message("Inner", "T"); });
        }
        if (seen.size() == r.boxes) QTest::keyClick(box, Qt::Key_Escape);
      });
      answer.start();
      r.ask();
      answer.stop();
      QCOMPARE(seen.size(), r.boxes);
      QCOMPARE(told, (QList<bool>{true, false}));
      QVERIFY2(!activeSeen.contains(false), r.name);
    }
  }
};

QTEST_MAIN(PromptsTest)
#include "prompts_qtest.moc"
