// dorvane-cli: the command-line front end to Dorvane's engines.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/op_command.h"
#include "cli/report_command.h"
#include "cli/undo_command.h"
#include "dv_version.h"

namespace {

const char* kUsage =
    "Usage: dorvane-cli COMMAND [OPTIONS]\n"
    "Commands:\n"
    "  report   write the directory report of a folder (dorvane-cli report --help)\n"
    "  op       run a file operation over a folder's files (dorvane-cli op --help)\n"
    "  undo     undo the last file operation, or list the runs that can be undone (dorvane-cli undo --help)\n"
    "Options:\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "report") return dv::RunReportCommand(args);
  if (command == "op") return dv::RunOpCommand(args);
  if (command == "undo") return dv::RunUndoCommand(args);
  if (command == "--version") {
    std::fputs("dorvane-cli " DV_VERSION_TEXT "\n", stdout);
    return 0;
  }
  if (command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::fprintf(stderr, "dorvane-cli: unknown command '%s'\n%s", command.c_str(), kUsage);
  return 2;
}
