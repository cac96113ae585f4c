#pragma once
// frmTip, "Tip of the Day": shows the tips of TIPOFDAY.TXT at start-up, starting at a random one, unless the
// user switched them off ("Show Tips at Startup").
//
// The tips file holds one tip per line; an "æ" inside a line is a line break. The file may be UTF-8 or Latin-1
// (where "æ" is the byte 0xE6): text that is valid UTF-8 is read as UTF-8, anything else as Latin-1. CR LF and LF
// line ends are both accepted; blank lines are not tips.
#include <QDialog>
#include <QStringList>

#include "common/error_handler.h"
#include "common/user_settings.h"
#include "shell/resources.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace dv {

inline constexpr const char* kTipsFileName = "TIPOFDAY.TXT";

class frmTip : public QDialog {
  Q_OBJECT
 public:
  frmTip(UserSettings& settings, ErrorHandler& errors, QWidget* mainWindow,
         QString tipsFile = ResourcePath(QString::fromLatin1(kTipsFileName)));

  // Start-up: creates the window and shows it (modeless, deleted when closed), or returns nullptr and shows
  // nothing when tips are switched off.
  static frmTip* ShowAtStartup(UserSettings& settings, ErrorHandler& errors, QWidget* mainWindow);

  // The load steps: centre over the main window; false when "Show Tips at Startup" is 0 (the caller then drops
  // the window unshown); otherwise tick the check box and load the tips file, or show the missing-file text.
  bool Load();

  // Reads `file` into the tips and shows a tip picked at random. False when the name is empty or the file does
  // not exist (the tips are then empty).
  bool LoadTips(const QString& file);
  // Shows the current tip in lblTipText; nothing when there are no tips.
  void DisplayCurrentTip();
  // The next tip, back to the first after the last.
  void NextTip();

  const QStringList& Tips() const { return tips_; }
  int CurrentTip() const { return current_; }  // counts from 1

  // The tips of a file's bytes (encoding and line rules above), "æ" kept as it is.
  static QStringList ParseTips(const QByteArray& bytes);
  // A tip as shown: every "æ" becomes a line break.
  static QString TipDisplayText(const QString& tip);
  // What lblTipText says when the tips file is missing.
  static QString MissingFileText();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void SaveShowTipsSetting(bool show);

  UserSettings& settings_;
  ErrorHandler& errors_;
  QWidget* mainWindow_;
  QString tipsFile_;
  QStringList tips_;
  int current_ = 0;

  QLabel* lblTipText_;
  QCheckBox* chkLoadTipsAtStartup_;
  QPushButton* cmdNextTip_;
  QPushButton* cmdOK_;
};

}  // namespace dv
