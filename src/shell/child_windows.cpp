#include "shell/child_windows.h"

namespace dv {

frmDirPrintBase::frmDirPrintBase(QWidget* parent) : QWidget(parent) {
  setObjectName("frmDirPrint");
  setWindowTitle("Directory Printer");
}

frmFileOpsBase::frmFileOpsBase(QWidget* parent) : QWidget(parent) {
  setObjectName("frmFileOps");
  setWindowTitle("File Operations");
}

}  // namespace dv
