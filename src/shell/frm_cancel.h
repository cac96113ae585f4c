#pragma once
// frmCancel: Dorvane's side of the progress program. Progress display and Cancel live in a separate program,
// VORizivuzuvi, that this hidden window starts, feeds with the latest progress text (a job's timer does, see
// background_job.h), asks whether the user pressed Cancel, and closes again. The two talk over a local socket
// whose name belongs to one start of the program (docs/progress.md).
#include <QString>
#include <QWidget>

#include "common/resume_scope.h"

class QLineEdit;
class QLocalSocket;
class QProcess;

namespace dv {

class ErrorHandler;

class frmCancel : public QWidget {
  Q_OBJECT
 public:
  // VORizivuzuvi beside the running executable.
  static QString DefaultProgramPath();

  explicit frmCancel(ErrorHandler& errors, QString programPath = DefaultProgramPath(), QWidget* parent = nullptr);
  ~frmCancel() override;  // ends a progress program still running, silently

  // "0" after a start, "1" once the user cancelled.
  QLineEdit* txtDDE;
  // The latest progress text; it reaches the progress program at the next check.
  QLineEdit* txtDDEProgress;

  // Starts the progress program for a task (ending one this window started before, if it still runs).
  void OpenExternalApp();
  // Ends the progress program this window started; nothing happens when none runs.
  void CloseExternalApp();
  // True when the user asked to cancel. Restarts a progress program that is gone (and answers false then).
  // Virtual, as UpdateProgressBox, so that tests can count what a task sends.
  virtual bool CloseMeCheck();
  virtual void UpdateProgressBox(const QString& progressText);
  // While a box asks the user something the progress window steps aside (it stays on top of everything and would
  // hide the box); afterwards it comes back. Silent, as the checks are: a box must open whatever happens here.
  void StepAside(bool aside);

  const QString& ProgramPath() const { return programPath_; }
  // The socket name of the current start; empty before the first start.
  const QString& ServerName() const { return serverName_; }
  // Whether the progress program of the current start still runs, and its process id (0 when none).
  bool ProgressRunning();
  qint64 ProgressProcessId();

  // How long one step may wait on the progress program.
  static constexpr int kReadyWaitMs = 5000;
  static constexpr int kCloseWaitMs = 3000;
  // The wait for a connection and for a reply during a check: short, because a task waits with it. Tests on
  // loaded machines raise it so that their outcome does not depend on the machine's speed.
  int ExchangeWaitMs() const { return exchangeWaitMs_; }
  void ExchangeWaitMs(int ms) { exchangeWaitMs_ = ms; }

 private:
  void Open(const ResumeScope::OnError& onError);
  void StartProgram();
  void WaitUntilReady();
  void Exchange();
  // Sends one request line and answers the reply line (without its line feed).
  QByteArray Request(const QByteArray& line);
  void StopProgram();
  QString NextServerName();

  ErrorHandler& errors_;
  QString programPath_;
  QString nameBase_;
  int starts_ = 0;
  int exchangeWaitMs_ = 1000;
  QString serverName_;
  QProcess* process_ = nullptr;
  QLocalSocket* socket_ = nullptr;
};

}  // namespace dv
