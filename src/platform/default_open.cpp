#include "platform/default_open.h"

#include "platform/path.h"
#include "platform/process_run.h"

namespace dv {

ShellResult ShellResultOfXdgOpen(int exitCode) {
  using namespace shellresult;
  switch (exitCode) {
    case 0: return {Opened, ""};
    case 1: return {AssocIncomplete, "The request to open the file was refused as malformed (xdg-open exit 1)."};
    case 2: return {FileNotFound, "The file was not found (xdg-open exit 2)."};
    case 3:
      return {NoAssociation, "There is no application associated with this type of file (xdg-open exit 3)."};
    case 4: return {ProgramFailed, "The associated application failed to open the file (xdg-open exit 4)."};
    case 5: return {AccessDenied, "Access to the file was denied (xdg-open exit 5)."};
    case 127:
      return {NoAssociation, "xdg-open could not be run, so no associated application can be found (install "
                             "xdg-utils)."};
    default:
      return {ProgramFailed, "The file could not be opened (xdg-open ended with status " + std::to_string(exitCode) +
                                 ")."};
  }
}

ShellResult OpenWithDefaultProgram(const std::string& path, const std::function<bool()>& check) {
  // An absolute path: a name starting with "-" can never be read as an option.
  const pid_t pid = StartProgram({"xdg-open", GetAbsolutePathName(path)});
  const WaitResult waited = WaitForChild(pid, kOpenAnswerMilliseconds, check);
  ShellResult result = waited.end == WaitEnd::Ended ? ShellResultOfXdgOpen(waited.status)
                                                    : ShellResult{shellresult::Opened, "", 0};
  result.pid = pid;
  return result;
}

}  // namespace dv
