#include "cli/report_command.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cli/cli_prompter.h"
#include "cli/report_options.h"
#include "common/error_handler.h"
#include "platform/datetime.h"
#include "platform/error.h"
#include "platform/temp_folder.h"
#include "platform/text_stream.h"
#include "scan/cls_dir_processing.h"
#include "scan/rtf_writer.h"

#ifdef DV_CLI_SETTINGS
#include "shell/settings_store.h"
#endif

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

std::string UpperTail(const std::string& text, size_t count) {
  std::string tail = text.size() > count ? text.substr(text.size() - count) : text;
  for (char& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return tail;
}

// The HTML settings the window stores (application "dorvane"): the CLI has no settings window of its own, so a
// script's page looks like the window's. Without the settings store (Qt-free build) the defaults.
HtmlSettings CliHtmlSettings() {
#ifdef DV_CLI_SETTINGS
  IniUserSettings store("dorvane");
  return StoredHtmlSettings(store);
#else
  return HtmlSettings{};
#endif
}

// A file of our own in the private temporary folder for the report when --save comes without --output; the
// name is unique so that parallel runs do not mix their reports.
std::string MakePrivateReportFile(UniqueFd& fd) {
  std::string path = PrivateTempFolder() + "/DVclireportXXXXXX";
  int raw = ::mkstemp(path.data());
  if (raw < 0) throw Error(75, "cannot create a temporary file in " + PrivateTempFolder());
  fd = UniqueFd(raw);
  return path;
}

}  // namespace

SaveKind SaveKindOf(const std::string& path) {
  if (UpperTail(path, 3) == "RTF") return SaveKind::RichText;
  if (UpperTail(path, 3) == "HTM" || UpperTail(path, 4) == "HTML") return SaveKind::WebPage;
  return SaveKind::PlainText;
}

std::string SaveBaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = title.find('.');
  return dot == std::string::npos || dot == 0 ? title : title.substr(0, dot);
}

void SaveReport(std::string_view reportText, const std::string& path, const HtmlSettings& settings) {
  switch (SaveKindOf(path)) {
    case SaveKind::RichText:
      WriteRtfFile(path, reportText);
      break;
    case SaveKind::WebPage:
      SaveReportAsHtml(std::string(reportText), path, SaveBaseName(path), settings);
      break;
    case SaveKind::PlainText: {
      TextStream out = TextStream::Open(path, IOMode::ForWriting, true);
      out.Write(std::string(reportText));
      out.Close();
      break;
    }
  }
}

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
  std::string privateReport;
  struct Remover {
    std::string& path;
    ~Remover() {
      if (!path.empty()) ::unlink(path.c_str());
    }
  } remover{privateReport};
  try {
    std::optional<TextStream> out;
    if (!options.output.empty()) {
      out.emplace(TextStream::Open(options.output, IOMode::ForWriting, true));
    } else if (!options.save.empty()) {
      UniqueFd fd;
      privateReport = MakePrivateReportFile(fd);
      out.emplace(TextStream::Adopt(std::move(fd), privateReport, true));
    } else {
      out.emplace(TextStream::Adopt(UniqueFd(::dup(outFd)), "standard output", true));
    }
    found = engine.CreateDirPrintFile(*out);
    out->Close();
    // The export works from the finished report file, as the window's save works from the preview.
    if (found && !options.save.empty()) {
      std::string report =
          TextStream::Open(privateReport.empty() ? options.output : privateReport, IOMode::ForReading, false)
              .ReadAll();
      SaveReport(report, options.save, CliHtmlSettings());
    }
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
