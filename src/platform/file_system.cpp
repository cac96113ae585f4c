#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/path.h"
#include "platform/placement.h"
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
  PathRef src(from);
  // The destination's folder is opened: a copy across file systems puts its temporary beside the name.
  UniqueFd folder = OpenHolderOf(to);
  const std::string name = NameOfPath(to);
  (void)MoveItem({src.Dir(), src.Name()}, {folder.Get(), name.c_str()}, PlaceOptions{}, from, to);
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

bool MakeFolderPath(const std::string& folder, unsigned mode,
                    const std::function<void(const Error&, const std::string&)>& failed) {
  if (folder.empty()) return false;
  const std::string full = FullPath(folder);
  for (size_t end = full.find('/', 1);; end = full.find('/', end + 1)) {
    const std::string level = end == std::string::npos ? full : full.substr(0, end);
    try {
      PathRef ref(level);
      if (::mkdirat(ref.Dir(), ref.Name(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) ThrowErrno(level);
    } catch (const Error& e) {
      if (failed) failed(e, level);
    }
    if (end == std::string::npos) break;
  }
  ItemInfo info;
  try {
    PathRef ref(full);
    return StatAt(ref.Dir(), ref.Name(), info, /*followLink=*/true) && info.IsFolder();
  } catch (const Error&) {
    return false;
  }
}

TextStream FileSystemObject::CreateTextFile(const std::string& path, bool overwrite, bool) const {
  return TextStream::Open(path, IOMode::ForWriting, true, !overwrite);
}

TextStream FileSystemObject::OpenTextFile(const std::string& path, IOMode mode, bool create, int) const {
  return TextStream::Open(path, mode, create);
}

}  // namespace dv
