#pragma once
// The main window: a multiple-document frame titled "Dorvane" that holds the working windows.
#include <QMainWindow>

class QMdiArea;

namespace dv {

class frmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit frmMain(QWidget* parent = nullptr);
  QMdiArea* Area() const { return area_; }

 private:
  QMdiArea* area_;
};

}  // namespace dv
