// CopyFile: data goes to a temporary name beside the destination and is renamed into place only when complete.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/user_attributes.h"

namespace dv {

namespace {

// Copies all bytes of `in` to `out`: shared extents where the file system offers them (instant, no space
// used), else in the kernel, else through a large buffer.
void CopyBytes(int in, int out, const std::string& source, const std::string& destination) {
  if (::ioctl(out, FICLONE, in) == 0) return;
  bool kernel = true;
  std::vector<char> buf;
  for (;;) {
    if (kernel) {
      ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
      if (n > 0) continue;
      if (n == 0) return;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF)
        ThrowErrno(destination);
      kernel = false;
      buf.resize(1 << 17);
    }
    ssize_t n = ::read(in, buf.data(), buf.size());
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(source);
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buf.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        ThrowErrno(destination);
      }
      done += w;
    }
  }
}

// Opens the regular file `src` for reading (never a link, FIFO or device).
UniqueFd OpenSource(const PathRef& src, const std::string& source, struct stat& st) {
  int in = ::openat(src.Dir(), src.Name(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (in < 0) ThrowErrno(source);
  UniqueFd inFd(in);
  if (::fstat(in, &st) != 0) ThrowErrno(source);
  if (!S_ISREG(st.st_mode))
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not a regular file: " + source);
  return inFd;
}

// The bytes, user attributes, mode and times of the open file `in` (with status `st`) into `out`.
void CopyInto(int in, const struct stat& st, int out, const std::string& source, const std::string& destination) {
  CopyBytes(in, out, source, destination);
  // A file system without extended attributes simply drops them.
  CopyUserAttributes(in, out, destination, /*mustKeep=*/false);
  if (::fchmod(out, st.st_mode & 07777) != 0) ThrowErrno(destination);
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out, times) != 0) ThrowErrno(destination);
}

// Writes the copy of `src` as `tmp` (beside the destination). Throws dv::Error.
void WriteTemporary(const PathRef& src, const ItemInfo& info, const PathRef& tmp, const std::string& source,
                    const std::string& destination) {
  if (info.IsLink()) {
    std::vector<char> target(4096);
    for (;;) {
      ssize_t n = ::readlinkat(src.Dir(), src.Name(), target.data(), target.size());
      if (n < 0) ThrowErrno(source);
      if (static_cast<size_t>(n) < target.size()) {
        target.resize(static_cast<size_t>(n));
        break;
      }
      target.resize(target.size() * 2);
    }
    target.push_back(0);
    if (::symlinkat(target.data(), tmp.Dir(), tmp.Name()) != 0) ThrowErrno(destination);
    // The link keeps its own times, as cp -a keeps them.
    struct timespec times[2] = {info.accessed.ToTimespec(), info.modified.ToTimespec()};
    ::utimensat(tmp.Dir(), tmp.Name(), times, AT_SYMLINK_NOFOLLOW);
    return;
  }
  struct stat st;
  UniqueFd in = OpenSource(src, source, st);
  int out = ::openat(tmp.Dir(), tmp.Name(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) ThrowErrno(destination);
  UniqueFd outFd(out);
  CopyInto(in.Get(), st, out, source, destination);
  if (::close(outFd.Release()) != 0) ThrowErrno(destination);
}

// A new file (nothing at the destination) is written as an unnamed file in the destination's folder and given its
// name only when complete: one change to the folder instead of three, and a name that is either absent or whole.
// A name taken meanwhile fails with 58, or, with `overwrite`, gives false. False also when the file system has no
// unnamed files, the folder's path is too long, or /proc is not mounted: the caller then writes a named temporary.
bool WriteUnnamed(const PathRef& src, const std::string& source, const PathRef& dst, const std::string& destination,
                  bool overwrite) {
  const std::string folder = ParentOfPath(destination);
  if (folder.size() >= PATH_MAX) return false;
  int out = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (out < 0) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return false;
    ThrowErrno(destination);
  }
  UniqueFd outFd(out);
  struct stat st;
  UniqueFd in = OpenSource(src, source, st);
  CopyInto(in.Get(), st, out, source, destination);
  const std::string self = "/proc/self/fd/" + std::to_string(out);
  if (::linkat(AT_FDCWD, self.c_str(), dst.Dir(), dst.Name(), AT_SYMLINK_FOLLOW) == 0) return true;
  if ((errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0) || (errno == EEXIST && overwrite)) return false;
  ThrowErrno(destination);
}

}  // namespace

void FileSystemObject::CopyFile(const std::string& source, const std::string& destination, bool overwrite) const {
  std::string from = FullPath(source), to = FullPath(destination);
  PathRef src(from), dst(to);
  ItemInfo info;
  if (!StatAt(src.Dir(), src.Name(), info)) ThrowErrno(from);
  if (info.IsFolder()) throw Error(err::FileNotFound, ErrorText(err::FileNotFound) + " (a folder): " + from);
  // Devices, FIFOs and sockets are never opened.
  if (!info.IsRegular() && !info.IsLink())
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not a regular file: " + from);

  ItemInfo there;
  const bool exists = StatAt(dst.Dir(), dst.Name(), there);
  if (exists) {
    if (!overwrite) throw ErrorFromErrno(EEXIST, to);
    if (there.IsFolder()) throw ErrorFromErrno(EISDIR, to);
    // A read-only file is not replaced, even when overwriting is allowed; callers clear the bit first.
    if (!there.IsLink() && !(there.mode & S_IWUSR)) throw ErrorFromErrno(EACCES, to);
  } else if (errno != ENOENT) {
    ThrowErrno(to);
  }

  if (!exists && info.IsRegular() && WriteUnnamed(src, from, dst, to, overwrite)) return;

  // The temporary lives in the destination's folder, so the final rename stays on one file system. A name that
  // is taken (a leftover, or a process forked from ours drawing the same names) is someone else's: draw another.
  std::optional<PathRef> tmp;
  for (int attempt = 0;; ++attempt) {
    tmp.emplace(JoinPath(ParentOfPath(to), TempName("copy")));
    try {
      WriteTemporary(src, info, *tmp, from, to);
      break;
    } catch (const Error& e) {
      if (e.Number() != err::FileAlreadyExists) ::unlinkat(tmp->Dir(), tmp->Name(), 0);
      if (e.Number() != err::FileAlreadyExists || attempt == 7) throw;
    }
  }

  int rc;
  if (overwrite) {
    rc = ::renameat(tmp->Dir(), tmp->Name(), dst.Dir(), dst.Name());
  } else {
    rc = ::renameat2(tmp->Dir(), tmp->Name(), dst.Dir(), dst.Name(), RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL) {
      // No no-replace rename on this file system: a hard link refuses an existing name just the same.
      rc = ::linkat(tmp->Dir(), tmp->Name(), dst.Dir(), dst.Name(), 0);
      if (rc == 0) {
        ::unlinkat(tmp->Dir(), tmp->Name(), 0);
      } else if (errno == EPERM || errno == EOPNOTSUPP) {
        // No hard links either: check, then rename.
        errno = EEXIST;
        rc = StatAt(dst.Dir(), dst.Name(), there) ? -1 : ::renameat(tmp->Dir(), tmp->Name(), dst.Dir(), dst.Name());
      }
    }
  }
  if (rc != 0) {
    int e = errno;
    ::unlinkat(tmp->Dir(), tmp->Name(), 0);
    throw ErrorFromErrno(e, to);
  }
}

}  // namespace dv
