#pragma once
// Generates the benchmark trees: `files` files spread over folders `fanout` wide and `depth` deep, with sizes
// from 0 to 4 KiB, hidden files (1 in 50) and links (1 in 1000). The same arguments always give the same tree.
#include <cstdint>
#include <string>

namespace dv::bench {

struct TreeStats {
  uint64_t files = 0, folders = 0, bytes = 0;
};

TreeStats GenerateTree(const std::string& root, long files, int fanout = 20, int depth = 3);

// Runs a shell command and returns its wall time in seconds (negative when it failed).
double TimeCommand(const std::string& command);

}  // namespace dv::bench
