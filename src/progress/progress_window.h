#pragma once
// The window of the progress program: the current progress text and a Cancel button. Once the user presses
// Cancel the window's cancel state is "1" for good, because Dorvane reads it only at its next check.
#include <QLabel>
#include <QString>
#include <QTimer>
#include <QWidget>

class QPushButton;

namespace dv::progress {

// A one-line label that shows long texts (mostly paths) shortened in the middle instead of growing the window.
class ElidedLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ElidedLabel(QWidget* parent = nullptr);
  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();
  QString full_;
};

class ProgressWindow : public QWidget {
  Q_OBJECT
 public:
  ProgressWindow();

  // "1" once Cancel was pressed, else "0".
  QString CancelState() const { return cancelled_ ? QStringLiteral("1") : QStringLiteral("0"); }
  const QString& ProgressText() const { return label_->FullText(); }
  void SetProgressText(const QString& text) { label_->SetFullText(text); }
  QPushButton* CancelButton() const { return cancel_; }

  // Dorvane has now read a "1". A window the user closed after pressing Cancel was only waiting for that.
  void CancelDelivered();
  // Dorvane's own close: ends the program whatever the state.
  void CloseForGood();

  // How long a window closed after Cancel waits for Dorvane's next check before it gives up.
  static constexpr int kLingerMs = 30000;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void PressCancel();

  ElidedLabel* label_;
  QPushButton* cancel_;
  QTimer linger_;
  bool cancelled_ = false;
  bool delivered_ = false;
  bool closingForGood_ = false;
};

}  // namespace dv::progress
