#pragma once
// frmSpecialKeys: the chooser of special keys for a macro step. Each key button hands back its code and closes;
// "Delay/Pause" hands back "[DELAY]" and the seconds given (at most an hour).
#include <QDialog>
#include <optional>
#include <string>

#include "common/prompter.h"

class QLineEdit;

namespace dv {

class frmSpecialKeys : public QDialog {
  Q_OBJECT
 public:
  explicit frmSpecialKeys(Prompter& prompter, QWidget* parent = nullptr);

  // The code for the keystroke box (empty after a refused delay); nullopt when closed without pressing a key.
  const std::optional<std::string>& Code() const { return code_; }

 private:
  void Press(int index, const std::string& code);

  Prompter& prompter_;
  QLineEdit* txtSeconds_;
  std::optional<std::string> code_;
};

}  // namespace dv
