#pragma once
// frmAbout, "About": the program's name and version, and a label that opens the download page.
#include <QDialog>

#include "common/error_handler.h"
#include "common/prompter.h"

class QLabel;
class QPushButton;

namespace dv {

class frmAbout : public QDialog {
  Q_OBJECT
 public:
  // Modeless: the caller shows it and brings it to the front.
  frmAbout(Prompter& prompter, ErrorHandler& errors, QWidget* parent,
           ProgramVersion version = ProgramVersion::Current());

  // "Dorvane 2004." + minor, and "." + revision when the revision is above 0.
  static QString ProgramNameText(const ProgramVersion& version);

  // What a click on lblDownload does: the home page in the web browser.
  void OpenDownloadPage();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Prompter& prompter_;
  ErrorHandler& errors_;
  QLabel* lblProgName_;
  QLabel* lblDownload_;
  QPushButton* cmdOK_;
};

}  // namespace dv
