// The per-item operations and the one table that maps FileOperation onto them: delete, attributes and dates
// (copy and move: copy_move.cpp; target folders and empty shells: target_folders.cpp).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "common/resume_scope.h"
#include "fileops_engine/cls_file_ops.h"
#include "platform/file_system.h"
#include "platform/fs_records.h"
#include "platform/item_info.h"
#include "platform/path.h"
#include "platform/trash.h"

namespace dv {

const clsFileOps::OperationSteps& clsFileOps::StepsOf(FileOp op) {
  static const OperationSteps kSteps[] = {
      {&clsFileOps::UnknownOperation, nullptr},                      // no such operation
      {&clsFileOps::CopyStep, &clsFileOps::CopyFolderStep},          // 1 copy
      {&clsFileOps::MakeEmptyShell, &clsFileOps::ShellsFolderStep},  // 2 empty shells
      {&clsFileOps::DeleteOneFile, &clsFileOps::DeleteFolderStep},   // 3 delete
      {&clsFileOps::FindAndReplaceInFile, nullptr},                  // 4 find and replace
      {&clsFileOps::RenameOneFile, nullptr},                         // 5 rename
      {&clsFileOps::ChangeFileAttributes, nullptr},                  // 6 attributes
      {&clsFileOps::MoveOneFile, &clsFileOps::MoveFolderStep},       // 7 move
      {&clsFileOps::OpenOneFile, nullptr},                           // 8 open with macro
      {&clsFileOps::ChangeFileDate, nullptr},                        // 9 modified date
      {&clsFileOps::ChangeFileDate, nullptr},                        // 10 created date
      {&clsFileOps::ChangeFileDate, nullptr},                        // 11 last access date
      {&clsFileOps::RunProcessOnFile, nullptr},                      // 12 run process
      {&clsFileOps::CompareOneFile, nullptr},                        // 13 compare
  };
  static_assert(sizeof kSteps / sizeof kSteps[0] == kLastFileOp + 1);
  const long operation = static_cast<long>(op);
  return operation >= 1 && operation <= kLastFileOp ? kSteps[operation] : kSteps[0];
}

long clsFileOps::UnknownOperation(const std::string& path) {
  PassError(Error(err::Application, "There is no operation number " + std::to_string(static_cast<long>(Operation()))),
            cfoloc::ProcessFile, cfoerr::Item, "Processing a file at or near file " + path);
  return outcome::Failure;
}

// ---- delete ----

TrashCans& clsFileOps::Trashes() {
  if (!trashCans_) trashCans_ = std::make_unique<TrashCans>();
  return *trashCans_;
}

// Removes the item itself: a link goes, its target stays. The item is reached from the source folder without
// following links, so a folder swapped for a link meanwhile cannot lead the delete elsewhere.
long clsFileOps::DeleteOneFile(const std::string& path) {
  long result = outcome::Failure;
  // The error's text is made only when there is an error: a run deletes many items and most have none.
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        result = outcome::Failure;
        PassError(e, l, cfoerr::Item, "Deleting at or near file " + NameOfPath(path));
      },
      cfoloc::DeleteOneFile);
  lastTrash_.reset();
  scope.Step([&] {
    ItemsBeneath::Ref ref{};
    try {
      ref = beneath_.Holder(path);
    } catch (const Error&) {
      if (!kindUnchecked_) throw;
      kindMismatch_ = true;
      return;
    }
    const auto aFolder = [&] {
      return Error(err::FileNotFound, ErrorText(err::FileNotFound) + " (a folder): " + path);
    };
    if (DetailsOf<DeleteChoice>().toTrash) {
      // A folder put in a file's place after the gathering is not taken whole, as the unlink would refuse it.
      struct stat st;
      if (::fstatat(ref.dir, ref.name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) throw aFolder();
      TrashedItem trashed = Trashes().Move(ref.dir, ref.name, FullPath(path));
      lastTrash_ = TrashedAt{std::move(trashed.trash), std::move(trashed.info)};
      result = outcome::Success;
      return;
    }
    // Removing a name needs only the folder's permission, so read-only files go as well.
    if (::unlinkat(ref.dir, ref.name, 0) != 0) {
      if (kindUnchecked_ && (errno == ENOENT || errno == EISDIR || errno == EPERM)) {
        kindMismatch_ = true;
        return;
      }
      if (errno == EISDIR) throw aFolder();
      ThrowErrno(path);
    }
    result = outcome::Success;
  });
  return result;
}

long clsFileOps::DeleteFolderStep(const std::string& path) {
  return DetailsOf<DeleteChoice>().emptyFolders ? DeleteEmptyFolder(path) : outcome::NothingDone;
}

