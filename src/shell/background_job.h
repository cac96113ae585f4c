#pragma once
// A window's job on a worker thread. The window starts the job and goes back to its event loop, so it paints and
// Cancel acts at once even inside one long item. The job's listener writes the latest progress text from the
// worker; a 200 ms timer on the window's thread hands it to the progress program and asks whether the user
// cancelled. Cancel, Escape and the end of the window ask the job to stop through its stop callback (the engines'
// stop flags are atomics). While the job runs the user's input is dropped, except in a box the job asks, so
// nothing starts a second job or changes the controls under it.
//
// Everything that touches a widget runs on the window's thread: the worker reaches it through OnGuiThread, a
// blocking queued call. A window that ends while its worker waits for such a call answers it with nothing (the
// safe answer: No, Cancel) instead of deadlocking, then waits for the worker.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/error_handler.h"
#include "common/prompter.h"

namespace dv {

class frmCancel;

class BackgroundJob : public QObject {
  Q_OBJECT
 public:
  static constexpr int kIntervalMs = 200;

  // `cancel` (may be null) shows the progress; the caller opens it, the job closes it after `finished`.
  explicit BackgroundJob(frmCancel* cancel, QObject* parent = nullptr);
  // Stops a job still running and waits for its worker; `finished` does not run then.
  ~BackgroundJob() override;

  // What a stop request does (sets the engine's flags). Runs on this thread; may run more than once.
  void OnStop(std::function<void()> stop) { stop_ = std::move(stop); }
  // Runs `work` on a worker; once it returned, `finished` runs on this thread. Refused while a job runs.
  bool Start(std::function<void()> work, std::function<void()> finished);
  // From Start until `finished` has run.
  bool Running() const { return running_; }
  void RequestStop();
  // Asks the job to stop, answers the worker's pending calls with nothing and waits for it to end.
  void StopAndWait();

  // The latest progress text; called from the worker.
  void Progress(const std::string& text);
  std::string ProgressSnapshot() const;
  // One timer tick: the latest text to the progress program, then its cancel question.
  void Tick();

  // Runs `call` on the application's thread and waits for it; on that thread it simply runs. False when it did
  // not run because the job's window is ending (the caller keeps its default answer). A window may end while
  // `call` runs (its box open): the worker goes on then, so `call` owns what it touches (captures by value).
  static bool OnGuiThread(const std::function<void()>& call);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Mailbox;
  bool CallFromWorker(const std::function<void()>& call);
  void Finish();
  void EndRun();

  QPointer<frmCancel> cancel_;
  QTimer timer_;
  std::function<void()> stop_, finished_;
  std::shared_ptr<Mailbox> mailbox_;
  std::thread worker_;
  bool running_ = false;
  mutable std::mutex progressMutex_;
  std::string progress_;
};

// A Prompter whose questions, asked on any thread, are shown on the application's thread by `inner`.
class GuiThreadPrompter : public Prompter {
 public:
  explicit GuiThreadPrompter(Prompter& inner) : inner_(inner) {}
  void Message(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  Answer YesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;

 private:
  Prompter& inner_;
};

// ErrorHandler::ReportError on the application's thread. When the window is ending, a record for the log is still
// written (from the worker: the application's thread waits for it then).
void ReportOnGuiThread(ErrorHandler& errors, const Error& error, const std::string& location,
                       const std::string& otherInfo, long modeWord);
// A ResumeScope reporter for steps that run on a worker.
ResumeScope::OnError GuiReporting(ErrorHandler& errors, long modeWord);

}  // namespace dv
