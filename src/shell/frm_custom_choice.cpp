#include "shell/frm_custom_choice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/frm_please_wait.h"

namespace dv {

frmCustomChoice::frmCustomChoice(QWidget* mainWindow) : QDialog(mainWindow), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("frmCustomChoice"));
  setModal(true);

  lblChoiceText_ = new QLabel(this);
  lblChoiceText_->setObjectName(QStringLiteral("lblChoiceText"));
  lblChoiceText_->setWordWrap(true);
  lblChoiceText_->setMinimumWidth(320);

  cmdLeft_ = new QPushButton(this);
  cmdLeft_->setObjectName(QStringLiteral("cmdLeft"));
  cmdRight_ = new QPushButton(this);
  cmdRight_->setObjectName(QStringLiteral("cmdRight"));
  cmdExitPopUp_ = new QPushButton(QStringLiteral("Cancel"), this);
  cmdExitPopUp_->setObjectName(QStringLiteral("cmdExitPopUp"));
  // Enter must not pick a side by accident: no button is the default.
  for (QPushButton* b : {cmdLeft_, cmdRight_, cmdExitPopUp_}) b->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdLeft_);
  buttons->addWidget(cmdRight_);
  buttons->addWidget(cmdExitPopUp_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblChoiceText_);
  layout->addLayout(buttons);

  connect(cmdLeft_, &QPushButton::clicked, this, [this] { Choose(1); });
  connect(cmdRight_, &QPushButton::clicked, this, [this] { Choose(2); });
  connect(cmdExitPopUp_, &QPushButton::clicked, this, &QDialog::reject);
  CentreOverWindow(this, mainWindow_);
}

void frmCustomChoice::Choose(int choice) {
  lrChoice_ = choice;
  accept();
}

void frmCustomChoice::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Only now is the frame known, so only now does the centring come out exact.
  CentreOverWindow(this, mainWindow_);
}

int frmCustomChoice::GiveChoice(const QString& instructions, const QString& leftCaption,
                                const QString& rightCaption, const QString& title) {
  lblChoiceText_->setText(instructions);
  cmdLeft_->setText(leftCaption);
  cmdRight_->setText(rightCaption);
  setWindowTitle(title);
  lrChoice_ = 0;
  adjustSize();
  CentreOverWindow(this, mainWindow_);
  exec();
  return lrChoice_;
}

}  // namespace dv
