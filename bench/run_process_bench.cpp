// Times the run-process operation against find -exec on the same generated tree: one short command per file.
//   run_process_bench [files] [work folder]
// Rows: waiting for each command (pause setting 1), and starting each without waiting (setting 0; the job ends
// when the last child is gone), both against `find -type f -exec true {} \;`, which also starts one process per
// file and waits for each. Our command runs through /bin/sh -c (where `true` is built in). Best of three, each
// run in a child process of its own.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "fileops_engine/cls_file_ops.h"
#include "platform/file_system.h"
#include "engine_run.h"
#include "tree_gen.h"

using namespace dv;

namespace {

double RunOperation(const std::string& tree, const std::string& temp, long pause) {
  return bench::InChild([&] {
    bench::AnsweringPrompter prompts(true);
    clsFileOps ops(prompts, temp);
    clsDirProcessing& scan = ops.scFileOperations();
    scan.DirLevelsDeep(32000);
    scan.ShowHiddenAndSystemFiles(true);
    scan.StartingDirectory(tree);
    ops.SourceDirectory(tree);
    ops.FileOperation(FileOp::RunProcess);
    ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
    ops.RunProcOnFile("true <<filename>>");
    ops.RunProcOnFilePauseSetting(pause, 60000, false);
    ops.ProcessOperation();
    if (ops.FailureCount() > 0) std::fprintf(stderr, "%ld failures\n", ops.FailureCount());
    // Setting 0 leaves its children to the collector: the job ends when the last one is gone.
    while (::waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
    }
  }).seconds;
}

double Best(const std::function<double()>& once) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) best = std::min(best, once());
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const long files = argc > 1 ? std::atol(argv[1]) : 5000;
  const std::string work = argc > 2 ? argv[2] : "/tmp/dv-run-bench";
  FileSystemObject fso;
  if (fso.FolderExists(work)) fso.DeleteFolder(work);
  fso.CreateFolder(work);
  const std::string tree = work + "/tree", temp = work + "/private";
  fso.CreateFolder(temp);
  const bench::TreeStats stats = bench::GenerateTree(tree, files, 20, 2);
  bench::TimeCommand("find '" + tree + "' > /dev/null");
  const double find = Best([&] { return bench::TimeCommand("find '" + tree + "' -type f -exec true {} \\;"); });
  const double waited = Best([&] { return RunOperation(tree, temp, 1); });
  const double started = Best([&] { return RunOperation(tree, temp, 0); });
  std::printf("tree: %llu files (links included), %llu folders\n\n", static_cast<unsigned long long>(stats.files),
              static_cast<unsigned long long>(stats.folders));
  std::printf("| job | Dorvane | per file | find -exec true {} \\; | per file | ratio |\n|---|---|---|---|---|---|\n");
  const double n = static_cast<double>(stats.files);
  std::printf("| run process, wait for each (1) | %.3f s | %.0f us | %.3f s | %.0f us | %.2f |\n", waited,
              waited / n * 1e6, find, find / n * 1e6, waited / find);
  std::printf("| run process, no wait (0) | %.3f s | %.0f us | %.3f s | %.0f us | %.2f |\n", started,
              started / n * 1e6, find, find / n * 1e6, started / find);
  fso.DeleteFolder(work);
  return 0;
}
