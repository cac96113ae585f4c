#pragma once
// Child processes for tests: running a piece of a test in a forked child (as another user, with limits, or where a
// call might block, so that none of it can touch or stop the test runner itself), and running a program to its end.
#include <sys/resource.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace dv::test {

// The user a child becomes with `asUser` when we are root ("nobody").
inline constexpr uid_t kNobody = 65534;

// Runs `body` in a child process whose current folder is `cwd` (a folder of the test's own, so that a path
// resolved against the current folder can never reach anything else) and returns its text. A call that blocks is
// killed after `limitSeconds` ("blocked") instead of stopping the whole run. With `asUser`, the child first
// becomes kNobody when we are root; otherwise it keeps our own identity (permission bits then hold for us
// already). Other failures come back as "cannot enter <cwd>", "cannot change user", "exception: ..." or
// "child crashed". The child never returns into the test runner, so the parent's clean-up runs once.
std::string InChild(const std::string& cwd, const std::function<std::string()>& body, bool asUser = false,
                    int limitSeconds = 30);

// Gives a subtree to the user a child runs as with `asUser` (only when we are root), and lets that user reach
// the tree's top.
void HandOver(TempTree& tree, const std::string& path);

// For a child only: no file it writes may grow past `bytes`, as on a full disk. The write then fails with an
// error instead of the signal ending the process.
void LimitFileSize(rlim_t bytes);

struct ProgramResult {
  int status = -1;  // the exit code; 128 + the signal when one ended it; 127 when the program could not be run
  std::string out, err;
};

// Runs `program` (looked up on PATH when the name has no "/") with `args` and waits for its end, collecting its
// standard output and error whole. The environment is inherited, so an IsolatedEnvironment reaches the program.
// With `fileLimit`, no file the program writes may grow past that many bytes, as on a full disk.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, rlim_t fileLimit = 0);

}  // namespace dv::test
