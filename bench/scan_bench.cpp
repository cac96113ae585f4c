// Times the scanning engine's external processing (every folder and file handed to a listener that counts them)
// against find printing size, time and path for every item, on the same warm trees: a wide one and a deep one.
// Usage: scan_bench [files] [work folder]. Prints Markdown table rows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_system.h"
#include "scan/cls_dir_processing.h"
#include "tree_gen.h"

using namespace dv;

namespace {

struct Counter : ScanListener {
  long items = 0;
  uint64_t bytes = 0;
  void evtExternalPassFolder(Folder&) override { ++items; }
  void evtExternalPassFile(File& f) override {
    ++items;
    bytes += f.Size();
  }
};

struct NoPrompts : Prompter {
  void Message(const std::string& text, const std::string&) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  bool YesNo(const std::string&, const std::string&) override { return false; }
  Answer YesNoCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
  std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override { return {}; }
};

void Compare(const char* label, const std::string& tree) {
  std::string quoted = "'" + tree + "'";
  std::string find = "find " + quoted + " -printf '%s %T@ %p\\n' | wc -l >/dev/null";
  bench::MeasureCommand(find);  // warm the caches for both sides
  NoPrompts prompts;
  Counter counter;
  clsDirProcessing engine(prompts, &counter);
  engine.StartingDirectory(tree);
  engine.DirLevelsDeep(32000);
  engine.ShowHiddenAndSystemFiles(true);
  auto start = std::chrono::steady_clock::now();
  engine.ExternalProcessing();
  double ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bench::Measured theirs = bench::MeasureCommand(find);
  std::printf("| %s | %ld items | %.3f s | %.3f s | %.2f | %ld MB | %ld MB |\n", label, counter.items, ours,
              theirs.seconds, ours / theirs.seconds, bench::OwnPeakKb() / 1024, theirs.peakKb / 1024);
}

}  // namespace

int main(int argc, char** argv) {
  long files = argc > 1 ? std::atol(argv[1]) : 200000;
  std::string work = argc > 2 ? argv[2] : "/tmp/dv-scan-bench";
  FileSystemObject fso;
  if (fso.FolderExists(work)) fso.DeleteFolder(work);
  fso.CreateFolder(work);
  bench::GenerateTree(work + "/wide", files, 27, 3);  // about 20,000 folders
  bench::GenerateDeepTree(work + "/deep", 5000);
  std::printf("| tree | items | ExternalProcessing | find -printf | ratio | our peak RSS | find peak RSS |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  Compare("wide", work + "/wide");
  Compare("deep (5,000 levels)", work + "/deep");
  fso.DeleteFolder(work);
  return 0;
}
