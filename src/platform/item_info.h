#pragma once
// What one lstat-like look at an item tells, and the attribute bits built from it.
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "platform/datetime.h"

namespace dv {

namespace attr {
inline constexpr long ReadOnly = 1;
inline constexpr long Hidden = 2;
inline constexpr long System = 4;
inline constexpr long Directory = 16;
inline constexpr long Archive = 32;
// The bits kept in the extended attribute, beside what the name and the permissions say.
inline constexpr long Stored = Hidden | System | Archive;
}  // namespace attr

// The extended attribute that keeps the hidden, system and archive bits, as "0x" and the bits in hex.
inline constexpr const char* kDosAttrName = "user.DOSATTRIB";

struct ItemInfo {
  mode_t mode = 0;
  uint64_t size = 0;
  dev_t dev = 0;
  ino_t ino = 0;
  DateTime created, modified, accessed;

  bool IsFolder() const;
  bool IsLink() const;
  bool IsRegular() const;
};

// Looks at `name` inside the folder `dirFd` without following a link. The creation time is the birth time where
// the file system reports one, else the status-change time. Returns false with errno set on failure.
bool StatAt(int dirFd, const char* name, ItemInfo& out, bool followLink = false);

// Attribute bits of an item: directory from the type, read-only when the owner may not write, hidden from a
// leading "." or the stored bit, system, archive and a stored hidden bit from the extended attribute (never for
// links). `xattrPath` is a path usable with the *xattr calls.
long ReadAttributes(const std::string& name, const ItemInfo& info, const std::string& xattrPath);
// The same, looking at `name` inside the open folder `dirFd`: no path is resolved again from "/", which on a deep
// tree costs a walk of every level per item. `pathForFallback` serves where /proc is not mounted.
long ReadAttributesAt(int dirFd, const std::string& name, const ItemInfo& info, const std::string& pathForFallback);
// The bits stored in the extended attribute of the item at `xattrPath` (following links); 0 when there are none.
long ReadDosAttr(const std::string& xattrPath);
// Parses the extended attribute's text; 0 for anything unreadable.
long ParseDosAttr(const std::string& text);

}  // namespace dv
