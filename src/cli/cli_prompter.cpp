#include "cli/cli_prompter.h"

namespace dv {

namespace {

// Message texts join their lines with CR LF; a terminal wants LF.
std::string Plain(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

}  // namespace

void CliPrompter::Message(const std::string& text, const std::string& title) {
  std::fprintf(err_, "%s: %s\n", (title.empty() ? kAppTitle : title.c_str()), Plain(text).c_str());
}

bool CliPrompter::YesNo(const std::string& text, const std::string& title) {
  Message(text + " (answered No)", title);
  return false;
}

Answer CliPrompter::YesNoCancel(const std::string& text, const std::string& title) {
  Message(text + " (answered Cancel)", title);
  return Answer::Cancel;
}

std::optional<std::string> CliPrompter::Input(const std::string& prompt, const std::string& title,
                                              const std::string&) {
  Message(prompt + " (cancelled)", title);
  return std::nullopt;
}

}  // namespace dv
