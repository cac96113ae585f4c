#include "support/temp_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace dv::test {

namespace {

void MakeParents(const std::string& path) {
  for (size_t pos = 1; (pos = path.find('/', pos)) != std::string::npos; ++pos) ::mkdir(path.substr(0, pos).c_str(), 0755);
}

// Removes `name` below `dirFd` (a whole tree when it is a folder) through folder handles only.
void RemoveAt(int dirFd, const char* name) {
  if (::unlinkat(dirFd, name, 0) == 0) return;
  int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return;
  ::fchmod(fd, 0700);
  std::vector<std::string> names;
  if (DIR* d = ::fdopendir(::dup(fd))) {
    while (dirent* e = ::readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    ::closedir(d);
  }
  for (const auto& n : names) RemoveAt(fd, n.c_str());
  ::close(fd);
  ::unlinkat(dirFd, name, AT_REMOVEDIR);
}

}  // namespace

void RemoveTree(const std::string& root) {
  if (root.size() < 6 || root[0] != '/') return;  // never anything that looks like a system folder
  ::nftw(root.c_str(), [](const char* p, const struct stat* st, int, struct FTW*) {
    if (S_ISDIR(st->st_mode)) ::chmod(p, 0700);
    return 0;
  }, 64, FTW_PHYS);
  ::nftw(root.c_str(), [](const char* p, const struct stat*, int, struct FTW*) {
    ::remove(p);
    return 0;
  }, 64, FTW_DEPTH | FTW_PHYS);
}

TempTree::TempTree() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/dvtest-XXXXXX";
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  root_ = tmpl;
}

TempTree::~TempTree() { RemoveTree(root_); }

DeepCleanup::~DeepCleanup() {
  if (TempTree::Exists(path)) RemoveAt(AT_FDCWD, path.c_str());
}

std::string TempTree::Dir(const std::string& rel) {
  std::string p = *this / rel;
  MakeParents(p + "/");
  return p;
}

std::string TempTree::File(const std::string& rel, const std::string& content) {
  std::string p = *this / rel;
  MakeParents(p);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + p);
  return p;
}

std::string TempTree::Link(const std::string& rel, const std::string& target) {
  std::string p = *this / rel;
  MakeParents(p);
  if (::symlink(target.c_str(), p.c_str()) != 0) throw std::runtime_error("symlink failed: " + p);
  return p;
}

std::string TempTree::Fifo(const std::string& rel) {
  std::string p = *this / rel;
  MakeParents(p);
  if (::mkfifo(p.c_str(), 0644) != 0) throw std::runtime_error("mkfifo failed: " + p);
  return p;
}

void TempTree::SetTimes(const std::string& rel, std::time_t accessed, std::time_t modified) {
  struct timespec ts[2] = {{accessed, 0}, {modified, 0}};
  if (::utimensat(AT_FDCWD, (*this / rel).c_str(), ts, AT_SYMLINK_NOFOLLOW) != 0)
    throw std::runtime_error("utimensat failed");
}

std::string TempTree::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool TempTree::Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

void EnvironmentScope::Restore() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->had) ::setenv(it->name.c_str(), it->value.c_str(), 1);
    else ::unsetenv(it->name.c_str());
  }
  saved_.clear();
}

void EnvironmentScope::Set(const char* name, const char* value) {
  const char* old = std::getenv(name);
  saved_.push_back({name, old != nullptr, old ? old : ""});
  if (value) ::setenv(name, value, 1);
  else ::unsetenv(name);
}

LocalZone::LocalZone(const char* zone) {
  env_.Set("TZ", zone);
  ::tzset();
}

LocalZone::~LocalZone() {
  env_.Restore();
  ::tzset();
}

IsolatedEnvironment::IsolatedEnvironment(TempTree& tree)
    : runtime_(tree.Dir("env/runtime")),
      configHome_(tree.Dir("env/config")),
      configDirs_(tree.Dir("env/xdg")),
      home_(tree.Dir("env/home")) {
  // Where runs write their undo journals.
  Set("XDG_DATA_HOME", tree.Dir("env/data"));
  ::chmod(runtime_.c_str(), 0700);
  Set("XDG_RUNTIME_DIR", runtime_);
  Set("XDG_CONFIG_HOME", configHome_);
  Set("XDG_CONFIG_DIRS", configDirs_);
  Set("HOME", home_);
}

}  // namespace dv::test
