#include "platform/content_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/error.h"
#include "platform/unique_fd.h"

namespace dv {

namespace {

std::string LinkText(int dir, const char* name, const std::string& path) {
  std::vector<char> text(4096);
  for (;;) {
    ssize_t n = ::readlinkat(dir, name, text.data(), text.size());
    if (n < 0) ThrowErrno(path);
    if (static_cast<size_t>(n) < text.size()) return std::string(text.data(), static_cast<size_t>(n));
    text.resize(text.size() * 2);
  }
}

UniqueFd OpenRead(int dir, const char* name, const std::string& path, struct stat& st) {
  int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) ThrowErrno(path);
  UniqueFd owned(fd);
  if (::fstat(fd, &st) != 0) ThrowErrno(path);
  if (!S_ISREG(st.st_mode))
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not a regular file: " + path);
  return owned;
}

// Fills `buf` from `fd` as far as the file goes; the count read.
size_t ReadFull(int fd, char* buf, size_t size, const std::string& path) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(fd, buf + got, size - got);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(path);
    }
    got += static_cast<size_t>(n);
  }
  return got;
}

}  // namespace

bool SameContents(int originalDir, const char* originalName, int copyDir, const char* copyName,
                  const std::string& original, const std::string& copy) {
  struct stat a, b;
  if (::fstatat(originalDir, originalName, &a, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(original);
  if (::fstatat(copyDir, copyName, &b, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(copy);
  if (S_ISLNK(a.st_mode) || S_ISLNK(b.st_mode))
    return S_ISLNK(a.st_mode) && S_ISLNK(b.st_mode) &&
           LinkText(originalDir, originalName, original) == LinkText(copyDir, copyName, copy);
  UniqueFd in = OpenRead(originalDir, originalName, original, a);
  UniqueFd out = OpenRead(copyDir, copyName, copy, b);
  if (a.st_size != b.st_size) return false;
  // Written out first, else the cache would keep the pages (dirty pages are not dropped).
  if (::fdatasync(out.Get()) != 0) ThrowErrno(copy);
  ::posix_fadvise(out.Get(), 0, 0, POSIX_FADV_DONTNEED);
  ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  constexpr size_t kBlock = 1 << 18;
  std::vector<char> x(kBlock), y(kBlock);
  for (;;) {
    const size_t n = ReadFull(in.Get(), x.data(), kBlock, original);
    const size_t m = ReadFull(out.Get(), y.data(), kBlock, copy);
    if (n != m || std::memcmp(x.data(), y.data(), n) != 0) return false;
    if (n < kBlock) return true;
  }
}

}  // namespace dv
