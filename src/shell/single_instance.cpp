#include "shell/single_instance.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "platform/temp_folder.h"

namespace dv {

namespace {

constexpr QByteArrayView kRaise = "RAISE\n";
constexpr QByteArrayView kOk = "OK\n";
// A request is one short line; anything longer is not from a Dorvane.
constexpr qint64 kMaxRequestBytes = 64;

}  // namespace

SingleInstance::SingleInstance(std::string folder, QObject* parent) : QObject(parent), folder_(std::move(folder)) {
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      connect(client, &QLocalSocket::readyRead, this, [this, client] { Serve(client); });
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      Serve(client);
    }
  });
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::PathOf(const char* name) const {
  return QString::fromStdString(folder_) + '/' + QLatin1String(name);
}

bool SingleInstance::Acquire() {
  if (folder_.empty()) return true;
  // QLockFile can never take a lock where a folder, a link or a FIFO stands, so that is cleared first: nothing but
  // Dorvane writes in that folder.
  try {
    ClearLockPath(folder_, kLockName);
  } catch (const Error& e) {
    problem_ = e;
    return true;
  }
  lock_ = std::make_unique<QLockFile>(PathOf(kLockName));
  return lock_->tryLock(0);
}

bool SingleInstance::ListenForRaise(std::function<void()> raise) {
  if (!lock_ || !lock_->isLocked() || server_.isListening()) return false;
  // Only the lock's holder listens, so whatever stands at the socket's place is left over from a run that ended
  // without cleaning up. Anything that is still there after clearing is not taken over: Qt would rename its own
  // socket onto it.
  const QString path = PathOf(kSocketName);
  try {
    ClearLockPath(folder_, kSocketName);
  } catch (const Error&) {
    return false;
  }
  QFile::remove(path);  // a regular file, which ClearLockPath leaves
  if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) return false;
  raise_ = std::move(raise);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(path);
}

void SingleInstance::Serve(QLocalSocket* client) {
  while (client->canReadLine()) {
    const QByteArray line = client->readLine();
    if (line != kRaise) {
      client->abort();
      return;
    }
    if (raise_) raise_();
    client->write(kOk.toByteArray());
    client->flush();
  }
  if (client->bytesAvailable() > kMaxRequestBytes) client->abort();
}

bool SingleInstance::AskToRaise(int waitMs) const {
  if (folder_.empty()) return false;
  QLocalSocket socket;
  QEventLoop loop;
  QObject::connect(&socket, &QLocalSocket::connected, &loop, [&socket] {
    socket.write(kRaise.toByteArray());
    socket.flush();
  });
  QObject::connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
    if (socket.canReadLine()) loop.quit();
  });
  QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
  QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
  QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
  socket.connectToServer(PathOf(kSocketName));
  if (socket.state() != QLocalSocket::UnconnectedState && !socket.canReadLine())
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  return socket.canReadLine() && socket.readLine() == kOk;
}

void BringToFront(QWidget* window) {
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
  // The window manager's activation request, also for a window that Qt already counts as active.
  if (QWindow* handle = window->windowHandle()) handle->requestActivate();
}

}  // namespace dv
