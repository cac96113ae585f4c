#include "fileops_ui/frm_load_macro.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>


namespace dv {

frmLoadMacro::frmLoadMacro(Prompter& prompter, ResumeScope::OnError report, std::string folder, QWidget* parent)
    : QDialog(parent), prompter_(prompter), report_(std::move(report)), folder_(std::move(folder)) {
  setObjectName("frmLoadMacro");
  setWindowTitle("Load a Macro");
  setModal(true);
  lbxMacros_ = new QListWidget;
  lbxMacros_->setObjectName("lbxMacros");
  auto* load = new QPushButton("&Load");
  load->setObjectName("cmdLoadMacro");
  auto* remove = new QPushButton("&Delete");
  remove->setObjectName("cmdDeleteMacro");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(load);
  buttons->addWidget(remove);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lbxMacros_);
  layout->addLayout(buttons);
  connect(lbxMacros_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { chosen_ = item->text().toStdString(); });
  connect(lbxMacros_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    chosen_ = item->text().toStdString();
    LoadChosen();
  });
  connect(load, &QPushButton::clicked, this, &frmLoadMacro::LoadChosen);
  connect(remove, &QPushButton::clicked, this, &frmLoadMacro::DeleteChosen);
  ResumeScope(report_, "flm:07").Step([&] { entries_ = LoadMacroArray(folder_, prompter_); });
  Fill();
}

void frmLoadMacro::Fill() {
  lbxMacros_->clear();
  for (const MacroEntry& e : entries_)
    if (!e.name.empty()) lbxMacros_->addItem(QString::fromStdString(e.name));
}

void frmLoadMacro::LoadChosen() {
  if (chosen_.empty()) return;
  ResumeScope(report_, "flm:02").Step([&] {
    loaded_ = MacroNamed(entries_, chosen_);
    accept();
  });
}

void frmLoadMacro::DeleteChosen() {
  if (chosen_.empty()) return;
  ResumeScope(report_, "flm:01").Step([&] {
    if (DeleteMacro(folder_, entries_, chosen_, prompter_)) {
      chosen_.clear();
      Fill();
    }
  });
}

}  // namespace dv
