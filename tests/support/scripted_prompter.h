#pragma once
// A Prompter that answers from a script and records every question, for tests of anything that asks the user.
// Qt-free and without GoogleTest, so that the GoogleTest binaries and the QtTest programs share it.
#include <deque>
#include <functional>
#include <map>
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
  // Answers are taken in order, those queued for a question's title first. A question with no scripted answer gets
  // the default answer; without one, No / Cancel / nullopt.
  void QueueAnswer(Answer a) { answers_.push_back(a); }
  void QueueAnswerFor(const std::string& title, Answer a) { byTitle_[title].push_back(a); }
  void QueueInput(std::string text) { inputs_.push_back(std::move(text)); }
  // Yes (or Ok) also accepts an unscripted input box with the text it offers.
  void DefaultAnswer(Answer a) {
    default_ = a;
    hasDefault_ = true;
  }
  // Called with each question as it is asked, before it is answered: for tests of what happens around it.
  void OnAsk(std::function<void(const Asked&)> hook) { onAsk_ = std::move(hook); }

  void Message(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  Answer YesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;

  const std::vector<Asked>& Log() const { return log_; }
  // How many questions of a kind ("Message", ...) were asked; an empty kind counts every one.
  int Count(const std::string& kind = {}) const;
  int CountTitled(const std::string& title) const;
  void Clear() { log_.clear(); }
  // Forgets the log, the scripts and the default answer.
  void Reset();

 private:
  Answer Next(const std::string& title, Answer fallback);
  void Record(const char* kind, const std::string& text, const std::string& title);
  std::deque<Answer> answers_;
  std::map<std::string, std::deque<Answer>> byTitle_;
  std::deque<std::string> inputs_;
  std::vector<Asked> log_;
  Answer default_ = Answer::Cancel;
  bool hasDefault_ = false;
  std::function<void(const Asked&)> onAsk_;
};

}  // namespace dv::test
