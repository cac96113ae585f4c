#include "support/child_process.h"

#include <ftw.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>

namespace dv::test {

std::string InChild(const std::string& cwd, const std::function<std::string()>& body, bool asUser,
                    int limitSeconds) {
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  pid_t pid = ::fork();
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    ::close(fds[0]);
    std::string out;
    if (::chdir(cwd.c_str()) != 0) {
      out = "cannot enter " + cwd;
    } else if (asUser && ::geteuid() == 0 &&
               (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      out = "cannot change user";
    } else {
      try {
        out = body();
      } catch (const std::exception& e) {
        out = std::string("exception: ") + e.what();
      }
    }
    if (::write(fds[1], out.data(), out.size()) < 0) ::_exit(2);
    ::_exit(0);
  }
  ::close(fds[1]);
  int status = 0;
  bool done = false;
  for (int i = 0; i < limitSeconds * 20 && !done; ++i) {
    if (::waitpid(pid, &status, WNOHANG) == pid) done = true;
    else ::usleep(50000);
  }
  if (!done) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    ::close(fds[0]);
    return "blocked";
  }
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  return WIFEXITED(status) ? out : "child crashed";
}

void HandOver(TempTree& tree, const std::string& path) {
  ::chmod(tree.Root().c_str(), 0755);
  if (::geteuid() != 0) return;
  ::nftw(path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) {
    ::lchown(p, kNobody, kNobody);
    return 0;
  }, 32, FTW_PHYS);
}

void LimitFileSize(rlim_t bytes) {
  ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit lim = {bytes, bytes};
  ::setrlimit(RLIMIT_FSIZE, &lim);
}

}  // namespace dv::test