namespace {

// Whether the folder `name` of `dir` (not followed when a link) holds nothing.
bool FolderIsEmpty(int dir, const char* name, const std::string& path) {
  const int fd = ::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) ThrowErrno(path);
  DIR* folder = ::fdopendir(fd);
  if (!folder) {
    ::close(fd);
    ThrowErrno(path);
  }
  bool empty = true;
  errno = 0;
  while (const dirent* e = ::readdir(folder)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  const int readErrno = errno;
  ::closedir(folder);
  if (empty && readErrno != 0) throw ErrorFromErrno(readErrno, path);
  return empty;
}

}  // namespace

// Only an empty folder goes: the removal itself refuses one that holds anything, so nothing that appears in it
// meanwhile is lost.
long clsFileOps::DeleteEmptyFolder(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        result = outcome::Failure;
        PassError(e, l, cfoerr::Item, "Deleting at or near folder " + NameOfPath(path));
      },
      cfoloc::DeleteEmptyFolder);
  lastTrash_.reset();
  scope.Step([&] {
    if (FullPath(path) == "/") throw Error(err::PermissionDenied, "The root folder is never deleted");
    ItemsBeneath::Ref ref = beneath_.Holder(path);
    if (DetailsOf<DeleteChoice>().toTrash) {
      // What appears in the folder between the look and the rename goes to the trash with it, where it can be
      // restored: nothing is lost.
      if (!FolderIsEmpty(ref.dir, ref.name, path)) {
        result = outcome::FolderNotEmpty;
        return;
      }
      TrashedItem trashed = Trashes().Move(ref.dir, ref.name, FullPath(path));
      lastTrash_ = TrashedAt{std::move(trashed.trash), std::move(trashed.info)};
      result = outcome::Success;
    } else if (::unlinkat(ref.dir, ref.name, AT_REMOVEDIR) == 0) {
      result = outcome::Success;
    } else if (errno == ENOTEMPTY || errno == EEXIST) {
      result = outcome::FolderNotEmpty;
    } else {
      ThrowErrno(path);
    }
  });
  return result;
}

// ---- attributes ----

// The item is reached from the source folder without following links, as every per-item step is.
long clsFileOps::ChangeFileAttributes(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope =
      ItemScope(cfoloc::ChangeFileAttributes, "Changing attribute at or near file " + NameOfPath(path), result);
  scope.Step([&] {
    ItemsBeneath::Ref ref = beneath_.Holder(path);
    // A bit in both masks ends cleared.
    const long now = AttributesAt(ref.dir, ref.name, path);
    std::optional<JournalItem> before = BeforeChangeAt(JournalItem::Do::Attributes, ref.dir, ref.name, path);
    SetAttributesAt(ref.dir, ref.name, path, (now | DetailsOf<AttributeChoice>().add) & ~DetailsOf<AttributeChoice>().remove);
    result = outcome::Success;
    if (before) RecordAt(*before, ref.dir, ref.name);
  });
  return result;
}

bool clsFileOps::ClearFileAttributes(const std::string& path, long mask) {
  bool cleared = false;
  ResumeScope scope = Reporting(cfoloc::ClearFileAttributes, cfoerr::Driver, path);
  scope.Step([&] {
    // Reached from the source folder without following links, as every per-item step: a link is the item itself.
    ItemsBeneath::Ref ref = beneath_.Holder(path);
    ItemInfo info;
    if (!StatAt(ref.dir, ref.name, info)) {
      if (errno == ENOENT) return;
      ThrowErrno(path);
    }
    const long now = AttributesAt(ref.dir, ref.name, path);
    if (!(now & mask)) return;
    SetAttributesAt(ref.dir, ref.name, path, now & ~mask);
    cleared = true;
  });
  return cleared;
}

// ---- dates ----

// The time is set on the item itself, a link included, and read back: a date the file system cannot keep fails.
long clsFileOps::ChangeFileDate(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope =
      ItemScope(cfoloc::ChangeFileDate, "Changing file date at or near file " + NameOfPath(path), result);
  scope.Step([&] {
    ItemsBeneath::Ref ref = beneath_.Holder(path);
    std::optional<JournalItem> before = BeforeChangeAt(JournalItem::Do::Times, ref.dir, ref.name, path);
    switch (Operation()) {
      case FileOp::CreatedDate:
        throw Error(err::PathFileAccess, "The creation date cannot be changed on Linux: " + FullPath(path));
      case FileOp::ModifiedDate:
        SetTimesAt(ref.dir, ref.name, path, nullptr, &dateWhen_);
        break;
      case FileOp::AccessedDate:
        SetTimesAt(ref.dir, ref.name, path, &dateWhen_, nullptr);
        break;
      default:
        throw Error(err::Application, "There is no date operation " + std::to_string(static_cast<long>(Operation())));
    }
    result = outcome::Success;
    if (before) RecordAt(*before, ref.dir, ref.name);
  });
  return result;
}

}  // namespace dv
