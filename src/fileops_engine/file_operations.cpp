// The per-item operations and the one table that maps FileOperation onto them. An operation whose code is not
// built yet fails each item with an error event saying so; it never passes for a success.
#include <string>

#include "common/resume_scope.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_engine/item_kind.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace dv {

const clsFileOps::OperationSteps& clsFileOps::StepsOf(long operation) {
  static const OperationSteps kSteps[] = {
      {&clsFileOps::UnknownOperation, nullptr},                     // no such operation
      {&clsFileOps::CopyOneFile, &clsFileOps::CopyFolderStep},      // 1 copy
      {&clsFileOps::MakeEmptyShell, &clsFileOps::ShellsFolderStep},  // 2 empty shells
      {&clsFileOps::DeleteOneFile, &clsFileOps::DeleteFolderStep},  // 3 delete
      {&clsFileOps::FindAndReplaceInFile, nullptr},                 // 4 find and replace
      {&clsFileOps::RenameOneFile, nullptr},                        // 5 rename
      {&clsFileOps::ChangeFileAttributes, nullptr},                 // 6 attributes
      {&clsFileOps::MoveOneFile, &clsFileOps::MoveFolderStep},      // 7 move
      {&clsFileOps::OpenOneFile, nullptr},                          // 8 open with macro
      {&clsFileOps::ChangeFileDate, nullptr},                       // 9 modified date
      {&clsFileOps::ChangeFileDate, nullptr},                       // 10 created date
      {&clsFileOps::ChangeFileDate, nullptr},                       // 11 last access date
      {&clsFileOps::RunProcessOnFile, nullptr},                     // 12 run process
      {&clsFileOps::CompareOneFile, nullptr},                       // 13 compare
  };
  static_assert(sizeof kSteps / sizeof kSteps[0] == fileop::Last + 1);
  return operation >= 1 && operation <= fileop::Last ? kSteps[operation] : kSteps[0];
}

long clsFileOps::NotAvailable(const char* location, const std::string& itemText, const std::string& what) {
  PassError(Error(err::Application, what + ": this operation is not available yet"), location, cfoerr::Item,
            itemText);
  return outcome::Failure;
}

long clsFileOps::UnknownOperation(const std::string& path) {
  PassError(Error(err::Application, "There is no operation number " + std::to_string(operation_)),
            cfoloc::ProcessFile, cfoerr::Item, "Processing a file at or near file " + path);
  return outcome::Failure;
}

// ---- copy: the structure copy ----

long clsFileOps::CopyOneFile(const std::string& path) {
  const std::string name = NameOfPath(path);
  const std::string itemText = "Copying at or near file " + name;
  if (!structure_) return NotAvailable(cfoloc::CopyOneFile, itemText, "Copying to one directory");
  if (verification_ == 2) return NotAvailable(cfoloc::CopyOneFile, itemText, "Quick verification of copies");
  long result = outcome::Failure;
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        // A target that appeared since the check is left alone, as one found by the check is.
        if (e.Number() == err::FileAlreadyExists && !overwrite_) {
          result = outcome::NothingDone;
          return;
        }
        result = outcome::Failure;
        PassError(e, l, cfoerr::Item, itemText);
      },
      cfoloc::CopyOneFile);
  scope.Step([&] {
    if (!ExistsAt(currentTarget_)) CreatePath(currentTarget_);
    const std::string target = JoinPath(currentTarget_, name);
    FileSystemObject fso;
    if (overwrite_) {
      fso.CopyFile(path, target, true);
      result = outcome::Success;
      return;
    }
    if (ExistsAt(target)) {
      result = outcome::NothingDone;
      return;
    }
    fso.CopyFile(path, target, false);
    result = outcome::Success;
  });
  return result;
}

// The mirrored folder under the destination: left alone when anything is there, else created.
long clsFileOps::ShellsFolderStep(const std::string&) {
  if (ExistsAt(currentTarget_)) return outcome::NothingDone;
  return CreateOneFolder(currentTarget_);
}

long clsFileOps::CopyFolderStep(const std::string& path) {
  return structure_ ? ShellsFolderStep(path) : outcome::NothingDone;
}

void clsFileOps::CreatePath(const std::string& path) {
  const std::string full = FullPath(path);
  FileSystemObject fso;
  // From the top down, one level at a time; a level that cannot be made is reported and the next one tried.
  for (size_t end = full.find('/', 1);; end = full.find('/', end + 1)) {
    const std::string level = end == std::string::npos ? full : full.substr(0, end);
    ResumeScope scope(
        [&](const Error& e, const std::string& l) { PassError(e, l, cfoerr::Item, "Creating the path " + level); },
        cfoloc::CreatePath);
    scope.Step([&] {
      if (!ExistsAt(level)) fso.CreateFolder(level);
    });
    if (end == std::string::npos) break;
  }
}

long clsFileOps::CreateOneFolder(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope(
      [&](const Error& e, const std::string& l) { PassError(e, l, cfoerr::Item, "Creating the folder " + path); },
      cfoloc::CreateOneFolder);
  scope.Step([&] {
    FileSystemObject().CreateFolder(path);
    result = outcome::Success;
  });
  return result;
}

// ---- delete ----

// Removes the item itself: a link goes, its target stays.
long clsFileOps::DeleteOneFile(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope(
      [&](const Error& e, const std::string& l) {
        PassError(e, l, cfoerr::Item, "Deleting at or near file " + NameOfPath(path));
      },
      cfoloc::DeleteOneFile);
  scope.Step([&] {
    FileSystemObject().DeleteFile(path, true);
    result = outcome::Success;
  });
  return result;
}

long clsFileOps::DeleteFolderStep(const std::string& path) {
  return deleteSettings_ == 1 ? DeleteEmptyFolder(path) : outcome::NothingDone;
}

long clsFileOps::DeleteEmptyFolder(const std::string& path) {
  return NotAvailable(cfoloc::DeleteEmptyFolder, "Deleting at or near folder " + NameOfPath(path),
                      "Deleting empty folders");
}

// ---- the operations still to come ----

long clsFileOps::MoveOneFile(const std::string& path) {
  return NotAvailable(cfoloc::MoveOneFile, "Moving at or near file " + NameOfPath(path), "Move");
}

long clsFileOps::MoveFolderStep(const std::string& path) {
  return structure_ ? MoveOneFolder(path) : outcome::NothingDone;
}

long clsFileOps::MoveOneFolder(const std::string& path) {
  return NotAvailable(cfoloc::MoveOneFolder, "Moving at or near folder " + NameOfPath(path), "Move");
}

long clsFileOps::MakeEmptyShell(const std::string& path) {
  return NotAvailable(cfoloc::MakeEmptyShell, "Creating empty shell at or near file " + NameOfPath(path),
                      "Make empty shells");
}

long clsFileOps::ChangeFileAttributes(const std::string& path) {
  return NotAvailable(cfoloc::ChangeFileAttributes, "Changing attribute at or near file " + NameOfPath(path),
                      "Change attributes");
}

long clsFileOps::ChangeFileDate(const std::string& path) {
  return NotAvailable(cfoloc::ChangeFileDate, "Changing file date at or near file " + NameOfPath(path),
                      "Change file dates");
}

}  // namespace dv
