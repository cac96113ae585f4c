#include "shell/frm_cancel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>

#include "common/error_handler.h"
#include "platform/error.h"
#include "platform/temp_folder.h"
#include "ui_common/progress_protocol.h"

namespace dv {

namespace {

// A Unix socket path must fit in sockaddr_un (108 bytes with its terminator); keep a margin for the suffix.
constexpr qsizetype kMaxSocketPathBytes = 100;

[[noreturn]] void Fail(const QString& description) { throw Error(err::Application, description.toStdString()); }

QByteArray RequestLine(QByteArrayView word, const QByteArray& argument = {}) {
  QByteArray line = word.toByteArray();
  if (!argument.isNull()) line += ' ' + argument;
  return line + '\n';
}

}  // namespace

QString frmCancel::DefaultProgramPath() {
  return QCoreApplication::applicationDirPath() + '/' + QString::fromLatin1(progress::kProgramName);
}

frmCancel::frmCancel(ErrorHandler& errors, QString programPath, QWidget* parent)
    : QWidget(parent, Qt::Window), errors_(errors), programPath_(std::move(programPath)) {
  setObjectName("frmCancel");
  setWindowTitle("HiddenCancel");
  txtDDE = new QLineEdit(this);
  txtDDE->setObjectName("txtDDE");
  txtDDEProgress = new QLineEdit(this);
  txtDDEProgress->setObjectName("txtDDEProgress");
  txtDDEProgress->setMaxLength(int(progress::kMaxProgressChars));
  // The process id tells runs apart, the random part makes the name impossible to guess in advance.
  nameBase_ = QStringLiteral("VOR-%1-%2")
                  .arg(QCoreApplication::applicationPid())
                  .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
}

frmCancel::~frmCancel() {
  // Nobody is left to tell about a failure here; the attempt to end the program is what matters.
  try {
    StopProgram();
  } catch (...) {
  }
}

QString frmCancel::NextServerName() {
  const QString leaf = nameBase_ + '-' + QString::number(++starts_);
  // The private folder (mode 0700) keeps everyone else away from the socket. When it cannot be had, a bare name
  // lands in the system temporary folder, where the program's user-only access option still protects it.
  try {
    const QString path = QString::fromStdString(PrivateTempFolder()) + '/' + leaf;
    if (path.toLocal8Bit().size() <= kMaxSocketPathBytes) return path;
  } catch (const Error&) {
  }
  return "dorvane-" + leaf;
}

bool frmCancel::ProgressRunning() {
  if (!process_) return false;
  // The end of the process is noticed here, not by a notifier: a check must know it at once.
  if (process_->state() != QProcess::NotRunning) process_->waitForFinished(0);
  return process_->state() != QProcess::NotRunning;
}

qint64 frmCancel::ProgressProcessId() { return ProgressRunning() ? process_->processId() : 0; }

void frmCancel::StartProgram() {
  const QFileInfo program(programPath_);
  if (!program.exists())
    throw Error(err::FileNotFound, "File not found: " + programPath_.toStdString());
  if (!program.isFile() || !program.isExecutable())
    throw Error(err::PermissionDenied, "Permission denied: " + programPath_.toStdString());

  serverName_ = NextServerName();
  process_ = new QProcess(this);
  process_->setProgram(programPath_);
  process_->setArguments({"--" + QString::fromLatin1(progress::kServerOption), serverName_,
                          "--" + QString::fromLatin1(progress::kWatchStdinOption)});
  // Its messages go straight to our standard error: a pipe that nobody reads during a task could fill and stall it.
  process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // Standard input stays an open pipe that we never write: it ends only when we do (see --watch-stdin).
  process_->start(QIODevice::ReadWrite);
  if (!process_->waitForStarted(kReadyWaitMs)) {
    const QString why = process_->errorString();
    delete process_;
    process_ = nullptr;
    throw Error(err::ComponentMissing,
                "The progress program " + programPath_.toStdString() + " could not be started: " + why.toStdString());
  }
}

void frmCancel::WaitUntilReady() {
  const QDeadlineTimer deadline(kReadyWaitMs);
  for (;;) {
    while (process_->canReadLine())
      if (process_->readLine().trimmed() == progress::kReady) return;
    if (process_->state() == QProcess::NotRunning)
      Fail(QStringLiteral("The progress program %1 ended as it started (exit code %2)")
               .arg(programPath_)
               .arg(process_->exitCode()));
    // A slow start is no failure: the checks reach the program once it listens.
    if (deadline.hasExpired()) return;
    process_->waitForReadyRead(50);
  }
}

QByteArray frmCancel::Request(const QByteArray& line) {
  if (!socket_) socket_ = new QLocalSocket(this);
  if (socket_->state() != QLocalSocket::ConnectedState) {
    socket_->abort();
    socket_->connectToServer(serverName_);
    if (!socket_->waitForConnected(exchangeWaitMs_))
      Fail("No connection to the progress program: " + socket_->errorString());
  }
  socket_->write(line);
  socket_->flush();
  const QDeadlineTimer deadline(exchangeWaitMs_);
  while (!socket_->canReadLine()) {
    if (deadline.hasExpired() || !socket_->waitForReadyRead(int(deadline.remainingTime()))) {
      // A late reply must not be taken for the answer to the next request.
      socket_->abort();
      Fail(QStringLiteral("The progress program did not answer"));
    }
  }
  return socket_->readLine().trimmed();
}

void frmCancel::Exchange() {
  const QString text = txtDDEProgress->text().left(progress::kMaxProgressChars);
  const QByteArray reply = Request(RequestLine(progress::kExchange, progress::EscapeText(text)));
  const progress::Line line = progress::SplitLine(reply);
  if (line.word != progress::kCancelReply) {
    socket_->abort();
    Fail("Unexpected answer from the progress program: " + QString::fromUtf8(reply));
  }
  txtDDE->setText(QString::fromUtf8(line.rest));
}

void frmCancel::StepAside(bool aside) {
  try {
    // The reply is awaited so that the window is gone before the box appears.
    if (ProgressRunning()) Request(RequestLine(aside ? progress::kStepAside : progress::kComeBack));
  } catch (...) {
  }
}

void frmCancel::StopProgram() {
  if (ProgressRunning()) {
    // Asked first, so the program ends by its own rules; forced only when it does not.
    if (!socket_) socket_ = new QLocalSocket(this);
    if (socket_->state() != QLocalSocket::ConnectedState) {
      socket_->abort();
      socket_->connectToServer(serverName_);
      socket_->waitForConnected(exchangeWaitMs_);
    }
    if (socket_->state() == QLocalSocket::ConnectedState) {
      socket_->write(RequestLine(progress::kClose));
      socket_->waitForBytesWritten(exchangeWaitMs_);
    }
    if (!process_->waitForFinished(kCloseWaitMs) && ProgressRunning()) {
      // Only ever the process this window started itself.
      process_->terminate();
      if (!process_->waitForFinished(kCloseWaitMs) && ProgressRunning()) {
        process_->kill();
        process_->waitForFinished(kCloseWaitMs);
      }
    }
  }
  if (socket_) socket_->abort();
  if (!process_) return;
  if (ProgressRunning())
    Fail(QStringLiteral("The progress program (process %1) did not end").arg(process_->processId()));
  delete process_;
  process_ = nullptr;
  // A program that was killed could not remove its socket file.
  QLocalServer::removeServer(serverName_);
}

void frmCancel::Open(const ResumeScope::OnError& onError) {
  ResumeScope scope(onError, "FC:4");
  scope.Step([&] { txtDDEProgress->clear(); });
  scope.Step([&] { txtDDE->setText("0"); });
  // An earlier start still running would show a second window and could still hold an old "1".
  scope.Step([&] { StopProgram(); });
  scope.Step([&] { StartProgram(); });
  scope.Step([&] {
    if (process_) WaitUntilReady();
  });
}

void frmCancel::OpenExternalApp() {
  Open(errors_.Reporting(mode::MessageAndReport));
}

void frmCancel::CloseExternalApp() {
  ResumeScope scope(errors_.Reporting(mode::MessageAndReport), "FC:2");
  scope.Step([&] { StopProgram(); });
}

bool frmCancel::CloseMeCheck() {
  try {
    if (!ProgressRunning()) {
      // Gone (closed by the user or killed): start it again; only Cancel in the progress program cancels.
      Open([](const Error&, const std::string&) {});
      return false;
    }
    Exchange();
  } catch (...) {
    // Checks fail silently; the answer is the last cancel state the program gave.
  }
  return txtDDE->text() == QLatin1String("1");
}

void frmCancel::UpdateProgressBox(const QString& progressText) {
  // The text goes out with the next check: the job's timer makes both, one after the other.
  txtDDEProgress->setText(progressText);
}

}  // namespace dv
