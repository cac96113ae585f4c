#pragma once
// The program's own help viewer: the HTML pages of resources/help shown in a window of their own. Every help
// window belongs to the window that opened it (its owner, normally the main window): it closes when the owner is
// closed or hidden and is deleted with it.
#include <QList>
#include <QString>
#include <QWidget>

#include "shell/resources.h"

class QPushButton;
class QTextBrowser;

namespace dv {

class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  // The page "&Contents  [F1]" opens.
  static inline const QString kContentsTopic = QStringLiteral("Welcome.htm");

  // Shows `topic` (a page name such as "SpeKeys.htm", optionally with "#anchor") in the owner's help window,
  // creating the window when the owner has none, and brings it to the front.
  static HelpViewer* ShowTopic(QWidget* owner, const QString& topic,
                               const QString& helpFolder = ResourcePath(QStringLiteral("help")));

  // Closes every help window of `owner` and of the windows it owns.
  static void CloseAll(QWidget* owner);

  // The open help windows of `owner` and of the windows it owns.
  static QList<HelpViewer*> OpenWindows(QWidget* owner);

  // Shows `topic` in this window.
  void GoToTopic(const QString& topic);
  // The page on show ("DirectoryPrinter.htm"), empty when the page was missing.
  QString CurrentTopic() const;
  const QString& HelpFolder() const { return helpFolder_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  HelpViewer(QWidget* owner, QString helpFolder);
  static void WatchOwner(QWidget* owner);
  void UpdateTitle();

  QString helpFolder_;
  QTextBrowser* txtHelpPage_;
  QPushButton* cmdHelpContents_;
  QPushButton* cmdHelpBack_;
  QPushButton* cmdHelpForward_;
};

}  // namespace dv
