#pragma once
// frmLoadMacro: the saved macros by name; Load hands the chosen macro back, Delete removes it from the file.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "common/prompter.h"
#include "common/resume_scope.h"
#include "fileops_engine/macro_file.h"

class QListWidget;

namespace dv {

class frmLoadMacro : public QDialog {
  Q_OBJECT
 public:
  // `folder` is the macros folder (LocateMacrosFolder); the file is read at once. Failures go to `report`, and
  // the dialog goes on.
  frmLoadMacro(Prompter& prompter, ResumeScope::OnError report, std::string folder, QWidget* parent = nullptr);

  // The macro text loaded (starting with ":::"); nullopt when none was.
  const std::optional<std::string>& Loaded() const { return loaded_; }

 private:
  void Fill();
  void LoadChosen();
  void DeleteChosen();

  Prompter& prompter_;
  ResumeScope::OnError report_;
  std::string folder_;
  std::vector<MacroEntry> entries_;
  std::string chosen_;
  std::optional<std::string> loaded_;
  QListWidget* lbxMacros_;
};

}  // namespace dv
