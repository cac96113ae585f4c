#include "progress/progress_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "progress/progress_protocol.h"

namespace dv::progress {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  // Ignored: the label takes the width the window gives it instead of asking for the width of the whole text.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextInteractionFlags(Qt::NoTextInteraction);
}

void ElidedLabel::SetFullText(const QString& text) {
  full_ = text;
  setToolTip(text);
  Elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void ElidedLabel::Elide() {
  // Control characters (line breaks in odd file names) would break the one-line layout.
  QString shown = full_;
  for (QChar& c : shown)
    if (c.category() == QChar::Other_Control) c = QChar(' ');
  setText(fontMetrics().elidedText(shown, Qt::ElideMiddle, qMax(0, contentsRect().width())));
}

ProgressWindow::ProgressWindow() {
  setObjectName("frmProgress");
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  // Dorvane's own windows do not take input while a task runs; the progress window must stay findable above them.
  setWindowFlag(Qt::WindowStaysOnTopHint);

  label_ = new ElidedLabel(this);
  label_->setObjectName("lblProgress");
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName("cmdCancel");
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::PressCancel);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addLayout(buttons);
  setMinimumWidth(420);
  resize(460, sizeHint().height());
  // Where the user looks first; a window manager may still place it by its own rules.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  linger_.setSingleShot(true);
  connect(&linger_, &QTimer::timeout, this, &ProgressWindow::CloseForGood);
}

void ProgressWindow::PressCancel() {
  cancelled_ = true;
  // The user sees that the press took; a second press has nothing left to do.
  cancel_->setEnabled(false);
  cancel_->setText(QStringLiteral("Cancelling..."));
}

void ProgressWindow::CancelDelivered() {
  delivered_ = true;
  if (isHidden()) CloseForGood();
}

void ProgressWindow::CloseForGood() {
  closingForGood_ = true;
  close();
  // close() of a window that is already hidden does not end the program on its own.
  QCoreApplication::quit();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  if (closingForGood_ || !cancelled_ || delivered_) {
    event->accept();
    return;
  }
  // Closing after Cancel must not lose the cancel: stay reachable, without a window, until Dorvane has read it.
  event->ignore();
  hide();
  linger_.start(kLingerMs);
}

}  // namespace dv::progress
