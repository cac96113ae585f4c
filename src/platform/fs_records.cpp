#include "platform/fs_records.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/dir_handles.h"
#include "platform/error.h"
#include "platform/name_order.h"
#include "platform/path.h"

namespace dv {

std::string FileTypeText(const std::string& name) {
  std::string ext = ExtensionOf(name);
  return ext.empty() ? "File" : UpperAscii(ext) + " File";
}

void File::Reset(const std::string& folderPath, const std::string& name, const ItemInfo& info) {
  path_.assign(folderPath);
  if (!path_.empty() && path_.back() != '/') path_ += '/';
  path_ += name;
  info_ = info;
  attributes_.reset();
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
  PathRef ref(path_);
  SetAttributesAt(ref.Dir(), ref.Name(), path_, value);
  attributes_.reset();
  if (!StatAt(ref.Dir(), ref.Name(), info_)) ThrowErrno(path_);
}

namespace {

// The item `name` of the folder `dir`, pinned: opened without following a link and without reading it (a FIFO or
// a device is not woken), so every later change reaches this very item even if the name is swapped meanwhile.
class Pinned {
 public:
  Pinned(int dir, const char* name, const std::string& path) {
    fd_.Reset(::openat(dir, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!fd_.Valid() || ::fstat(fd_.Get(), &st) != 0) ThrowErrno(path);
    info_.mode = st.st_mode;
    proc_ = "/proc/self/fd/" + std::to_string(fd_.Get());
  }
  // The item's mode and type as pinned.
  const ItemInfo& Info() const { return info_; }
  // A path that leads to the pinned item itself (never a link: changes are refused for links before they start).
  const char* At() const { return proc_.c_str(); }

 private:
  UniqueFd fd_;
  ItemInfo info_;
  std::string proc_;
};

// The last name of `name` (a short path may stand for it).
const char* LastName(const char* name) {
  const char* slash = std::strrchr(name, '/');
  return slash ? slash + 1 : name;
}

}  // namespace

long AttributesAt(int dir, const char* name, const std::string& path) {
  // Type, mode and stored bits all of the one item pinned.
  Pinned item(dir, name, path);
  return ReadAttributes(LastName(name), item.Info(), item.At());
}

void SetAttributesAt(int dir, const char* name, const std::string& path, long value) {
  Pinned item(dir, name, path);
  // The change starts from the item as it is now, not as a record saw it: a stale mode would miss the bit or
  // give back permissions taken away meanwhile.
  const ItemInfo& info = item.Info();
  const bool link = info.IsLink();
  const mode_t mode = info.mode & 07777;
  const bool wantReadOnly = value & attr::ReadOnly;
  mode_t finalMode = mode;
  if (wantReadOnly != !(mode & S_IWUSR)) {
    if (link) throw Error(err::PermissionDenied, "A symbolic link has no read-only bit of its own: " + path);
    // Read-only takes every write bit away; clearing it gives the owner's back.
    finalMode = wantReadOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  }

  long storedNow = link ? 0 : ReadDosAttr(item.At());
  long want = value & attr::Stored;
  // A leading "." hides the item whatever is stored, so the stored hidden bit is left as it is for such names.
  if (LastName(name)[0] == '.') want = (want & ~attr::Hidden) | (storedNow & attr::Hidden);
  if ((storedNow & attr::Stored) != want) {
    if (link) throw Error(err::PermissionDenied, "A symbolic link cannot keep hidden, system or archive bits: " + path);
    // Only a writer may change user attributes: an owner who is not root gives the item its owner's write
    // permission for the moment of the change (the final mode is set below).
    bool opened = !(mode & S_IWUSR) && ::chmod(item.At(), mode | S_IWUSR) == 0;
    int rc;
    if (want == 0 && (storedNow & ~attr::Stored) == 0) {
      rc = ::removexattr(item.At(), kDosAttrName);
      if (rc != 0 && errno == ENODATA) rc = 0;
    } else {
      char text[32];
      int len = std::snprintf(text, sizeof text, "0x%lx", want | (storedNow & ~attr::Stored));
      rc = ::setxattr(item.At(), kDosAttrName, text, static_cast<size_t>(len), 0);
    }
    int e = errno;
    if (rc != 0) {
      if (opened) ::chmod(item.At(), mode);
      if (e == ENOTSUP)
        throw Error(err::PathFileAccess,
                    "The file system does not keep the hidden, system or archive bits (no extended attributes): " +
                        path);
      if (e == EPERM && !info.IsRegular() && !info.IsFolder())
        throw Error(err::PermissionDenied, "Only files and folders can keep hidden, system or archive bits: " + path);
      throw ErrorFromErrno(e, path);
    }
    if (opened && finalMode == mode && ::chmod(item.At(), mode) != 0) ThrowErrno(path);
  }
  if (finalMode != mode) {
    if (::chmod(item.At(), finalMode) != 0) ThrowErrno(path);
  }
}

void SetTimesAt(int dir, const char* name, const std::string& path, const DateTime* accessed,
                const DateTime* modified) {
  struct timespec ts[2];
  ts[0] = accessed ? accessed->ToTimespec() : timespec{0, UTIME_OMIT};
  ts[1] = modified ? modified->ToTimespec() : timespec{0, UTIME_OMIT};
  if (::utimensat(dir, name, ts, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(path);
  // A file system clamps a time it cannot hold (ext4 ends in 2446) without a word: read it back. Rounding to the
  // file system's own step is no failure: FAT keeps modification times to 2 seconds and access dates only.
  struct stat st;
  if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(path);
  auto kept = [](const struct timespec& stored, const struct timespec& wanted, int64_t step) {
    const int64_t off = static_cast<int64_t>(stored.tv_sec) - static_cast<int64_t>(wanted.tv_sec);
    return off > -step && off < step;
  };
  if ((accessed && !kept(st.st_atim, ts[0], 24 * 3600)) || (modified && !kept(st.st_mtim, ts[1], 2)))
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) +
                                         ": the file system cannot store this date (it kept " +
                                         DateTime::FromTimespec(accessed ? st.st_atim : st.st_mtim).GeneralDate() +
                                         "): " + path);
}

void FsItem::SetTimes(const DateTime* accessed, const DateTime* modified) {
  PathRef ref(path_);
  SetTimesAt(ref.Dir(), ref.Name(), path_, accessed, modified);
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
  std::vector<DirEntry> entries = ReadEntries(fd.Get(), path_, false);
  SortByName(entries);
  for (const DirEntry& e : entries) {
    ItemInfo info;
    if (e.type == DT_DIR && StatAt(fd.Get(), e.name.c_str(), info) && info.IsFolder())
      out.emplace_back(JoinPath(path_, e.name), info);
  }
  return ItemCollection<Folder>(std::move(out));
}

ItemCollection<File> Folder::Files() const {
  UniqueFd fd = OpenFolder(path_);
  std::vector<File> out;
  std::vector<DirEntry> entries = ReadEntries(fd.Get(), path_, false);
  SortByName(entries);
  for (const DirEntry& e : entries) {
    ItemInfo info;
    if (e.type != DT_DIR && StatAt(fd.Get(), e.name.c_str(), info) && !info.IsFolder())
      out.emplace_back(JoinPath(path_, e.name), info);
  }
  return ItemCollection<File>(std::move(out));
}

uint64_t TreeSize(const std::string& path, const FolderTotalFn& onFolder, int reportLevels,
                  const TreeSizeErrorFn& onError) {
  auto failed = [&](int errnum, const std::string& where) {
    if (onError) onError(ErrorFromErrno(errnum, where));
  };
  FolderHandleStack stack(OpenFolder(FullPath(path)), path);
  // One level per open folder: the subfolders still to visit and the bytes counted so far.
  struct Level {
    std::vector<std::string> dirs;
    uint64_t sum = 0;
    dev_t dev = 0;
    ino_t ino = 0;
  };
  std::vector<Level> levels;
  auto enter = [&]() {
    Level level;
    struct stat self;
    if (::fstat(stack.Top(), &self) == 0) {
      level.dev = self.st_dev;
      level.ino = self.st_ino;
    }
    std::vector<DirEntry> entries;
    try {
      entries = ReadEntries(stack.Top(), stack.TopPath(), false);
    } catch (const Error& e) {
      // An unreadable folder counts as empty, and the caller hears of it.
      if (onError) onError(e);
    }
    for (const DirEntry& e : entries) {
      if (e.type == DT_DIR) {
        level.dirs.push_back(e.name);
        continue;
      }
      struct stat st;
      if (::fstatat(stack.Top(), e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) level.sum += uint64_t(st.st_size);
      else if (errno != ENOENT) failed(errno, JoinPath(stack.TopPath(), e.name));
    }
    // Visit in listing order: the names are taken from the back.
    std::reverse(level.dirs.begin(), level.dirs.end());
    levels.push_back(std::move(level));
  };
  enter();
  uint64_t total = 0;
  while (!levels.empty()) {
    Level& top = levels.back();
    if (top.dirs.empty()) {
      int depth = static_cast<int>(levels.size()) - 1;
      if (onFolder && depth <= reportLevels) onFolder(top.dev, top.ino, depth, top.sum);
      total = top.sum;
      levels.pop_back();
      if (!levels.empty()) {
        levels.back().sum += total;
        stack.Pop();
      }
      continue;
    }
    std::string name = std::move(top.dirs.back());
    top.dirs.pop_back();
    if (int rc = stack.Push(name); rc == 0) enter();
    else if (rc != ENOENT) failed(rc, JoinPath(stack.TopPath(), name));
  }
  return total;
}

}  // namespace dv
