// The open operation's macro frame (steps added and removed, saved, loaded, special keys) and the processing
// bank's window, reached from the file operations window.
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>

#include "fileops_engine/bank_file.h"
#include "fileops_engine/macro_file.h"
#include "fileops_ui/frm_file_bank.h"
#include "fileops_ui/frm_file_ops.h"
#include "fileops_ui/frm_load_macro.h"
#include "fileops_ui/frm_key_chooser.h"
#include "fileops_ui/user_data_files.h"
#include "shell/cls_reg.h"
#include "shell/shell_services.h"

namespace dv {

void frmFileOps::ConnectMacroAndBank() {
  ProgramFolder = QCoreApplication::applicationDirPath().toStdString();
  UserDataFolder =
      (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/dorvane").toStdString();
  ShowModal = [](QDialog& dialog) { return dialog.exec(); };
  AskBankLocation = [this]() -> std::optional<std::string> {
    QFileDialog dialog(this, "Processing Bank File Location", QString::fromStdString(UserDataFolder),
                       "Dorvane Bank (*.dvb)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("dvb");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
  };
  const std::pair<const char*, void (frmFileOps::*)()> kButtons[] = {
      {"cmdAddToMacroSeries", &frmFileOps::cmdAddToMacroSeries_Click},
      {"cmdMacroReset", &frmFileOps::cmdMacroReset_Click},
      {"cmdSaveOpenMacro", &frmFileOps::cmdSaveOpenMacro_Click},
      {"cmdLoadOpenMacro", &frmFileOps::cmdLoadOpenMacro_Click},
      {"cmdSpecialMacroKeys", &frmFileOps::cmdSpecialMacroKeys_Click},
      {"cmdViewFileBank", &frmFileOps::ManageFileSets},
  };
  for (const auto& [name, handler] : kButtons)
    if (auto* button = findChild<QPushButton*>(name))
      connect(button, &QPushButton::clicked, this, [this, h = handler] { (this->*h)(); });
}

std::string frmFileOps::LocateMacrosFolder() {
  // The user's data folder, always; a macros file left where an older version kept it (the machine-wide
  // "OpenMacros" folder, else the program's folder) is carried over once.
  const std::string old = clsReg().ReadMachineValue("OpenMacros");
  return CarriedOver(old.empty() ? ProgramFolder : old, UserDataFolder, kMacroFileName);
}

void frmFileOps::cmdAddToMacroSeries_Click() {
  Run("ffo:45", [&] {
    const std::string keys = txtKeyStroke_->text().toStdString();
    if (keys.empty()) return;
    strMacroSeries_ = AddMacroStep(strMacroSeries_, keys);
    RefreshMacroSeries();
  });
  txtKeyStroke_->setFocus();
  txtKeyStroke_->clear();
}

void frmFileOps::cmdMacroReset_Click() {
  Run("ffo:44", [&] {
    if (!strMacroSeries_.empty()) strMacroSeries_ = RemoveLastMacroStep(strMacroSeries_);
    RefreshMacroSeries();
  });
  txtKeyStroke_->setFocus();
  txtKeyStroke_->clear();
}

void frmFileOps::cmdSaveOpenMacro_Click() {
  Run("ffo:46", [&] { SaveMacro(LocateMacrosFolder(), strMacroSeries_, prompter_); });
}

void frmFileOps::cmdLoadOpenMacro_Click() {
  Run("ffo:47", [&] {
    frmLoadMacro chooser(prompter_, services_.errors.Reporting(mode::MessageAndReport), LocateMacrosFolder(), this);
    ShowModal(chooser);
    if (chooser.Loaded()) MacroSeries(*chooser.Loaded());
  });
}

void frmFileOps::cmdSpecialMacroKeys_Click() {
  Run("ffo:49", [&] {
    frmSpecialKeys keys(prompter_, this);
    ShowModal(keys);
    if (keys.Code()) txtKeyStroke_->setText(QString::fromStdString(*keys.Code()));
  });
}

void frmFileOps::ManageFileSets() {
  Run("ffb:01", [&] {
    frmFileBank::Context context;
    context.prompter = &prompter_;
    context.settings = &services_.settings;
    context.report = services_.errors.Reporting(mode::MessageAndReport);
    context.giveChoice = GiveChoice;
    context.askLocation = AskBankLocation;
    context.programFolder = ProgramFolder;
    context.userDataFolder = UserDataFolder;
    // The window shows the bank as it is in memory; emptied entries are not shown.
    std::vector<std::string> entries;
    for (const std::string& e : ProcessingBankItems())
      if (!e.empty()) entries.push_back(e);
    frmFileBank bank(std::move(context), entries, bankPosition_, this);
    ShowModal(bank);
    bankPosition_ = bank.Position();
    ProcessingBankItems(bank.Items(), bank.BankName());
  });
}

}  // namespace dv
