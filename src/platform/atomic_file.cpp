#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/path.h"
#include "platform/placement.h"

namespace dv {

namespace {

Error Refused(const std::string& target, const char* why) {
  return Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": " + target + why);
}

// Refuses what must not be replaced by a file. A missing target is fine, and so is a link to be replaced (it then
// counts as missing: nothing of it passes to the new file).
void CheckTarget(int dir, const std::string& name, const std::string& target, AtomicFile::LinkAtTarget links,
                 struct stat& st, bool& exists) {
  exists = ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (!exists) {
    if (errno != ENOENT) ThrowErrno(target);
    return;
  }
  if (S_ISLNK(st.st_mode) && links == AtomicFile::LinkAtTarget::Replace) {
    exists = false;
    return;
  }
  if (S_ISLNK(st.st_mode)) throw Refused(target, " is a symbolic link; it is neither written through nor replaced");
  if (S_ISDIR(st.st_mode)) throw Refused(target, " is a folder");
  if (!S_ISREG(st.st_mode)) throw Refused(target, " is not a regular file");
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target, LinkAtTarget links)
    : target_(FullPath(target)), name_(NameOfPath(target_)), links_(links) {
  if (name_.empty()) throw Refused(target_, " is a folder");
  const std::string parent = ParentOfPath(target_);
  int dir;
  if (parent == "/") {
    dir = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } else {
    PathRef ref(parent);
    dir = ::openat(ref.Dir(), ref.Name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  if (dir < 0) ThrowErrno(target_);
  dir_.Reset(dir);

  struct stat st {};
  bool exists = false;
  CheckTarget(dir_.Get(), name_, target_, links_, st, exists);

  // A name that is taken (a leftover, or a process forked from ours drawing the same names) is someone else's.
  for (int attempt = 0; !fd_.Valid(); ++attempt) {
    tmpName_ = TempName("save");
    int fd = ::openat(dir_.Get(), tmpName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY,
                      0666);
    if (fd >= 0) fd_.Reset(fd);
    else if (errno != EEXIST || attempt == 15) ThrowErrno(target_);
  }
  if (exists) {
    // Best effort: a file system without owners or modes (a FAT stick) keeps what it can.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) (void)!::fchown(fd_.Get(), st.st_uid, st.st_gid);
    (void)!::fchmod(fd_.Get(), st.st_mode & 0777);
  }
  int writer = ::fcntl(fd_.Get(), F_DUPFD_CLOEXEC, 0);
  if (writer < 0) {
    int e = errno;
    Discard();
    throw ErrorFromErrno(e, target_);
  }
  out_.emplace(TextStream::Adopt(UniqueFd(writer), target_, true));
}

AtomicFile::~AtomicFile() {
  if (!done_) Discard();
}

void AtomicFile::Discard() noexcept {
  // The name goes first: whatever the stream still holds then lands nowhere.
  if (!tmpName_.empty() && dir_.Valid()) ::unlinkat(dir_.Get(), tmpName_.c_str(), 0);
  tmpName_.clear();
  if (out_) {
    try {
      out_->Close();
    } catch (...) {
    }
  }
  fd_.Reset();
  done_ = true;
}

UniqueFd AtomicFile::ReadBack() {
  out_->Flush();
  UniqueFd reader(::fcntl(fd_.Get(), F_DUPFD_CLOEXEC, 0));
  if (!reader.Valid() || ::lseek(reader.Get(), 0, SEEK_SET) != 0) ThrowErrno(target_);
  return reader;
}

void AtomicFile::Finish() {
  if (finished_) return;
  try {
    out_->Close();
    // On disk before the rename, so that a crash right after leaves the old file or the new one, whole.
    if (::fsync(fd_.Get()) != 0) ThrowErrno(target_);
    if (::close(fd_.Release()) != 0) ThrowErrno(target_);
  } catch (...) {
    Discard();
    throw;
  }
  finished_ = true;
}

void AtomicFile::Commit() {
  Finish();
  try {
    // Checked again: a link put in its place meanwhile is refused as well, not replaced.
    struct stat st {};
    bool exists = false;
    CheckTarget(dir_.Get(), name_, target_, links_, st, exists);
    (void)Place({dir_.Get(), tmpName_.c_str()}, {dir_.Get(), name_.c_str()}, Placing::Replace, target_, target_);
  } catch (...) {
    Discard();
    throw;
  }
  done_ = true;
  ::fsync(dir_.Get());  // the rename itself on disk; a failure here loses nothing
}

}  // namespace dv
