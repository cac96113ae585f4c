#include "platform/target_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/beneath.h"
#include "platform/error.h"
#include "platform/path.h"
#include "platform/stale_temporaries.h"

namespace dv {

namespace {

[[noreturn]] void NotAFolder(const std::string& folder) {
  throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) +
                                       ": a link or other item stands where a folder should be (links are not "
                                       "followed): " +
                                       folder);
}

[[noreturn]] void Missing(const std::string& folder) {
  throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": " + folder);
}

// Opens the subfolder `name` of `dir` as a path-only handle, never through a link.
int OpenLevel(int dir, const char* name) {
  return ::openat(dir, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// True when `path` lies below `folder`.
bool IsBelow(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path[folder.size()] == '/' || folder == "/");
}

}  // namespace

void TargetFolders::Top(const std::string& destination, bool tidy) {
  top_ = destination.empty() ? std::string() : FullPath(destination);
  tidy_ = tidy;
  topFd_.Reset();
  for (Held& h : held_) {
    h.fd.Reset();
    h.path.clear();
  }
  seen_.clear();
  madeWay_.clear();
  synced_.clear();
  ::clock_gettime(CLOCK_REALTIME, &runStart_);
}

bool TargetFolders::Covers(const std::string& path) const {
  if (top_.empty()) return false;
  if (path == top_ || top_ == "/") return !path.empty() && path[0] == '/';
  return path.size() > top_.size() && path.compare(0, top_.size(), top_) == 0 && path[top_.size()] == '/';
}

int TargetFolders::TopFd() {
  if (topFd_.Valid()) return topFd_.Get();
  if (top_.empty()) throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": no destination folder");
  PathRef ref(top_);
  // The destination as the user named it: a link there is followed.
  int fd = ::openat(ref.Dir(), ref.Name(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) Missing(top_);
    if (errno == ENOTDIR) NotAFolder(top_);
    ThrowErrno(top_);
  }
  topFd_.Reset(fd);
  FirstOpen(top_, fd);
  return fd;
}

void TargetFolders::FirstOpen(const std::string& folder, int fd) {
  if (!tidy_) return;
  for (const std::string& made : madeWay_)
    if (made == folder) return;
  if (!seen_.insert(std::hash<std::string>{}(folder)).second) return;
  RemoveStaleTemporaries(fd, runStart_);
}

// In one call where the kernel has openat2 and nothing is to be made, else one level at a time.
int TargetFolders::OpenBelow(const std::string& rel, bool create, const std::string& folder) {
  const int top = TopFd();
  if (const int fd = OpenFolderInOneCall(top, rel.c_str()); fd >= 0) return fd;
  if (errno == ELOOP || errno == ENOTDIR || errno == EXDEV) NotAFolder(folder);
  if (errno != ENOENT && errno != ENOSYS) ThrowErrno(folder);
  if (errno == ENOENT && !create) Missing(folder);
  UniqueFd at;
  int dir = top;
  std::string sofar = top_;
  for (size_t pos = 0; pos < rel.size();) {
    size_t end = rel.find('/', pos);
    if (end == std::string::npos) end = rel.size();
    const std::string name = rel.substr(pos, end - pos);
    pos = end + 1;
    if (name.empty() || name == ".") continue;
    sofar = JoinPath(sofar, name);
    if (name == "..") NotAFolder(sofar);
    int fd = OpenLevel(dir, name.c_str());
    if (fd < 0 && errno == ENOENT && create) {
      // Made relative to the parent's handle: a link put in its place meanwhile is refused by the open below.
      const bool made = ::mkdirat(dir, name.c_str(), 0777) == 0;
      if (!made && errno != EEXIST) ThrowErrno(sofar);
      if (made) Made(dir, name.c_str(), sofar);
      fd = OpenLevel(dir, name.c_str());
    }
    if (fd < 0) {
      if (errno == ELOOP || errno == ENOTDIR) NotAFolder(sofar);
      if (errno == ENOENT) Missing(sofar);
      ThrowErrno(sofar);
    }
    at.Reset(fd);
    dir = fd;
  }
  return at.Valid() ? at.Release() : ::fcntl(top, F_DUPFD_CLOEXEC, 0);
}

int TargetFolders::Folder(const std::string& folder, bool create) {
  if (!Covers(folder))
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not inside the destination: " + folder);
  if (folder == top_) return TopFd();
  if (held_[0].fd.Valid() && folder == held_[0].path) return held_[0].fd.Get();
  std::swap(held_[0], held_[1]);
  if (held_[0].fd.Valid() && folder == held_[0].path) return held_[0].fd.Get();
  // The older of the two goes.
  held_[0].fd.Reset();
  held_[0].path.clear();
  const std::string rel = folder.substr(top_ == "/" ? 1 : top_.size() + 1);
  held_[0].fd.Reset(OpenBelow(rel, create, folder));
  held_[0].path = folder;
  FirstOpen(folder, held_[0].fd.Get());
  return held_[0].fd.Get();
}

TargetFolders::Ref TargetFolders::Holder(const std::string& path) {
  int dir = Folder(ParentOfPath(path));
  name_ = NameOfPath(path);
  return {dir, name_.c_str()};
}

TargetKind TargetFolders::Kind(const std::string& path) {
  if (path == top_) {
    struct stat st;
    if (::fstat(TopFd(), &st) != 0) ThrowErrno(path);
    return TargetKind::Folder;
  }
  int dir;
  try {
    dir = Folder(ParentOfPath(path));
  } catch (const Error& e) {
    if (e.Number() == err::PathNotFound) return TargetKind::Missing;
    throw;
  }
  struct stat st;
  if (::fstatat(dir, NameOfPath(path).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return TargetKind::Missing;
    ThrowErrno(path);
  }
  return S_ISDIR(st.st_mode) ? TargetKind::Folder : TargetKind::Other;
}

void TargetFolders::MakeFolder(const std::string& path) {
  Ref at = Holder(path);
  if (::mkdirat(at.dir, at.name, 0777) != 0) ThrowErrno(path);
  Made(at.dir, at.name, path);
}

void TargetFolders::Made(int dir, const char* name, const std::string& path) {
  if (onMade) onMade(dir, name, path);
  // A folder this run made holds nothing left over: it need not be read for stray temporaries.
  if (!tidy_) return;
  while (!madeWay_.empty() && !IsBelow(path, madeWay_.back())) madeWay_.pop_back();
  madeWay_.push_back(path);
}

void TargetFolders::SyncAbove(const std::string& path) {
  const std::string folder = ParentOfPath(path);
  if (!synced_.insert(folder).second) return;
  for (std::string at = folder; at != top_ && Covers(at); at = ParentOfPath(at)) {
    const std::string parent = ParentOfPath(at);
    // Opened on its own, not through Folder(): that would close the folder the caller holds.
    UniqueFd opened(parent == top_ ? ::fcntl(TopFd(), F_DUPFD_CLOEXEC, 0)
                                   : OpenBelow(parent.substr(top_ == "/" ? 1 : top_.size() + 1), false, parent));
    UniqueFd readable(::openat(opened.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!readable.Valid() || ::fsync(readable.Get()) != 0) ThrowErrno(parent);
  }
}

}  // namespace dv
