#include "shell/frm_please_wait.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace dv {

void CentreOverWindow(QWidget* window, const QWidget* mainWindow) {
  QRect area;
  if (mainWindow) {
    area = mainWindow->window()->frameGeometry();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  } else {
    return;
  }
  // Before the first show the frame is not known yet and the frame geometry is the plain geometry.
  const QSize own = window->frameGeometry().size();
  window->move(area.left() + (area.width() - own.width()) / 2, area.top() + (area.height() - own.height()) / 2);
}

frmPleaseWait::frmPleaseWait(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("frmPleaseWait"));
  setWindowTitle(QStringLiteral("Please Wait While..."));
  setModal(false);

  txtWaitInfo_ = new QLabel(QStringLiteral("Processing is completed"), this);
  txtWaitInfo_->setObjectName(QStringLiteral("txtWaitInfo"));
  txtWaitInfo_->setAlignment(Qt::AlignCenter);
  txtWaitInfo_->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtWaitInfo_);
  resize(380, 110);
  CentreOverWindow(this, mainWindow_);
}

void frmPleaseWait::DisplayWaitMessage(const QString& text) {
  txtWaitInfo_->setText(text);
  show();
  CentreOverWindow(this, mainWindow_);
  raise();
  QCoreApplication::processEvents();
}

void frmPleaseWait::keyPressEvent(QKeyEvent* event) {
  event->accept();
  close();
}

void frmPleaseWait::mousePressEvent(QMouseEvent* event) {
  QDialog::mousePressEvent(event);
  close();
}

}  // namespace dv
