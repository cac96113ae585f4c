#include "support/fs_assertions.h"

namespace dv::test {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct stat LStat(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

}  // namespace dv::test
