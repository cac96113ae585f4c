// Times the file operations engine against the standard tools on a warm generated tree, each run in a child
// process of its own, so its peak memory is its own (wait4). Prints Markdown table rows.
//   fileops_bench [files] [work folder]: the list preview (PreviewOnly: the tree gathered, every item recorded,
//     the results file written) against find listing the same tree; best of three runs of each side.
//   fileops_bench ops [files] [work folder] [big file MB]: copy with structure against cp -a, delete of files and
//     emptied folders against rm -rf, empty shells against find + mkdir + touch, one big file against cp; the
//     disk's speed swings, so each job runs twice, alternating with the tool, and the better run of each counts.
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
#include "engine_run.h"
#include "tree_gen.h"

using namespace dv;

namespace {

using bench::RunEngine;

struct Run {
  double seconds = 1e9;
  long peakKb = 0;
};

Run Of(const bench::Measured& m) { return {m.seconds, m.peakKb}; }

Run InChild(const std::function<void()>& work) { return Of(bench::InChild(work)); }

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

// One operation over the whole tree, the structure mirrored with its empty folders, empty folders deleted.
Run Operate(const std::string& tree, const std::string& temp, FileOp op, const std::string& destination, bool preview) {
  return Of(RunEngine(tree, destination, temp, -1, [&](clsFileOps& ops) {
    ops.FileOperation(op);
    if (op == FileOp::Delete) {
      ops.DeleteSettings(1);
    } else if (op == FileOp::Copy) {
      ops.CopyOp_CopyDirectoryStructure(true);
      ops.CopyOp_CopyEmptyDirs(true);
    }
    ops.PreviewOnly(preview);
  }));
}

Run Preview(const std::string& tree, const std::string& temp, FileOp op, const std::string& destination) {
  return Operate(tree, temp, op, destination, true);
}

Run Shell(const std::string& command) { return Of(bench::MeasureCommand(command)); }

// Copy, delete, shells and one big file against the tools. `prepare` runs untimed before each side's run.
int OperationsTable(long files, const std::string& work, long bigMb) {
  FileSystemObject fso;
  const std::string tree = work + "/tree", temp = work + "/private", big = work + "/big";
  fso.CreateFolder(temp);
  fso.CreateFolder(big);
  bench::TreeStats stats = bench::GenerateTree(tree, files, 27, 3);
  const std::string bigFile = big + "/one.bin";
  // Random bytes, so that no layer below can cheat with zeros.
  bench::TimeCommand("head -c " + std::to_string(bigMb) + "M /dev/urandom > '" + bigFile + "'");
  bench::TimeCommand("find '" + tree + "' > /dev/null; cat '" + bigFile + "' > /dev/null");
  auto clear = [&](const std::string& path) { bench::TimeCommand("rm -rf '" + path + "'"); };
  auto sync = [] { bench::TimeCommand("sync"); };
  const std::string ours = work + "/ours", theirs = work + "/theirs";
  struct Job {
    const char* label;
    const char* tool;
    std::function<void()> prepare;
    std::function<Run()> dorvane, standard;
  };
  const Job jobs[] = {
      {"copy with structure", "cp -a", [&] { clear(ours); clear(theirs); sync(); },
       [&] { return Operate(tree, temp, FileOp::Copy, ours, false); },
       [&] { return Shell("cp -a '" + tree + "' '" + theirs + "'"); }},
      {"delete files and emptied folders", "rm -rf",
       [&] {
         clear(ours);
         clear(theirs);
         bench::TimeCommand("cp -a '" + tree + "' '" + ours + "' && cp -a '" + tree + "' '" + theirs + "'");
         sync();
       },
       [&] { return Operate(ours, temp, FileOp::Delete, "", false); },
       [&] { return Shell("rm -rf '" + theirs + "'"); }},
      {"empty shells", "find -type d | mkdir -p; find ! -type d | touch", [&] { clear(ours); clear(theirs); sync(); },
       [&] { return Operate(tree, temp, FileOp::EmptyShells, ours, false); },
       [&] {
         return Shell("mkdir '" + theirs + "' && cd '" + tree + "' && find . -type d -print0 | (cd '" + theirs +
                      "' && xargs -0 mkdir -p) && find . ! -type d -print0 | (cd '" + theirs + "' && xargs -0 touch)");
       }},
      {"one big file", "cp -a", [&] { clear(ours); clear(theirs); sync(); },
       [&] { return Operate(big, temp, FileOp::Copy, ours, false); },
       [&] { return Shell("cp -a '" + big + "' '" + theirs + "'"); }},
  };
  std::printf("tree: %llu files, %llu folders, %llu MB; big file %ld MB\n\n",
              static_cast<unsigned long long>(stats.files), static_cast<unsigned long long>(stats.folders),
              static_cast<unsigned long long>(stats.bytes >> 20), bigMb);
  std::printf("| job | Dorvane | tool | tool time | ratio | Dorvane peak RSS |\n|---|---|---|---|---|---|\n");
  for (const Job& job : jobs) {
    Run best, bestTool;
    for (int round = 0; round < 2; ++round) {
      job.prepare();
      Run r = job.dorvane();
      job.prepare();
      Run t = job.standard();
      if (r.seconds < best.seconds) best = r;
      if (t.seconds < bestTool.seconds) bestTool = t;
    }
    std::printf("| %s | %.3f s | %s | %.3f s | %.2f | %ld MB |\n", job.label, best.seconds, job.tool,
                bestTool.seconds, best.seconds / bestTool.seconds, best.peakKb / 1024);
    std::fflush(stdout);
  }
  clear(ours);
  clear(theirs);
  return 0;
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
  const bool operations = argc > 1 && std::string(argv[1]) == "ops";
  if (operations) {
    --argc;
    ++argv;
  }
  long files = argc > 1 ? std::atol(argv[1]) : 200000;
  std::string work = argc > 2 ? argv[2] : "/tmp/dv-fileops-bench";
  FileSystemObject fso;
  if (fso.FolderExists(work)) fso.DeleteFolder(work);
  fso.CreateFolder(work);
  if (operations) {
    int rc = OperationsTable(files, work, argc > 3 ? std::atol(argv[3]) : 1024);
    fso.DeleteFolder(work);
    return rc;
  }
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
      {"list preview, delete (files and folders)", Best([&] { return Preview(tree, temp, FileOp::Delete, ""); })},
      {"list preview, copy with structure (files and folders)",
       Best([&] { return Preview(tree, temp, FileOp::Copy, dst); })},
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
