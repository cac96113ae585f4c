// ReplaceBytesAt. Stages:
//   1. the file is read in blocks and searched (memmem); the last find-length - 1 bytes of a block wait for the
//      next one, so a match across two blocks is found;
//   2. at the first match the temporary file is made beside the file and the bytes before the match are copied
//      into it at once (in the kernel where it can); from then on every byte goes out through a buffer;
//   3. at the end: mode, owner and user.* attributes, the caller's step (the backup), a check that the file is
//      still the one read and unchanged since (size and modification time), and the rename over it. The new
//      content is not synced first (as sed -i does not): a kill or a full disk leaves the original whole, and file
//      systems order a rename over a file after its new data (ext4's auto_da_alloc); a sync per file would cost
//      the run several times its work.
// Everything is reached through the folder's handle: the file, its temporary file and the backup.
#include "platform/byte_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/byte_files.h"
#include "platform/user_attributes.h"
#include "platform/error.h"
#include "platform/path.h"
#include "platform/placement.h"

namespace dv {

namespace {

constexpr size_t kBlock = 1 << 20;
constexpr size_t kOutBuffer = 1 << 20;

void WriteAll(int fd, const char* data, size_t length, const std::string& path) {
  while (length > 0) {
    ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(path);
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
}

// Creates a new temporary file "purpose" in `dir`; `name` receives its name. A name that is taken belongs to
// someone else: never removed, another is drawn.
UniqueFd CreateTemporary(int dir, const char* purpose, std::string& name, const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    name = TempName(purpose);
    int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) return UniqueFd(fd);
    int e = errno;
    name.clear();
    if (e != EEXIST || attempt == 7) throw ErrorFromErrno(e, ParentOfPath(path));
  }
}

// Copies bytes [offset, offset + length) of `in` to the end of `out`, in the kernel where it can, a block at a
// time with a look at `stop` before each.
void CopyRange(int in, int out, uint64_t offset, uint64_t length, const std::string& path, const StopFlag* stop) {
  loff_t at = static_cast<loff_t>(offset);
  while (length > 0) {
    ThrowIfStopped(stop, path);
    ssize_t n = ::copy_file_range(in, &at, out, nullptr, static_cast<size_t>(std::min<uint64_t>(length, kBlock)), 0);
    if (n > 0) {
      length -= static_cast<uint64_t>(n);
      continue;
    }
    if (n == 0) throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": shortened while read: " + path);
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF)
      ThrowErrno(path);
    break;  // no kernel copy here: through a buffer
  }
  std::vector<char> buf(static_cast<size_t>(std::min<uint64_t>(length, kBlock)));
  while (length > 0) {
    ThrowIfStopped(stop, path);
    size_t want = static_cast<size_t>(std::min<uint64_t>(length, buf.size()));
    size_t got = ReadAt(in, buf.data(), want, static_cast<uint64_t>(at), path);
    if (got != want)
      throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": shortened while read: " + path);
    WriteAll(out, buf.data(), got, path);
    at += static_cast<loff_t>(got);
    length -= got;
  }
}

// The new content of one file, written to a temporary file beside it; removed again unless it was renamed.
class Rewrite {
 public:
  Rewrite(int in, int dir, const char* name, const std::string& path, const struct stat& st, const StopFlag* stop)
      : in_(in), dir_(dir), name_(name), path_(path), st_(st), stop_(stop) {}
  ~Rewrite() {
    if (!tmp_.empty() && !done_) ::unlinkat(dir_, tmp_.c_str(), 0);
  }
  Rewrite(const Rewrite&) = delete;
  Rewrite& operator=(const Rewrite&) = delete;

  bool Started() const { return out_.Valid(); }

  // Creates the temporary file and copies the first `prefix` bytes of the file into it.
  void Start(uint64_t prefix) {
    // Renaming needs only the folder's permission; a file the user may not write, or a read-only one (its owner may
    // not write it, whoever we are), is not rewritten behind its back.
    if (!(st_.st_mode & S_IWUSR)) throw ErrorFromErrno(EACCES, path_);
    if (::faccessat(dir_, name_, W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(path_);
    out_ = CreateTemporary(dir_, "replace", tmp_, path_);
    CopyPrefix(prefix);
  }

  void Put(const char* data, size_t length) {
    if (!Started()) return;
    buffer_.append(data, length);
    if (buffer_.size() >= kOutBuffer) Flush();
  }

  void Finish(const std::function<void(int)>& beforeReplacing) {
    Flush();
    const int out = out_.Get();
    // Owner first: changing it clears set-id bits, which the mode then puts back. Only root may give a file away;
    // otherwise the group is kept where the user belongs to it.
    static const uid_t euid = ::geteuid();
    static const gid_t egid = ::getegid();
    if ((st_.st_uid != euid || st_.st_gid != egid) && ::fchown(out, st_.st_uid, st_.st_gid) != 0)
      (void)::fchown(out, static_cast<uid_t>(-1), st_.st_gid);
    if (::fchmod(out, st_.st_mode & 07777) != 0) ThrowErrno(path_);
    CopyUserAttributes(in_, out, path_, /*mustKeep=*/true);
    if (::close(out_.Release()) != 0) ThrowErrno(path_);
    if (beforeReplacing) beforeReplacing(in_);
    // A stop asked for meanwhile (the caller's step may give its window a moment) still leaves the file as it was.
    ThrowIfStopped(stop_, path_);
    // The file must still be the one that was read, as it was read: anything put there or written into it
    // meanwhile (another program appending a line) is not lost.
    struct stat now, read;
    if (::fstatat(dir_, name_, &now, AT_SYMLINK_NOFOLLOW) != 0) ThrowErrno(path_);
    if (now.st_dev != st_.st_dev || now.st_ino != st_.st_ino)
      throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": replaced by another file meanwhile: " +
                                           path_);
    if (::fstat(in_, &read) != 0) ThrowErrno(path_);
    if (read.st_size != st_.st_size || read.st_mtim.tv_sec != st_.st_mtim.tv_sec ||
        read.st_mtim.tv_nsec != st_.st_mtim.tv_nsec)
      throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": changed while being replaced: " + path_);
    (void)Place({dir_, tmp_.c_str()}, {dir_, name_}, Placing::Replace, path_, path_);
    done_ = true;
  }

