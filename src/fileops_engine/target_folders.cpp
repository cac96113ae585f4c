// The target side shared by copy, move and shells: the mirrored folders under the destination, and empty shells.
// Every folder below the destination is reached and made through the open handle of its parent, never through a
// link (platform/target_folders.h): a link planted in the destination, or swapped in during a run, fails the items
// below it instead of leading their writes elsewhere.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/resume_scope.h"
#include "fileops_engine/cls_file_ops.h"
#include "fileops_engine/item_kind.h"
#include "platform/byte_files.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace dv {

// ---- folders: shared by copy, move and shells ----

// The mirrored folder under the destination: left alone when anything is there, else created.
long clsFileOps::ShellsFolderStep(const std::string&) {
  if (targets_.Kind(currentTarget_) != TargetKind::Missing) return outcome::NothingDone;
  return CreateOneFolder(currentTarget_);
}

void clsFileOps::CreatePath(const std::string& path) {
  const std::string full = FullPath(path);
  // The destination itself is made before a run opens it, as the user named it (below, by path).
  if (full != destPath_ && targets_.TopPath() == destPath_ && targets_.Covers(full)) {
    // Below the destination: every missing level is made relative to its parent's handle.
    ResumeScope scope(
        [&](const Error& e, const std::string& l) { PassError(e, l, cfoerr::Item, "Creating the path " + full); },
        cfoloc::CreatePath);
    scope.Step([&] { targets_.Folder(full, /*create=*/true); });
    return;
  }
  // From the top down, one level at a time; a level that cannot be made is reported and the next one tried.
  MakeFolderPath(full, 0777, [&](const Error& e, const std::string& level) {
    PassError(e, cfoloc::CreatePath, cfoerr::Item, "Creating the path " + level);
  });
}

long clsFileOps::CreateOneFolder(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope(
      [&](const Error& e, const std::string& l) { PassError(e, l, cfoerr::Item, "Creating the folder " + path); },
      cfoloc::CreateOneFolder);
  scope.Step([&] {
    targets_.MakeFolder(path);
    result = outcome::Success;
  });
  return result;
}

// ---- empty shells ----

// An empty file in place of each file; a link's shell is a link with the same target text, as a copy makes it.
long clsFileOps::MakeEmptyShell(const std::string& path) {
  long result = outcome::Failure;
  ResumeScope scope =
      ItemScope(cfoloc::MakeEmptyShell, "Creating empty shell at or near file " + NameOfPath(path), result);
  scope.Step([&] {
    const std::string target = flatTarget_ ? JoinPath(destPath_, NameOfPath(path)) : Mirrored(path);
    ItemsBeneath::Ref from = beneath_.Holder(path);
    struct stat st;
    if (::fstatat(from.dir, from.name, &st, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(path);
    const std::string linkText = S_ISLNK(st.st_mode) ? LinkTextAt(from.dir, from.name, path) : std::string();
    TargetFolders::Ref to = targets_.Holder(target);
    int rc;
    if (S_ISLNK(st.st_mode)) {
      rc = ::symlinkat(linkText.c_str(), to.dir, to.name);
    } else {
      rc = ::openat(to.dir, to.name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (rc >= 0) rc = ::close(rc);
    }
    // Whatever is there already is left as it is.
    if (rc != 0 && errno == EEXIST) {
      result = outcome::NothingDone;
      return;
    }
    if (rc != 0) ThrowErrno(target);
    result = outcome::Success;
    RecordAt(JournalItem::Do::Created, to.dir, to.name, target);
  });
  return result;
}

}  // namespace dv
