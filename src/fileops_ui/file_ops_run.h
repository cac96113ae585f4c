#pragma once
// One run of the file operations engine from the window: the engine's events answered while ProcessOperation
// runs. Progress goes to the progress program with the count of items done in this run (the program shows the
// time itself); the cancel
// question goes to it too, and both at most every 200 ms (each costs a pass of the event loop and a round trip
// to the program, far more than one item). At the same moments the window's own events run, so it repaints and
// Escape stops the run; any other input to the window is dropped while the run lasts, so nothing can start a
// second run or change the controls under it. A question the engine asks (a modal box) gets its input as usual.
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "fileops_engine/fileops_listener.h"

namespace dv {

class clsFileOps;
class frmCancel;
class ErrorHandler;

class FileOpsRun : public QObject, public FileOpsListener {
  Q_OBJECT
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterval{200};

  // Installed on `engine` for the lifetime of the object; `completed` runs at the engine's completion event.
  FileOpsRun(clsFileOps& engine, frmCancel* cancel, ErrorHandler& errors, std::function<void()> completed,
             std::function<Clock::time_point()> now = Clock::now);
  ~FileOpsRun() override;

  void evtCFOUpdateProgress(const std::string& strProgress) override;
  void evtCFOCheckForClosing() override;
  void evtCFOExternalPassError(const Error& passedError, const std::string& strLoc, long cfoErrType,
                               const std::string& strOtherInfo) override;
  void cfoCompletedProcessing() override;

  bool ErrorsThisRun() const { return errorsThisRun_; }
  long ItemsDone() const;
  // The progress text as it is sent: the engine's text with the count on its first line.
  std::string ProgressText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Due(std::optional<Clock::time_point>& last);
  void Stop();

  clsFileOps& engine_;
  frmCancel* cancel_;
  ErrorHandler& errors_;
  std::function<void()> completed_;
  std::function<Clock::time_point()> now_;
  std::optional<Clock::time_point> lastProgress_, lastCheck_;
  std::string engineText_;
  bool processing_ = false;  // the gathered items are being worked through
  long items_ = 0;  // items previewed
  bool checkedBeforeItems_ = false;
  bool errorsThisRun_ = false;
  bool escape_ = false;
};

}  // namespace dv
