#include "fileops_ui/frm_key_chooser.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "fileops_engine/macro_file.h"
#include "shell/help_viewer.h"

namespace dv {

namespace {

struct SpecialKey {
  int index;
  const char* caption;
  const char* code;
};

constexpr SpecialKey kKeys[] = {
    {101, "F1", "{F1}"},     {102, "F2", "{F2}"},          {103, "F3", "{F3}"},      {104, "F4", "{F4}"},
    {105, "F5", "{F5}"},     {106, "F6", "{F6}"},          {107, "F7", "{F7}"},      {108, "F8", "{F8}"},
    {109, "F9", "{F9}"},     {110, "F10", "{F10}"},        {111, "F11", "{F11}"},    {112, "F12", "{F12}"},
    {201, "Esc", "{ESC}"},   {202, "Tab", "{TAB}"},        {203, "Shift", "[SHIFT]"}, {204, "Ctrl", "[CTRL]"},
    {205, "Alt", "[ALT]"},   {206, "Backspace", "{BACKSPACE}"}, {207, "Enter", "{ENTER}"}, {208, "Ins", "{INS}"},
    {209, "Home", "{HOME}"}, {210, "PgUp", "{PGUP}"},      {211, "Delete", "{DEL}"}, {212, "End", "{END}"},
    {213, "PgDn", "{PGDN}"}, {214, "Up", "{UP}"},          {215, "Left", "{LEFT}"},  {216, "Dwn", "{DOWN}"},
    {217, "Right", "{RIGHT}"},
};
constexpr int kDelayIndex = 218;

}  // namespace

frmSpecialKeys::frmSpecialKeys(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
  setObjectName("frmSpecialKeys");
  setWindowTitle("Press a Key to Enter Code in Macro Keystroke Box");
  setModal(true);
  auto* grid = new QGridLayout(this);
  int row = 0, column = 0;
  auto place = [&](QWidget* w) {
    grid->addWidget(w, row, column);
    if (++column == 6) {
      column = 0;
      ++row;
    }
  };
  for (const SpecialKey& key : kKeys) {
    auto* button = new QPushButton(key.caption);
    button->setObjectName(QString("cmdSpecialKey_%1").arg(key.index));
    connect(button, &QPushButton::clicked, this, [this, key] { Press(key.index, key.code); });
    place(button);
  }
  auto* delay = new QPushButton("Delay/Pause");
  delay->setObjectName(QString("cmdSpecialKey_%1").arg(kDelayIndex));
  connect(delay, &QPushButton::clicked, this, [this] { Press(kDelayIndex, {}); });
  place(delay);
  txtSeconds_ = new QLineEdit("5");
  txtSeconds_->setObjectName("txtSeconds");
  auto* seconds = new QLabel("Seconds");
  seconds->setObjectName("lblSeconds");
  seconds->setBuddy(txtSeconds_);
  place(txtSeconds_);
  place(seconds);
  auto* all = new QPushButton("All Key Codes");
  all->setObjectName("cmdAllKeyCodes");
  connect(all, &QPushButton::clicked, this, [this] {
    // The help window belongs to the main window, so it outlives this chooser.
    QWidget* owner = parentWidget() ? parentWidget()->window() : this;
    HelpViewer::ShowTopic(owner, "SpeKeys.htm");
  });
  grid->addWidget(all, row + 1, 0, 1, 6);
}

void frmSpecialKeys::Press(int index, const std::string& code) {
  code_ = index == kDelayIndex ? DelayStep(txtSeconds_->text().toStdString(), prompter_) : code;
  accept();
}

}  // namespace dv
