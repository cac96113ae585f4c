#include "support/fs_assertions.h"

#include <dirent.h>

#include <algorithm>
#include <vector>

namespace dv::test {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct stat LStat(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

// The names in a folder, sorted, joined by " ".
std::string Listing(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : " ") + n;
  return out;
}

}  // namespace dv::test
