#include "platform/item_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace dv {

bool ItemInfo::IsFolder() const { return S_ISDIR(mode); }
bool ItemInfo::IsLink() const { return S_ISLNK(mode); }
bool ItemInfo::IsRegular() const { return S_ISREG(mode); }

bool StatAt(int dirFd, const char* name, ItemInfo& out, bool followLink) {
  struct statx sx;
  int flags = AT_STATX_SYNC_AS_STAT | (followLink ? 0 : AT_SYMLINK_NOFOLLOW);
  if (::statx(dirFd, name, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
  out.mode = sx.stx_mode;
  out.size = sx.stx_size;
  out.dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  out.ino = sx.stx_ino;
  auto ts = [](const struct statx_timestamp& t) { return DateTime{t.tv_sec, static_cast<int32_t>(t.tv_nsec)}; };
  out.modified = ts(sx.stx_mtime);
  out.accessed = ts(sx.stx_atime);
  out.created = (sx.stx_mask & STATX_BTIME) ? ts(sx.stx_btime) : ts(sx.stx_ctime);
  return true;
}

namespace {

long DosAttrFrom(const char* buf, ssize_t n) {
  if (n <= 0) return 0;
  // Some writers count a terminating zero in the value.
  return ParseDosAttr(std::string(buf, static_cast<size_t>(n) - (buf[n - 1] == 0 ? 1 : 0)));
}

}  // namespace

long ParseDosAttr(const std::string& text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str() + 2, &end, 16);
  return end && *end == 0 && v > 0 ? v : 0;
}

long ReadDosAttr(const std::string& xattrPath) {
  char buf[64];
  return DosAttrFrom(buf, ::getxattr(xattrPath.c_str(), kDosAttrName, buf, sizeof buf - 1));
}


namespace {

long ReadDosAttrAt(int dirFd, const std::string& name, const std::string& pathForFallback) {
  static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
  if (!procMounted) return ReadDosAttr(pathForFallback);
  std::string at = "/proc/self/fd/" + std::to_string(dirFd) + "/" + name;
  char buf[64];
  return DosAttrFrom(buf, ::lgetxattr(at.c_str(), kDosAttrName, buf, sizeof buf - 1));
}

}  // namespace

long ReadAttributesAt(int dirFd, const std::string& name, const ItemInfo& info, const std::string& pathForFallback) {
  long a = ReadAttributes(name, info, std::string());
  if (!info.IsLink()) a |= ReadDosAttrAt(dirFd, name, pathForFallback) & attr::Stored;
  return a;
}

long ReadAttributes(const std::string& name, const ItemInfo& info, const std::string& xattrPath) {
  long a = 0;
  if (info.IsFolder()) a |= attr::Directory;
  if (!info.IsLink() && !(info.mode & S_IWUSR)) a |= attr::ReadOnly;
  if (!name.empty() && name[0] == '.') a |= attr::Hidden;
  if (!info.IsLink() && !xattrPath.empty()) a |= ReadDosAttr(xattrPath) & attr::Stored;
  return a;
}

}  // namespace dv
