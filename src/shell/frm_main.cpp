#include "shell/frm_main.h"

#include <QMdiArea>

namespace dv {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), area_(new QMdiArea(this)) {
  setObjectName("frmMain");
  setWindowTitle("Dorvane");
  area_->setObjectName("mdiArea");
  setCentralWidget(area_);
  resize(1024, 720);
}

}  // namespace dv
