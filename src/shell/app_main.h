#pragma once
// The program's start-up: one instance per user, the main window, then the tip of the day.
#include "shell/frm_main.h"

namespace dv {

// Runs the program; returns the process's exit status. Options: --screenshot FILE saves a picture of the main
// window as PNG once it has settled (for end-to-end checks and bug reports). `dirPrint` makes the directory
// printer window (a plain frame when empty).
int Main(int argc, char** argv, frmMain::DirPrintFactory dirPrint = {});

}  // namespace dv
