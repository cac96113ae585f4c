#pragma once
// The progress program's side of the conversation with Dorvane (requests in ui_common/progress_protocol.h). It only ever
// answers; it never pushes anything to Dorvane.
#include <QByteArray>
#include <QByteArrayView>
#include <QLocalServer>
#include <QObject>
#include <QString>

class QLocalSocket;

namespace dv::progress {

class ProgressWindow;

class ProgressServer : public QObject {
  Q_OBJECT
 public:
  explicit ProgressServer(ProgressWindow& window, QObject* parent = nullptr);

  // Listens on `name` (a socket path). False with a reason when that is impossible.
  bool Listen(const QString& name, QString* why);

  // The reply line (without its line feed) for one request line; public so the rules can be read in one place.
  QByteArray Handle(QByteArrayView line);

 private:
  void Accept();
  void Serve(QLocalSocket* client);

  ProgressWindow& window_;
  QLocalServer server_;
};

}  // namespace dv::progress
