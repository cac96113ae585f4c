#include "platform/stale_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace dv {

bool IsTemporaryName(const std::string& name) {
  constexpr size_t kRandom = 12;
  const std::string head = ".dv-", tail = ".tmp";
  if (name.size() < head.size() + 1 + 1 + kRandom + tail.size()) return false;
  if (name.compare(0, head.size(), head) != 0 || name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const size_t randomAt = name.size() - tail.size() - kRandom;
  if (name[randomAt - 1] != '-') return false;
  for (size_t i = randomAt; i < randomAt + kRandom; ++i)
    if (!((name[i] >= 'a' && name[i] <= 'z') || (name[i] >= '0' && name[i] <= '9'))) return false;
  for (size_t i = head.size(); i < randomAt - 1; ++i)
    if (name[i] < 'a' || name[i] > 'z') return false;
  return true;
}

int RemoveStaleTemporaries(int dirFd, const struct timespec& runStart) {
  // A handle of its own to read: the caller's may be a path-only handle, and its read position stays untouched.
  int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return 0;
  }
  std::vector<std::string> names;
  while (struct dirent* e = ::readdir(dir))
    if (IsTemporaryName(e->d_name)) names.emplace_back(e->d_name);
  ::closedir(dir);
  int removed = 0;
  const uid_t me = ::geteuid();
  for (const std::string& name : names) {
    struct stat st;
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != me) continue;
    const bool older = st.st_mtim.tv_sec < runStart.tv_sec ||
                       (st.st_mtim.tv_sec == runStart.tv_sec && st.st_mtim.tv_nsec < runStart.tv_nsec);
    if (older && ::unlinkat(dirFd, name.c_str(), 0) == 0) ++removed;
  }
  return removed;
}

}  // namespace dv
