#include "platform/dir_handles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/path.h"

namespace dv {

std::vector<DirEntry> ReadEntries(int dirFd, const std::string& pathForErrors) {
  int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) ThrowErrno(pathForErrors);
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    int e = errno;
    ::close(fd);
    throw ErrorFromErrno(e, pathForErrors);
  }
  std::vector<DirEntry> out;
  errno = 0;
  while (struct dirent* d = ::readdir(dir)) {
    const char* n = d->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    unsigned char type = d->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (::fstatat(dirFd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
      type = S_ISDIR(st.st_mode)   ? DT_DIR
             : S_ISLNK(st.st_mode) ? DT_LNK
             : S_ISREG(st.st_mode) ? DT_REG
                                   : DT_FIFO;
    }
    out.push_back({n, type});
    errno = 0;
  }
  int e = errno;
  ::closedir(dir);
  if (e != 0) throw ErrorFromErrno(e, pathForErrors);
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
