#include "support/child_process.h"

#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, rlim_t fileLimit) {
  ProgramResult r;
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return r;
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return r;
  }
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    if (fileLimit) LimitFileSize(fileLimit);  // the ignored SIGXFSZ stays ignored in the program
    ::execvp(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  // Both pipes are read as data comes, so a program that fills one while we wait on the other cannot stall.
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  for (int open = pid > 0 ? 2 : 0; open > 0;) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[4096];
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  ::close(out[0]);
  ::close(err[0]);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

}  // namespace dv::test
