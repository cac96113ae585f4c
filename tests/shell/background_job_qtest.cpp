// The job runner: the window paints and ticks while the worker holds one long item, input is dropped but Escape
// stops the job, a question from the worker is a modal box on the window's thread, and a window that ends while
// its worker waits for an answer neither deadlocks nor runs the finished work.
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>

#include "common/error_handler.h"
#include "shell/background_job.h"
#include "shell/frm_cancel.h"
#include "shell/qt_prompter.h"
#include "support/scripted_prompter.h"

namespace {

// The progress controller without its program: counts the ticks and keeps the texts.
class FakeCancel : public dv::frmCancel {
 public:
  using frmCancel::frmCancel;
  QStringList sent;
  void UpdateProgressBox(const QString& text) override { sent << text; }
  bool CloseMeCheck() override { return false; }
};

class PaintCounter : public QLineEdit {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* e) override {
    ++paints;
    QLineEdit::paintEvent(e);
  }
};

// A long item: the worker holds until the job is asked to stop.
struct Hold {
  std::atomic<bool> stopped = false;
  void Wait() { stopped.wait(false); }
  void Stop() {
    stopped = true;
    stopped.notify_all();
  }
};

}  // namespace

class BackgroundJobTest : public QObject {
  Q_OBJECT
  dv::test::ScriptedPrompter prompter_;
  QTemporaryDir dir_;
  dv::SessionErrorLog log_{(dir_.path() + "/DVcurerr.txt").toStdString()};
  dv::ErrorHandler errors_{prompter_, log_, nullptr};

 private slots:
  void theWindowPaintsAndTicksDuringALongItemAndEscapeStopsIt() {
    FakeCancel cancel(errors_, "/nonexistent/VORizivuzuvi");
    PaintCounter box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setFocus();
    dv::BackgroundJob job(&cancel);
    Hold hold;
    bool finished = false;
    job.OnStop([&] { hold.Stop(); });
    QVERIFY(job.Start(
        [&] {
          job.Progress("Copying big.bin");
          hold.Wait();
        },
        [&] { finished = true; }));
    QVERIFY(!job.Start([] {}, {}));  // one job at a time
    QTRY_VERIFY(cancel.sent.contains("Copying big.bin"));  // ticks go on, with the latest text
    const int paints = box.paints;
    box.update();
    QTRY_VERIFY(box.paints > paints);
    QTest::keyClick(&box, Qt::Key_A);  // dropped while the job runs
    QCOMPARE(box.text(), QString());
    QVERIFY(job.Running() && !finished);
    QTest::keyClick(&box, Qt::Key_Escape);
    QTRY_VERIFY(finished);
    QVERIFY(!job.Running());
    QTest::keyClick(&box, Qt::Key_B);  // the window takes input again
    QCOMPARE(box.text(), QString("b"));
  }

  void aQuestionFromTheWorkerIsAModalBoxOnTheWindowsThread() {
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    dv::QtPrompter shown(&window);
    dv::GuiThreadPrompter prompter(shown);
    dv::BackgroundJob job(nullptr);
    std::atomic<int> answer = -1;
    // The box runs its own loop: it is looked at and answered from inside it, as a user would.
    QString title;
    bool onThisThread = false, workerWaited = false;
    QTimer user;
    connect(&user, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      title = box->windowTitle();
      onThisThread = box->thread() == QThread::currentThread();
      workerWaited = answer == -1;
      user.stop();
      QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);  // the box takes input during the job
    });
    user.start(0);
    job.Start([&] { answer = prompter.YesNo("Create folder /x?", "Create Folder") ? 1 : 0; }, {});
    QTRY_VERIFY(!job.Running());
    QCOMPARE(title, QString("Create Folder"));
    QVERIFY(onThisThread && workerWaited);
    QCOMPARE(answer.load(), 1);
  }

  void endingTheJobWhileTheWorkerWaitsForAnAnswer() {
    // The window's thread never serves the question: the job ends first, the worker gets the safe answer.
    prompter_.Reset();
    prompter_.DefaultAnswer(dv::Answer::Yes);
    dv::GuiThreadPrompter prompter(prompter_);
    std::atomic<bool> asking = false, stopped = false;
    std::atomic<int> answer = -1;
    bool finished = false;
    {
      dv::BackgroundJob job(nullptr);
      job.OnStop([&] { stopped = true; });
      job.Start(
          [&] {
            asking = true;
            asking.notify_all();
            answer = prompter.YesNo("Run Process: x?", "Process Next File Confirmation") ? 1 : 0;
          },
          [&] { finished = true; });
      asking.wait(false);
    }
    QCOMPARE(answer.load(), 0);
    QVERIFY(stopped);
    QVERIFY(prompter_.Log().empty());
    QCoreApplication::sendPostedEvents();
    QVERIFY(!finished);
  }
};

QTEST_MAIN(BackgroundJobTest)
#include "background_job_qtest.moc"
