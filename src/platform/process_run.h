#pragma once
// Starting other programs and waiting for them. Children are started with posix_spawn; a child that is not
// waited for to its end (started and left, or still running when a wait gave up) is handed to a reaper that
// collects it when it ends, so no finished child ever stays behind as a zombie. Only the children started here
// are collected: other code of the process keeps its own children.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace dv {

// `text` as one word of the shell: in single quotes, each ' written as '\''. Nothing inside is expanded.
std::string ShellQuoted(const std::string& text);

// Starts `/bin/sh -c command`. Standard input is /dev/null and standard output goes to our standard error (the
// command line program keeps its standard output for the results); no descriptor of ours is passed on beyond
// those. Throws Error when the child cannot be started.
pid_t StartShellCommand(const std::string& command);

// Starts `/bin/sh -c command sh parameters...`: the parameters are the shell's $1, $2, ..., values the shell
// never reads as shell text. As above otherwise.
pid_t StartShellCommand(const std::string& command, const std::vector<std::string>& parameters);

// Starts `argv[0]`, looked up on PATH, with `argv` as its arguments and no shell between; as above otherwise.
pid_t StartProgram(const std::vector<std::string>& argv);

enum class WaitEnd { Ended, TimedOut, Stopped };
struct WaitResult {
  WaitEnd end = WaitEnd::TimedOut;
  int status = -1;  // when Ended: the exit code, or 128 + the signal that ended it
};

// Waits at most `milliseconds` for `pid` to end. About every 100 ms `check` is called; when it returns true the
// wait stops early (Stopped). The thread sleeps in between: the wait does not spin. A child that did not end in
// time is left running and handed to the reaper.
WaitResult WaitForChild(pid_t pid, long milliseconds, const std::function<bool()>& check);

// Hands a started child that will not be waited for to the reaper.
void ReapWhenEnded(pid_t pid);

}  // namespace dv
