#include "cli/report_command.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>

#include "cli/cli_prompter.h"
#include "cli/report_options.h"
#include "common/error_handler.h"
#include "platform/datetime.h"
#include "platform/error.h"
#include "scan/cls_dir_processing.h"

namespace dv {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

// Answers the engine's events: Ctrl+C becomes ClosingDown, errors go to standard error in the session-log
// record form, and on a terminal a progress line shows the folder being read, at most ten times a second.
class CliListener : public ScanListener {
 public:
  CliListener(clsDirProcessing& engine, std::FILE* err) : engine_(engine), err_(err), tty_(::isatty(::fileno(err))) {}

  void evtCheckForClose() override {
    if (gInterrupted) engine_.ClosingDown(true);
  }
  void evtCDPUpdateProgress(const std::string& text) override {
    ++folders_;
    if (!tty_) return;
    auto now = std::chrono::steady_clock::now();
    if (now - lastShown_ < std::chrono::milliseconds(100)) return;
    lastShown_ = now;
    std::string path = text.substr(text.find('\n') + 1);
    std::string line = "Folders read: " + std::to_string(folders_) + "  " + path;
    struct winsize ws {};
    size_t width = ::ioctl(::fileno(err_), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 10 ? ws.ws_col - 1 : 79;
    if (line.size() > width) line = line.substr(0, width);
    std::fprintf(err_, "\r\x1b[K%s", line.c_str());
    std::fflush(err_);
    shown_ = true;
  }
  void evtExternalPassError(const Error& e, const std::string& loc, long kind, const std::string& info) override {
    if (kind != 1 && kind != 4) return;  // the windows ignore the other kinds too
    ClearLine();
    std::fprintf(err_, "%s\n",
                 SessionErrorLog::FormatRecord(DateTime::Now().GeneralDate(), e.Number(), e.Description(), loc, info)
                     .c_str());
    ++errors_;
  }
  void ClearLine() {
    if (shown_) std::fprintf(err_, "\r\x1b[K");
    shown_ = false;
  }
  long Errors() const { return errors_; }

 private:
  clsDirProcessing& engine_;
  std::FILE* err_;
  bool tty_;
  bool shown_ = false;
  long folders_ = 0, errors_ = 0;
  std::chrono::steady_clock::time_point lastShown_{};
};

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, int outFd, int errFd) {
  std::FILE* err = ::fdopen(::dup(errFd), "w");
  if (!err) return 2;
  struct Closer {
    std::FILE* f;
    ~Closer() { std::fclose(f); }
  } closer{err};

  ReportOptions options;
  try {
    options = ParseReportOptions(args);
  } catch (const UsageError& e) {
    std::fprintf(err, "dorvane-cli report: %s\nTry 'dorvane-cli report --help'.\n", e.what());
    return 2;
  }
  if (options.help) {
    (void)!::write(outFd, kReportHelp, std::char_traits<char>::length(kReportHelp));
    return 0;
  }

  CliPrompter prompter(err);
  clsDirProcessing engine(prompter);
  CliListener listener(engine, err);
  engine.Listener(&listener);
  ApplyReportOptions(options, engine);

  struct sigaction sa {}, old {};
  sa.sa_handler = OnInterrupt;
  sa.sa_flags = SA_RESETHAND;  // a second Ctrl+C ends the program at once
  ::sigaction(SIGINT, &sa, &old);
  gInterrupted = 0;

  bool found = false;
  try {
    TextStream out = options.output.empty()
                         ? TextStream::Adopt(UniqueFd(::dup(outFd)), "standard output", true)
                         : TextStream::Open(options.output, IOMode::ForWriting, true);
    found = engine.CreateDirPrintFile(out);
    out.Close();
  } catch (const Error& e) {
    listener.ClearLine();
    ::sigaction(SIGINT, &old, nullptr);
    std::fprintf(err, "dorvane-cli report: %s\n", e.Description().c_str());
    return 2;
  }
  listener.ClearLine();
  ::sigaction(SIGINT, &old, nullptr);
  if (!found) return 2;
  return listener.Errors() > 0 ? 1 : 0;
}

}  // namespace dv
