#include "cli/report_command.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cli/cli_prompter.h"
#include "cli/signal_scope.h"
#include "cli/status_line.h"
#include "cli/report_options.h"
#include "common/error_handler.h"
#include "platform/atomic_file.h"
#include "export/save_report.h"
#include "platform/datetime.h"
#include "platform/error.h"
#include "platform/record_spool.h"
#include "platform/temp_folder.h"
#include "platform/text_stream.h"
#include "scan/cls_dir_processing.h"

#ifdef DV_CLI_SETTINGS
#include "settings/settings_store.h"
#endif

namespace dv {

namespace {

class CliListener : public ScanListener {
 public:
  CliListener(clsDirProcessing& engine, std::FILE* err, bool terminal) : engine_(engine), status_(err, terminal) {}

  void evtCheckForClose() override {
    if (SignalScope::Caught()) engine_.ClosingDown(true);
  }
  void evtCDPUpdateProgress(const std::string& text) override {
    ++folders_;
    if (!status_.Terminal()) return;
    const std::string path = text.substr(text.find('\n') + 1);
    status_.Show("Folders read: " + std::to_string(folders_) + "  " + ShownOnStderr(path, true));
  }
  void evtExternalPassError(const Error& e, const std::string& loc, long kind, const std::string& info) override {
    // Kind 3 (a folder total that could not see everything) is shown too: the window ignores it, but a script
    // must not take a wrong total for a right one.
    if (kind != scanerr::Setting && kind != scanerr::SizeAccess && kind != scanerr::Walk) return;
    status_.Error(e, loc, info);
  }
  void ClearLine() { status_.Clear(); }
  long Errors() const { return status_.Errors(); }

 private:
  clsDirProcessing& engine_;
  StatusLine status_;
  long folders_ = 0;
};

HtmlSettings CliHtmlSettings() {
#ifdef DV_CLI_SETTINGS
  IniUserSettings store("dorvane");
  return StoredHtmlSettings(store);
#else
  return HtmlSettings{};
#endif
}

// The report when only --save wants it, in the private temporary folder: a file without a name (or one that
// loses its name at once), so that parallel runs never meet and nothing is left behind however a run ends.
UniqueFd PrivateReportFile() {
  const std::string folder = PrivateTempFolder();
  UniqueFd fd = OpenUnnamedFile(folder);
  if (!fd.Valid()) ThrowErrno(folder);
  return fd;
}

UniqueFd Duplicate(const UniqueFd& fd, const char* name) {
  UniqueFd copy(::fcntl(fd.Get(), F_DUPFD_CLOEXEC, 0));
  if (!copy.Valid()) ThrowErrno(name);
  return copy;
}

// The run proper: the report, its export, then the files put in place together. Returns the exit status.
int WriteReport(const ReportOptions& options, clsDirProcessing& engine, int outFd) {
  // Both files are made ready first, so a bad target stops the run before the walk, and neither replaces
  // anything until everything has been written.
  std::optional<AtomicFile> output, saved;
  if (!options.output.empty()) output.emplace(options.output);
  if (!options.save.empty()) saved.emplace(options.save);

  UniqueFd privateReport;
  std::optional<TextStream> stream;
  TextStream* out;
  if (output) {
    out = &output->Out();
  } else if (saved) {
    privateReport = PrivateReportFile();
    stream.emplace(TextStream::Adopt(Duplicate(privateReport, "the report"), "the report", true));
    out = &*stream;
  } else {
    stream.emplace(TextStream::Adopt(UniqueFd(::fcntl(outFd, F_DUPFD_CLOEXEC, 0)), "standard output", true));
    out = &*stream;
  }
  const bool found = engine.CreateDirPrintFile(*out);
  if (stream) stream->Close();
  else out->Flush();
  if (int sig = SignalScope::Caught()) return 128 + sig;
  if (!found) return 2;

  if (saved) {
    UniqueFd from;
    if (output) {
      from = output->ReadBack();
    } else {
      from = Duplicate(privateReport, "the report");
      if (::lseek(from.Get(), 0, SEEK_SET) != 0) ThrowErrno("the report");
    }
    ReportLines report = ReportLines::FromFd(std::move(from), "the report");
    report.StopWhen([] { return SignalScope::Caught() != 0; });
    ExportReport(report, saved->Target(), CliHtmlSettings(), saved->Out());
  }
  // Every byte written and synced before either file replaces anything.
  if (output) output->Finish();
  if (saved) saved->Finish();
  if (int sig = SignalScope::Caught()) return 128 + sig;
  if (output) output->Commit();
  if (saved) saved->Commit();
  return 0;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, int outFd, int errFd) {
  std::FILE* err = ::fdopen(::fcntl(errFd, F_DUPFD_CLOEXEC, 0), "w");
  if (!err) return 2;
  struct Closer {
    std::FILE* f;
    ~Closer() { std::fclose(f); }
  } closer{err};
  const bool terminal = ::isatty(errFd) == 1;

  ReportOptions options;
  try {
    options = ParseReportOptions(args);
  } catch (const UsageError& e) {
    std::fprintf(err, "dorvane-cli report: %s\nTry 'dorvane-cli report --help'.\n",
                 ShownOnStderr(e.what(), terminal).c_str());
    return 2;
  }
  if (options.help) {
    (void)!::write(outFd, kReportHelp, std::char_traits<char>::length(kReportHelp));
    return 0;
  }

  CliPrompter prompter(err, terminal);
  clsDirProcessing engine(prompter);
  CliListener listener(engine, err, terminal);
  engine.Listener(&listener);
  ApplyReportOptions(options, engine);

  SignalScope stopSignals;
  int status;
  try {
    status = WriteReport(options, engine, outFd);
  } catch (const Error& e) {
    listener.ClearLine();
    // A stop asked for by a signal is not a failure of its own.
    if (int sig = SignalScope::Caught()) return 128 + sig;
    std::fprintf(err, "dorvane-cli report: %s\n", ShownOnStderr(e.Description(), terminal).c_str());
    return 2;
  }
  listener.ClearLine();
  if (status != 0) return status;
  return listener.Errors() > 0 ? 1 : 0;
}

}  // namespace dv
