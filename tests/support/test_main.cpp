// The main of every GoogleTest binary: the tests run in a scratch working folder of their own, so that a fault
// acting on the current folder (an empty or relative path) can only reach that folder, never the sources or the
// build.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/temp_tree.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* base = std::getenv("TMPDIR");
  std::string scratch = std::string(base && *base ? base : "/tmp") + "/dvtest-cwd-XXXXXX";
  if (!::mkdtemp(scratch.data()) || ::chdir(scratch.c_str()) != 0) return 2;
  int rc = RUN_ALL_TESTS();
  if (::chdir("/") == 0) dv::test::RemoveTree(scratch);
  return rc;
}
