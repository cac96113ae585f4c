#pragma once
// Folder and file records: what a walk or a look-up found about one item. A record holds what one look at the
// item told; attributes are read from the extended attribute only when asked for, and a folder's total size only
// when asked for and not already given by the walk that made the record.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/error.h"
#include "platform/item_info.h"

namespace dv {

class Folder;

// A list with Count() and enumeration, in name order (platform/name_order.h).
template <class T>
class ItemCollection {
 public:
  explicit ItemCollection(std::vector<T> items) : items_(std::move(items)) {}
  long Count() const { return static_cast<long>(items_.size()); }
  const T& operator[](size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<T> items_;
};

// What folders and files share.
class FsItem {
 public:
  FsItem(std::string path, const ItemInfo& info) : path_(std::move(path)), info_(info) {}

  const std::string& Path() const { return path_; }
  std::string Name() const;
  std::string ParentFolderPath() const;
  Folder ParentFolder() const;
  long Attributes() const;
  // Gives the attribute bits when the caller has already read them (a walk reads them next to the folder).
  void KnownAttributes(long value) const { attributes_ = value; }
  // Sets the read-only, hidden, system and archive bits; the others are ignored. Throws dv::Error.
  void Attributes(long value);
  DateTime DateCreated() const { return info_.created; }
  DateTime DateLastModified() const { return info_.modified; }
  DateTime DateLastAccessed() const { return info_.accessed; }
  // Setting the times acts on the item itself (a link, not its target). The creation time cannot be set on
  // Linux: that throws a clear dv::Error.
  void DateCreated(DateTime value);
  void DateLastModified(DateTime value);
  void DateLastAccessed(DateTime value);
  const ItemInfo& Info() const { return info_; }
  bool IsLink() const { return info_.IsLink(); }

 protected:
  void SetTimes(const DateTime* accessed, const DateTime* modified);
  std::string path_;
  ItemInfo info_;
  mutable std::optional<long> attributes_;
};

class File : public FsItem {
 public:
  using FsItem::FsItem;
  // The file (or link, device, ...) at `path`, not following a last link. Throws 53 when it does not exist or is
  // a folder.
  static File At(const std::string& path);
  // The full path: Linux has no short names.
  const std::string& ShortPath() const { return path_; }
  uint64_t Size() const { return info_.size; }
  // Makes this record the item `name` of the folder `folderPath` as `info` tells, keeping the path's room: a walk
  // hands over a million files through one record without making a path for each.
  void Reset(const std::string& folderPath, const std::string& name, const ItemInfo& info);
  // "TXT File", or "File" when the name has no extension.
  std::string Type() const;
};

class Folder : public FsItem {
 public:
  using FsItem::FsItem;
  // The folder at `path` (a link to a folder is followed here, as the starting point of a walk). Throws 76 when
  // there is no folder there.
  static Folder At(const std::string& path);
  bool IsRootFolder() const { return path_ == "/"; }
  // Total bytes of every non-folder item below the folder (hidden ones and links by their own size included);
  // measured once, on first use, unless the walk that made the record gave it.
  uint64_t Size() const;
  void SetSize(uint64_t total) { size_ = total; }
  std::string Type() const { return "File Folder"; }
  ItemCollection<Folder> SubFolders() const;
  ItemCollection<File> Files() const;

 private:
  mutable std::optional<uint64_t> size_;
};

// The same on the item `name` inside the open folder `dir`, reached without following a link there (a link is
// acted on as the link itself); `path` names the item in errors. Throw dv::Error.
long AttributesAt(int dir, const char* name, const std::string& path);
void SetAttributesAt(int dir, const char* name, const std::string& path, long value);
// Sets the access and/or the modification time (null: left as it is) and reads them back: a time the file system
// cannot store (it would keep another) fails with 75.
void SetTimesAt(int dir, const char* name, const std::string& path, const DateTime* accessed,
                const DateTime* modified);

// Called once per folder of a TreeSize walk, after everything below it: the folder's device and inode, its
// level below the top folder (0 for the top) and its total.
using FolderTotalFn = std::function<void(dev_t dev, ino_t ino, int level, uint64_t total)>;
// Called for each part of a tree that could not be measured (a folder that cannot be read, an item whose size
// cannot be read); that part counts as empty.
using TreeSizeErrorFn = std::function<void(const Error&)>;

// Total bytes of every non-folder item below the folder at `path`, without following links; each folder down to
// `reportLevels` below the top is handed to `onFolder` with its own total, so one walk sizes a whole tree.
// Throws dv::Error when the folder cannot be opened; unreadable parts below it count as empty and are handed to
// `onError`. Items that vanish during the walk are not errors.
uint64_t TreeSize(const std::string& path, const FolderTotalFn& onFolder = {}, int reportLevels = -1,
                  const TreeSizeErrorFn& onError = {});

// The type text of a file named `name`.
std::string FileTypeText(const std::string& name);

}  // namespace dv
