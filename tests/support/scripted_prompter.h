#pragma once
// A Prompter that answers from a script and records every question, for tests of anything that asks the user.
#include <deque>
#include <string>
#include <vector>

#include "common/prompter.h"

namespace dv::test {

struct Asked {
  std::string kind;  // "Message", "YesNo", "YesNoCancel" or "Input"
  std::string text;
  std::string title;
};

class ScriptedPrompter : public Prompter {
 public:
  // Answers are taken in order; a question with no scripted answer gets No / Cancel / nullopt.
  void QueueAnswer(Answer a) { answers_.push_back(a); }
  void QueueInput(std::string text) { inputs_.push_back(std::move(text)); }

  void Message(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  Answer YesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;

  const std::vector<Asked>& Log() const { return log_; }
  void Clear() { log_.clear(); }

 private:
  Answer Next(Answer fallback);
  std::deque<Answer> answers_;
  std::deque<std::string> inputs_;
  std::vector<Asked> log_;
};

}  // namespace dv::test
