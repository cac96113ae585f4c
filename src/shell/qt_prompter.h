#pragma once
// The windows' Prompter: message boxes with the exact titles, texts and buttons, and input boxes. A box without a
// title of its own carries "Dorvane".
#include <QPointer>
#include <QWidget>
#include <functional>

#include "common/prompter.h"

namespace dv {

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void Parent(QWidget* parent) { parent_ = parent; }

  // Called with true before the first of (possibly nested) boxes opens and with false after the last one closed.
  // A box asked during a task must not open behind the always-on-top progress window, so the program's start-up
  // lets the progress window step aside here.
  using AsideHook = std::function<void(bool open)>;
  void AroundBoxes(AsideHook hook) { aside_ = std::move(hook); }

  void Message(const std::string& text, const std::string& title) override;
  bool YesNo(const std::string& text, const std::string& title) override;
  Answer YesNoCancel(const std::string& text, const std::string& title) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) override;

 private:
  friend class BoxOpen;
  int Ask(int icon, const std::string& text, const std::string& title, int buttons);

  QPointer<QWidget> parent_;
  AsideHook aside_;
  int open_ = 0;
};

}  // namespace dv
