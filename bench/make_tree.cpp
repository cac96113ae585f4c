// Generates a benchmark tree for measuring from the shell: make_tree ROOT FILES [FANOUT DEPTH], or a chain of
// LEVELS nested folders: make_tree --deep ROOT LEVELS.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tree_gen.h"

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--deep") {
    dv::bench::GenerateDeepTree(argv[2], std::atoi(argv[3]));
    return 0;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_tree ROOT FILES [FANOUT DEPTH] | make_tree --deep ROOT LEVELS\n");
    return 2;
  }
  const dv::bench::TreeStats stats = dv::bench::GenerateTree(argv[1], std::atol(argv[2]), argc > 3 ? std::atoi(argv[3]) : 27,
                                                             argc > 4 ? std::atoi(argv[4]) : 3);
  std::printf("%llu files, %llu folders, %llu bytes\n", static_cast<unsigned long long>(stats.files),
              static_cast<unsigned long long>(stats.folders), static_cast<unsigned long long>(stats.bytes));
  return 0;
}
