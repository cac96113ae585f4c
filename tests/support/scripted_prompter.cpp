#include "support/scripted_prompter.h"

namespace dv::test {

Answer ScriptedPrompter::Next(Answer fallback) {
  if (answers_.empty()) return fallback;
  Answer a = answers_.front();
  answers_.pop_front();
  return a;
}

void ScriptedPrompter::Message(const std::string& text, const std::string& title) {
  log_.push_back({"Message", text, title});
}

bool ScriptedPrompter::YesNo(const std::string& text, const std::string& title) {
  log_.push_back({"YesNo", text, title});
  return Next(Answer::No) == Answer::Yes;
}

Answer ScriptedPrompter::YesNoCancel(const std::string& text, const std::string& title) {
  log_.push_back({"YesNoCancel", text, title});
  return Next(Answer::Cancel);
}

std::optional<std::string> ScriptedPrompter::Input(const std::string& prompt, const std::string& title,
                                                   const std::string&) {
  log_.push_back({"Input", prompt, title});
  if (inputs_.empty()) return std::nullopt;
  std::string s = inputs_.front();
  inputs_.pop_front();
  return s;
}

}  // namespace dv::test
