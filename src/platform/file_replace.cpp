#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/path.h"

namespace dv {

void ReplaceTextFile(const std::string& path, const std::function<void(TextStream&)>& write, bool durable) {
  const std::string full = FullPath(path);
  PathRef ref(full);
  struct stat old;
  const bool replacing = ::fstatat(ref.Dir(), ref.Name(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
  const std::string tmp = TempName("save");
  int fd = ::openat(ref.Dir(), tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) ThrowErrno(full);
  try {
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) ThrowErrno(full);
    // Adopting a duplicate keeps `fd` open for the sync after the stream has written everything.
    UniqueFd keep(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    TextStream out = TextStream::Adopt(UniqueFd(fd), full, true);
    write(out);
    out.Close();
    if (durable && (!keep.Valid() || ::fsync(keep.Get()) != 0)) ThrowErrno(full);
    if (::renameat(ref.Dir(), tmp.c_str(), ref.Dir(), ref.Name()) != 0) ThrowErrno(full);
  } catch (...) {
    ::unlinkat(ref.Dir(), tmp.c_str(), 0);
    throw;
  }
}

bool MakeFolderPath(const std::string& folder) {
  if (folder.empty()) return false;
  for (size_t at = 0; at != std::string::npos;) {
    at = folder.find('/', at + 1);
    const std::string level = folder.substr(0, at);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace dv
