#pragma once
// The command line's Prompter: messages go to standard error; questions are never asked interactively by the
// commands so far, and answer No / Cancel.
#include <cstdio>

#include "common/prompter.h"

namespace dv {

class CliPrompter : public Prompter {
 public:
  explicit CliPrompter(std::FILE* err = stderr) : err_(err) {}
  void Message(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  Answer YesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;

 private:
  std::FILE* err_;
};

}  // namespace dv
