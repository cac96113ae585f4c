#include "dirprint/dir_print_job.h"

// Stages of a job: the engine is set from the choices in a fixed order (later settings depend on earlier ones:
// the size restrictions are converted with the size unit set before them, the patterns with the pattern mode),
// then the progress program is opened, the scan runs with this file's event answers installed; on the window's
// thread the caller's preview is loaded and the progress program closes. Each step reports its own failure and
// the next one runs.
#include <cfenv>
#include <cmath>
#include <limits>
#include <optional>

#include <QPointer>
#include <QString>
#include <memory>

#include "common/error_handler.h"
#include "common/resume_scope.h"
#include "common/shared_utils.h"
#include "platform/file_system.h"
#include "scan/cls_dir_processing.h"
#include "scan/scan_choices.h"
#include "shell/background_job.h"
#include "shell/frm_cancel.h"

namespace dv {

namespace {

constexpr long kOverflow = 6;
constexpr long kTypeMismatch = 13;

// A number rounded half to even into [lo, hi]; beyond the range it is an overflow, as a conversion would fail.
long RoundedInRange(double value, double lo, double hi) {
  const double rounded = std::nearbyint(value);  // the default rounding mode rounds halves to even
  if (!(rounded >= lo && rounded <= hi)) throw Error(kOverflow, "Overflow");
  return static_cast<long>(rounded);
}

long SizeUnitCode(const std::string& unit) {
  if (unit == "Bytes") return 0;
  if (unit == "KB") return 1;
  if (unit == "MB") return 2;
  return -1;
}

long DateTypeCode(const std::string& type) {
  if (type == "Date Created") return 0;
  if (type == "Date Modified") return 1;
  if (type == "Date Last Accessed") return 2;
  return -1;
}

// Steps 8 and 9: the same rule for files and folders. Empty when an unknown unit keeps the previous restriction.
std::optional<ScanChoices::SizeLimit> SizeChoice(const std::string& op, const std::string& sizeText,
                                                 const std::string& unit) {
  if (op.empty() || sizeText.empty() || unit.empty()) return ScanChoices::SizeLimit{};
  const long unitCode = SizeUnitCode(unit);
  if (unitCode < 0) return std::nullopt;
  const long size = RoundedInRange(LeadingNumber(sizeText), std::numeric_limits<int32_t>::min(),
                                   std::numeric_limits<int32_t>::max());
  return ScanChoices::SizeLimit{true, size, static_cast<CompareOp>(GetOperatorCode(op)),
                                static_cast<SizeUnit>(unitCode)};
}

}  // namespace

long DirPrintColumnCode(const std::string& text) {
  static const char* const kTexts[] = {"Size", "Attributes", "File Type", "Created", "Modified", "Accessed"};
  for (long i = 0; i < 6; ++i)
    if (text == kTexts[i]) return i + 1;
  return 0;
}

void DirPrintEvents::evtCDPUpdateProgress(const std::string& strProgressInfo) {
  if (progress_) progress_(strProgressInfo);
}

void DirPrintEvents::evtExternalPassError(const Error& passedError, const std::string& strLoc, long errCDPType,
                                          const std::string& strOtherInfo) {
  long modeWord;
  if (errCDPType == scanerr::Walk || errCDPType == scanerr::SizeAccess) ++itemErrors_;
  if (errCDPType == scanerr::Walk) modeWord = mode::Log;  // one item failed: the walk goes on, the log keeps it
  else if (errCDPType == scanerr::Setting) modeWord = mode::MessageAndReport;
  else return;
  ReportOnGuiThread(errors_, passedError, strLoc, strOtherInfo, modeWord);
}

long ProcessDirPrintJob(const DirPrintChoices& c, clsDirProcessing& engine, ErrorHandler& errors,
                        const std::string& reportPath, const DirPrintHooks& hooks) {
  // Installed before the setters, so that a setter's failure (kind 1) reaches the user too.
  DirPrintEvents events(errors, hooks.progress);
  ScanListener* previous = &engine.Events();
  engine.Listener(&events);

  ResumeScope scope(GuiReporting(errors, mode::MessageAndReport), "fdp:04");
  // The controls are read first; a value that cannot be read is reported and its setting left as it was.
  ScanChoices choices;
  if (c.view >= 0 && c.view <= 3) choices.view = static_cast<ReportView>(c.view);
  choices.dirsOnly = c.directoriesOnly;
  std::vector<long> codes(c.columns.size() + 1, 0);  // the last entry stays 0: the end of the list
  for (size_t i = 0; i < c.columns.size(); ++i) codes[i] = DirPrintColumnCode(c.columns[i]);
  choices.columns = codes;
  scope.Step([&] {
    const long levels = c.levelsOnly ? RoundedInRange(LeadingNumber(c.levelsText), -32768, 32767) : kAllLevels;
    choices.levels = static_cast<int16_t>(levels);
  });
  if (c.sizeUnitShown) choices.sizeUnit = static_cast<SizeUnit>(c.sizeUnit);
  choices.fullPath = c.fullPath;
  choices.fileCounts = c.fileCounts;
  choices.folderDetails = c.directoryDetails;
  choices.showHidden = c.showHidden;
  scope.Step([&] {
    if (c.dateType.empty() || c.dateOperator.empty() || c.dateEmpty) {
      choices.date = ScanChoices::DateLimit{false, LocalTime{2000, 1, 1}, CompareOp::Equal, DateType::Created};
      return;
    }
    const long type = DateTypeCode(c.dateType);
    if (type < 0) return;  // an unknown type keeps the previous job's restriction
    if (!c.dateValid) throw Error(kTypeMismatch, "Type mismatch");
    choices.date = ScanChoices::DateLimit{true, c.date, static_cast<CompareOp>(GetOperatorCode(c.dateOperator)),
                                          static_cast<DateType>(type)};
  });
  scope.Step([&] { choices.fileSize = SizeChoice(c.fileSizeOperator, c.fileSizeText, c.fileSizeUnit); });
  scope.Step([&] { choices.folderSize = SizeChoice(c.folderSizeOperator, c.folderSizeText, c.folderSizeUnit); });
  choices.extensions = ScanChoices::Extensions{c.extensionsText, c.includeExtensions ? 1 : 2};
  choices.patternKind = c.wildcards ? PatternKind::Wildcards : PatternKind::RegularExpression;
  choices.filePattern = c.filePattern;
  choices.folderPattern = c.folderPattern;
  choices.startingDirectory = c.startingDirectory;
  ApplyScanChoices(choices, engine, [&](ScanStep which, const std::function<void()>& call) {
    if (which == ScanStep::StartingDirectory) scope.At("fdp:04.125");
    scope.Step(call);
  });
  scope.Step([&] { engine.ReportFilePath(reportPath); });

  // A missing folder ends the job with a message: the progress window must not come up first and cover it.
  if (hooks.beforeScan && FileSystemObject().FolderExists(engine.StartingDirectory())) scope.Step(hooks.beforeScan);
  scope.Step([&] { engine.CreateDirPrintFile(); });
  engine.Listener(previous);
  return events.ItemErrors();
}

DirPrintHooks JobHooks(BackgroundJob& job, frmCancel* cancel, clsDirProcessing& engine) {
  job.OnStop([&engine] { engine.ClosingDown(true); });
  DirPrintHooks hooks;
  hooks.progress = [&job](const std::string& text) { job.Progress(text); };
  if (cancel) {
    // Its failures are reported by the controller itself, on the application's thread.
    hooks.beforeScan = [cancel = QPointer<frmCancel>(cancel)] {
      BackgroundJob::OnGuiThread([cancel] {
        if (cancel) cancel->OpenExternalApp();
      });
    };
  }
  return hooks;
}

bool StartDirPrintJob(BackgroundJob& job, frmCancel* cancel, const DirPrintChoices& choices,
                      clsDirProcessing& engine, ErrorHandler& errors, std::string reportPath,
                      std::function<void(long unread)> done) {
  if (job.Running()) return false;
  auto unread = std::make_shared<long>(0);  // written by the worker, read once it has ended
  return job.Start(
      [=, &engine, &errors, hooks = JobHooks(job, cancel, engine)] {
        *unread = ProcessDirPrintJob(choices, engine, errors, reportPath, hooks);
      },
      [unread, done = std::move(done)] {
        if (done) done(*unread);
      });
}

}  // namespace dv
