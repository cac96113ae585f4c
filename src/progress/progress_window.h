#pragma once
// The window of the progress program: the progress text, the time since the window appeared and a Cancel button.
// Once the user presses Cancel (or Escape) the window's cancel state is "1" for good, because Dorvane reads it
// only at its next check.
#include <QElapsedTimer>
#include <QLabel>
#include <QString>
#include <QTimer>
#include <QWidget>

class QPushButton;

namespace dv::progress {

// A one-line label that shows long texts (mostly paths) shortened in the middle instead of growing the window.
// Control characters (line breaks in odd file names) are shown as spaces so the text stays on its line.
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

// The progress text split for display: the first line is the heading (the counter, "Gathering information for
// folder #12"), everything after the first line break is the path. A file name may itself hold line breaks, so
// the path is never split further.
struct ProgressLines {
  QString heading;
  QString path;
};
ProgressLines SplitProgressText(const QString& text);

// "0:07", "12:30", "1:02:03": minutes and seconds, hours only past the first hour.
QString ElapsedText(qint64 seconds);

class ProgressWindow : public QWidget {
  Q_OBJECT
 public:
  ProgressWindow();

  // "1" once Cancel was pressed, else "0".
  QString CancelState() const { return cancelled_ ? QStringLiteral("1") : QStringLiteral("0"); }
  // The whole text as it was sent, whatever the window shows of it.
  const QString& ProgressText() const { return text_; }
  void SetProgressText(const QString& text);
  QPushButton* CancelButton() const { return cancel_; }

  // Dorvane has now read a "1". A window the user closed after pressing Cancel was only waiting for that.
  void CancelDelivered();
  // While Dorvane asks the user something the window is hidden: kept on top, it would cover the question. Only a
  // window that was shown steps aside, and only such a window comes back.
  void StepAside(bool aside);
  bool SteppedAside() const { return aside_; }
  // Dorvane's own close: ends the program whatever the state.
  void CloseForGood();

  // How long a window closed after Cancel waits for Dorvane's next check before it gives up.
  static constexpr int kLingerMs = 30000;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void PressCancel();
  void ShowElapsed();

  QString text_;
  QLabel* heading_;
  ElidedLabel* path_;
  QLabel* elapsed_;
  QPushButton* cancel_;
  QTimer linger_;
  QTimer tick_;
  QElapsedTimer shownFor_;
  bool cancelled_ = false;
  bool delivered_ = false;
  bool closingForGood_ = false;
  bool aside_ = false;
};

}  // namespace dv::progress
