#pragma once
// The program's start-up: one instance per user, the main window, then the tip of the day.
#include "shell/frm_main.h"

namespace dv {

// Runs the program; returns the process's exit status. Options: --screenshot FILE saves a picture of the main
// window as PNG once it has settled (for end-to-end checks and bug reports). `dirPrint` makes the directory
// printer window and `fileOps` the file operations window, which gets the main window's progress controller
// (plain frames when empty).
using FileOpsMaker = std::function<frmFileOpsBase*(ShellServices&, frmCancel* cancel)>;
int Main(int argc, char** argv, frmMain::DirPrintFactory dirPrint = {}, FileOpsMaker fileOps = {});

}  // namespace dv
