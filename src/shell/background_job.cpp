#include "shell/background_job.h"

#include <QApplication>
#include <QKeyEvent>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <condition_variable>
#include <utility>

#include "shell/frm_cancel.h"

namespace dv {

// The worker's calls waiting for the application's thread. Shared with the calls in flight, so that a call that
// runs after its job is gone touches nothing of it.
struct BackgroundJob::Mailbox {
  std::mutex mutex;
  std::condition_variable answered;
  bool abandoned = false;  // the window is ending: no call runs any more, waiting ones return
  bool serving = false;    // a call runs on the application's thread (touched there only)
};

namespace {

// The job whose worker this thread is.
thread_local BackgroundJob* tlJob = nullptr;

bool IsInput(QEvent::Type t) {
  switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
      return true;
    default:
      return false;
  }
}

bool OnAppThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

}  // namespace

BackgroundJob::BackgroundJob(frmCancel* cancel, QObject* parent) : QObject(parent), cancel_(cancel) {
  timer_.setInterval(kIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &BackgroundJob::Tick);
}

BackgroundJob::~BackgroundJob() { StopAndWait(); }

bool BackgroundJob::Start(std::function<void()> work, std::function<void()> finished) {
  if (running_) return false;
  running_ = true;
  finished_ = std::move(finished);
  mailbox_ = std::make_shared<Mailbox>();
  {
    const std::lock_guard lock(progressMutex_);
    progress_.clear();
  }
  qApp->installEventFilter(this);
  timer_.start();
  try {
    worker_ = std::thread([this, work = std::move(work)] {
      tlJob = this;
      // The work reports its own failures (GuiReporting); nothing may leave a thread.
      try {
        work();
      } catch (...) {
      }
      tlJob = nullptr;
      // Dropped with the job when it is destroyed first (it waits for this thread then).
      QMetaObject::invokeMethod(this, &BackgroundJob::Finish, Qt::QueuedConnection);
    });
  } catch (...) {
    // No thread to be had: the window takes its input back and hears why.
    timer_.stop();
    qApp->removeEventFilter(this);
    running_ = false;
    throw;
  }
  return true;
}

void BackgroundJob::RequestStop() {
  if (running_ && stop_) stop_();
}

void BackgroundJob::EndRun() {
  worker_.join();
  timer_.stop();
  qApp->removeEventFilter(this);
  running_ = false;
}

void BackgroundJob::Finish() {
  if (!worker_.joinable()) return;
  EndRun();
  // The progress window is left with the last text while the window takes the results.
  if (cancel_) cancel_->UpdateProgressBox(QString::fromStdString(ProgressSnapshot()));
  if (finished_) std::exchange(finished_, nullptr)();
  // Unless the finished work started the next job, whose progress this is.
  if (cancel_ && !running_) cancel_->CloseExternalApp();
}

void BackgroundJob::StopAndWait() {
  if (!worker_.joinable()) return;
  RequestStop();
  {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->abandoned = true;
  }
  mailbox_->answered.notify_all();
  EndRun();
  finished_ = nullptr;
  if (cancel_) cancel_->CloseExternalApp();
}

void BackgroundJob::Progress(const std::string& text) {
  const std::lock_guard lock(progressMutex_);
  progress_ = text;
}

std::string BackgroundJob::ProgressSnapshot() const {
  const std::lock_guard lock(progressMutex_);
  return progress_;
}

void BackgroundJob::Tick() {
  // While the worker's box is open the job waits for the user, and the progress window steps aside for it.
  if (!cancel_ || (mailbox_ && mailbox_->serving)) return;
  cancel_->UpdateProgressBox(QString::fromStdString(ProgressSnapshot()));
  if (cancel_->CloseMeCheck()) RequestStop();
}

bool BackgroundJob::OnGuiThread(const std::function<void()>& call) {
  if (OnAppThread()) {
    call();
    return true;
  }
  if (tlJob) return tlJob->CallFromWorker(call);
  QMetaObject::invokeMethod(QCoreApplication::instance(), call, Qt::BlockingQueuedConnection);
  return true;
}

bool BackgroundJob::CallFromWorker(const std::function<void()>& call) {
  const std::shared_ptr<Mailbox> box = mailbox_;
  const auto done = std::make_shared<bool>(false);  // guarded by box->mutex
  {
    const std::lock_guard lock(box->mutex);
    if (box->abandoned) return false;
  }
  // Posted to the application, not to this job: a window that ends inside the call takes the job with it.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [box, done, call] {
        {
          const std::lock_guard lock(box->mutex);
          if (box->abandoned) return;
        }
        box->serving = true;
        // A call's own failure is the caller's default answer; it must not end the waiting worker's wait unseen.
        try {
          call();
        } catch (...) {
        }
        box->serving = false;
        const std::lock_guard lock(box->mutex);
        *done = true;
        box->answered.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(box->mutex);
  box->answered.wait(lock, [&] { return *done || box->abandoned; });
  return *done;
}

bool BackgroundJob::eventFilter(QObject* watched, QEvent* event) {
  if (!IsInput(event->type())) return false;
  // A question asked during the run is answered as usual.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    if (watched == modal->windowHandle()) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && (w == modal || modal->isAncestorOf(w))) return false;
  }
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) RequestStop();
  return true;
}

// Each call owns its texts and its answer: a window that ends while its box is open lets the worker go on, and
// the box's answer then lands in the call, not in the worker's finished frame.
template <class T, class Ask>
T AskOnGuiThread(T fallback, Ask ask) {
  const auto answer = std::make_shared<T>(std::move(fallback));
  BackgroundJob::OnGuiThread([answer, ask] { *answer = ask(); });
  return *answer;
}

void GuiThreadPrompter::Message(const std::string& text, const std::string& title) {
  AskOnGuiThread(true, [&inner = inner_, text, title] {
    inner.Message(text, title);
    return true;
  });
}

bool GuiThreadPrompter::YesNo(const std::string& text, const std::string& title) {
  return AskOnGuiThread(false, [&inner = inner_, text, title] { return inner.YesNo(text, title); });
}

Answer GuiThreadPrompter::YesNoCancel(const std::string& text, const std::string& title) {
  return AskOnGuiThread(Answer::Cancel, [&inner = inner_, text, title] { return inner.YesNoCancel(text, title); });
}

std::optional<std::string> GuiThreadPrompter::Input(const std::string& prompt, const std::string& title,
                                                    const std::string& defaultText) {
  return AskOnGuiThread(std::optional<std::string>(), [&inner = inner_, prompt, title, defaultText] {
    return inner.Input(prompt, title, defaultText);
  });
}

void ReportOnGuiThread(ErrorHandler& errors, const Error& error, const std::string& location,
                       const std::string& otherInfo, long modeWord) {
  const bool shown = BackgroundJob::OnGuiThread([&errors, error, location, otherInfo, modeWord] {
    long m = modeWord;
    errors.ReportError(error, location, otherInfo, m);
  });
  if (!shown && (modeWord & mode::Log)) {
    long logOnly = mode::Log;
    errors.ReportError(error, location, otherInfo, logOnly);
  }
}

ResumeScope::OnError GuiReporting(ErrorHandler& errors, long modeWord) {
  return [&errors, modeWord](const Error& e, const std::string& location) {
    ReportOnGuiThread(errors, e, location, {}, modeWord);
  };
}

}  // namespace dv
