#include "platform/beneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"

namespace dv {

namespace {

// Opens the folder `rel` below `top` without following links, in one call where the kernel offers openat2, else
// one level at a time.
int OpenBeneath(int top, const std::string& rel) {
  static bool haveOpenat2 = true;
  if (haveOpenat2) {
    struct open_how how {};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    long fd;
    do fd = ::syscall(SYS_openat2, top, rel.c_str(), &how, sizeof how);
    while (fd < 0 && errno == EAGAIN);
    if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
    haveOpenat2 = false;
  }
  UniqueFd at;
  int dir = top;
  for (size_t pos = 0; pos < rel.size();) {
    size_t end = rel.find('/', pos);
    if (end == std::string::npos) end = rel.size();
    std::string name = rel.substr(pos, end - pos);
    pos = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      errno = EXDEV;
      return -1;
    }
    int fd = ::openat(dir, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    at.Reset(fd);
    dir = fd;
  }
  return at.Valid() ? at.Release() : ::fcntl(top, F_DUPFD_CLOEXEC, 0);
}

}  // namespace

bool ItemsBeneath::Top(const std::string& top) {
  top_.clear();
  topFd_.Reset();
  held_.Reset();
  heldPath_.clear();
  if (top.empty()) return true;
  try {
    std::string full = FullPath(top);
    PathRef ref(full);
    int fd = ::openat(ref.Dir(), ref.Name(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    topFd_.Reset(fd);
    top_ = std::move(full);
    return true;
  } catch (const Error&) {
    return false;
  }
}

ItemsBeneath::Ref ItemsBeneath::Holder(const std::string& path) {
  const std::string full = FullPath(path);
  const bool below = !top_.empty() && full.size() > top_.size() && full.compare(0, top_.size(), top_) == 0 &&
                     (top_ == "/" || full[top_.size()] == '/');
  if (!below) {
    plain_.emplace(full);
    return {plain_->Dir(), plain_->Name()};
  }
  const std::string folder = ParentOfPath(full);
  name_ = NameOfPath(full);
  if (!held_.Valid() || folder != heldPath_) {
    held_.Reset();
    const std::string rel = folder.size() > top_.size() ? folder.substr(top_ == "/" ? 1 : top_.size() + 1) : ".";
    int fd = OpenBeneath(topFd_.Get(), rel);
    if (fd < 0) {
      if (errno == ELOOP || errno == EXDEV || errno == ENOTDIR)
        throw Error(err::PathFileAccess,
                    ErrorText(err::PathFileAccess) +
                        ": a folder on the way is not a folder any more (links are not followed): " + full);
      ThrowErrno(folder);
    }
    held_.Reset(fd);
    heldPath_ = folder;
  }
  return {held_.Get(), name_.c_str()};
}

}  // namespace dv
