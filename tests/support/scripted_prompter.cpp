#include "support/scripted_prompter.h"

namespace dv::test {

Answer ScriptedPrompter::Next(const std::string& title, Answer fallback) {
  std::deque<Answer>* queue = &answers_;
  if (auto it = byTitle_.find(title); it != byTitle_.end() && !it->second.empty()) queue = &it->second;
  if (queue->empty()) return hasDefault_ ? default_ : fallback;
  Answer a = queue->front();
  queue->pop_front();
  return a;
}

void ScriptedPrompter::Record(const char* kind, const std::string& text, const std::string& title) {
  log_.push_back({kind, text, title});
  if (onAsk_) onAsk_(log_.back());
}

void ScriptedPrompter::Message(const std::string& text, const std::string& title) { Record("Message", text, title); }

bool ScriptedPrompter::YesNo(const std::string& text, const std::string& title) {
  Record("YesNo", text, title);
  return Next(title, Answer::No) == Answer::Yes;
}

Answer ScriptedPrompter::YesNoCancel(const std::string& text, const std::string& title) {
  Record("YesNoCancel", text, title);
  return Next(title, Answer::Cancel);
}

std::optional<std::string> ScriptedPrompter::Input(const std::string& prompt, const std::string& title,
                                                   const std::string& defaultText) {
  Record("Input", prompt, title);
  if (inputs_.empty()) {
    if (hasDefault_ && (default_ == Answer::Yes || default_ == Answer::Ok)) return defaultText;
    return std::nullopt;
  }
  std::string s = inputs_.front();
  inputs_.pop_front();
  return s;
}

int ScriptedPrompter::Count(const std::string& kind) const {
  int n = 0;
  for (const Asked& a : log_) n += kind.empty() || a.kind == kind;
  return n;
}

int ScriptedPrompter::CountTitled(const std::string& title) const {
  int n = 0;
  for (const Asked& a : log_) n += a.title == title;
  return n;
}

void ScriptedPrompter::Reset() {
  answers_.clear();
  byTitle_.clear();
  inputs_.clear();
  log_.clear();
  hasDefault_ = false;
  onAsk_ = nullptr;
}

}  // namespace dv::test
