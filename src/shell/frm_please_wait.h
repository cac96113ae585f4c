#pragma once
// frmPleaseWait: a small centred notice ("Please Wait While...") that stays up while the caller goes on working.
// Any key or a click closes it.
#include <QDialog>

class QLabel;

namespace dv {

// Places `window` centred over `mainWindow`'s frame (left = main left + (main width - own width) / 2, top
// likewise); over the primary screen when there is no main window. Shared by the shell's small windows.
void CentreOverWindow(QWidget* window, const QWidget* mainWindow);

class frmPleaseWait : public QDialog {
  Q_OBJECT
 public:
  explicit frmPleaseWait(QWidget* mainWindow);

  // Shows `text`, centres the window over the main window and lets pending events run once so that it paints.
  // Not modal: returns at once.
  void DisplayWaitMessage(const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QWidget* mainWindow_;
  QLabel* txtWaitInfo_;
};

}  // namespace dv
