#include "platform/temp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/error.h"
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

}  // namespace

std::string PrivateTempFolder() {
  std::string path = ChosenPath();
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) ThrowErrno(path);
  // Checked and tightened through one handle that refuses links, so nothing can be swapped in between.
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP) Refuse(path, "it is a symbolic link");
    if (errno == ENOTDIR) Refuse(path, "it is not a folder");
    ThrowErrno(path);
  }
  UniqueFd owned(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) ThrowErrno(path);
  if (st.st_uid != ::getuid()) Refuse(path, "it belongs to another user");
  // Ours but opened up by someone: close it again.
  if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) ThrowErrno(path);
  return path;
}

}  // namespace dv
