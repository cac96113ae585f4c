// The program's entry: a thin main over the shell and the working windows.
#include "dirprint/frm_dir_print.h"
#include "fileops_ui/frm_file_ops.h"
#include "shell/app_main.h"

int main(int argc, char** argv) {
  return dv::Main(
      argc, argv,
      [](dv::ShellServices& services, dv::frmCancel* cancel) { return new dv::frmDirPrint(services, cancel); },
      [](dv::ShellServices& services, dv::frmCancel* cancel) { return new dv::frmFileOps(services, cancel); });
}
