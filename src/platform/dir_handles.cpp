#include "platform/dir_handles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/path.h"

namespace dv {

std::vector<DirEntry> ReadEntries(int dirFd, const std::string& pathForErrors) {
  // Read straight from the handle: no second handle per folder, which a walk of many folders would pay for.
  if (::lseek(dirFd, 0, SEEK_SET) < 0) ThrowErrno(pathForErrors);
  std::vector<DirEntry> out;
  alignas(struct dirent64) char buf[32768];
  for (;;) {
    ssize_t n = ::getdents64(dirFd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(pathForErrors);
    }
    if (n == 0) break;
    for (ssize_t off = 0; off < n;) {
      auto* d = reinterpret_cast<struct dirent64*>(buf + off);
      off += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      unsigned char type = d->d_type;
      if (type == DT_UNKNOWN) {
        struct stat st;
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
        type = S_ISDIR(st.st_mode)   ? DT_DIR
               : S_ISLNK(st.st_mode) ? DT_LNK
               : S_ISREG(st.st_mode) ? DT_REG
                                     : DT_FIFO;
      }
      out.push_back({name, type});
    }
  }
  return out;
}

FolderHandleStack::FolderHandleStack(UniqueFd root, std::string rootPath) : path_(std::move(rootPath)) {
  struct stat st {};
  ::fstat(root.Get(), &st);
  frames_.push_back({root.Release(), st.st_dev, st.st_ino, path_.size()});
}

FolderHandleStack::~FolderHandleStack() {
  for (auto& f : frames_)
    if (f.fd >= 0) ::close(f.fd);
}

int FolderHandleStack::Push(const std::string& name, int openFlags) {
  int fd = ::openat(Top(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | openFlags);
  if (fd < 0) return errno;
  struct stat st {};
  ::fstat(fd, &st);
  if (path_.empty() || path_.back() != '/') path_ += '/';
  path_ += name;
  frames_.push_back({fd, st.st_dev, st.st_ino, path_.size()});
  if (frames_.size() - firstOpen_ > kMaxOpen) {
    ::close(frames_[firstOpen_].fd);
    frames_[firstOpen_].fd = -1;
    ++firstOpen_;
  }
  return 0;
}

void FolderHandleStack::Pop() {
  if (frames_.size() <= 1) return;
  Frame child = std::move(frames_.back());
  frames_.pop_back();
  Frame& parent = frames_.back();
  path_.resize(parent.pathLength);
  if (parent.fd < 0) {
    int fd = ::openat(child.fd, "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    bool same = fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == parent.dev && st.st_ino == parent.ino;
    ::close(child.fd);
    if (!same) {
      if (fd >= 0) ::close(fd);
      throw Error(err::PathFileAccess, "Folder moved during the operation: " + path_);
    }
    parent.fd = fd;
    firstOpen_ = frames_.size() - 1;
    return;
  }
  ::close(child.fd);
}

}  // namespace dv
