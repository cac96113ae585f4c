#pragma once
// The directory printer job: the window's choices turned into the scanning engine's settings in a fixed order,
// the scan run on a worker with the progress program, and the engine's events answered.
#include <functional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "scan/scan_listener.h"

namespace dv {

class BackgroundJob;
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

// What a job does around the scan besides writing the report.
struct DirPrintHooks {
  // Runs once the starting folder is known to exist, before the scan (the progress program opens here: a missing
  // folder ends the job with a message that no progress window may cover).
  std::function<void()> beforeScan;
  // Each progress text of the scan.
  std::function<void(const std::string&)> progress;
};

// Sets `engine` from `choices` in the job's order, then runs the report into `reportPath`, on the calling thread.
// Errors of kind 4 are logged (mode 4), kind 1 shown and reported (mode 18), others ignored; from a worker they
// reach `errors` on the application's thread. Returns how many items could not be read (kinds 4 and 3), for the
// window to say so.
long ProcessDirPrintJob(const DirPrintChoices& choices, clsDirProcessing& engine, ErrorHandler& errors,
                        const std::string& reportPath, const DirPrintHooks& hooks = {});

// The window's hooks on `job`: the progress program `cancel` (may be null) opens on the application's thread,
// progress goes to the job's snapshot, and a stop request (Cancel, Escape) closes the scan down.
DirPrintHooks JobHooks(BackgroundJob& job, frmCancel* cancel, clsDirProcessing& engine);

// ProcessDirPrintJob on `job`'s worker with JobHooks. Once the scan has ended, `done` gets the count of items that
// could not be read on the application's thread (the window loads its preview there), then the progress program
// closes. False when a job is running already.
bool StartDirPrintJob(BackgroundJob& job, frmCancel* cancel, const DirPrintChoices& choices,
                      clsDirProcessing& engine, ErrorHandler& errors, std::string reportPath,
                      std::function<void(long unread)> done);

// The column code of a text of listDisplayed ("Size" 1 ... "Accessed" 6); 0 for any other text.
long DirPrintColumnCode(const std::string& text);

// The job's answers to the engine's events: progress to the hook, errors to the error handler by kind.
// Installed on the engine for the length of one job; its events come on the thread the scan runs on.
class DirPrintEvents : public ScanListener {
 public:
  DirPrintEvents(ErrorHandler& errors, std::function<void(const std::string&)> progress = {})
      : errors_(errors), progress_(std::move(progress)) {}
  void evtCDPUpdateProgress(const std::string& strProgressInfo) override;
  void evtExternalPassError(const Error& passedError, const std::string& strLoc, long errCDPType,
                            const std::string& strOtherInfo) override;
  // Items the walk could not read (or measure) so far.
  long ItemErrors() const { return itemErrors_; }

 private:
  ErrorHandler& errors_;
  std::function<void(const std::string&)> progress_;
  long itemErrors_ = 0;
};

}  // namespace dv
