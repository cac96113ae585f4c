// Times the file operations engine's list preview (PreviewOnly: the tree gathered, every item recorded, the
// results file written) against find listing the same tree, on a warm generated tree. Each run happens in a child
// process of its own, so its peak memory is its own (wait4). Best of three runs of each side.
// Usage: fileops_bench [files] [work folder]. Prints Markdown table rows.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "fileops_engine/cls_file_ops.h"
#include "platform/file_system.h"
#include "tree_gen.h"

using namespace dv;

namespace {

struct NoPrompts : Prompter {
  void Message(const std::string& text, const std::string&) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  Answer YesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override { return {}; }
};

struct Run {
  double seconds = 1e9;
  long peakKb = 0;
  long items = 0;
};

// Runs `work` in a child; returns its wall time and peak resident memory. The child's exit code carries nothing.
Run InChild(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    work();
    ::_exit(0);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  Run r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.peakKb = usage.ru_maxrss;
  return r;
}

// find with its output thrown away, run directly (no shell).
Run Find(const std::vector<std::string>& args) {
  return InChild([&] {
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp("find", argv.data());
    ::_exit(127);
  });
}

Run Preview(const std::string& tree, const std::string& temp, long op, const std::string& destination) {
  return InChild([&] {
    NoPrompts prompts;
    clsFileOps ops(prompts, temp);
    clsDirProcessing& scan = ops.scFileOperations();
    scan.DirLevelsDeep(32000);
    scan.ShowHiddenAndSystemFiles(true);
    scan.StartingDirectory(tree);
    ops.SourceDirectory(tree);
    ops.DestinationDirectory(destination);
    ops.FileOperation(op);
    ops.CopyOp_CopyDirectoryStructure(true);
    ops.CopyOp_CopyEmptyDirs(true);
    ops.Process_Files_Folders_Both(0);
    ops.PreviewOnly(true);
    ops.ProcessOperation();
    if (ops.RecordedLines().size() < 2) std::fprintf(stderr, "preview recorded nothing\n");
  });
}

Run Best(const std::function<Run()>& once) {
  Run best;
  for (int i = 0; i < 3; ++i) {
    Run r = once();
    if (r.seconds < best.seconds) best = r;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  long files = argc > 1 ? std::atol(argv[1]) : 200000;
  std::string work = argc > 2 ? argv[2] : "/tmp/dv-fileops-bench";
  FileSystemObject fso;
  if (fso.FolderExists(work)) fso.DeleteFolder(work);
  fso.CreateFolder(work);
  const std::string tree = work + "/tree", temp = work + "/private", dst = work + "/dst";
  fso.CreateFolder(temp);
  fso.CreateFolder(dst);
  bench::TreeStats stats = bench::GenerateTree(tree, files, 27, 3);
  Find({"find", tree});  // warm the caches for both sides

  Run find = Best([&] { return Find({"find", tree}); });
  Run findPrint = Best([&] { return Find({"find", tree, "-printf", "%p\n"}); });
  struct Row {
    const char* label;
    Run run;
  };
  const Row rows[] = {
      {"list preview, delete (files and folders)", Best([&] { return Preview(tree, temp, 3, ""); })},
      {"list preview, copy with structure (files and folders)", Best([&] { return Preview(tree, temp, 1, dst); })},
  };
  long resultsBytes = static_cast<long>(fso.GetFile(temp + "/DVidt.txt").Size());
  std::printf("tree: %llu files, %llu folders; results file of the last preview: %ld KB\n\n",
              static_cast<unsigned long long>(stats.files), static_cast<unsigned long long>(stats.folders),
              resultsBytes / 1024);
  std::printf("| job | time | find | ratio | find -printf '%%p\\n' | ratio | peak RSS | find peak RSS |\n");
  std::printf("|---|---|---|---|---|---|---|---|\n");
  for (const Row& r : rows)
    std::printf("| %s | %.3f s | %.3f s | %.2f | %.3f s | %.2f | %ld MB | %ld MB |\n", r.label, r.run.seconds,
                find.seconds, r.run.seconds / find.seconds, findPrint.seconds, r.run.seconds / findPrint.seconds,
                r.run.peakKb / 1024, find.peakKb / 1024);
  fso.DeleteFolder(work);
  return 0;
}
