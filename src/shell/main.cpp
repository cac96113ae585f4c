// The program's entry: a thin main over the shell library.
#include <QApplication>

#include "shell/frm_main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("dorvane");
  dv::frmMain window;
  window.show();
  return QApplication::exec();
}
