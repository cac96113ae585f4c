// Copy and move. Both put each file at its target by the same layout rules (PlaceFile): the mirrored structure,
// or one folder with numbered duplicates or overwriting. A copy writes a temporary file beside the target and
// renames it into place; a move within one file system is a rename, across file systems a copy, a check that
// the target is there, and only then the removal of the source.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/resume_scope.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_engine/item_kind.h"
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

// The size of the item at `path`, not following a link.
uint64_t SizeAt(const std::string& path) {
  PathRef ref(FullPath(path));
  ItemInfo info;
  if (!StatAt(ref.Dir(), ref.Name(), info)) ThrowErrno(path);
  return info.size;
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
      if (e.Number() != err::PermissionDenied || !overwrite || !ClearFileAttributes(to, attr::ReadOnly)) throw;
    }
    transfer(to, overwrite);
    return true;
  };
  long result = outcome::Failure;
  ResumeScope scope = ItemScope(location, itemText, result);
  scope.Step([&] {
    if (structure_) {
      // Files of one folder come together: their target folder is looked at once.
      if (currentTarget_ != madeTarget_) {
        if (!ExistsAt(currentTarget_)) CreatePath(currentTarget_);
        madeTarget_ = currentTarget_;
      }
      target = JoinPath(currentTarget_, name);
      // Without overwrite the write itself refuses an existing name, so a target that is there, or appears
      // before the copy lands, is left alone.
      if (overwrite_) result = put(target, true) ? outcome::Success : outcome::Failure;
      else result = put(target, false) ? outcome::Success : outcome::NothingDone;
    } else if (numberDuplicates_) {
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
        if (ExistsAt(target) || !put(target, false)) continue;
        if (nameRequest == "Get") nameRequest = candidate;
        result = outcome::NumberedDuplicate;
        break;
      }
    } else {
      target = JoinPath(destPath_, name);
      if (put(target, false)) result = outcome::Success;
      else if (overwrite_) result = put(target, true) ? outcome::OverwroteDuplicate : outcome::Failure;
      else result = outcome::NothingDone;
    }
  });
  // Quick verification compares lengths only.
  if (verification_ == 2 &&
      (result == outcome::Success || result == outcome::NumberedDuplicate || result == outcome::OverwroteDuplicate))
    scope.Step([&] {
      if (SizeAt(path) != SizeAt(target)) result = outcome::FailedVerification;
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
      [&](const std::string& to, bool overwrite) { FileSystemObject().CopyFile(path, to, overwrite); },
      cfoloc::CopyOneFile, "Copying at or near file " + NameOfPath(path), target);
}

long clsFileOps::CopyFolderStep(const std::string& path) {
  return structure_ ? ShellsFolderStep(path) : outcome::NothingDone;
}

// ---- move ----

long clsFileOps::MoveOneFile(const std::string& path) {
  const std::string itemText = "Moving at or near file " + NameOfPath(path);
  bool copied = false;  // across file systems: the source is still there and goes only once the target is safe
  auto rename = [&](const std::string& to, bool overwrite) {
    ItemsBeneath::Ref from = beneath_.Holder(path);
    PathRef dst(FullPath(to));
    ItemInfo there;
    const bool exists = StatAt(dst.Dir(), dst.Name(), there);
    if (exists && !overwrite) throw ErrorFromErrno(EEXIST, to);
    if (exists && there.IsFolder()) throw ErrorFromErrno(EISDIR, to);
    // A read-only file is not replaced, as a copy would not replace it; the caller clears the bit first.
    if (exists && !there.IsLink() && !(there.mode & S_IWUSR)) throw ErrorFromErrno(EACCES, to);
    int rc = overwrite ? ::renameat(from.dir, from.name, dst.Dir(), dst.Name())
                       : ::renameat2(from.dir, from.name, dst.Dir(), dst.Name(), RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL && !overwrite) {
      // No no-replace rename on this file system: look, then rename.
      rc = StatAt(dst.Dir(), dst.Name(), there) ? (errno = EEXIST, -1)
                                                : ::renameat(from.dir, from.name, dst.Dir(), dst.Name());
    }
    if (rc == 0) return;
    if (errno == EXDEV) throw OtherFileSystem{};
    ThrowErrno(errno == EEXIST ? to : path);
  };
  auto transfer = [&](const std::string& to, bool overwrite) {
    if (!copied) {
      try {
        rename(to, overwrite);
        return;
      } catch (const OtherFileSystem&) {
        copied = true;
      }
    }
    FileSystemObject().CopyFile(path, to, overwrite);
  };
  std::string nameRequest = "Get", target;
  const long placed = PlaceFile(path, nameRequest, transfer, cfoloc::MoveOneFile, itemText, target);
  if (placed != outcome::Success && placed != outcome::NumberedDuplicate && placed != outcome::OverwroteDuplicate)
    return placed == outcome::FailedVerification ? outcome::FailedVerification : outcome::Failure;
  // An overwrite is reported as a plain success.
  const long moved = placed == outcome::NumberedDuplicate ? outcome::NumberedDuplicate : outcome::Success;
  if (!copied) return moved;
  // The source is deleted only once its target is found on disk.
  long result = outcome::Failure;
  ResumeScope scope = ItemScope(cfoloc::MoveOneFile, itemText, result);
  scope.Step([&] {
    if (ExistsAt(target)) result = DeleteOneFile(path) == outcome::Success ? moved : outcome::Failure;
  });
  return result;
}

long clsFileOps::MoveFolderStep(const std::string& path) {
  return structure_ ? MoveOneFolder(path) : outcome::NothingDone;
}

// Called after the folder's contents (move walks the list backwards): the mirrored folder is made when nothing
// filtered the files, and the source folder goes when it is empty. One that still holds files left out stays.
long clsFileOps::MoveOneFolder(const std::string& path) {
  long result = outcome::NothingDone;
  ResumeScope scope = ItemScope(cfoloc::MoveOneFolder, "Moving at or near folder " + NameOfPath(path), result);
  scope.Step([&] {
    if (!scan_.IsSizeRestrictionOn() && !scan_.IsDateRestrictionOn() && !scan_.IsExtensionRestrictionOn() &&
        !ExistsAt(currentTarget_)) {
      CreatePath(currentTarget_);
      result = ExistsAt(currentTarget_) ? outcome::Success : outcome::Failure;
    }
    if (KindAt(currentTarget_) == ItemKind::Folder) DeleteEmptyFolder(path);
  });
  return result;
}

}  // namespace dv
