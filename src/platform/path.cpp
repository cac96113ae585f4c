#include "platform/path.h"

#include <random>

#include <climits>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace dv {

namespace {

// True when `path` is absolute and has nothing to resolve: no empty, "." or ".." part and no "/" at the end (the
// paths a walk hands over, looked at once an item).
bool AlreadyNormal(std::string_view path) {
  if (path.empty() || path[0] != '/') return false;
  if (path.size() == 1) return true;
  for (size_t i = 0; i < path.size();) {
    size_t j = path.find('/', i + 1);
    if (j == std::string_view::npos) j = path.size();
    const std::string_view part = path.substr(i + 1, j - i - 1);
    if (part.empty() || part == "." || part == "..") return false;
    i = j;
  }
  return true;
}

}  // namespace

std::string GetAbsolutePathName(const std::string& path) {
  if (AlreadyNormal(path)) return path;
  std::string full = path;
  if (full.empty() || full[0] != '/') {
    // A current folder that is gone (or too long to name) must not silently become "/".
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd) throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": the current folder (" + path + ")");
    full = std::string(cwd) + "/" + path;
    ::free(cwd);
  }
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  if (parts.empty()) return "/";
  std::string out;
  for (auto& p : parts) out += "/" + p;
  return out;
}

std::string FullPath(const std::string& path) {
  if (path.empty()) throw Error(err::BadFileName, ErrorText(err::BadFileName) + ": the path is empty");
  return GetAbsolutePathName(path);
}

std::string NameOfPath(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  size_t slash = path.rfind('/', end - 1);
  if (slash == std::string::npos) return path.substr(0, end);
  return path.substr(slash + 1, end - slash - 1);
}

std::string ParentOfPath(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  size_t slash = path.rfind('/', end - 1);
  if (slash == std::string::npos) return ".";
  while (slash > 0 && path[slash - 1] == '/') --slash;
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string ExtensionOf(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 >= name.size()) return {};
  return name.substr(dot + 1);
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

PathRef::PathRef(const std::string& path) : path_(path) {
  if (path.empty()) throw Error(err::BadFileName, ErrorText(err::BadFileName) + ": the path is empty");
  if (path.size() < PATH_MAX) {
    name_ = path;
    return;
  }
  // Too long for one system call: open the folder part in pieces shorter than PATH_MAX, each relative to the
  // previous one. Links inside the folder part are followed, as a plain path lookup would.
  std::string folder = ParentOfPath(path);
  name_ = NameOfPath(path);
  size_t pos = 0;
  int at = AT_FDCWD;
  if (!folder.empty() && folder[0] == '/') {
    dir_.Reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    at = dir_.Get();
    pos = 1;
  }
  while (pos < folder.size()) {
    if (folder[pos] == '/') {  // a doubled "/" must not restart the lookup at the root
      ++pos;
      continue;
    }
    size_t end = folder.size();
    if (end - pos >= PATH_MAX) {
      end = folder.rfind('/', pos + PATH_MAX - 1);
      if (end == std::string::npos || end <= pos) throw ErrorFromErrno(ENAMETOOLONG, path);
    }
    std::string piece = folder.substr(pos, end - pos);
    int fd = ::openat(at, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      int e = errno;
      if (e == ENOENT || e == ENOTDIR) throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": " + path);
      throw ErrorFromErrno(e, path);
    }
    dir_.Reset(fd);
    at = fd;
    pos = end + 1;
  }
}

std::string PathRef::ShortPath() const {
  if (!dir_.Valid()) return name_;
  return "/proc/self/fd/" + std::to_string(dir_.Get()) + "/" + name_;
}

std::string TempName(const std::string& purpose) {
  static std::mt19937_64 rng{std::random_device{}()};
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = ".dv-" + purpose + "-";
  for (int i = 0; i < 12; ++i) name += digits[rng() % 36];
  return name + ".tmp";
}

}  // namespace dv
