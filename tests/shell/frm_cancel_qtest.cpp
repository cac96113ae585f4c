// frmCancel driven against the real progress program VORizivuzuvi of the build: progress reaches the program at
// the next check, Cancel is seen at the next check and stays seen, a program that is gone is started again without
// cancelling, closing is safe, and the main window keeps painting while a task checks.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocalSocket>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "common/error_handler.h"
#include "ui_common/progress_protocol.h"
#include "shell/frm_cancel.h"
#include "support/prompter_texts.h"
#include "support/scripted_prompter.h"
#include "support/window_environment.h"

using dv::test::Texts;

namespace {

namespace pp = dv::progress;

const QString kProgram = QStringLiteral(DV_BUILD_BIN_DIR "/VORizivuzuvi");
// Generous: only a broken program takes this long.
constexpr int kWait = 15000;

// One error handler with its own log file per test.
struct Harness {
  QTemporaryDir dir;
  dv::test::ScriptedPrompter prompter;
  dv::SessionErrorLog log{(dir.path() + "/DVcurerr.txt").toStdString()};
  dv::ErrorHandler errors{prompter, log, nullptr};
};

// One request to a progress program, on a connection of its own, as a third party would send it.
QByteArray Ask(const QString& server, QByteArrayView request) {
  QLocalSocket socket;
  socket.connectToServer(server);
  if (!socket.waitForConnected(kWait)) return "no connection: " + socket.errorString().toUtf8();
  socket.write(request.toByteArray() + '\n');
  socket.flush();
  const QDeadlineTimer deadline(kWait);
  while (!socket.canReadLine() && !deadline.hasExpired()) socket.waitForReadyRead(100);
  QByteArray line = socket.readLine();
  line.chop(1);
  return line;
}

struct Shown {
  QString state;
  QString text;
};
bool operator==(const Shown& a, const Shown& b) { return a.state == b.state && a.text == b.text; }
char* toString(const Shown& s) { return qstrdup(qPrintable("STATE " + s.state + " [" + s.text + "]")); }

// What the progress window shows now.
Shown Query(const QString& server) {
  const QByteArray reply = Ask(server, pp::kQuery);
  const pp::Line line = pp::SplitLine(reply);
  if (line.word != pp::kStateReply) return {"no reply: " + QString::fromUtf8(reply), {}};
  const pp::Line rest = pp::SplitLine(line.rest);
  return {QString::fromUtf8(rest.word), pp::UnescapeText(rest.rest)};
}

bool Alive(qint64 pid) { return pid > 0 && ::kill(pid_t(pid), 0) == 0; }

// A main window stand-in that counts its paints and can run a callback while it paints.
class PaintCounter : public QWidget {
 public:
  int paints = 0;
  std::function<void()> onPaint;

 protected:
  void paintEvent(QPaintEvent*) override {
    ++paints;
    QPainter(this).fillRect(rect(), Qt::white);
    if (onPaint) onPaint();
  }
};

}  // namespace

class FrmCancelTest : public QObject {
  Q_OBJECT

  std::unique_ptr<dv::test::WindowEnvironment> env_;

 private slots:
  void initTestCase() {
    QVERIFY2(QFileInfo(kProgram).isExecutable(), qPrintable(kProgram + " is missing"));
    // The socket names go to the private folder under XDG_RUNTIME_DIR: this test's own folder.
    env_ = std::make_unique<dv::test::WindowEnvironment>();
  }
  void cleanupTestCase() { env_.reset(); }

  // --- the hidden window -------------------------------------------------------------------------------------

