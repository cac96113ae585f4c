#include "platform/file_system.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/path.h"
#include "platform/temp_folder.h"

namespace dv {

namespace {

// Looks at `path` without throwing; false when it cannot be looked at.
bool Look(const std::string& path, ItemInfo& info, bool follow) {
  try {
    PathRef ref(FullPath(path));
    return StatAt(ref.Dir(), ref.Name(), info, follow);
  } catch (const Error&) {
    return false;
  }
}

}  // namespace

bool FileSystemObject::FileExists(const std::string& path) const {
  ItemInfo info;
  if (!Look(path, info, false)) return false;
  if (!info.IsLink()) return !info.IsFolder();
  ItemInfo target;
  return !(Look(path, target, true) && target.IsFolder());
}

bool FileSystemObject::FolderExists(const std::string& path) const {
  ItemInfo info;
  return Look(path, info, true) && info.IsFolder();
}

bool FileSystemObject::DriveExists(const std::string& path) const { return FolderExists(path); }

Folder FileSystemObject::GetFolder(const std::string& path) const { return Folder::At(path); }
File FileSystemObject::GetFile(const std::string& path) const { return File::At(path); }

Folder FileSystemObject::GetSpecialFolder(SpecialFolder) const { return Folder::At(PrivateTempFolder()); }

std::string FileSystemObject::GetAbsolutePathName(const std::string& path) const {
  return dv::GetAbsolutePathName(path);
}

Folder FileSystemObject::CreateFolder(const std::string& path) const {
  std::string full = FullPath(path);
  PathRef ref(full);
  if (::mkdirat(ref.Dir(), ref.Name(), 0777) != 0) ThrowErrno(full);
  return Folder::At(full);
}

void FileSystemObject::MoveFile(const std::string& source, const std::string& destination) const {
  std::string from = FullPath(source), to = FullPath(destination);
  PathRef src(from), dst(to);
  ItemInfo info;
  if (!StatAt(src.Dir(), src.Name(), info)) ThrowErrno(from);
  if (::renameat2(src.Dir(), src.Name(), dst.Dir(), dst.Name(), RENAME_NOREPLACE) == 0) return;
  int e = errno;
  if (e == EINVAL && !info.IsFolder()) {
    // The file system cannot rename without replacing: a hard link refuses an existing name just the same.
    if (::linkat(src.Dir(), src.Name(), dst.Dir(), dst.Name(), 0) == 0) {
      if (::unlinkat(src.Dir(), src.Name(), 0) != 0) ThrowErrno(from);
      return;
    }
    e = errno;
    if (e == EPERM || e == EOPNOTSUPP) {
      // No hard links either: check, then rename (a narrow race, but never a silent replace of what we saw).
      ItemInfo there;
      if (StatAt(dst.Dir(), dst.Name(), there)) throw ErrorFromErrno(EEXIST, to);
      if (::renameat(src.Dir(), src.Name(), dst.Dir(), dst.Name()) == 0) return;
      e = errno;
    }
  } else if (e == EINVAL && info.IsFolder()) {
    // Either no no-replace rename here, or a folder moved into itself (the plain rename refuses that too).
    ItemInfo there;
    if (StatAt(dst.Dir(), dst.Name(), there)) throw ErrorFromErrno(EEXIST, to);
    if (::renameat(src.Dir(), src.Name(), dst.Dir(), dst.Name()) == 0) return;
    e = errno;
  } else if (e == EXDEV && !info.IsFolder()) {
    CopyFile(from, to, false);
    DeleteFile(from);
    return;
  }
  // The source was there a moment ago, so a missing item is the destination's folder.
  throw ErrorFromErrno(e, (e == EEXIST || e == ENOENT || e == ENOTDIR) ? to : from);
}

void FileSystemObject::DeleteFile(const std::string& path, bool) const {
  std::string full = FullPath(path);
  PathRef ref(full);
  ItemInfo info;
  if (!StatAt(ref.Dir(), ref.Name(), info)) ThrowErrno(full);
  if (info.IsFolder()) throw Error(err::FileNotFound, ErrorText(err::FileNotFound) + " (a folder): " + full);
  // Removing a name needs only the folder's permission, so read-only files go as well.
  if (::unlinkat(ref.Dir(), ref.Name(), 0) != 0) ThrowErrno(full);
}

bool MakeFolderPath(const std::string& folder) {
  if (folder.empty()) return false;
  for (size_t at = 0; at != std::string::npos;) {
    at = folder.find('/', at + 1);
    const std::string level = folder.substr(0, at);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TextStream FileSystemObject::CreateTextFile(const std::string& path, bool overwrite, bool) const {
  return TextStream::Open(path, IOMode::ForWriting, true, !overwrite);
}

TextStream FileSystemObject::OpenTextFile(const std::string& path, IOMode mode, bool create, int) const {
  return TextStream::Open(path, mode, create);
}

}  // namespace dv
