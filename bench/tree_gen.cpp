#include "tree_gen.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

namespace dv::bench {

TreeStats GenerateTree(const std::string& root, long files, int fanout, int depth) {
  TreeStats stats;
  std::vector<std::string> leaves{root};
  ::mkdir(root.c_str(), 0755);
  for (int level = 0; level < depth; ++level) {
    std::vector<std::string> next;
    for (const auto& parent : leaves)
      for (int i = 0; i < fanout; ++i) {
        std::string p = parent + "/dir " + std::to_string(level) + "_" + std::to_string(i);
        if (::mkdir(p.c_str(), 0755) != 0) throw std::runtime_error("mkdir " + p);
        next.push_back(p);
        ++stats.folders;
      }
    leaves.swap(next);
  }
  std::mt19937 rng(42);
  std::string data(4096, 'x');
  static const char* exts[] = {".txt", ".doc", ".c", ".html", ".tar.gz", ""};
  for (long i = 0; i < files; ++i) {
    const std::string& folder = leaves[static_cast<size_t>(i) % leaves.size()];
    std::string name = (i % 50 == 0 ? "." : "") + std::string("file_") + std::to_string(i) + exts[i % 6];
    std::string path = folder + "/" + name;
    size_t size = rng() % 4097;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, data.data(), size) != static_cast<ssize_t>(size)) throw std::runtime_error(path);
    ::close(fd);
    if (i % 1000 == 999) ::symlink("..", (folder + "/link_" + std::to_string(i)).c_str());
    ++stats.files;
    stats.bytes += size;
  }
  return stats;
}

Measured MeasureCommand(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  Measured m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // The shell's own usage; its children (the tools) are in RUSAGE_CHILDREN, which holds the largest of them.
  struct rusage children {};
  ::getrusage(RUSAGE_CHILDREN, &children);
  m.peakKb = std::max(usage.ru_maxrss, children.ru_maxrss);
  return m;
}

Measured InChild(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    work();
    ::_exit(0);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  Measured m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.peakKb = usage.ru_maxrss;
  return m;
}

ProgramRun RunProgram(const std::vector<std::string>& args, bool quiet) {
  RunOptions options;
  options.quiet = quiet;
  return RunProgram(args, options);
}

ProgramRun RunProgram(const std::vector<std::string>& args, const RunOptions& options) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], 1);
    if (options.errors >= 0) {
      ::dup2(options.errors, 2);
    } else if (options.quiet) {
      const int null = ::open("/dev/null", O_WRONLY);
      if (null >= 0) ::dup2(null, 2);
    }
    if (options.pin >= 0) {
      cpu_set_t set;
      CPU_ZERO(&set);
      CPU_SET(options.pin, &set);
      if (::sched_setaffinity(0, sizeof set, &set) != 0) ::_exit(126);
    }
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  ProgramRun run;
  char buffer[65536];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    if (options.keepOutput) run.out.append(buffer, size_t(n));
  ::close(pipeFds[0]);
  struct rusage usage {};
  int status = 0;
  ::wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peakKb = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

std::string SelfPath() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, size_t(n)) : std::string();
}

void KeepEverythingIn(const std::string& root) {
  const std::pair<const char*, const char*> kFolders[] = {{"HOME", "home"},           {"XDG_CONFIG_HOME", "config"},
                                                          {"XDG_DATA_HOME", "data"},   {"XDG_CACHE_HOME", "cache"},
                                                          {"XDG_RUNTIME_DIR", "run"}, {"TMPDIR", "tmp"}};
  for (const auto& [variable, folder] : kFolders) {
    const std::string path = root + "/" + folder;
    ::mkdir(path.c_str(), 0700);
    ::setenv(variable, path.c_str(), 1);
  }
}

long OwnPeakKb() {
  struct rusage self {};
  ::getrusage(RUSAGE_SELF, &self);
  return self.ru_maxrss;
}

void GenerateDeepTree(const std::string& root, int depth) {
  ::mkdir(root.c_str(), 0755);
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; fd >= 0 && i < depth; ++i) {
    if (i % 100 == 0) ::close(::openat(fd, "file.txt", O_CREAT | O_WRONLY, 0644));
    ::mkdirat(fd, "nested_folder", 0755);
    int next = ::openat(fd, "nested_folder", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
  }
  if (fd < 0) throw std::runtime_error("deep tree: " + root);
  ::close(fd);
}

double TimeCommand(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  int rc = std::system(command.c_str());
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return rc == 0 ? s : -s;
}

}  // namespace dv::bench
