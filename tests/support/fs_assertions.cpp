#include "support/fs_assertions.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
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

namespace {

void SnapshotInto(const std::string& path, const std::string& rel, std::vector<std::string>& out) {
  struct stat st = LStat(path);
  std::string line = rel + " mode=" + std::to_string(st.st_mode) + " m=" + std::to_string(st.st_mtim.tv_sec) + "." +
                     std::to_string(st.st_mtim.tv_nsec) + " a=" + std::to_string(st.st_atim.tv_sec) + "." +
                     std::to_string(st.st_atim.tv_nsec);
  if (S_ISLNK(st.st_mode)) {
    char target[4096];
    ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    line += " -> " + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
  } else if (S_ISREG(st.st_mode)) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NOATIME);
    EXPECT_GE(fd, 0) << path;
    char buf[4096];
    std::string content;
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0;) content.append(buf, static_cast<size_t>(n));
    if (fd >= 0) ::close(fd);
    line += " = " + content;
  }
  char names[4096];
  ssize_t size = ::llistxattr(path.c_str(), names, sizeof names);
  for (const char* name = names; size > 0 && name < names + size; name += std::strlen(name) + 1) {
    if (std::strncmp(name, "user.", 5) != 0) continue;
    char value[256];
    ssize_t n = ::lgetxattr(path.c_str(), name, value, sizeof value);
    line += std::string(" ") + name + "=" + std::string(value, n > 0 ? static_cast<size_t>(n) : 0);
  }
  out.push_back(line);
  if (!S_ISDIR(st.st_mode)) return;
  std::vector<std::string> names2;
  // Listing a folder would move its access time too.
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NOATIME);
  if (DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr) {
    while (dirent* e = ::readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names2.push_back(e->d_name);
    ::closedir(d);
  }
  for (const std::string& n : names2) SnapshotInto(path + "/" + n, rel + "/" + n, out);
}

}  // namespace

std::string Snapshot(const std::string& root) {
  std::vector<std::string> items;
  SnapshotInto(root, ".", items);
  std::sort(items.begin(), items.end());
  std::string out;
  for (const std::string& item : items) out += item + "\n";
  return out;
}

}  // namespace dv::test
