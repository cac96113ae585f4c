#include "fileops_ui/file_ops_run.h"

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWindow>
#include <QWidget>

#include "common/error_handler.h"
#include "fileops_engine/cls_file_ops.h"
#include "shell/frm_cancel.h"

namespace dv {

namespace {

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

}  // namespace

FileOpsRun::FileOpsRun(clsFileOps& engine, frmCancel* cancel, ErrorHandler& errors, std::function<void()> completed,
                       std::function<Clock::time_point()> now)
    : engine_(engine), cancel_(cancel), errors_(errors), completed_(std::move(completed)), now_(std::move(now)) {
  engine_.Listener(this);
  qApp->installEventFilter(this);
}

FileOpsRun::~FileOpsRun() {
  qApp->removeEventFilter(this);
  engine_.Listener(nullptr);
}

bool FileOpsRun::Due(std::optional<Clock::time_point>& last) {
  const Clock::time_point now = now_();
  if (last && now - *last < kInterval) return false;
  last = now;
  return true;
}

long FileOpsRun::ItemsDone() const {
  // A preview only lists the items: one check each. A real run counts the items that came out done or failed:
  // an item may check many times (a macro's waits, a backup), so the checks would count far too many.
  if (engine_.PreviewOnly()) return items_;
  return engine_.SuccessCount() + engine_.FailureCount();
}

std::string FileOpsRun::ProgressText() const {
  // The count goes on the heading line: what follows the first line break is a path, shortened to fit.
  // No clock here: the progress window shows the time itself.
  if (!processing_) return engineText_;
  const size_t br = engineText_.find_first_of("\r\n");
  std::string heading = engineText_.substr(0, br);
  while (!heading.empty() && heading.back() == ' ') heading.pop_back();
  if (!heading.empty()) heading += " - ";
  heading += "Items done: " + std::to_string(ItemsDone());
  return br == std::string::npos ? heading : heading + engineText_.substr(br);
}

void FileOpsRun::evtCFOUpdateProgress(const std::string& strProgress) {
  // The items are worked through once the engine says so.
  if (strProgress.rfind("Processing Operation", 0) == 0) processing_ = true;
  engineText_ = strProgress;
  if (cancel_ && Due(lastProgress_)) cancel_->UpdateProgressBox(QString::fromStdString(ProgressText()));
}

void FileOpsRun::evtCFOCheckForClosing() {
  // The engine checks once before the items and once at the start of each.
  if (processing_ && checkedBeforeItems_) ++items_;
  checkedBeforeItems_ = checkedBeforeItems_ || processing_;
  if (!Due(lastCheck_)) return;
  // The window repaints and sees Escape; other input waits for no one (see eventFilter).
  QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
  if (cancel_) {
    // The check carries the latest text to the program, so what it shows is current.
    cancel_->UpdateProgressBox(QString::fromStdString(ProgressText()));
    lastProgress_ = lastCheck_;
    if (cancel_->CloseMeCheck()) Stop();
  }
  if (escape_) Stop();
}

void FileOpsRun::Stop() {
  engine_.StopProcessing(true);
  engine_.scFileOperations().ClosingDown(true);
}

void FileOpsRun::evtCFOExternalPassError(const Error& passedError, const std::string& strLoc, long cfoErrType,
                                         const std::string& strOtherInfo) {
  errorsThisRun_ = true;
  long modeWord;
  if (cfoErrType == 1 || cfoErrType == 2) modeWord = mode::MessageAndReport;
  else if (cfoErrType == 3 || cfoErrType == 4) modeWord = mode::Log;
  else return;
  errors_.ReportError(passedError, strLoc, strOtherInfo, modeWord);
}

void FileOpsRun::cfoCompletedProcessing() {
  if (completed_) completed_();
}

bool FileOpsRun::eventFilter(QObject* watched, QEvent* event) {
  if (!IsInput(event->type())) return false;
  // A question asked during the run is answered as usual.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    if (watched == modal->windowHandle()) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && (w == modal || modal->isAncestorOf(w))) return false;
  }
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) escape_ = true;
  return true;
}

}  // namespace dv