  void isAHiddenWindowWithItsTextBoxes() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    QCOMPARE(form.objectName(), QString("frmCancel"));
    QCOMPARE(form.windowTitle(), QString("HiddenCancel"));
    QVERIFY(form.isHidden());
    QCOMPARE(form.findChild<QLineEdit*>("txtDDE"), form.txtDDE);
    QCOMPARE(form.findChild<QLineEdit*>("txtDDEProgress"), form.txtDDEProgress);
    QCOMPARE(form.ServerName(), QString());
    QVERIFY(!form.ProgressRunning());
  }

  void defaultProgramIsBesideTheRunningExecutable() {
    Harness h;
    dv::frmCancel form(h.errors);
    QCOMPARE(form.ProgramPath(), QCoreApplication::applicationDirPath() + "/VORizivuzuvi");
  }

  // --- start -------------------------------------------------------------------------------------------------

  void openStartsTheProgramWithACleanState() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.txtDDE->setText("1");
    form.txtDDEProgress->setText("left over");
    form.OpenExternalApp();
    QVERIFY(form.ProgressRunning());
    QCOMPARE(form.txtDDE->text(), QString("0"));
    QCOMPARE(form.txtDDEProgress->text(), QString());
    // Open waits until the program listens: it answers at once.
    const Shown shown = Query(form.ServerName());
    QCOMPARE(shown.state, QString("0"));
    QCOMPARE(shown.text, QString());
    QCOMPARE(Texts(h.prompter), QStringList());
  }

  void socketLivesWhereOnlyThisUserCanReachIt() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    const QFileInfo socket(form.ServerName());
    QCOMPARE(socket.absolutePath(), env_->RuntimeDir() + "/dorvane");
    QVERIFY(socket.exists());
    struct stat folder {};
    QCOMPARE(::stat(QFile::encodeName(socket.absolutePath()).constData(), &folder), 0);
    QCOMPARE(folder.st_uid, ::getuid());
    QCOMPARE(folder.st_mode & 077, 0u);
    // The process id is part of the name: runs never share one.
    QVERIFY(socket.fileName().contains(QString::number(QCoreApplication::applicationPid())));
  }

  void eachFormAndEachStartHasItsOwnName() {
    Harness h;
    dv::frmCancel first(h.errors, kProgram), second(h.errors, kProgram);
    first.OpenExternalApp();
    second.OpenExternalApp();
    QVERIFY(first.ServerName() != second.ServerName());
    QVERIFY(first.ProgressProcessId() != second.ProgressProcessId());
    const QString firstStart = first.ServerName();
    first.OpenExternalApp();
    QVERIFY(first.ServerName() != firstStart);
  }

  void openWhileRunningReplacesTheEarlierStart() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    const qint64 before = form.ProgressProcessId();
    QCOMPARE(Ask(form.ServerName(), pp::kPressCancel), QByteArray("OK"));
    form.OpenExternalApp();
    // One progress window at a time, and the earlier start's Cancel does not carry over to the new task.
    QVERIFY(!Alive(before));
    QVERIFY(form.ProgressProcessId() != before);
    QVERIFY(!form.CloseMeCheck());
    QCOMPARE(Query(form.ServerName()).state, QString("0"));
  }

  // --- progress and cancel -------------------------------------------------------------------------------------

  void progressReachesTheProgramAtTheNextCheck() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    // Spaces, a backslash, a line break and non-ASCII text: everything a file name may hold.
    const QString text = QString::fromUtf8("Copying /home/u/a b\\c\nd/\xC3\xA9t\xC3\xA9.txt  ");
    form.UpdateProgressBox(text);
    QCOMPARE(form.txtDDEProgress->text(), text);
    QCOMPARE(Query(form.ServerName()).text, QString());  // not before the check
    QVERIFY(!form.CloseMeCheck());
    QCOMPARE(Query(form.ServerName()).text, text);

    form.UpdateProgressBox("second");
    form.UpdateProgressBox("third");
    QCOMPARE(Query(form.ServerName()).text, text);
    QVERIFY(!form.CloseMeCheck());
    QCOMPARE(Query(form.ServerName()).text, QString("third"));  // only the latest text goes
  }

  void cancelIsSeenAtTheNextCheckAndStaysSeen() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    QVERIFY(!form.CloseMeCheck());
    QCOMPARE(form.txtDDE->text(), QString("0"));

    QCOMPARE(Ask(form.ServerName(), pp::kPressCancel), QByteArray("OK"));
    QCOMPARE(Query(form.ServerName()).state, QString("1"));
    QCOMPARE(form.txtDDE->text(), QString("0"));  // nothing moves until the program asks
    QVERIFY(form.CloseMeCheck());
    QCOMPARE(form.txtDDE->text(), QString("1"));

    // Pressed again (the button is spent) and checked again: still cancelled, and progress still flows.
    QCOMPARE(Ask(form.ServerName(), pp::kPressCancel), QByteArray("OK"));
    for (int i = 0; i < 3; ++i) {
      form.UpdateProgressBox(QString("item %1").arg(i));
      QVERIFY(form.CloseMeCheck());
      QCOMPARE(Query(form.ServerName()).text, QString("item %1").arg(i));
    }
    QVERIFY(form.ProgressRunning());
  }

  // --- a progress program that is gone ----------------------------------------------------------------------

  void killedProgramIsRestartedWithoutCancelling() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    form.UpdateProgressBox("before");
    QVERIFY(!form.CloseMeCheck());
    const qint64 killed = form.ProgressProcessId();
    const QString killedName = form.ServerName();
    // Even a Cancel the program had not yet handed over does not survive the program.
    QCOMPARE(Ask(killedName, pp::kPressCancel), QByteArray("OK"));
    QCOMPARE(::kill(pid_t(killed), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!form.ProgressRunning(), kWait);

    QVERIFY(!form.CloseMeCheck());
    QVERIFY(form.ProgressRunning());
    QVERIFY(form.ProgressProcessId() != killed);
    QVERIFY(form.ServerName() != killedName);
    QVERIFY(!QFileInfo::exists(killedName));  // the killed program's socket file is cleaned up
    QCOMPARE(form.txtDDE->text(), QString("0"));

    // The new program takes progress at the next check as the first one did, and cancels as the first one did.
    form.UpdateProgressBox("after");
    QVERIFY(!form.CloseMeCheck());
    QCOMPARE(Query(form.ServerName()), (Shown{"0", "after"}));
    QCOMPARE(Ask(form.ServerName(), pp::kPressCancel), QByteArray("OK"));
    QVERIFY(form.CloseMeCheck());

    // A cancel already seen belongs to the program that is gone: the restarting check answers false.
    QCOMPARE(::kill(pid_t(form.ProgressProcessId()), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!form.ProgressRunning(), kWait);
    QVERIFY(!form.CloseMeCheck());
    QCOMPARE(form.txtDDE->text(), QString("0"));
    QVERIFY(!form.CloseMeCheck());
    QCOMPARE(Texts(h.prompter), QStringList());  // checks are silent
  }

  void windowClosedByTheUserIsRestartedWithoutCancelling() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    const qint64 first = form.ProgressProcessId();
    QCOMPARE(Ask(form.ServerName(), pp::kCloseWindow), QByteArray("OK"));
    QTRY_VERIFY_WITH_TIMEOUT(!form.ProgressRunning(), kWait);
    QVERIFY(!form.CloseMeCheck());
    QVERIFY(form.ProgressRunning());
    QVERIFY(form.ProgressProcessId() != first);
    QVERIFY(!form.CloseMeCheck());
  }

  void windowClosedAfterCancelStillCancels() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    QVERIFY(!form.CloseMeCheck());
    const QString name = form.ServerName();
    QCOMPARE(Ask(name, pp::kPressCancel), QByteArray("OK"));
    QCOMPARE(Ask(name, pp::kCloseWindow), QByteArray("OK"));
    // The window is gone but the program waits for the check that reads its Cancel ...
    QCOMPARE(Query(name).state, QString("1"));
    QVERIFY(form.CloseMeCheck());
    QCOMPARE(form.ServerName(), name);  // read from the same start, no restart
    // ... and then ends by itself.
    QTRY_VERIFY_WITH_TIMEOUT(!form.ProgressRunning(), kWait);
    form.CloseExternalApp();
    QCOMPARE(Texts(h.prompter), QStringList());
  }

  void stalledProgramAnswersTheLastKnownStateAndRecovers() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    const qint64 pid = form.ProgressProcessId();
    QVERIFY(!form.CloseMeCheck());

    // A program that does not answer costs one short wait per check and no cancel ...
    // (A stopped program never answers, so a short wait changes nothing but the test's duration.)
    QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
    form.ExchangeWaitMs(300);
    form.UpdateProgressBox("while stopped");
    QVERIFY(!form.CloseMeCheck());
    QCOMPARE(form.ProgressProcessId(), pid);  // it runs: no restart
    QCOMPARE(::kill(pid_t(pid), SIGCONT), 0);
    form.ExchangeWaitMs(kWait);

    // ... and its late answer to that check is not taken for the answer to the next one.
    QCOMPARE(Ask(form.ServerName(), pp::kPressCancel), QByteArray("OK"));
    QVERIFY(form.CloseMeCheck());

    // Once seen, a cancel stays seen even through a check that gets no answer.
    QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
    form.ExchangeWaitMs(300);
    QVERIFY(form.CloseMeCheck());
    QCOMPARE(::kill(pid_t(pid), SIGCONT), 0);
    form.ExchangeWaitMs(kWait);
    QVERIFY(form.CloseMeCheck());
    QCOMPARE(Texts(h.prompter), QStringList());
  }

  // --- closing -------------------------------------------------------------------------------------------------

  void closeEndsTheProgramItStarted() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.OpenExternalApp();
    const qint64 pid = form.ProgressProcessId();
    const QString name = form.ServerName();
    QVERIFY(Alive(pid));
    form.CloseExternalApp();
    QVERIFY(!form.ProgressRunning());
    QVERIFY(!Alive(pid));  // ended and reaped, no zombie left
    QVERIFY(!QFileInfo::exists(name));
    QCOMPARE(form.ProgressProcessId(), 0);
    // A check after the task would start a new one; a second close is harmless.
    form.CloseExternalApp();
    QCOMPARE(Texts(h.prompter), QStringList());
  }

  void closeWithNothingRunningIsHarmless() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    form.CloseExternalApp();
    form.CloseExternalApp();
    QVERIFY(!form.ProgressRunning());
    QCOMPARE(Texts(h.prompter), QStringList());

    // Also after the program went away by itself.
    form.OpenExternalApp();
    QCOMPARE(::kill(pid_t(form.ProgressProcessId()), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!form.ProgressRunning(), kWait);
    form.CloseExternalApp();
    QCOMPARE(Texts(h.prompter), QStringList());
  }

  void closeLeavesOtherProgressProgramsAlone() {
    Harness h;
    dv::frmCancel mine(h.errors, kProgram), other(h.errors, kProgram);
    other.OpenExternalApp();
    const qint64 otherPid = other.ProgressProcessId();
    mine.CloseExternalApp();  // nothing of its own runs
    mine.OpenExternalApp();
    mine.CloseExternalApp();
    QVERIFY(Alive(otherPid));
    QCOMPARE(Query(other.ServerName()).state, QString("0"));
  }

  void destroyingTheFormEndsItsProgram() {
    Harness h;
    qint64 pid = 0;
    {
      dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
      form.OpenExternalApp();
      pid = form.ProgressProcessId();
      QVERIFY(Alive(pid));
    }
    QVERIFY(!Alive(pid));
  }

  // --- a missing progress program ------------------------------------------------------------------------------

  void missingProgramIsReportedAtOpenOnly() {
    Harness h;
    const QString missing = h.dir.path() + "/bin/VORizivuzuvi";
    dv::frmCancel form(h.errors, missing);
    form.OpenExternalApp();
    QCOMPARE(h.prompter.Count(), 1);
    const QString& message = Texts(h.prompter).front();
    QVERIFY2(message.contains("Error Number: 53"), qPrintable(message));
    QVERIFY2(message.contains("Occured at: FC:4"), qPrintable(message));
    QVERIFY2(message.contains(missing), qPrintable(message));
    QCOMPARE(form.txtDDE->text(), QString("0"));
    QVERIFY(!form.ProgressRunning());

    // The work goes on without progress display: checks try again and say nothing; the rest is harmless.
    form.UpdateProgressBox("working");
    QVERIFY(!form.CloseMeCheck());
    QVERIFY(!form.CloseMeCheck());
    form.CloseExternalApp();
    QCOMPARE(h.prompter.Count(), 1);
  }

  void programThatAppearsLaterIsStartedByTheNextCheck() {
    Harness h;
    const QString path = h.dir.path() + "/VORizivuzuvi";
    dv::frmCancel form(h.errors, path);
    form.OpenExternalApp();
    QCOMPARE(h.prompter.Count(), 1);
    QVERIFY(QFile::copy(kProgram, path));
    QVERIFY(QFile::setPermissions(path, QFile::permissions(kProgram)));
    QVERIFY(!form.CloseMeCheck());
    QVERIFY(form.ProgressRunning());
    form.CloseExternalApp();
    QCOMPARE(h.prompter.Count(), 1);
  }

  void programThatCannotRunIsReported() {
    Harness h;
    const QString path = h.dir.path() + "/VORizivuzuvi";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a program\n");
    file.close();  // not executable
    dv::frmCancel form(h.errors, path);
    form.OpenExternalApp();
    QCOMPARE(h.prompter.Count(), 1);
    QVERIFY2(Texts(h.prompter).front().contains("Occured at: FC:4"), qPrintable(Texts(h.prompter).front()));
    QVERIFY(!form.ProgressRunning());
  }

  void programThatEndsAtOnceIsReported() {
    Harness h;
    const QString path = h.dir.path() + "/VORizivuzuvi";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 3\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    dv::frmCancel form(h.errors, path);
    form.OpenExternalApp();
    QCOMPARE(h.prompter.Count(), 1);
    QVERIFY2(Texts(h.prompter).front().contains("exit code 3"), qPrintable(Texts(h.prompter).front()));
    QVERIFY(!form.CloseMeCheck());  // silent, answers "not cancelled"
    QCOMPARE(h.prompter.Count(), 1);
  }

  // --- the main window while a task runs -----------------------------------------------------------------------

  // A job's timer makes the checks on the window's own thread: a check runs no events (a nested loop would let a
  // handler start, check or close inside it), and the window paints as soon as the check is over.
  void checksRunNoEventsOfTheWindow() {
    Harness h;
    dv::frmCancel form(h.errors, kProgram);
    form.ExchangeWaitMs(kWait);
    PaintCounter main;
    main.resize(200, 100);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    form.OpenExternalApp();
    QCOMPARE(Ask(form.ServerName(), pp::kPressCancel), QByteArray("OK"));
    int nested = 0;
    main.onPaint = [&] { ++nested; };
    main.update();
    form.UpdateProgressBox("painting");
    QVERIFY(form.CloseMeCheck());
    QCOMPARE(nested, 0);
    QTRY_VERIFY(nested > 0);
    QCOMPARE(form.txtDDE->text(), QString("1"));
  }

  // --- the progress program on its own ------------------------------------------------------------------------

  void programNeedsAServerName() {
    QProcess p;
    p.start(kProgram, {});
    QVERIFY(p.waitForFinished(kWait));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains("--server"));
  }

  void programAnswersTheProtocol() {
    const QString name = env_->RuntimeDir() + "/direct";
    QProcess p;
    p.start(kProgram, {"--server", name});
    QVERIFY(p.waitForReadyRead(kWait));
    QCOMPARE(p.readLine().trimmed(), QByteArray("READY"));

    QCOMPARE(Ask(name, "EXCHANGE a\\\\b\\nc"), QByteArray("CANCEL 0"));
    QCOMPARE(Query(name).text, QString("a\\b\nc"));
    QCOMPARE(Ask(name, "QUERY"), QByteArray("STATE 0 a\\\\b\\nc"));
    QCOMPARE(Ask(name, "EXCHANGE"), QByteArray("CANCEL 0"));  // no text: an empty one
    QCOMPARE(Query(name).text, QString());
    QCOMPARE(Ask(name, "BOGUS request"), QByteArray("ERROR unknown request"));
    QCOMPARE(Ask(name, "PRESS-CANCEL"), QByteArray("OK"));
    // The state reported is the one before the text is shown, and it stays "1".
    QCOMPARE(Ask(name, "EXCHANGE x"), QByteArray("CANCEL 1"));
    QCOMPARE(Ask(name, "EXCHANGE y"), QByteArray("CANCEL 1"));

    QCOMPARE(Ask(name, "CLOSE"), QByteArray("OK"));
    QVERIFY(p.waitForFinished(kWait));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(name));  // a clean end removes the socket
  }

  void programServesSeveralRequestsOnOneConnection() {
    const QString name = env_->RuntimeDir() + "/pipelined";
    QProcess p;
    p.start(kProgram, {"--server", name});
    QVERIFY(p.waitForReadyRead(kWait));
    QLocalSocket socket;
    socket.connectToServer(name);
    QVERIFY(socket.waitForConnected(kWait));
    socket.write("EXCHANGE one\nQUERY\nPRESS-CANCEL\nEXCHANGE two\n");
    socket.flush();
    QByteArrayList replies;
    const QDeadlineTimer deadline(kWait);
    while (replies.size() < 4 && !deadline.hasExpired()) {
      if (socket.canReadLine())
        replies << socket.readLine().trimmed();
      else
        socket.waitForReadyRead(100);
    }
    QCOMPARE(replies, (QByteArrayList{"CANCEL 0", "STATE 0 one", "OK", "CANCEL 1"}));
    socket.write("CLOSE\n");
    socket.flush();
    QVERIFY(p.waitForFinished(kWait));
  }

  void programEndsWhenItsStarterGoesAway() {
    const QString name = env_->RuntimeDir() + "/orphan";
    QProcess p;
    p.start(kProgram, {"--server", name, "--watch-stdin"});
    QVERIFY(p.waitForReadyRead(kWait));
    QCOMPARE(Ask(name, "QUERY"), QByteArray("STATE 0 "));
    p.closeWriteChannel();  // what the starter's death does to the pipe
    QVERIFY(p.waitForFinished(kWait));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
  }

  void programRefusesANameInUse() {
    const QString name = env_->RuntimeDir() + "/taken";
    QProcess first;
    first.start(kProgram, {"--server", name});
    QVERIFY(first.waitForReadyRead(kWait));
    QProcess second;
    second.start(kProgram, {"--server", name});
    QVERIFY(second.waitForFinished(kWait));
    QCOMPARE(second.exitCode(), 1);
    QCOMPARE(Ask(name, "QUERY"), QByteArray("STATE 0 "));  // the first one still serves
    QCOMPARE(Ask(name, "CLOSE"), QByteArray("OK"));
    QVERIFY(first.waitForFinished(kWait));
  }

  void textEscapingRoundTrips() {
    for (const QString& text : {QString(), QString("plain"), QString("\\"), QString("\\n"), QString("a\r\nb"),
                                QString("trailing\\"), QString::fromUtf8("\xE2\x82\xAC \xF0\x9F\x98\x80")}) {
      const QByteArray escaped = pp::EscapeText(text);
      QVERIFY(!escaped.contains('\n'));
      QVERIFY(!escaped.contains('\r'));
      QCOMPARE(pp::UnescapeText(escaped), text);
    }
  }
};

QTEST_MAIN(FrmCancelTest)
#include "frm_cancel_qtest.moc"
