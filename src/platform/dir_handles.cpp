#include "platform/dir_handles.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/error.h"
#include "platform/path.h"

namespace dv {

std::vector<DirEntry> ReadEntries(int dirFd, const std::string& pathForErrors, bool rewind) {
  // Read straight from the handle: no second handle per folder, which a walk of many folders would pay for.
  if (rewind && ::lseek(dirFd, 0, SEEK_SET) < 0) ThrowErrno(pathForErrors);
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

size_t FolderHandleStack::HandleBudget() {
  struct rlimit lim {};
  if (::getrlimit(RLIMIT_NOFILE, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY) return kMaxOpen;
  rlim_t budget = lim.rlim_cur > 16 ? (lim.rlim_cur - 16) / 4 : 0;
  return static_cast<size_t>(std::clamp<rlim_t>(budget, 2, kMaxOpen));
}

FolderHandleStack::FolderHandleStack(UniqueFd root, std::string rootPath)
    : path_(std::move(rootPath)), budget_(HandleBudget()) {
  frames_.push_back({root.Release(), path_.size()});
}

FolderHandleStack::Frame& FolderHandleStack::Identify(Frame& frame) {
  if (frame.known || frame.fd < 0) return frame;
  struct stat st {};
  if (::fstat(frame.fd, &st) == 0) {
    frame.dev = st.st_dev;
    frame.ino = st.st_ino;
  }
  frame.known = true;
  return frame;
}

FolderHandleStack::~FolderHandleStack() {
  for (auto& f : frames_)
    if (f.fd >= 0) ::close(f.fd);
}

int FolderHandleStack::Push(const std::string& name, int openFlags) {
  int fd = ::openat(Top(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | openFlags);
  if (fd < 0) return errno;
  Adopt(name, UniqueFd(fd));
  return 0;
}

void FolderHandleStack::Adopt(const std::string& name, UniqueFd folder) {
  if (path_.empty() || path_.back() != '/') path_ += '/';
  path_ += name;
  frames_.push_back({folder.Release(), path_.size()});
  // Open now: frame 0 and frames firstOpen_ .. the top. The top itself is never closed (budget_ >= 2).
  if (1 + frames_.size() - firstOpen_ > budget_) {
    Frame& closing = frames_[firstOpen_];
    // What it is must be known before its handle goes: it is reopened later by name and checked against it.
    Identify(closing);
    if (closing.fd >= 0) ::close(closing.fd);
    closing.fd = -1;
    ++firstOpen_;
  }
}

namespace {

// Opens `name` inside `dirFd` as a folder, never through a link, when it is the folder (dev, ino); else -1.
int OpenSame(int dirFd, const char* name, dev_t dev, ino_t ino) {
  int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_dev == dev && st.st_ino == ino) return fd;
  ::close(fd);
  return -1;
}

}  // namespace

std::string FolderHandleStack::NameOf(size_t index) const {
  // Push added a "/" unless the path above already ended with one; names never hold one.
  size_t start = frames_[index - 1].pathLength;
  if (start == 0 || path_[start - 1] != '/') ++start;
  return path_.substr(start, frames_[index].pathLength - start);
}

int FolderHandleStack::Reopen(size_t index) const {
  size_t anchor = index;
  while (anchor > 0 && frames_[anchor - 1].fd < 0) --anchor;
  if (anchor == 0) return -1;  // not even the top folder's handle
  --anchor;
  // Down the recorded names one by one, each checked to be the folder that was pushed there.
  UniqueFd current;
  for (size_t i = anchor + 1; i <= index; ++i) {
    int from = current.Valid() ? current.Get() : frames_[anchor].fd;
    int fd = OpenSame(from, NameOf(i).c_str(), frames_[i].dev, frames_[i].ino);
    if (fd < 0) return -1;
    current.Reset(fd);
  }
  return current.Release();
}

void FolderHandleStack::Pop() {
  if (frames_.size() <= 1) return;
  UniqueFd child(frames_.back().fd);
  frames_.pop_back();
  const size_t index = frames_.size() - 1;
  Frame& parent = frames_[index];
  path_.resize(parent.pathLength);
  if (index < firstOpen_) firstOpen_ = std::max<size_t>(index, 1);
  if (parent.fd >= 0) return;
  // The quick way up is "..", unless the child was moved elsewhere; then the parent's own names, from above.
  int fd = child.Valid() ? OpenSame(child.Get(), "..", parent.dev, parent.ino) : -1;
  child.Reset();
  if (fd < 0) fd = Reopen(index);
  if (fd < 0) {
    firstOpen_ = index + 1;
    throw Error(err::PathFileAccess, "Folder moved during the operation: " + path_);
  }
  parent.fd = fd;
}

}  // namespace dv
