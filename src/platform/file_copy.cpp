// CopyFile: a new file is made exclusively under its final name and taken away again when its copy fails; a file
// replaced is written under a temporary name beside it and renamed into place only when complete.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/byte_files.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/placement.h"
#include "platform/user_attributes.h"

namespace dv {

namespace {

// The most one kernel copy or one buffered stretch moves between two looks at the stop flag.
constexpr off_t kStopCheckEvery = 8 << 20;

// Copies `length` bytes at `offset` of `in` to the same offset of `out`: in the kernel where it can, else through
// `buf`. `kernel` turns false once the kernel has refused.
void CopyRange(int in, int out, off_t offset, off_t length, bool& kernel, std::vector<char>& buf,
               const std::string& source, const std::string& destination, const StopFlag* stop) {
  off_t inAt = offset, outAt = offset;
  const off_t end = offset + length;
  off_t sinceCheck = kStopCheckEvery;
  while (inAt < end) {
    if (sinceCheck >= kStopCheckEvery) {
      ThrowIfStopped(stop, source);
      sinceCheck = 0;
    }
    if (kernel) {
      ssize_t n = ::copy_file_range(in, &inAt, out, &outAt,
                                    static_cast<size_t>(std::min<off_t>(end - inAt, kStopCheckEvery)), 0);
      if (n > 0) {
        sinceCheck += n;
        continue;
      }
      if (n == 0) return;  // the file became shorter meanwhile
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF)
        ThrowErrno(destination);
      kernel = false;
    }
    if (buf.empty()) buf.resize(1 << 17);
    ssize_t n = ::pread(in, buf.data(), static_cast<size_t>(std::min<off_t>(end - inAt, buf.size())), inAt);
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(source);
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::pwrite(out, buf.data() + done, static_cast<size_t>(n - done), outAt);
      if (w < 0) {
        if (errno == EINTR) continue;
        ThrowErrno(destination);
      }
      done += w;
      outAt += w;
    }
    inAt += n;
    sinceCheck += n;
  }
}

// Copies all bytes of `in` (with status `st`) to `out`: shared extents where the file system offers them (instant,
// no space used), else in the kernel, else through a buffer. A file with holes has only its data copied, each
// stretch at its offset, and the copy is given its full length at the end, so the holes stay holes (a copy of
// the whole length, in the kernel or not, may fill them in).
void CopyBytes(int in, const struct stat& st, int out, const std::string& source, const std::string& destination,
               const StopFlag* stop) {
  ThrowIfStopped(stop, source);
  // A file system that has no shared extents says so only when both files are on it (else EXDEV): asking again for
  // another source on it cannot succeed.
  static thread_local dev_t cannotShare = 0;
  if (st.st_dev != cannotShare || st.st_dev == 0) {
    if (::ioctl(out, FICLONE, in) == 0) return;
    if (errno == EOPNOTSUPP) cannotShare = st.st_dev;
  }
  bool kernel = true;
  std::vector<char> buf;
  const bool sparse = st.st_size > 0 && static_cast<off_t>(st.st_blocks) * 512 < st.st_size;
  if (!sparse) {
    // Up to the end of whatever is there: a file that grew since its status was read is copied whole.
    CopyRange(in, out, 0, std::numeric_limits<off_t>::max() / 2, kernel, buf, source, destination, stop);
    return;
  }
  off_t at = 0;
  for (;;) {
    off_t data = ::lseek(in, at, SEEK_DATA);
    if (data < 0) {
      if (errno == ENXIO) break;  // no data after `at`: the rest is a hole
      ThrowErrno(source);
    }
    off_t hole = ::lseek(in, data, SEEK_HOLE);
    if (hole < 0) ThrowErrno(source);
    CopyRange(in, out, data, hole - data, kernel, buf, source, destination, stop);
    at = hole;
  }
  if (::ftruncate(out, st.st_size) != 0) ThrowErrno(destination);
}

// Opens the regular file `name` of `dir` for reading (never a link, FIFO or device).
UniqueFd OpenSource(int dir, const char* name, const std::string& source, struct stat& st) {
  int in = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (in < 0) ThrowErrno(source);
  UniqueFd inFd(in);
  if (::fstat(in, &st) != 0) ThrowErrno(source);
  if (!S_ISREG(st.st_mode))
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not a regular file: " + source);
  return inFd;
}

// The bytes, user attributes, mode and times of the open file `in` (with status `st`) into `out`.
void CopyInto(int in, const struct stat& st, int out, const std::string& source, const std::string& destination,
              const StopFlag* stop) {
  CopyBytes(in, st, out, source, destination, stop);
  // A file system without extended attributes simply drops them.
  CopyUserAttributes(in, out, destination, /*mustKeep=*/false);
  if (::fchmod(out, st.st_mode & 07777) != 0) ThrowErrno(destination);
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out, times) != 0) ThrowErrno(destination);
}

// Writes the copy of `src` as the new name `tmp` (beside the destination). Throws dv::Error.
void WriteTemporary(ItemAt src, const ItemInfo& info, ItemAt tmp, const std::string& source,
                    const std::string& destination, const StopFlag* stop) {
  if (info.IsLink()) {
    if (::symlinkat(LinkTextAt(src.dir, src.name, source).c_str(), tmp.dir, tmp.name) != 0) ThrowErrno(destination);
    // The link keeps its own times, as cp -a keeps them.
    struct timespec times[2] = {info.accessed.ToTimespec(), info.modified.ToTimespec()};
    ::utimensat(tmp.dir, tmp.name, times, AT_SYMLINK_NOFOLLOW);
    return;
  }
  struct stat st;
  UniqueFd in = OpenSource(src.dir, src.name, source, st);
  int out = ::openat(tmp.dir, tmp.name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) ThrowErrno(destination);
  UniqueFd outFd(out);
  CopyInto(in.Get(), st, out, source, destination, stop);
  if (::close(outFd.Release()) != 0) ThrowErrno(destination);
}