 private:
  void Flush() {
    WriteAll(out_.Get(), buffer_.data(), buffer_.size(), path_);
    buffer_.clear();
  }

  void CopyPrefix(uint64_t length) { CopyRange(in_, out_.Get(), 0, length, path_, stop_); }

  int in_;
  int dir_;
  const char* name_;
  const std::string& path_;
  struct stat st_;
  const StopFlag* stop_;
  std::string tmp_;  // the temporary file's name in dir_, once made
  UniqueFd out_;
  std::string buffer_;
  bool done_ = false;
};

}  // namespace

uint64_t ReplaceBytesAt(int dir, const char* name, const std::string& path, const ItemInfo& info,
                        const std::string& find, const std::string& replacement,
                        const std::function<void(int file)>& beforeReplacing, const StopFlag* stop) {
  if (find.empty()) return 0;
  // One look through the open file answers both questions: is it still the item looked at, and how long is it.
  UniqueFd in = OpenLookedAtBytes(dir, name, path, info);
  struct stat st;
  if (::fstat(in.Get(), &st) != 0) ThrowErrno(path);
  if (!S_ISREG(st.st_mode) || st.st_dev != info.dev || st.st_ino != info.ino)
    throw Error(err::PathFileAccess, ErrorText(err::PathFileAccess) + ": changed while being opened: " + path);
  Rewrite rewrite(in.Get(), dir, name, path, st, stop);

  const size_t n = find.size();
  const uint64_t length = static_cast<uint64_t>(st.st_size);
  // A block no larger than the file: most files are small, and the buffer is kept from file to file, never
  // cleared (only the bytes read are looked at).
  const size_t block = static_cast<size_t>(std::min<uint64_t>(kBlock, std::max<uint64_t>(length, 1)));
  thread_local std::vector<char> buf;
  if (buf.size() < block + n) buf.resize(block + n);
  size_t have = 0;       // bytes in buf
  uint64_t base = 0;     // the file offset of buf[0]
  uint64_t matches = 0;
  for (bool end = false; !end;) {
    ThrowIfStopped(stop, path);
    ssize_t got = ::read(in.Get(), buf.data() + have, block);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(path);
    }
    have += static_cast<size_t>(got);
    // The length seen at the open ends the reading: bytes added later would fail the check before the rename
    // anyway, as a file changed meanwhile.
    end = got == 0 || base + have >= length;
    size_t from = 0;
    while (have - from >= n) {
      const void* hit = ::memmem(buf.data() + from, have - from, find.data(), n);
      if (!hit) break;
      const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - buf.data());
      if (rewrite.Started()) rewrite.Put(buf.data() + from, at - from);
      else rewrite.Start(base + at);
      rewrite.Put(replacement.data(), replacement.size());
      ++matches;
      from = at + n;
    }
    // Bytes that could still begin a match wait for the next block.
    const size_t keep = end ? 0 : std::min(n - 1, have - from);
    rewrite.Put(buf.data() + from, have - from - keep);
    std::memmove(buf.data(), buf.data() + have - keep, keep);
    base += have - keep;
    have = keep;
  }
  // An unusually long find text is not kept for the rest of the run.
  if (buf.size() > 2 * kBlock) std::vector<char>().swap(buf);
  if (matches > 0) rewrite.Finish(beforeReplacing);
  return matches;
}

std::string CopyBesideAt(int dir, int in, const std::string& path,
                         const std::function<std::string(unsigned)>& nameFor, const StopFlag* stop) {
  struct stat st;
  if (::fstat(in, &st) != 0) ThrowErrno(path);
  std::string tmp;
  UniqueFd out = CreateTemporary(dir, "backup", tmp, path);
  struct Cleanup {
    int dir;
    std::string& name;
    ~Cleanup() {
      if (!name.empty()) ::unlinkat(dir, name.c_str(), 0);
    }
  } cleanup{dir, tmp};
  CopyRange(in, out.Get(), 0, static_cast<uint64_t>(st.st_size), path, stop);
  if (::fchmod(out.Get(), st.st_mode & 07777) != 0) ThrowErrno(path);
  CopyUserAttributes(in, out.Get(), path, /*mustKeep=*/true);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out.Get(), times) != 0) ThrowErrno(path);
  if (::close(out.Release()) != 0) ThrowErrno(path);
  for (unsigned n = 0; n < 10000; ++n) {
    const std::string name = nameFor(n);
    if (Place({dir, tmp.c_str()}, {dir, name.c_str()}, Placing::NoReplace, path, path)) {
      tmp.clear();
      return name;
    }
  }
  throw ErrorFromErrno(EEXIST, path);
}

}  // namespace dv
