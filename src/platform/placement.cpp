#include "platform/placement.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/content_check.h"
#include "platform/error.h"
#include "platform/item_info.h"
#include "platform/path.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {

// A failed placement names the side it is about: a taken or missing target name is the target's, unless the
// source itself has gone.
Error PlaceError(int e, ItemAt from, const std::string& source, const std::string& target) {
  if (e == EEXIST || e == ENOTEMPTY || e == EISDIR) return ErrorFromErrno(e, target);
  if (e == ENOENT || e == ENOTDIR) {
    struct stat st;
    return ErrorFromErrno(e, ::fstatat(from.dir, from.name, &st, AT_SYMLINK_NOFOLLOW) == 0 ? target : source);
  }
  return ErrorFromErrno(e, source);
}

// Place without throwing: 0, or the errno of the failure (EEXIST: the name is taken).
int PlaceErrno(ItemAt from, ItemAt to, Placing how) {
  if (how == Placing::Replace) return ::renameat(from.dir, from.name, to.dir, to.name) == 0 ? 0 : errno;
  if (::renameat2(from.dir, from.name, to.dir, to.name, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL) return errno;
  // No no-replace rename on this file system (or a folder moved into itself, which everything below refuses too).
  // Linked, but the old name would not go: a negative errno, as both names now hold the item.
  if (::linkat(from.dir, from.name, to.dir, to.name, 0) == 0)
    return ::unlinkat(from.dir, from.name, 0) == 0 ? 0 : -errno;
  if (errno != EPERM && errno != EOPNOTSUPP) return errno;
  // No hard links either (or a folder): look, then rename; a narrow race, but never a replace of what was seen.
  struct stat st;
  if (::fstatat(to.dir, to.name, &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  return ::renameat(from.dir, from.name, to.dir, to.name) == 0 ? 0 : errno;
}

// Flushes the item `at` (its data; a link has none) and the folder holding it to the disk.
void SyncPlaced(ItemAt at, const std::string& target) {
  int fd = ::openat(at.dir, at.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd >= 0) {
    UniqueFd owned(fd);
    if (::fdatasync(fd) != 0) ThrowErrno(target);
  } else if (errno != ELOOP) {
    ThrowErrno(target);
  }
  UniqueFd folder(::openat(at.dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Valid() || ::fsync(folder.Get()) != 0) ThrowErrno(target);
}

// The check of a copy against its source, both still there.
bool Agrees(ItemAt from, ItemAt to, const PlaceOptions& o, const std::string& source, const std::string& target) {
  if (o.check == Check::Bytes) return SameContents(from.dir, from.name, to.dir, to.name, source, target, o.stop);
  if (o.check == Check::None) return true;
  ItemInfo a, b;
  if (!StatAt(from.dir, from.name, a)) ThrowErrno(source);
  if (!StatAt(to.dir, to.name, b)) ThrowErrno(target);
  return a.size == b.size;
}

}  // namespace

UniqueFd OpenHolderOf(const std::string& path) {
  PathRef folder(ParentOfPath(path));
  UniqueFd fd(::openat(folder.Dir(), folder.Name(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid() && (errno == ENOENT || errno == ENOTDIR))
    throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": " + path);
  if (!fd.Valid()) ThrowErrno(path);
  return fd;
}

bool Place(ItemAt from, ItemAt to, Placing how, const std::string& source, const std::string& target) {
  const int e = PlaceErrno(from, to, how);
  if (e == 0) return true;
  if (e == EEXIST && how == Placing::NoReplace) return false;
  // Linked under the new name, but the old one would not go: both names hold the item.
  if (e < 0) throw ErrorFromErrno(-e, source);
  throw PlaceError(e, from, source, target);
}

bool TargetTaken(ItemAt to, Placing how, const std::string& target) {
  ItemInfo there;
  if (!StatAt(to.dir, to.name, there)) {
    if (errno == ENOENT) return false;
    ThrowErrno(target);
  }
  if (how == Placing::NoReplace) throw ErrorFromErrno(EEXIST, target);
  if (there.IsFolder()) throw ErrorFromErrno(EISDIR, target);
  if (!there.IsLink() && !(there.mode & S_IWUSR)) throw ErrorFromErrno(EACCES, target);
  return true;
}

Placed CopyItem(ItemAt from, ItemAt to, const PlaceOptions& o, const std::string& source, const std::string& target) {
  Placed placed;
  placed.file = CopyFileInto(from, to, o.how == Placing::Replace, source, target, o.stop, o.sourceSeenRegular);
  placed.same = Agrees(from, to, o, source, target);
  return placed;
}

Placed MoveItem(ItemAt from, ItemAt to, const PlaceOptions& o, const std::string& source, const std::string& target) {
  ItemInfo info;
  if (!StatAt(from.dir, from.name, info)) ThrowErrno(source);
  if (o.how == Placing::Replace) TargetTaken(to, o.how, target);
  const int e = PlaceErrno(from, to, o.how);
  if (e == 0) return {true, true, UniqueFd()};
  if (e == EEXIST && o.how == Placing::NoReplace) throw ErrorFromErrno(EEXIST, target);
  if (e != EXDEV || info.IsFolder()) {
    if (e < 0) throw ErrorFromErrno(-e, source);
    throw PlaceError(e, from, source, target);
  }
  PlaceOptions unchecked = o;
  unchecked.check = Check::None;
  Placed placed = CopyItem(from, to, unchecked, source, target);
  // The copy and its name on the disk first: a crash before the source goes leaves both, never neither.
  SyncPlaced(to, target);
  if (o.syncAbove) o.syncAbove();
  placed.same = Agrees(from, to, o, source, target);
  if (!placed.same) return placed;  // the source stays
  ItemInfo there;
  if (!StatAt(to.dir, to.name, there)) ThrowErrno(target);
  if (::unlinkat(from.dir, from.name, 0) != 0) ThrowErrno(source);
  return placed;
}

}  // namespace dv
