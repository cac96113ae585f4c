#pragma once
// One Dorvane per user. The first start holds a lock file in the private temporary folder and listens on a local
// socket beside it; a later start finds the lock taken, asks the first over that socket to come to the front, and
// ends. Both live in the private folder (mode 0700), so nobody else can take the lock or answer for Dorvane.
//
// The conversation: the later start sends "RAISE" and a line feed; the first brings its window forward and
// answers "OK" and a line feed.
#include <QLocalServer>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/error.h"

class QLocalSocket;
class QLockFile;
class QWidget;

namespace dv {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  static constexpr char kLockName[] = "dorvane.lock";
  static constexpr char kSocketName[] = "dorvane.raise";

  // `folder` is the private temporary folder; empty when there is none, and then every start runs.
  explicit SingleInstance(std::string folder, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Takes the lock (a stale lock of a crashed run is taken over). False only when another start holds it. When the
  // lock's place cannot be cleared there is no lock to take: true, and Problem() says why.
  bool Acquire();
  const std::optional<Error>& Problem() const { return problem_; }

  // The start that holds the lock answers later starts from now on by calling `raise`. False (and nothing
  // listens) without the lock or when the socket's place is not free.
  bool ListenForRaise(std::function<void()> raise);
  // A later start asks the running one to come to the front. True when it answered within `waitMs`; the event loop
  // runs meanwhile (without user input), so a first start in the same thread can answer.
  bool AskToRaise(int waitMs = 3000) const;

 private:
  QString PathOf(const char* name) const;
  void Serve(QLocalSocket* client);

  std::string folder_;
  std::unique_ptr<QLockFile> lock_;
  std::optional<Error> problem_;
  QLocalServer server_;
  std::function<void()> raise_;
};

// Brings a top-level window forward: no longer minimised (a maximised window stays maximised), raised and
// activated.
void BringToFront(QWidget* window);

}  // namespace dv
