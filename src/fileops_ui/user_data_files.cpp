#include "fileops_ui/user_data_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/error.h"
#include "platform/file_system.h"

namespace dv {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

void CopyBytes(int from, int to, const std::string& target) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n == 0) return;
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(target);
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(to, buffer + done, size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) ThrowErrno(target);
      done += w;
    }
  }
}

}  // namespace

std::string CarriedOver(const std::string& oldFolder, const std::string& userFolder, const char* name) {
  MakeFolderPath(userFolder);
  const std::string target = userFolder + "/" + name;
  struct stat st {};
  if (oldFolder.empty() || oldFolder == userFolder || ::lstat(target.c_str(), &st) == 0) return userFolder;
  const Fd from(::open((oldFolder + "/" + name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (from.get() < 0 || ::fstat(from.get(), &st) != 0 || !S_ISREG(st.st_mode)) return userFolder;
  std::string temp = userFolder + "/.dv-carry-XXXXXX";
  const Fd to(::mkostemp(temp.data(), O_CLOEXEC));
  if (to.get() < 0) ThrowErrno(target);
  try {
    CopyBytes(from.get(), to.get(), target);
    if (::fsync(to.get()) != 0) ThrowErrno(target);
    // A link, not a rename: a file the user made there meanwhile is kept.
    if (::link(temp.c_str(), target.c_str()) != 0 && errno != EEXIST) ThrowErrno(target);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  ::unlink(temp.c_str());
  return userFolder;
}

}  // namespace dv
