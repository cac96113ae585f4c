// Copy and move. Both put each file at its target by the same layout rules (PlaceFile): the mirrored structure,
// or one folder with numbered duplicates or overwriting. A copy writes a temporary file beside the target and
// renames it into place; a move within one file system is a rename, across file systems a copy, the copy and its
// name flushed to the disk, a check that the target is there, and only then the removal of the source. Sources
// are reached through the source folder's handle, targets through the target folder's (no link followed).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/resume_scope.h"
#include "fileops_engine/cls_file_ops.h"
#include "platform/content_check.h"
#include "platform/file_system.h"
#include "platform/item_info.h"
#include "platform/path.h"

namespace dv {

namespace {

constexpr int kMostDuplicates = 30000;

// The n-th numbered name: "report.txt" gives "report_n.txt", "README" gives "README_n". A leading "." belongs to
// the base, so ".profile" gives ".profile_n" and a hidden file's copy stays hidden.
std::string NumberedName(const std::string& name, int n) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name + "_" + std::to_string(n);
  return name.substr(0, dot) + "_" + std::to_string(n) + name.substr(dot);
}

// The size of the item `name` in `dir`, not following a link.
uint64_t SizeAt(int dir, const char* name, const std::string& path) {
  ItemInfo info;
  if (!StatAt(dir, name, info)) ThrowErrno(path);
  return info.size;
}

// Gives the owner back the write permission on the regular file at `to` (reached from its folder's handle, never
// through a link), so that an overwrite may replace it. False when it is not such a file or already writable.
bool LendOwnerWrite(TargetFolders& targets, const std::string& to) {
  TargetFolders::Ref at = targets.Holder(to);
  int fd = ::openat(at.dir, at.name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  UniqueFd owned(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR)) return false;
  // The descriptor's /proc entry names this very file: a link put at its name meanwhile changes nothing.
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::fchmodat(AT_FDCWD, self.c_str(), (st.st_mode & 07777) | S_IWUSR, 0) == 0;
}

// Copies the source `path` (reached from the source folder) to `to` (reached from its target folder).
void CopyBetween(ItemsBeneath& beneath, TargetFolders& targets, const std::string& path, const std::string& to,
                 bool overwrite) {
  ItemsBeneath::Ref from = beneath.Holder(path);
  TargetFolders::Ref at = targets.Holder(to);
  FileSystemObject().CopyFileAt(from.dir, from.name, at.dir, at.name, overwrite, path, to);
}

// Flushes the file at `target` and its name to the disk.
void SyncPlaced(TargetFolders& targets, const std::string& target) {
  TargetFolders::Ref at = targets.Holder(target);
  int fd = ::openat(at.dir, at.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd >= 0) {
    UniqueFd owned(fd);
    if (::fdatasync(fd) != 0) ThrowErrno(target);
  } else if (errno != ELOOP) {  // a link has no data of its own: its name is all
    ThrowErrno(target);
  }
  targets.SyncHolder(target);
}

// Thrown by a rename that would cross file systems: the move copies instead.
struct OtherFileSystem {};

}  // namespace

long clsFileOps::PlaceFile(const std::string& path, std::string& nameRequest, const Transfer& transfer,
                           const char* location, const std::string& itemText, std::string& target) {
  const std::string name = NameOfPath(path);
  // One try at `to`: false when something is already there (without overwrite). A read-only target that refuses
  // an overwrite has its read-only bit cleared and is tried once more.
  auto put = [&](const std::string& to, bool overwrite) {
    try {
      transfer(to, overwrite);
      return true;
    } catch (const Error& e) {
      if (e.Number() == err::FileAlreadyExists && !overwrite) return false;
      if (e.Number() != err::PermissionDenied || !overwrite || !LendOwnerWrite(targets_, to)) throw;
    }
    transfer(to, overwrite);
    return true;
  };
  long result = outcome::Failure;
  uint64_t sourceSize = 0;
  movedByRename_ = false;
  ResumeScope scope = ItemScope(location, itemText, result);
  scope.Step([&] {
    // Read before the transfer: a move takes the source away.
    if (Layout().verification == Verification::Quick) {
      ItemsBeneath::Ref from = beneath_.Holder(path);
      sourceSize = SizeAt(from.dir, from.name, path);
    }
    if (Structured()) {
      // Files of one folder come together: their target folder is opened (made when missing) once. A link or
      // file where it should be fails the item.
      if (currentTarget_ != madeTarget_) {
        targets_.Folder(currentTarget_, /*create=*/true);
        madeTarget_ = currentTarget_;
      }
      target = JoinPath(currentTarget_, name);
      // Without overwrite the write itself refuses an existing name, so a target that is there, or appears
      // before the copy lands, is left alone.
      if (Layout().overwrite) result = put(target, true) ? outcome::Success : outcome::Failure;
      else result = put(target, false) ? outcome::Success : outcome::NothingDone;
    } else if (Layout().duplicates == Duplicates::Numbered) {
      target = JoinPath(destPath_, name);
      if (put(target, false)) {
        result = outcome::Success;
        return;
      }
      // Every candidate is written without overwrite, so one that appears meanwhile is passed over, not replaced.
      result = outcome::Failure;
      for (int n = 1; n <= kMostDuplicates; ++n) {
        const std::string candidate = NumberedName(name, n);
        target = JoinPath(destPath_, candidate);
        if (targets_.Kind(target) != TargetKind::Missing || !put(target, false)) continue;
        if (nameRequest == "Get") nameRequest = candidate;
        newName_ = candidate;
        result = outcome::NumberedDuplicate;
        break;
      }
    } else {
      target = JoinPath(destPath_, name);
      if (put(target, false)) result = outcome::Success;
      else if (Layout().overwrite) result = put(target, true) ? outcome::OverwroteDuplicate : outcome::Failure;
      else result = outcome::NothingDone;
    }
  });
  const bool placed =
      result == outcome::Success || result == outcome::NumberedDuplicate || result == outcome::OverwroteDuplicate;
  // Quick verification compares lengths only; the full one compares the bytes, read back from the disk. A file
  // moved by a rename is the source itself: nothing to compare.
  if (placed && Layout().verification == Verification::Quick)
    scope.Step([&] {
      TargetFolders::Ref to = targets_.Holder(target);
      if (sourceSize != SizeAt(to.dir, to.name, target)) result = outcome::FailedVerification;
    });
  if (placed && Layout().verification == Verification::Full && !movedByRename_)
    scope.Step([&] {
      ItemsBeneath::Ref from = beneath_.Holder(path);
      TargetFolders::Ref to = targets_.Holder(target);
      if (!SameContents(from.dir, from.name, to.dir, to.name, path, target)) result = outcome::FailedVerification;
    });
  return result;
}

