#include "fileops_ui/file_ops_run.h"

#include "common/error_handler.h"
#include "fileops_engine/cls_file_ops.h"
#include "shell/background_job.h"

namespace dv {

FileOpsRun::FileOpsRun(clsFileOps& engine, BackgroundJob& job, ErrorHandler& errors)
    : engine_(engine), job_(job), errors_(errors) {
  engine_.Listener(this);
  job_.OnStop([this] { Stop(); });
}

FileOpsRun::~FileOpsRun() {
  job_.OnStop(nullptr);
  engine_.Listener(nullptr);
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
  job_.Progress(ProgressText());
}

void FileOpsRun::evtCFOCheckForClosing() {
  // The engine checks once before the items and once at the start of each. Its stop flag is set from the
  // window's thread, so there is nothing to ask here: only the count moves on.
  if (processing_ && checkedBeforeItems_) ++items_;
  checkedBeforeItems_ = checkedBeforeItems_ || processing_;
  if (processing_) job_.Progress(ProgressText());
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
  ReportOnGuiThread(errors_, passedError, strLoc, strOtherInfo, modeWord);
}

void FileOpsRun::cfoCompletedProcessing() { completed_ = true; }

}  // namespace dv
