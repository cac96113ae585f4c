#pragma once
// The engine's events during one run of the file operations window, answered on the job's worker: the progress
// text with the count of items done in this run (the progress program shows the time itself) goes to the job's
// snapshot, which its timer hands on; errors reach the error handler on the window's thread; the completion is
// noted for the window, which takes the results once the job has finished. Cancel and Escape stop the run
// through Stop, on the window's thread.
#include <atomic>
#include <string>

#include "fileops_engine/fileops_listener.h"

namespace dv {

class BackgroundJob;
class clsFileOps;
class ErrorHandler;

class FileOpsRun : public FileOpsListener {
 public:
  // Installed on `engine` and as `job`'s stop for the lifetime of the object.
  FileOpsRun(clsFileOps& engine, BackgroundJob& job, ErrorHandler& errors);
  ~FileOpsRun() override;
  FileOpsRun(const FileOpsRun&) = delete;
  FileOpsRun& operator=(const FileOpsRun&) = delete;

  void evtCFOUpdateProgress(const std::string& strProgress) override;
  void evtCFOCheckForClosing() override;
  void evtCFOExternalPassError(const Error& passedError, const std::string& strLoc, long cfoErrType,
                               const std::string& strOtherInfo) override;
  void cfoCompletedProcessing() override;

  // Sets the engine's stop flags (any thread: they are atomics).
  void Stop();
  bool ErrorsThisRun() const { return errorsThisRun_; }
  // The engine raised its completion event: the results file is written.
  bool Completed() const { return completed_; }
  long ItemsDone() const;
  // The progress text as it is sent: the engine's text with the count on its first line.
  std::string ProgressText() const;

 private:
  clsFileOps& engine_;
  BackgroundJob& job_;
  ErrorHandler& errors_;
  std::string engineText_;
  bool processing_ = false;  // the gathered items are being worked through
  long items_ = 0;  // items previewed
  bool checkedBeforeItems_ = false;
  std::atomic<bool> errorsThisRun_ = false;
  std::atomic<bool> completed_ = false;
};

}  // namespace dv