long clsFileOps::CopyStep(const std::string& path) {
  std::string nameRequest;
  return CopyOneFile(path, nameRequest);
}

long clsFileOps::CopyOneFile(const std::string& path, std::string& nameRequest) {
  std::string target;
  return PlaceFile(
      path, nameRequest,
      [&](const std::string& to, bool overwrite) { CopyBetween(beneath_, targets_, path, to, overwrite); },
      cfoloc::CopyOneFile, "Copying at or near file " + NameOfPath(path), target);
}

long clsFileOps::CopyFolderStep(const std::string& path) {
  return Structured() ? ShellsFolderStep(path) : outcome::NothingDone;
}

// ---- move ----

long clsFileOps::MoveOneFile(const std::string& path) {
  const std::string itemText = "Moving at or near file " + NameOfPath(path);
  bool copied = false;  // across file systems: the source is still there and goes only once the target is safe
  auto rename = [&](const std::string& to, bool overwrite) {
    ItemsBeneath::Ref from = beneath_.Holder(path);
    TargetFolders::Ref dst = targets_.Holder(to);
    ItemInfo there;
    const bool exists = StatAt(dst.dir, dst.name, there);
    if (exists && !overwrite) throw ErrorFromErrno(EEXIST, to);
    if (exists && there.IsFolder()) throw ErrorFromErrno(EISDIR, to);
    // A read-only file is not replaced, as a copy would not replace it; the caller clears the bit first.
    if (exists && !there.IsLink() && !(there.mode & S_IWUSR)) throw ErrorFromErrno(EACCES, to);
    int rc = overwrite ? ::renameat(from.dir, from.name, dst.dir, dst.name)
                       : ::renameat2(from.dir, from.name, dst.dir, dst.name, RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL && !overwrite) {
      // No no-replace rename on this file system: look, then rename.
      rc = StatAt(dst.dir, dst.name, there) ? (errno = EEXIST, -1) : ::renameat(from.dir, from.name, dst.dir, dst.name);
    }
    if (rc == 0) return;
    if (errno == EXDEV) throw OtherFileSystem{};
    ThrowErrno(errno == EEXIST ? to : path);
  };
  auto transfer = [&](const std::string& to, bool overwrite) {
    if (!copied) {
      try {
        rename(to, overwrite);
        movedByRename_ = true;
        return;
      } catch (const OtherFileSystem&) {
        copied = true;
      }
    }
    CopyBetween(beneath_, targets_, path, to, overwrite);
  };
  std::string nameRequest = "Get", target;
  const long placed = PlaceFile(path, nameRequest, transfer, cfoloc::MoveOneFile, itemText, target);
  if (placed != outcome::Success && placed != outcome::NumberedDuplicate && placed != outcome::OverwroteDuplicate)
    return placed == outcome::FailedVerification ? outcome::FailedVerification : outcome::Failure;
  // An overwrite is reported as a plain success.
  const long moved = placed == outcome::NumberedDuplicate ? outcome::NumberedDuplicate : outcome::Success;
  if (!copied) return moved;
  // The source is deleted only once its copy and the copy's name are on the disk: a crash in between leaves
  // both, never neither.
  long result = outcome::Failure;
  ResumeScope scope = ItemScope(cfoloc::MoveOneFile, itemText, result);
  scope.Step([&] {
    SyncPlaced(targets_, target);
    if (targets_.Kind(target) != TargetKind::Missing)
      result = DeleteOneFile(path) == outcome::Success ? moved : outcome::Failure;
  });
  return result;
}

long clsFileOps::MoveFolderStep(const std::string& path) {
  return Structured() ? MoveOneFolder(path) : outcome::NothingDone;
}

// Called after the folder's contents (move walks the list backwards): the mirrored folder is made when nothing
// filtered the files, and the source folder goes when it is empty. One that still holds files left out stays.
long clsFileOps::MoveOneFolder(const std::string& path) {
  long result = outcome::NothingDone;
  ResumeScope scope = ItemScope(cfoloc::MoveOneFolder, "Moving at or near folder " + NameOfPath(path), result);
  scope.Step([&] {
    if (!scan_.IsSizeRestrictionOn() && !scan_.IsDateRestrictionOn() && !scan_.IsExtensionRestrictionOn() &&
        targets_.Kind(currentTarget_) == TargetKind::Missing) {
      CreatePath(currentTarget_);
      result = targets_.Kind(currentTarget_) == TargetKind::Folder ? outcome::Success : outcome::Failure;
    }
    if (targets_.Kind(currentTarget_) == TargetKind::Folder) DeleteEmptyFolder(path);
  });
  return result;
}

}  // namespace dv
