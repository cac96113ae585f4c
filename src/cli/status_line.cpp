#include "cli/status_line.h"

#include <sys/ioctl.h>

#include "cli/cli_prompter.h"
#include "common/error_handler.h"
#include "platform/datetime.h"

namespace dv {

void StatusLine::Show(const std::string& text) {
  if (!terminal_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastShown_ < std::chrono::milliseconds(100)) return;
  lastShown_ = now;
  // One column short of the width, so that the line never wraps and "\r" always gets back to its start.
  struct winsize ws {};
  const size_t width = ::ioctl(::fileno(err_), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col - 1u : 79u;
  std::fprintf(err_, "\r\x1b[K%s", FitToColumns(text, width).c_str());
  std::fflush(err_);
  shown_ = true;
}

void StatusLine::Error(const dv::Error& e, const std::string& location, const std::string& info) {
  Clear();
  std::fprintf(err_, "%s\n",
               SessionErrorLog::FormatRecord(DateTime::Now().GeneralDate(), e.Number(),
                                             ShownOnStderr(e.Description(), terminal_),
                                             ShownOnStderr(location, terminal_), ShownOnStderr(info, terminal_))
                   .c_str());
  ++errors_;
}

void StatusLine::Clear() {
  if (shown_) std::fprintf(err_, "\r\x1b[K");
  shown_ = false;
}

}  // namespace dv
