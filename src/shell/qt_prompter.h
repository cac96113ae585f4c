#pragma once
// The windows' Prompter: message boxes with the exact titles, texts and buttons, and input boxes. A box without a
// title of its own carries "Dorvane".
#include <QPointer>
#include <QWidget>

#include "common/prompter.h"

namespace dv {

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void Parent(QWidget* parent) { parent_ = parent; }

  void Message(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  Answer YesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace dv
