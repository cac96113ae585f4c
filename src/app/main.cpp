// The program's entry: a thin main over the shell and the working windows.
#include "dirprint/frm_dir_print.h"
#include "fileops_engine/journal.h"
#include "fileops_engine/undo_operation.h"
#include "fileops_ui/frm_file_ops.h"
#include "settings/settings_store.h"
#include "shell/app_main.h"

int main(int argc, char** argv) {
  // Journals past their time go with their kept files before anything else runs; a failure only leaves them.
  try {
    dv::IniUserSettings settings;
    dv::ForgetOldJournals(dv::DefaultJournalFolder(), dv::UndoKeepDays(settings));
  } catch (const std::exception&) {}
  return dv::Main(
      argc, argv,
      [](dv::ShellServices& services, dv::frmCancel* cancel) { return new dv::frmDirPrint(services, cancel); },
      [](dv::ShellServices& services, dv::frmCancel* cancel) { return new dv::frmFileOps(services, cancel); });
}
