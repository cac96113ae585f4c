#include "platform/beneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/error.h"

namespace dv {

namespace {

// One step down opens at most this many levels (and far fewer bytes than PATH_MAX), so a step back up finds a
// held folder close above.
constexpr int kLevelsPerStep = 8;
constexpr size_t kBytesPerStep = 2048;

// Opens the folder `rel` below `top` without following links, in one call where the kernel offers openat2, else
// one level at a time.
int OpenBeneath(int top, const std::string& rel) {
  const int whole = OpenFolderInOneCall(top, rel.c_str());
  if (whole >= 0 || errno != ENOSYS) return whole;
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

// True when `path` is `folder` or lies below it.
bool Within(std::string_view path, const std::string& folder, size_t folderLength) {
  if (path.size() < folderLength || path.compare(0, folderLength, folder, 0, folderLength) != 0) return false;
  return path.size() == folderLength || path[folderLength] == '/' || folderLength == 1;
}

[[noreturn]] void ThrowUnreachable(int e, const std::string& folder, const std::string& full) {
  if (e == ELOOP || e == EXDEV || e == ENOTDIR)
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) +
                                         ": a folder on the way is not a folder any more (links are not followed): " +
                                         full);
  throw ErrorFromErrno(e, folder);
}

// True when `path` is absolute and already as FullPath would give it (no empty, "." or ".." name, no "/" at the
// end): what a walk hands over, item after item, needs no rebuilding.
bool IsPlainFullPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  if (path.size() == 1) return true;
  for (size_t start = 1, i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const size_t length = i - start;
    if (length == 0 || (path[start] == '.' && (length == 1 || (length == 2 && path[start + 1] == '.')))) return false;
    start = i + 1;
  }
  return true;
}

}  // namespace

int OpenFolderInOneCall(int top, const char* rel) {
  static bool haveOpenat2 = true;
  if (!haveOpenat2) {
    errno = ENOSYS;
    return -1;
  }
  struct open_how how {};
  how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  long fd;
  do fd = ::syscall(SYS_openat2, top, rel, &how, sizeof how);
  while (fd < 0 && errno == EAGAIN);
  if (fd < 0 && errno == ENOSYS) haveOpenat2 = false;
  return static_cast<int>(fd);
}

bool ItemsBeneath::Top(const std::string& top) {
  ++run_;
  top_.clear();
  topErrno_ = 0;
  noTop_ = top.empty();
  chain_.clear();
  heldPath_.clear();
  entryPath_.clear();
  entryDir_.Reset();
  if (noTop_) return true;
  try {
    top_ = FullPath(top);
    PathRef ref(top_);
    int fd = top_ == "/" ? ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)
                         : ::openat(ref.Dir(), ref.Name(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      topErrno_ = errno;
      return false;
    }
    heldPath_ = top_;
    chain_.push_back({top_.size(), UniqueFd(fd)});
    return true;
  } catch (const Error&) {
    topErrno_ = ENOENT;
    return false;
  }
}

ItemsBeneath::Ref ItemsBeneath::Holder(const std::string& path) {
  std::string rebuilt;
  const std::string& full = IsPlainFullPath(path) ? path : (rebuilt = FullPath(path));
  if (noTop_) return OnItsOwn(full);
  if (topErrno_ != 0)
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": the source folder could not be opened (" +
                                         ErrorFromErrno(topErrno_, top_).Description() + "): " + full);
  if (full == top_) {
    // The top is the user's own choice: reached as named.
    plain_.emplace(full);
    return {plain_->Dir(), plain_->Name()};
  }
  if (!Within(full, top_, top_.size()))
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not inside the source folder: " + full);
  return Below(full);
}

ItemsBeneath::Ref ItemsBeneath::Below(const std::string& full) {
  // `full` is a plain full path below the top: its folder and name are split at its last "/".
  const size_t slash = full.rfind('/');
  const std::string_view folder(full.data(), slash == 0 ? 1 : slash);
  name_.assign(full, slash + 1);
  // Let go of the held folders that are not on the way to this one; the top always stays.
  while (chain_.size() > 1 && !Within(folder, heldPath_, chain_.back().length)) chain_.pop_back();
  heldPath_.assign(folder);
  // Down from the deepest held folder, a few levels per step.
  size_t pos = chain_.back().length;
  while (pos < folder.size()) {
    if (folder[pos] == '/') ++pos;
    size_t end = pos;
    for (int levels = 0; levels < kLevelsPerStep && end < folder.size(); ++levels) {
      size_t next = folder.find('/', end);
      if (next == std::string::npos) next = folder.size();
      if (levels > 0 && next - pos > kBytesPerStep) break;
      end = next == folder.size() ? next : next + 1;
    }
    if (end < folder.size()) --end;  // stop before the "/"
    int fd = OpenBeneath(chain_.back().fd.Get(), std::string(folder.substr(pos, end - pos)));
    if (fd < 0) ThrowUnreachable(errno, heldPath_, full);
    chain_.push_back({end, UniqueFd(fd)});
    pos = end;
    if (chain_.size() > kMaxHeld) {
      // Every second handle between the top and the last few goes: the chain thins out high up, where it is
      // needed least.
      std::vector<Held> kept;
      const size_t last = chain_.size() - 4;
      for (size_t i = 0; i < chain_.size(); ++i)
        if (i == 0 || i >= last || i % 2 == 0) kept.push_back(std::move(chain_[i]));
      chain_ = std::move(kept);
    }
  }
  return {chain_.back().fd.Get(), name_.c_str()};
}

ItemsBeneath::Ref ItemsBeneath::OnItsOwn(const std::string& full) {
  const std::string folder = ParentOfPath(full);
  name_ = NameOfPath(full);
  if (!entryDir_.Valid() || folder != entryPath_) {
    entryDir_.Reset();
    entryPath_.clear();
    int fd;
    if (folder == "/") {
      fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    } else {
      // The entry's folder is the user's own naming, as a top is: reached as named. The item itself is then
      // taken from that folder's handle, never through a link in its own name.
      PathRef ref(folder);
      fd = ::openat(ref.Dir(), ref.Name(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0) ThrowUnreachable(errno, folder, full);
    entryDir_.Reset(fd);
    entryPath_ = folder;
  }
  return {entryDir_.Get(), name_.c_str()};
}

}  // namespace dv
