// posix_spawn, waiting through a process descriptor (pidfd) with poll, and the reaper: one thread that sleeps in
// poll on the descriptors of the children nobody waits for and collects each as it ends.
#include "platform/process_run.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/error.h"

extern char** environ;

namespace dv {

namespace {

// A descriptor that becomes readable when the child ends; -1 where the kernel has none (then we look every
// 100 ms instead).
int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
#else
  return -1;
#endif
}

// Collects `pid` if it has ended; true when it is gone (also when someone else collected it already).
bool Collect(pid_t pid, int* status) {
  int st = 0;
  for (;;) {
    pid_t r = ::waitpid(pid, &st, WNOHANG);
    if (r == pid) {
      if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
      return true;
    }
    if (r == 0) return false;
    if (errno == EINTR) continue;
    return true;  // ECHILD: not ours any more (SIGCHLD ignored, or collected elsewhere)
  }
}

class Reaper {
 public:
  static Reaper& Instance() {
    // Never destroyed: its thread may still be asleep in poll when the process ends.
    static Reaper* reaper = new Reaper;
    return *reaper;
  }

  void Adopt(pid_t pid, int pidfd) {
    std::lock_guard<std::mutex> lock(mutex_);
    // Thousands of children may be left running at once; descriptors beyond a few are the program's, not ours:
    // the others are looked at every 100 ms instead.
    if (pidfd >= 0 && heldFds_ >= kMaxHeldFds) {
      ::close(pidfd);
      pidfd = -1;
    }
    heldFds_ += pidfd >= 0;
    children_.push_back({pid, pidfd});
    if (!started_) {
      wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
      std::thread(&Reaper::Run, this).detach();
      started_ = true;
    }
    if (wake_ >= 0) {
      const uint64_t one = 1;
      (void)!::write(wake_, &one, sizeof one);
    }
  }

 private:
  struct Child {
    pid_t pid;
    int pidfd;
  };

  Reaper() {
    // A forked child has none of our threads and none of our children: it starts afresh. The lock is held
    // across fork so that the child never inherits it locked.
    ::pthread_atfork([] { Instance().mutex_.lock(); }, [] { Instance().mutex_.unlock(); },
                     [] {
                       Reaper& r = Instance();
                       for (const Child& c : r.children_)
                         if (c.pidfd >= 0) ::close(c.pidfd);
                       r.children_.clear();
                       r.heldFds_ = 0;
                       if (r.wake_ >= 0) ::close(r.wake_);
                       r.wake_ = -1;
                       r.started_ = false;
                       r.mutex_.unlock();
                     });
  }

  void Run() {
    std::vector<pollfd> fds;
    for (;;) {
      bool polling = false;  // a child without a descriptor: look again in 100 ms
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < children_.size();) {
          if (Collect(children_[i].pid, nullptr)) {
            if (children_[i].pidfd >= 0) {
              ::close(children_[i].pidfd);
              --heldFds_;
            }
            children_[i] = children_.back();
            children_.pop_back();
          } else {
            polling |= children_[i].pidfd < 0;
            ++i;
          }
        }
        fds.clear();
        fds.push_back({wake_, POLLIN, 0});
        for (const Child& c : children_)
          if (c.pidfd >= 0) fds.push_back({c.pidfd, POLLIN, 0});
      }
      ::poll(fds.data(), fds.size(), polling || wake_ < 0 ? 100 : -1);
      uint64_t count;
      if (wake_ >= 0) (void)!::read(wake_, &count, sizeof count);
    }
  }

  static constexpr int kMaxHeldFds = 64;
  std::mutex mutex_;
  std::vector<Child> children_;
  int heldFds_ = 0;
  int wake_ = -1;
  bool started_ = false;
};

pid_t Spawn(const char* file, const std::vector<std::string>& args, bool searchPath) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attr);
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (::fcntl(2, F_GETFD) != -1) {
    ::posix_spawn_file_actions_adddup2(&actions, 2, 1);
  } else {
    // Started without a standard error (some launchers close it): the child's output goes nowhere, rather than
    // every start failing.
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
  // The child starts with no blocked signals and the usual dispositions, whatever this process set for itself.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGTSTP, SIGTTIN, SIGTTOU, SIGUSR1, SIGUSR2,
                SIGALRM})
    sigaddset(&defaults, s);
  ::posix_spawnattr_setsigmask(&attr, &none);
  ::posix_spawnattr_setsigdefault(&attr, &defaults);
  ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  const int rc = searchPath ? ::posix_spawnp(&pid, file, &actions, &attr, argv.data(), environ)
                            : ::posix_spawn(&pid, file, &actions, &attr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attr);
  if (rc != 0)
    throw Error(err::Application, std::string("The process could not be started: ") + file + ": " + std::strerror(rc));
  return pid;
}

}  // namespace

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  out += '\'';
  return out;
}

pid_t StartShellCommand(const std::string& command) { return StartShellCommand(command, {}); }

pid_t StartShellCommand(const std::string& command, const std::vector<std::string>& parameters) {
  std::vector<std::string> argv = {"sh", "-c", command, "sh"};
  argv.insert(argv.end(), parameters.begin(), parameters.end());
  return Spawn("/bin/sh", argv, false);
}

pid_t StartProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) throw Error(err::Application, "The process could not be started: no program named");
  return Spawn(argv[0].c_str(), argv, argv[0].find('/') == std::string::npos);
}

WaitResult WaitForChild(pid_t pid, long milliseconds, const std::function<bool()>& check) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
  const int pidfd = OpenPidFd(pid);
  WaitResult result;
  for (;;) {
    if (Collect(pid, &result.status)) {
      result.end = WaitEnd::Ended;
      break;
    }
    const long left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      result.end = WaitEnd::TimedOut;
      break;
    }
    const int slice = static_cast<int>(left < 100 ? left : 100);
    if (pidfd >= 0) {
      pollfd p = {pidfd, POLLIN, 0};
      if (::poll(&p, 1, slice) > 0) continue;  // ended: collected at the top
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(slice));
    }
    if (check && check()) {
      result.end = WaitEnd::Stopped;
      if (Collect(pid, &result.status)) result.end = WaitEnd::Ended;
      break;
    }
  }
  if (result.end == WaitEnd::Ended) {
    if (pidfd >= 0) ::close(pidfd);
  } else {
    Reaper::Instance().Adopt(pid, pidfd);
  }
  return result;
}

void ReapWhenEnded(pid_t pid) { Reaper::Instance().Adopt(pid, OpenPidFd(pid)); }

}  // namespace dv
