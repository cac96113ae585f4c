#pragma once
// Opening a file with the program the desktop associates with it, through xdg-open. The answer is a shell result
// code as the open call of the operations knows it: above 32 the file was opened, 32 or less it was not, with a
// message saying why.
#include <sys/types.h>

#include <functional>
#include <string>

namespace dv {

namespace shellresult {
inline constexpr long Opened = 42;              // any value above 32 means success
inline constexpr long FileNotFound = 2;         // xdg-open 2: the file does not exist
inline constexpr long AccessDenied = 5;         // xdg-open 5: no permission to read the file
inline constexpr long AssocIncomplete = 27;     // xdg-open 1: it refused the request as malformed
inline constexpr long ProgramFailed = 29;       // xdg-open 4, or any other end: the program did not open it
inline constexpr long NoAssociation = 31;       // xdg-open 3 (no program for this type), or no xdg-open at all
}  // namespace shellresult

struct ShellResult {
  long code = 0;
  std::string message;  // empty when opened
  pid_t pid = 0;        // the xdg-open that did it: the opened program runs as it or one of its descendants
  bool Opened() const { return code > 32; }
};

// How long xdg-open is given to answer. On a desktop it hands the file over and ends at once; without one it runs
// the program itself and ends only when the program does, so one still running after this is taken as opened.
inline constexpr long kOpenAnswerMilliseconds = 5000;

// The shell result for an exit code of xdg-open (127: it could not be run).
ShellResult ShellResultOfXdgOpen(int exitCode);

// Opens `path` with xdg-open (the path is one argument, no shell between) and waits for its answer, calling
// `check` about every 100 ms; `check` returning true stops the wait, and the open counts as started. Throws Error
// when xdg-open cannot be started at all.
ShellResult OpenWithDefaultProgram(const std::string& path, const std::function<bool()>& check);

}  // namespace dv
