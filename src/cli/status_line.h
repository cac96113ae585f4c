#pragma once
// What a command shows on standard error while an engine runs: one progress line on a terminal, rewritten in
// place at most ten times a second, and each engine error as a session-log record on a line of its own. Every
// name is shown as ShownOnStderr says.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/error.h"

namespace dv {

class StatusLine {
 public:
  StatusLine(std::FILE* err, bool terminal) : err_(err), terminal_(terminal) {}
  // `text` (already shown for a terminal) as the progress line; nothing when not on a terminal or shown too lately.
  void Show(const std::string& text);
  void Error(const dv::Error& e, const std::string& location, const std::string& info);
  // Removes the progress line, before anything else is written.
  void Clear();
  long Errors() const { return errors_; }
  bool Terminal() const { return terminal_; }

 private:
  std::FILE* err_;
  bool terminal_;
  bool shown_ = false;
  long errors_ = 0;
  std::chrono::steady_clock::time_point lastShown_{};
};

}  // namespace dv
