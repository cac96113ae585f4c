#pragma once
// Generates the benchmark trees: `files` files spread over folders `fanout` wide and `depth` deep, with sizes
// from 0 to 4 KiB, hidden files (1 in 50) and links (1 in 1000). The same arguments always give the same tree.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dv::bench {

struct TreeStats {
  uint64_t files = 0, folders = 0, bytes = 0;
};

TreeStats GenerateTree(const std::string& root, long files, int fanout = 20, int depth = 3);

// Runs a shell command and returns its wall time in seconds (negative when it failed).
double TimeCommand(const std::string& command);

struct Measured {
  double seconds = 0;
  long peakKb = 0;  // peak resident memory of the command (its largest process)
};
// Runs a shell command, measuring wall time and peak resident memory.
Measured MeasureCommand(const std::string& command);
// Runs `work` in a forked child, measuring its wall time and its own peak resident memory (wait4).
Measured InChild(const std::function<void()>& work);
// What a program run told: wall time, peak resident memory (the program's own, or its largest child's), exit
// status (128 + signal when killed) and standard output.
struct ProgramRun {
  double seconds = 0;
  double cpu = 0;  // user + system time
  long peakKb = 0;
  int status = -1;
  std::string out;
};
// Runs `args` without a shell (found on PATH when the first has no "/"), collecting its standard output; with
// `quiet` its standard error goes to /dev/null.
ProgramRun RunProgram(const std::vector<std::string>& args, bool quiet = false);
// The same with more say: standard error to the descriptor `errors` (when not -1, else as `quiet` says), the
// program pinned to processor `pin` (when not -1), its standard output read and thrown away unless `keepOutput`.
struct RunOptions {
  bool quiet = false;
  int errors = -1;
  int pin = -1;
  bool keepOutput = true;
};
ProgramRun RunProgram(const std::vector<std::string>& args, const RunOptions& options);
// The path of the running executable.
std::string SelfPath();
// Points HOME, the XDG folders and TMPDIR at new folders below `root`, so that the programs a benchmark runs keep
// their settings, temporary files and home there, never in the user's.
void KeepEverythingIn(const std::string& root);

// Peak resident memory of this process so far, in KB.
long OwnPeakKb();

// A chain of `depth` nested folders below `root` with one file every 100 levels, built relative to open handles
// so that it can go far beyond PATH_MAX.
void GenerateDeepTree(const std::string& root, int depth);

}  // namespace dv::bench
