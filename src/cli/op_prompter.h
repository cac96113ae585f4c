#pragma once
// The prompter of the commands that change files (op, undo): questions asked on the terminal, or answered by
// --yes / --no; messages go to standard error.
#include <cctype>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "cli/cli_prompter.h"

namespace dv {

class OpPrompter : public CliPrompter {
 public:
  OpPrompter(std::optional<bool> answerAll, std::optional<std::string> code, bool terminal)
      : CliPrompter(stderr, terminal), answerAll_(answerAll), code_(std::move(code)) {}

  bool YesNo(const std::string& text, const std::string& title) override { return Ask(text, title, "[y/n]") == 'y'; }
  Answer YesNoCancel(const std::string& text, const std::string& title) override {
    const char a = Ask(text, title, "[y/n/c]");
    return a == 'y' ? Answer::Yes : a == 'n' ? Answer::No : Answer::Cancel;
  }
  std::optional<std::string> Input(const std::string& prompt, const std::string& title, const std::string&) override {
    CliPrompter::Message(prompt, title);
    if (code_) return code_;
    if (answerAll_) return std::nullopt;
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return line;
  }

 private:
  char Ask(const std::string& text, const std::string& title, const char* choices) {
    if (answerAll_) {
      CliPrompter::Message(text + (*answerAll_ ? " (answered Yes)" : " (answered No)"), title);
      return *answerAll_ ? 'y' : 'n';
    }
    CliPrompter::Message(text + " " + choices, title);
    std::string line;
    while (std::getline(std::cin, line)) {
      const char c = line.empty() ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
      if (c == 'y' || c == 'n' || (c == 'c' && std::string(choices).find('c') != std::string::npos)) return c;
      std::fprintf(stderr, "%s ", choices);
    }
    return 'c';  // the input ended: the safe answer
  }

  std::optional<bool> answerAll_;
  std::optional<std::string> code_;
};

}  // namespace dv
