#include "platform/fs_records.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>

#include "platform/dir_handles.h"
#include "platform/error.h"
#include "platform/path.h"

namespace dv {

std::string FileTypeText(const std::string& name) {
  std::string ext = ExtensionOf(name);
  return ext.empty() ? "File" : UpperAscii(ext) + " File";
}

std::string FsItem::Name() const { return NameOfPath(path_); }
std::string FsItem::ParentFolderPath() const { return ParentOfPath(path_); }
Folder FsItem::ParentFolder() const {
  // The root has no parent; handing back "/" again would let an upward walk loop for ever.
  if (path_ == "/") throw Error(err::PathNotFound, "The root folder has no parent folder");
  return Folder::At(ParentFolderPath());
}

long FsItem::Attributes() const {
  if (!attributes_) {
    PathRef ref(path_);
    attributes_ = ReadAttributes(Name(), info_, ref.ShortPath());
  }
  return *attributes_;
}

void FsItem::Attributes(long value) {
  long current = Attributes();
  PathRef ref(path_);
  bool wantReadOnly = value & attr::ReadOnly;
  if (wantReadOnly != bool(current & attr::ReadOnly)) {
    if (IsLink()) throw Error(err::PermissionDenied, "A symbolic link has no read-only bit of its own: " + path_);
    mode_t mode = info_.mode & 07777;
    // Read-only takes every write bit away; clearing it gives the owner's back.
    mode = wantReadOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    if (::fchmodat(ref.Dir(), ref.Name(), mode, 0) != 0) ThrowErrno(path_);
    info_.mode = (info_.mode & ~mode_t(07777)) | mode;
  }
  long storedNow = IsLink() ? 0 : ReadDosAttr(ref.ShortPath());
  long want = value & attr::Stored;
  // A leading "." hides the item whatever is stored, so the stored hidden bit is left as it is for such names.
  std::string name = Name();
  if (!name.empty() && name[0] == '.') want = (want & ~attr::Hidden) | (storedNow & attr::Hidden);
  if ((storedNow & attr::Stored) != want) {
    if (IsLink())
      throw Error(err::PermissionDenied, "A symbolic link cannot keep hidden, system or archive bits: " + path_);
    int rc;
    if (want == 0 && (storedNow & ~attr::Stored) == 0) {
      rc = ::removexattr(ref.ShortPath().c_str(), kDosAttrName);
      if (rc != 0 && errno == ENODATA) rc = 0;
    } else {
      char text[32];
      int len = std::snprintf(text, sizeof text, "0x%lx", want | (storedNow & ~attr::Stored));
      rc = ::setxattr(ref.ShortPath().c_str(), kDosAttrName, text, static_cast<size_t>(len), 0);
    }
    if (rc != 0) {
      if (errno == ENOTSUP)
        throw Error(err::PathFileAccess,
                    "The file system does not keep the hidden, system or archive bits (no extended attributes): " +
                        path_);
      ThrowErrno(path_);
    }
  }
  attributes_.reset();
}

void FsItem::SetTimes(const DateTime* accessed, const DateTime* modified) {
  struct timespec ts[2];
  ts[0] = accessed ? accessed->ToTimespec() : timespec{0, UTIME_OMIT};
  ts[1] = modified ? modified->ToTimespec() : timespec{0, UTIME_OMIT};
  PathRef ref(path_);
  if (::utimensat(ref.Dir(), ref.Name(), ts, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(path_);
  if (accessed) info_.accessed = *accessed;
  if (modified) info_.modified = *modified;
}

void FsItem::DateCreated(DateTime) {
  throw Error(err::PathFileAccess, "The creation date cannot be changed on Linux: " + path_);
}
void FsItem::DateLastModified(DateTime value) { SetTimes(nullptr, &value); }
void FsItem::DateLastAccessed(DateTime value) { SetTimes(&value, nullptr); }

File File::At(const std::string& path) {
  std::string full = FullPath(path);
  PathRef ref(full);
  ItemInfo info;
  if (!StatAt(ref.Dir(), ref.Name(), info)) ThrowErrno(full);
  if (info.IsFolder()) throw Error(err::FileNotFound, ErrorText(err::FileNotFound) + " (a folder): " + full);
  return File(full, info);
}

std::string File::Type() const { return FileTypeText(Name()); }

Folder Folder::At(const std::string& path) {
  std::string full = FullPath(path);
  PathRef ref(full);
  ItemInfo info;
  if (!StatAt(ref.Dir(), ref.Name(), info, /*followLink=*/true) || !info.IsFolder())
    throw Error(err::PathNotFound, ErrorText(err::PathNotFound) + ": " + full);
  return Folder(full, info);
}

uint64_t Folder::Size() const {
  if (!size_) size_ = TreeSize(path_);
  return *size_;
}

namespace {

UniqueFd OpenFolder(const std::string& path) {
  PathRef ref(path);
  int fd = ::openat(ref.Dir(), ref.Name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) ThrowErrno(path);
  return UniqueFd(fd);
}

}  // namespace

ItemCollection<Folder> Folder::SubFolders() const {
  UniqueFd fd = OpenFolder(path_);
  std::vector<Folder> out;
  for (const DirEntry& e : ReadEntries(fd.Get(), path_)) {
    ItemInfo info;
    if (e.type == DT_DIR && StatAt(fd.Get(), e.name.c_str(), info) && info.IsFolder())
      out.emplace_back(JoinPath(path_, e.name), info);
  }
  return ItemCollection<Folder>(std::move(out));
}

ItemCollection<File> Folder::Files() const {
  UniqueFd fd = OpenFolder(path_);
  std::vector<File> out;
  for (const DirEntry& e : ReadEntries(fd.Get(), path_)) {
    ItemInfo info;
    if (e.type != DT_DIR && StatAt(fd.Get(), e.name.c_str(), info) && !info.IsFolder())
      out.emplace_back(JoinPath(path_, e.name), info);
  }
  return ItemCollection<File>(std::move(out));
}

uint64_t TreeSize(const std::string& path) {
  FolderHandleStack stack(OpenFolder(FullPath(path)), path);
  // Each level keeps its folder names still to visit; files are summed as they are listed.
  std::vector<std::vector<std::string>> pending;
  uint64_t total = 0;
  auto list = [&]() {
    std::vector<std::string> dirs;
    std::vector<DirEntry> entries;
    try {
      entries = ReadEntries(stack.Top(), stack.TopPath());
    } catch (const Error&) {
      // An unreadable folder counts as empty.
    }
    for (const DirEntry& e : entries) {
      if (e.type == DT_DIR) {
        dirs.push_back(e.name);
        continue;
      }
      struct stat st;
      if (::fstatat(stack.Top(), e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) total += uint64_t(st.st_size);
    }
    pending.push_back(std::move(dirs));
  };
  list();
  while (!pending.empty()) {
    if (pending.back().empty()) {
      pending.pop_back();
      if (!pending.empty()) stack.Pop();
      continue;
    }
    std::string name = std::move(pending.back().back());
    pending.back().pop_back();
    if (stack.Push(name) == 0) list();
  }
  return total;
}

}  // namespace dv
