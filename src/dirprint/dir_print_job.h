#pragma once
// The directory printer job: the window's choices turned into the scanning engine's settings in a fixed order,
// the scan run with the progress program, and the engine's events answered.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "scan/scan_listener.h"

namespace dv {

class clsDirProcessing;
class frmCancel;
class ErrorHandler;

// What the job reads from the window's controls, at the moment it runs, in the order it uses them.
struct DirPrintChoices {
  long view = 0;                     // 0 hierarchical, 1 DOS style, 2 CSV, 3 sortable (the selected option)
  bool directoriesOnly = false;      // chkDirectoriesOnly
  std::vector<std::string> columns;  // the texts of listDisplayed, in order ("Size", "Attribute", ...)
  bool levelsOnly = false;           // optSubDirectories_Only selected
  std::string levelsText;            // txtSubDirectoriesLevel
  bool sizeUnitShown = true;         // lblShowSizeIn visible
  long sizeUnit = 1;                 // index of the selected optSizeType
  bool fullPath = false, fileCounts = false, directoryDetails = true, showHidden = true;
  std::string dateType, dateOperator;  // cboDateRestrictionType, cboDateRestrictionTypeOperator texts
  LocalTime date;                      // dtpDateRestrictionDate
  bool dateEmpty = false;              // dtpDateRestrictionDate holds no text: the date restriction goes off
  bool dateValid = true;               // its text converted to a date (false: reported, no date call)
  std::string fileSizeOperator, fileSizeText, fileSizeUnit;
  std::string folderSizeOperator, folderSizeText, folderSizeUnit;
  std::string extensionsText;        // txtExtensionsFilter, untrimmed
  bool includeExtensions = true;     // optIncludeExtensions
  bool wildcards = true;             // optPatternMatching(0)
  std::string filePattern, folderPattern;
  std::string startingDirectory;     // txtPathSelected, as typed
};

// Sets `engine` from `choices` in the job's order, then runs the report into `reportPath` with the progress
// program (`cancel`: opened before, fed progress and asked at each check, closed after, also on failure).
// Errors of kind 4 are logged (mode 4), kind 1 shown and reported (mode 18), others ignored. Returns how many
// items could not be read (kinds 4 and 3), for the window to say so.
long ProcessDirPrintJob(const DirPrintChoices& choices, clsDirProcessing& engine, frmCancel* cancel,
                        ErrorHandler& errors, const std::string& reportPath);

// The same, with `loadPreview` run after the scan and before the progress program closes (the window loads the
// report into its preview there, so the progress window stays up until the report is visible).
long ProcessDirPrintJob(const DirPrintChoices& choices, clsDirProcessing& engine, frmCancel* cancel,
                        ErrorHandler& errors, const std::string& reportPath,
                        const std::function<void()>& loadPreview);

// The column code of a text of listDisplayed ("Size" 1 ... "Accessed" 6); 0 for any other text.
long DirPrintColumnCode(const std::string& text);

// The job's answers to the engine's events: progress and cancel through the progress program, errors to the
// error handler by kind. Installed on the engine for the length of one job.
class DirPrintEvents : public ScanListener {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  // Progress goes to the progress program, and the cancel question to it, at most this often (the first of each at
  // once): each costs a pass of the event loop and a round trip to the program, far more than a folder of a scan.
  static constexpr std::chrono::milliseconds kInterval{200};

  DirPrintEvents(clsDirProcessing& engine, frmCancel* cancel, ErrorHandler& errors,
                 std::function<TimePoint()> now = std::chrono::steady_clock::now)
      : engine_(engine), cancel_(cancel), errors_(errors), now_(std::move(now)) {}
  void evtCDPUpdateProgress(const std::string& strProgressInfo) override;
  void evtCheckForClose() override;
  void evtExternalPassError(const Error& passedError, const std::string& strLoc, long errCDPType,
                            const std::string& strOtherInfo) override;
  // Items the walk could not read (or measure) so far.
  long ItemErrors() const { return itemErrors_; }

 private:
  bool Due(std::optional<TimePoint>& last);
  void SendProgress();

  clsDirProcessing& engine_;
  frmCancel* cancel_;
  ErrorHandler& errors_;
  std::function<TimePoint()> now_;
  std::string progress_;  // the latest progress text, kept between sends so the one that goes out is current
  bool progressSent_ = true;
  std::optional<TimePoint> lastProgress_, lastCheck_;
  long itemErrors_ = 0;
};

}  // namespace dv
