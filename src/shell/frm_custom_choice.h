#pragma once
// frmCustomChoice: a modal question with two buttons whose captions the caller chooses.
#include <QDialog>

class QLabel;
class QPushButton;

namespace dv {

class frmCustomChoice : public QDialog {
  Q_OBJECT
 public:
  explicit frmCustomChoice(QWidget* mainWindow);

  // Shows the question modally. 1 for the left button, 2 for the right one, 0 when the window was closed in any
  // other way (the exit button, the title bar, Escape). Callers treat 0 as "neither".
  int GiveChoice(const QString& instructions, const QString& leftCaption, const QString& rightCaption,
                 const QString& title);

  int LRChoice() const { return lrChoice_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Choose(int choice);

  QWidget* mainWindow_;
  QLabel* lblChoiceText_;
  QPushButton* cmdLeft_;
  QPushButton* cmdRight_;
  QPushButton* cmdExitPopUp_;
  int lrChoice_ = 0;
};

}  // namespace dv
