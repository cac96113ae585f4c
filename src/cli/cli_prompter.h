#pragma once
// The command line's Prompter: messages go to standard error; questions are never asked interactively by the
// commands so far, and answer No / Cancel. Also how any text that may hold a file name is shown there.
#include <cstdio>
#include <string>
#include <string_view>

#include "common/prompter.h"

namespace dv {

// Text that may hold file names, as written to standard error.
// - On a terminal, control characters (0x00-0x1F, 0x7F), the C1 controls U+0080-U+009F written as UTF-8, and
//   bytes that are not UTF-8 at all show as "?", so that no name can move the cursor, retitle or clear the
//   terminal.
// - Elsewhere (a log file, a pipe) the bytes stay as they are, except CR and LF, which show as "?" so that a name
//   cannot split a record.
std::string ShownOnStderr(std::string_view text, bool terminal);

// The longest start of `text` that fills at most `columns` terminal columns, cut between characters (UTF-8 code
// points, never inside one); East Asian wide characters and emoji count two columns. For text already shown for
// a terminal.
std::string FitToColumns(std::string_view text, size_t columns);

class CliPrompter : public Prompter {
 public:
  // `terminal`: whether `err` is a terminal (see ShownOnStderr).
  explicit CliPrompter(std::FILE* err = stderr, bool terminal = false) : err_(err), terminal_(terminal) {}
  void Message(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  Answer YesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;

 private:
  std::FILE* err_;
  bool terminal_;
};

}  // namespace dv
