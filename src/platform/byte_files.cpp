#include "platform/byte_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"
#include "platform/path.h"

namespace dv {

UniqueFd OpenLookedAtBytes(int dir, const char* name, const std::string& path, const ItemInfo& info) {
  if (!info.IsRegular())
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not a regular file: " + path);
  constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  // O_NOATIME is allowed only to the file's owner; others read with the ordinary access-time rule.
  int fd = ::openat(dir, name, kFlags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = ::openat(dir, name, kFlags);
  if (fd < 0) ThrowErrno(path);
  return UniqueFd(fd);
}

UniqueFd OpenBytesForReadingAt(int dir, const char* name, const std::string& path, const ItemInfo& info) {
  UniqueFd owned = OpenLookedAtBytes(dir, name, path, info);
  const int fd = owned.Get();
  struct stat st;
  if (::fstat(fd, &st) != 0) ThrowErrno(path);
  if (!S_ISREG(st.st_mode) || st.st_dev != info.dev || st.st_ino != info.ino)
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": changed while being opened: " + path);
  return owned;
}

UniqueFd OpenBytesForReading(const std::string& path, const ItemInfo& info) {
  PathRef ref(path);
  return OpenBytesForReadingAt(ref.Dir(), ref.Name(), path, info);
}

std::string LinkTextAt(int dir, const char* name, const std::string& path) {
  std::vector<char> text(4096);
  for (;;) {
    const ssize_t n = ::readlinkat(dir, name, text.data(), text.size());
    if (n < 0) ThrowErrno(path);
    if (static_cast<size_t>(n) < text.size()) return std::string(text.data(), static_cast<size_t>(n));
    text.resize(text.size() * 2);
  }
}

size_t ReadAt(int fd, char* into, size_t length, uint64_t offset, const std::string& path) {
  size_t done = 0;
  while (done < length) {
    ssize_t n = ::pread(fd, into + done, length - done, static_cast<off_t>(offset + done));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(path);
    }
    done += static_cast<size_t>(n);
  }
  return done;
}

bool RangesEqual(int a, int b, uint64_t offset, uint64_t length, size_t block, std::vector<char>& bufA,
                 std::vector<char>& bufB, const std::string& pathA, const std::string& pathB) {
  if (bufA.size() < block) bufA.resize(block);
  if (bufB.size() < block) bufB.resize(block);
  while (length > 0) {
    const size_t want = length < block ? static_cast<size_t>(length) : block;
    const size_t gotA = ReadAt(a, bufA.data(), want, offset, pathA);
    const size_t gotB = ReadAt(b, bufB.data(), want, offset, pathB);
    if (gotA != gotB || std::memcmp(bufA.data(), bufB.data(), gotA) != 0) return false;
    if (gotA < want) return true;  // both ended at the same place
    offset += want;
    length -= want;
  }
  return true;
}

}  // namespace dv
