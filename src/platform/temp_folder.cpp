#include "platform/temp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {

bool IsFolder(const char* path) {
  struct stat st;
  return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ChosenPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (IsFolder(runtime)) return std::string(runtime) + "/dorvane";
  const char* tmp = std::getenv("TMPDIR");
  std::string base = IsFolder(tmp) ? tmp : "/tmp";
  return base + "/dorvane-" + std::to_string(::getuid());
}

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
  throw Error(err::PermissionDenied, "The temporary folder " + path + " cannot be used: " + why);
}

std::string Octal(mode_t mode) {
  char text[16];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// Sets the mode of the folder behind an O_PATH handle. A handle that can read the folder is enough for fchmod;
// when the umask left us without read permission, the handle's /proc name reaches the same folder.
bool SetMode(int pathFd, mode_t mode) {
  UniqueFd readable(::openat(pathFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (readable.Valid()) return ::fchmod(readable.Get(), mode) == 0;
  return ::chmod(("/proc/self/fd/" + std::to_string(pathFd)).c_str(), mode) == 0;
}

}  // namespace

std::string PrivateTempFolder() {
  std::string path = ChosenPath();
  bool created = ::mkdir(path.c_str(), 0700) == 0;
  if (!created && errno != EEXIST) ThrowErrno(path);
  // Every check goes through one handle of the entry itself (a link is opened as the link), so nothing can be
  // swapped in between the checks.
  UniqueFd fd(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.Valid()) ThrowErrno(path);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) ThrowErrno(path);
  if (S_ISLNK(st.st_mode)) Refuse(path, "it is a symbolic link");
  if (!S_ISDIR(st.st_mode)) Refuse(path, "it is not a folder");
  if (st.st_uid != ::getuid()) Refuse(path, "it belongs to another user");
  if ((st.st_mode & 07777) != 0700) {
    // Only a folder we have just made, with nothing in it yet, is brought to 0700 (the umask or a set-group-ID
    // parent may have changed its mode); an older one may hold what someone planted while it was open.
    if (!created) Refuse(path, "its mode is " + Octal(st.st_mode) + ", not 0700");
    if (!SetMode(fd.Get(), 0700)) ThrowErrno(path);
  }
  return path;
}

void ClearLockPath(const std::string& folder, const std::string& name) {
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dir.Valid()) ThrowErrno(folder);
  const std::string path = folder + "/" + name;
  struct stat st;
  if (::fstatat(dir.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return;
    ThrowErrno(path);
  }
  if (S_ISREG(st.st_mode)) return;
  if (S_ISDIR(st.st_mode)) {
    // Inside our own 0700 folder nobody else made it; removed through handles that never follow a link.
    FileSystemObject().DeleteFolder(path, true);
    return;
  }
  if (::unlinkat(dir.Get(), name.c_str(), 0) != 0 && errno != ENOENT) ThrowErrno(path);
}

}  // namespace dv