// A file this copy made at its final name, open: removed again unless the copy completes (Keep), but only while
// the name still holds this very file (a name taken over meanwhile is someone else's).
class NewFile {
 public:
  NewFile(ItemAt at, int fd) : at_(at), fd_(fd) {}
  ~NewFile() {
    if (!fd_.Valid()) return;
    struct stat mine, there;
    if (::fstat(fd_.Get(), &mine) == 0 && ::fstatat(at_.dir, at_.name, &there, AT_SYMLINK_NOFOLLOW) == 0 &&
        mine.st_dev == there.st_dev && mine.st_ino == there.st_ino)
      ::unlinkat(at_.dir, at_.name, 0);
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  int Get() const { return fd_.Get(); }
  UniqueFd Keep() { return std::move(fd_); }

 private:
  ItemAt at_;
  UniqueFd fd_;
};

// A new file (nothing at the destination) is made under its final name, exclusively and relative to the folder's
// handle, so it never replaces anything nor follows a link planted there; a copy that fails or is stopped takes
// it away again. Invalid when the name is taken (the caller decides: 58, or an overwrite through a temporary).
// `in`: the source, already open (with status `st`), or invalid to open it once the name is ours.
UniqueFd WriteNew(ItemAt src, UniqueFd in, struct stat& st, ItemAt dst, const std::string& source,
                  const std::string& destination, const StopFlag* stop) {
  int out = ::openat(dst.dir, dst.name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) {
    if (errno == EEXIST) return UniqueFd();
    ThrowErrno(destination);
  }
  NewFile made(dst, out);
  if (!in.Valid()) in = OpenSource(src.dir, src.name, source, st);
  CopyInto(in.Get(), st, made.Get(), source, destination, stop);
  return made.Keep();
}

// The source open for reading when it is a regular file that can be opened; else invalid (a link, a folder,
// anything else, or one that cannot be read: the general way then looks at it and says why).
UniqueFd OpenIfRegular(ItemAt src, struct stat& st) {
  UniqueFd in(::openat(src.dir, src.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (in.Valid() && (::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode))) in.Reset();
  return in;
}

}  // namespace

void FileSystemObject::CopyFile(const std::string& source, const std::string& destination, bool overwrite) const {
  std::string from = FullPath(source), to = FullPath(destination);
  PathRef src(from);
  // The temporary goes beside the destination: its folder is opened, the name is one name in it.
  UniqueFd folder = OpenHolderOf(to);
  CopyFileAt(src.Dir(), src.Name(), folder.Get(), NameOfPath(to).c_str(), overwrite, from, to);
}

void FileSystemObject::CopyFileAt(int fromDir, const char* fromName, int toDir, const char* toName, bool overwrite,
                                  const std::string& from, const std::string& to, const StopFlag* stop) const {
  CopyFileInto({fromDir, fromName}, {toDir, toName}, overwrite, from, to, stop);
}

UniqueFd CopyFileInto(ItemAt src, ItemAt dst, bool overwrite, const std::string& from, const std::string& to,
                      const StopFlag* stop, bool seenRegular) {
  const Placing how = overwrite ? Placing::Replace : Placing::NoReplace;
  // The usual case in one open and one look: a readable regular file, seen just before, to a free name.
  struct stat st;
  if (UniqueFd in = seenRegular ? OpenIfRegular(src, st) : UniqueFd(); in.Valid()) {
    if (UniqueFd out = WriteNew(src, std::move(in), st, dst, from, to, stop); out.Valid()) return out;
    if (!overwrite) throw ErrorFromErrno(EEXIST, to);
  }

  ItemInfo info;
  if (!StatAt(src.dir, src.name, info)) ThrowErrno(from);
  if (info.IsFolder()) throw Error(err::FileNotFound, ErrorText(err::FileNotFound) + " (a folder): " + from);
  // Devices, FIFOs and sockets are never read.
  if (!info.IsRegular() && !info.IsLink())
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": not a regular file: " + from);

  const bool exists = TargetTaken(dst, how, to);
  if (!exists && info.IsRegular()) {
    if (UniqueFd out = WriteNew(src, UniqueFd(), st, dst, from, to, stop); out.Valid()) return out;
    if (!overwrite) throw ErrorFromErrno(EEXIST, to);
  }

  // The temporary lives in the destination's folder, so the final rename stays on one file system. A name that
  // is taken (a leftover, or a process forked from ours drawing the same names) is someone else's: draw another.
  std::string tmpName;
  ItemAt tmp{dst.dir, nullptr};
  for (int attempt = 0;; ++attempt) {
    tmpName = TempName("copy");
    tmp.name = tmpName.c_str();
    try {
      WriteTemporary(src, info, tmp, from, to, stop);
      break;
    } catch (const Error& e) {
      if (e.Number() != err::FileAlreadyExists) ::unlinkat(tmp.dir, tmp.name, 0);
      if (e.Number() != err::FileAlreadyExists || attempt == 7) throw;
    }
  }

  // A link at the destination's name is replaced as a name, never written through.
  try {
    if (!Place(tmp, dst, how, to, to)) throw ErrorFromErrno(EEXIST, to);
  } catch (...) {
    ::unlinkat(tmp.dir, tmp.name, 0);
    throw;
  }
  return UniqueFd();
}

}  // namespace dv
