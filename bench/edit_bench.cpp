// Times the engine's find and replace, compare and rename against the standard tools doing the same job on the
// same generated trees, warm cache. The engine runs in a child process of its own (time and peak memory, wait4),
// the tools through /bin/sh. Replace and rename change the tree, so the two sides take turns and each undoes the
// other's change: every run starts from the same content. Best of three runs of each side unless said otherwise.
// Usage: edit_bench [files] [work folder]. DV_BENCH_COMPARE_FILES (default 200000) sets the size of the two
// compared trees, DV_BENCH_BIG_BYTES (default 500000000) the size of the one big file. Prints Markdown rows.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include "fileops_engine/cls_file_ops.h"
#include "platform/file_system.h"
#include "engine_run.h"
#include "tree_gen.h"

using namespace dv;

namespace {

// Runs `setUp` on a fresh engine over `source` in a child process; says on stderr when it recorded other than
// `expectLines` lines.
bench::Measured Engine(const std::string& source, const std::string& destination, const std::string& temp,
                       size_t expectLines, const std::function<void(clsFileOps&)>& setUp) {
  return bench::RunEngine(source, destination, temp, static_cast<long>(expectLines), setUp, /*answerYes=*/false);
}

// Measured from a child of its own, so the peak memory of the tool's processes is not mixed with the engine runs
// this process has waited for before.
bench::Measured Tool(const std::string& command) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe");
  pid_t pid = ::fork();
  if (pid == 0) {
    bench::Measured m = bench::MeasureCommand(command);
    if (::write(fds[1], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) ::_exit(1);
    ::_exit(0);
  }
  ::close(fds[1]);
  bench::Measured m;
  if (::read(fds[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) m.seconds = -1;
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  if (m.seconds <= 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
  return m;
}

void Keep(bench::Measured& best, const bench::Measured& run) {
  if (best.seconds == 0 || run.seconds < best.seconds) best = run;
}

void WriteFile(const std::string& path, const std::string& content) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
    throw std::runtime_error(path);
  ::close(fd);
}

// `files` text files of about 2 KB in 100 folders, each holding "abcd" once.
void TextTree(const std::string& root, long files) {
  ::mkdir(root.c_str(), 0755);
  for (long i = 0; i < files; ++i) {
    const std::string folder = root + "/folder_" + std::to_string(i % 100);
    if (i < 100) ::mkdir(folder.c_str(), 0755);
    std::string text;
    for (int line = 0; line < 40; ++line) {
      text += "line " + std::to_string(line) + " of file " + std::to_string(i) + ": lorem ipsum dolor sit\n";
      if (line == static_cast<int>(i % 40)) text += "the abcd text\n";
    }
    WriteFile(folder + "/file_" + std::to_string(i) + ".txt", text);
  }
}

// One text file of `bytes` bytes in lines of 100, "abcd" in every 1000th line.
void BigFile(const std::string& path, long long bytes) {
  std::string block;
  for (int line = 0; line < 1000; ++line) {
    std::string text = line == 0 ? "abcd" : "lorem";
    text.resize(99, '.');
    block += text + "\n";
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (long long done = 0; done < bytes; done += static_cast<long long>(block.size())) {
    size_t n = static_cast<size_t>(std::min<long long>(static_cast<long long>(block.size()), bytes - done));
    if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) throw std::runtime_error(path);
  }
  ::close(fd);
}

void Row(const char* job, const bench::Measured& ours, const char* tool, const bench::Measured& theirs) {
  std::printf("| %s | %.3f s | %s | %.3f s | %.2f | %ld MB | %ld MB |\n", job, ours.seconds, tool, theirs.seconds,
              ours.seconds / theirs.seconds, ours.peakKb / 1024, theirs.peakKb / 1024);
  std::fflush(stdout);
}

long long EnvNumber(const char* name, long long fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoll(v) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const long files = argc > 1 ? std::atol(argv[1]) : 20000;
  const std::string work = argc > 2 ? argv[2] : "/tmp/dv-edit-bench";
  const long compareFiles = EnvNumber("DV_BENCH_COMPARE_FILES", 200000);
  const long long bigBytes = EnvNumber("DV_BENCH_BIG_BYTES", 500000000);
  FileSystemObject fso;
  if (fso.FolderExists(work)) fso.DeleteFolder(work);
  fso.CreateFolder(work);
  const std::string temp = work + "/private", text = work + "/text";
  fso.CreateFolder(temp);
  TextTree(text, files);
  Tool("cat " + text + "/*/* > /dev/null");  // warm

  std::printf("| job | Dorvane | tool | tool time | ratio | our peak RSS | tool peak RSS |\n|---|---|---|---|---|---|---|\n");
  const size_t n = static_cast<size_t>(files);
  auto replace = [&](const std::string& source, const char* find, const char* with, size_t lines) {
    return Engine(source, "", temp, lines, [&](clsFileOps& ops) {
      ops.FileOperation(FileOp::FindReplace);
      ops.FindAndReplaceSettings(find, with, false, 0, ".TXT");
    });
  };
  // Find and replace over the small files: ours abcd -> wxyz, sed back again.
  const std::string sedBatched = "find " + text + " -name '*.txt' -exec sed -i s/wxyz/abcd/g {} +";
  bench::Measured ours, sed;
  for (int i = 0; i < 3; ++i) {
    Keep(ours, replace(text, "abcd", "wxyz", n));
    Keep(sed, Tool(sedBatched));
  }
  Row(("find and replace, " + std::to_string(files) + " files of 2 KB").c_str(), ours, "`find -exec sed -i {} +`", sed);
  const bench::Measured sedEach = Tool("find " + text + " -name '*.txt' -exec sed -i s/abcd/wxyz/g {} \\;");
  Row("the same, one run", replace(text, "wxyz", "abcd", n), "`find -exec sed -i {} \\;`", sedEach);

  // Rename: ours file_N -> doc_N, a shell loop of mv back.
  bench::Measured renameOurs, mvLoop;
  const std::string loop = "find " + text + " -type f -name 'doc_*' | while IFS= read -r p; do mv -- \"$p\" "
                           "\"${p%/*}/file_${p##*/doc_}\"; done";
  for (int i = 0; i < 3; ++i) {
    Keep(renameOurs, Engine(text, "", temp, n, [](clsFileOps& ops) {
      ops.FileOperation(FileOp::Rename);
      ops.RenameSettings("^file_", "doc_", 2, 32000);
    }));
    Keep(mvLoop, Tool(loop));
  }
  Row(("rename, " + std::to_string(files) + " files").c_str(), renameOurs, "shell loop of `mv`", mvLoop);
  fso.DeleteFolder(text);

  // Find and replace in one big file.
  const std::string bigDir = work + "/big", big = bigDir + "/big.txt";
  fso.CreateFolder(bigDir);
  BigFile(big, bigBytes);
  bench::Measured bigOurs, bigSed;
  for (int i = 0; i < 2; ++i) {
    Keep(bigOurs, replace(bigDir, "abcd", "wxyz", 1));
    Keep(bigSed, Tool("sed -i s/wxyz/abcd/g " + big));
  }
  Row(("find and replace, one file of " + std::to_string(bigBytes / 1000000) + " MB (best of 2)").c_str(), bigOurs,
      "`sed -i`", bigSed);
  fso.DeleteFolder(bigDir);

  // Compare two identical trees.
  const std::string a = work + "/a", b = work + "/b";
  // About ten files a folder, as in the 200,000-file tree of the other benchmarks (27 wide, 3 deep).
  const int fanout = std::max(2, static_cast<int>(std::lround(std::cbrt(compareFiles / 10.0))));
  bench::TreeStats stats = bench::GenerateTree(a, compareFiles, fanout, 3);
  Tool("cp -a " + a + " " + b);
  Tool("diff -rq --no-dereference " + a + " " + b + " > /dev/null");  // warm
  bench::Measured compareOurs, diff;
  for (int i = 0; i < 3; ++i) {
    Keep(compareOurs, Engine(a, b, temp, stats.files, [](clsFileOps& ops) {
      ops.FileOperation(FileOp::Compare);
      ops.SetCompareOptions(true, true, true, true, 0);
    }));
    Keep(diff, Tool("diff -rq --no-dereference " + a + " " + b));
  }
  Row(("full compare, two identical trees of " + std::to_string(stats.files) + " files").c_str(), compareOurs,
      "`diff -rq --no-dereference`", diff);
  fso.DeleteFolder(work);
  return 0;
}
