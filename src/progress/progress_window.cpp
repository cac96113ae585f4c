#include "progress/progress_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui_common/progress_protocol.h"

namespace dv::progress {

namespace {

// Line breaks and tabs in odd file names would break the one-line layout.
QString ControlsAsSpaces(QString text) {
  for (QChar& c : text)
    if (c.category() == QChar::Other_Control) c = QChar(' ');
  return text;
}

}  // namespace

ProgressLines SplitProgressText(const QString& text) {
  // The scan ends its heading with CR LF; a lone LF or CR counts as well.
  qsizetype br = 0;
  while (br < text.size() && text[br] != QChar('\r') && text[br] != QChar('\n')) ++br;
  if (br == text.size()) return {text, {}};
  const qsizetype after = text.mid(br, 2) == QLatin1String("\r\n") ? br + 2 : br + 1;
  return {text.left(br), text.mid(after)};
}

QString ElapsedText(qint64 seconds) {
  const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  const QString ss = QStringLiteral("%1").arg(s, 2, 10, QChar('0'));
  if (h == 0) return QStringLiteral("%1:%2").arg(m).arg(ss);
  return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(ss);
}

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  // Ignored: the label takes the width the window gives it instead of asking for the width of the whole text.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextInteractionFlags(Qt::NoTextInteraction);
  // A file name such as "<b>x" is text, not markup.
  setTextFormat(Qt::PlainText);
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
  setText(fontMetrics().elidedText(ControlsAsSpaces(full_), Qt::ElideMiddle, qMax(0, contentsRect().width())));
}

ProgressWindow::ProgressWindow() {
  setObjectName("frmProgress");
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  // Dorvane's own windows do not take input while a task runs; the progress window must stay findable above them.
  setWindowFlag(Qt::WindowStaysOnTopHint);

  // The heading asks for its full width (the window grows rather than cut a counter); the path takes what is left.
  heading_ = new QLabel(this);
  heading_->setObjectName("lblProgress");
  heading_->setTextFormat(Qt::PlainText);
  path_ = new ElidedLabel(this);
  path_->setObjectName("lblProgressPath");
  elapsed_ = new QLabel(this);
  elapsed_->setObjectName("lblElapsed");
  elapsed_->setTextFormat(Qt::PlainText);
  ShowElapsed();
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName("cmdCancel");
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::PressCancel);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(path_);
  layout->addWidget(elapsed_);
  layout->addLayout(buttons);
  // Set on the path, not the window: a minimum of the window's own would keep the layout from widening it for a
  // long heading.
  path_->setMinimumWidth(400);
  resize(460, sizeHint().height());
  // Where the user looks first; a window manager may still place it by its own rules.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  linger_.setSingleShot(true);
  connect(&linger_, &QTimer::timeout, this, &ProgressWindow::CloseForGood);
  tick_.setInterval(1000);
  connect(&tick_, &QTimer::timeout, this, &ProgressWindow::ShowElapsed);
}

void ProgressWindow::SetProgressText(const QString& text) {
  text_ = text;
  const ProgressLines lines = SplitProgressText(text);
  heading_->setText(ControlsAsSpaces(lines.heading));
  path_->SetFullText(lines.path);
}

void ProgressWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The time counts from when the user first saw the window.
  if (shownFor_.isValid()) return;
  shownFor_.start();
  tick_.start();
  ShowElapsed();
}

void ProgressWindow::ShowElapsed() {
  const qint64 seconds = shownFor_.isValid() ? shownFor_.elapsed() / 1000 : 0;
  elapsed_->setText(QStringLiteral("Elapsed time: ") + ElapsedText(seconds));
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  // Escape is the keyboard's Cancel: the same button, so it is refused the same way once pressed.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    if (cancel_->isEnabled()) cancel_->click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ProgressWindow::PressCancel() {
  cancelled_ = true;
  // The user sees that the press took; a second press has nothing left to do.
  cancel_->setEnabled(false);
  cancel_->setText(QStringLiteral("Cancelling..."));
}

void ProgressWindow::CancelDelivered() {
  delivered_ = true;
  // Hidden by the user's close, not while stepping aside: then the program was only waiting for this.
  if (isHidden() && !aside_) CloseForGood();
}

void ProgressWindow::StepAside(bool aside) {
  if (closingForGood_ || aside == aside_ || (aside && isHidden())) return;
  aside_ = aside;
  if (aside) {
    hide();
    return;
  }
  show();
  raise();
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
