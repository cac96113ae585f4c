#include "progress/progress_server.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPushButton>
#include <QTimer>

#include "ui_common/progress_protocol.h"
#include "progress/progress_window.h"

namespace dv::progress {

ProgressServer::ProgressServer(ProgressWindow& window, QObject* parent) : QObject(parent), window_(window) {
  connect(&server_, &QLocalServer::newConnection, this, &ProgressServer::Accept);
}

bool ProgressServer::Listen(const QString& name, QString* why) {
  // With the access option Qt renames its socket into place, which would silently take over a name in use.
  const QString path = QDir::isAbsolutePath(name) ? name : QDir::tempPath() + '/' + name;
  if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
    if (why) *why = QStringLiteral("the name is in use");
    return false;
  }
  // Dorvane puts the name in its private folder; the option also protects a name that lands in a shared one.
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (server_.listen(name)) return true;
  if (why) *why = server_.errorString();
  return false;
}

void ProgressServer::Accept() {
  while (QLocalSocket* client = server_.nextPendingConnection()) {
    connect(client, &QLocalSocket::readyRead, this, [this, client] { Serve(client); });
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    // Requests may have arrived with the connection.
    Serve(client);
  }
}

void ProgressServer::Serve(QLocalSocket* client) {
  while (client->canReadLine()) {
    QByteArray line = client->readLine();
    line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    const bool close = line == kClose;
    QByteArray reply = Handle(line);
    reply += '\n';
    client->write(reply);
    client->flush();
    if (close) {
      // After the reply is out, so the caller learns that its request arrived.
      QTimer::singleShot(0, &window_, &ProgressWindow::CloseForGood);
      return;
    }
  }
  if (client->bytesAvailable() > kMaxLineBytes) client->abort();
}

QByteArray ProgressServer::Handle(QByteArrayView line) {
  const Line request = SplitLine(line);
  if (request.word == kExchange) {
    // The state from before this text is shown: Dorvane asks first and sends second, as one request.
    const QString state = window_.CancelState();
    window_.SetProgressText(UnescapeText(request.rest));
    if (state == QLatin1String("1")) QTimer::singleShot(0, &window_, &ProgressWindow::CancelDelivered);
    return kCancelReply.toByteArray() + ' ' + state.toLatin1();
  }
  if (line == kQuery)
    return kStateReply.toByteArray() + ' ' + window_.CancelState().toLatin1() + ' ' +
           EscapeText(window_.ProgressText());
  if (line == kPressCancel) {
    // The real button, so the test path and the user's path are one.
    window_.CancelButton()->click();
    return kOkReply.toByteArray();
  }
  if (line == kCloseWindow) {
    // At once, so that a request after this one already meets the closed (or hidden) window.
    window_.close();
    return kOkReply.toByteArray();
  }
  if (line == kStepAside || line == kComeBack) {
    window_.StepAside(line == kStepAside);
    return kOkReply.toByteArray();
  }
  if (line == kClose) return kOkReply.toByteArray();
  return kErrorReply.toByteArray() + " unknown request";
}

}  // namespace dv::progress
