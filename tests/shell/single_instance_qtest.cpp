// One Dorvane per user: two SingleInstance objects in one process stand for two starts against a scratch private
// folder. The later start is refused and brings the first forward; leftovers of a crashed run at the socket's place
// do not stop the next run; strangers' requests raise nothing. The real program is checked in tests/e2e.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "shell/single_instance.h"

namespace {

// Leaves a socket file behind as a killed program does.
bool LeaveDeadSocket(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  if (fd < 0 || name.size() >= qsizetype(sizeof addr.sun_path)) return false;
  std::memcpy(addr.sun_path, name.constData(), name.size());
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return bound;
}

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

  QTemporaryDir scratch_;
  std::string folder_;

  QString At(const char* name) const { return QString::fromStdString(folder_) + '/' + name; }

 private slots:
  void init() {
    QVERIFY(scratch_.isValid());
    const QString folder = scratch_.path() + "/run-" + QTest::currentTestFunction();
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    folder_ = folder.toStdString();
  }

  void laterStartIsRefusedAndBringsTheFirstForward() {
    int raised = 0;
    {
      dv::SingleInstance first(folder_);
      QVERIFY(first.Acquire());
      QVERIFY(first.ListenForRaise([&] { ++raised; }));
      QVERIFY(!first.Problem());

      dv::SingleInstance second(folder_);
      QVERIFY(!second.Acquire());
      QVERIFY(!second.ListenForRaise([] { QFAIL("not the lock's holder"); }));
      QVERIFY(second.AskToRaise());
      QVERIFY(second.AskToRaise());
      QCOMPARE(raised, 2);
    }
    // The first has ended: the next start runs, and nobody answers for the one that is gone.
    dv::SingleInstance next(folder_);
    QVERIFY(next.AskToRaise(200) == false);
    QVERIFY(next.Acquire());
  }

  void leftoversAtTheSocketPlaceDoNotStopTheNextRun_data() {
    QTest::addColumn<QString>("leftover");
    for (const char* kind : {"socket", "file", "folder", "link"}) QTest::newRow(kind) << QString(kind);
  }
  void leftoversAtTheSocketPlaceDoNotStopTheNextRun() {
    QFETCH(QString, leftover);
    const QString path = At(dv::SingleInstance::kSocketName);
    const QString outside = scratch_.path() + "/outside-" + leftover;
    QVERIFY(QDir().mkpath(outside));
    if (leftover == "socket") QVERIFY(LeaveDeadSocket(path));
    if (leftover == "file") {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    if (leftover == "folder") QVERIFY(QDir().mkpath(path + "/inner"));
    if (leftover == "link") QVERIFY(QFile::link(outside, path));

    int raised = 0;
    dv::SingleInstance first(folder_);
    QVERIFY(first.Acquire());
    QVERIFY(first.ListenForRaise([&] { ++raised; }));
    QVERIFY(dv::SingleInstance(folder_).AskToRaise());
    QCOMPARE(raised, 1);
    QVERIFY(QFileInfo(outside).isDir());  // a link is removed, never followed
  }

  void strangeRequestsRaiseNothing() {
    int raised = 0;
    dv::SingleInstance first(folder_);
    QVERIFY(first.Acquire());
    QVERIFY(first.ListenForRaise([&] { ++raised; }));
    QLocalSocket stranger;
    stranger.connectToServer(At(dv::SingleInstance::kSocketName));
    QVERIFY(stranger.waitForConnected(5000));
    stranger.write("SHUTDOWN\n");
    stranger.flush();
    QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(raised, 0);
  }

  void withoutAPrivateFolderEveryStartRuns() {
    dv::SingleInstance first(""), second("");
    QVERIFY(first.Acquire());
    QVERIFY(second.Acquire());
    QVERIFY(!first.ListenForRaise([] {}));
    QVERIFY(!second.AskToRaise(200));
  }

  void bringToFrontUndoesMinimisingOnly() {
    QWidget window;
    window.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setWindowState(window.windowState() | Qt::WindowMinimized);
    dv::BringToFront(&window);
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isMaximized());
    QVERIFY(window.isVisible());
  }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_qtest.moc"
