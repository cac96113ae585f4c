// Times `dorvane-cli report` against find and tree listing the same tree with the same information, and the
// folder-size report against du; then measures the report's peak memory on a tree of a million files.
// Usage: report_bench CLI [files] [work folder] [big files]. Prints Markdown table rows.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_system.h"
#include "tree_gen.h"

using namespace dv;

namespace {

std::string Q(const std::string& s) { return "'" + s + "'"; }

// The better of three runs of each side, alternating, after a warming run: single runs on a shared 2-core machine
// swing by a third.
void Compare(const char* job, const std::string& ours, const char* toolName, const std::string& tool) {
  bench::MeasureCommand(tool + " >/dev/null");  // warm the caches for both sides
  bench::Measured a{1e9, 0}, b{1e9, 0};
  for (int run = 0; run < 3; ++run) {
    bench::Measured x = bench::MeasureCommand(ours + " >/dev/null");
    bench::Measured y = bench::MeasureCommand(tool + " >/dev/null");
    if (x.seconds < a.seconds) a = x;
    if (y.seconds < b.seconds) b = y;
  }
  std::printf("| %s | %.3f s | %s | %.3f s | %.2f | %ld MB |\n", job, a.seconds, toolName, b.seconds,
              a.seconds / b.seconds, a.peakKb / 1024);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: report_bench CLI [files] [work folder] [big files]\n");
    return 2;
  }
  std::string cli = argv[1];
  long files = argc > 2 ? std::atol(argv[2]) : 200000;
  std::string work = argc > 3 ? argv[3] : "/tmp/dv-report-bench";
  long bigFiles = argc > 4 ? std::atol(argv[4]) : 1000000;
  FileSystemObject fso;
  if (fso.FolderExists(work)) fso.DeleteFolder(work);
  fso.CreateFolder(work);
  std::string tree = work + "/tree";
  bench::GenerateTree(tree, files, 27, 3);

  std::printf("| job (%ld files) | dorvane-cli | tool | tool time | ratio | dorvane-cli peak RSS |\n", files);
  std::printf("|---|---|---|---|---|---|\n");
  std::string dos = cli + " report --view dos --columns size,modified --size-unit bytes " + Q(tree);
  Compare("DOS view, size and modified", dos, "find -printf '%s %TD %p'", "find " + Q(tree) + " -printf '%s %TD %p\\n'");
  Compare("DOS view, size and modified", dos, "tree -a -s -D --noreport", "tree -a -s -D --noreport " + Q(tree));
  Compare("folder sizes (--columns size, CSV)",
          cli + " report --view csv --columns size --size-unit bytes " + Q(tree), "du -ab", "du -ab " + Q(tree));
  Compare("DOS view, size and modified", dos, "bfs -printf '%s %TD %p'", "bfs " + Q(tree) + " -printf '%s %TD %p\\n'");
  // The JSON view against find writing one JSON-like object a line (no folder totals, no escaping: less work).
  Compare("JSON view, size and modified (folder totals)",
          cli + " report --view json --columns size,modified --size-unit bytes " + Q(tree), "find -printf '{...}'",
          "find " + Q(tree) + " -printf '{\"path\": \"%p\", \"size\": %s, \"modified\": \"%TY-%Tm-%TdT%TT\"},\\n'");
  Compare("names only (--columns none, CSV)", cli + " report --view csv --columns none " + Q(tree),
          "fdfind -HIu . (2 threads)", "fdfind -HIu . " + Q(tree));
  fso.DeleteFolder(tree);

  // The same on a real system folder, with its mix of names, links and sizes.
  Compare("/usr: names only (--columns none, CSV)", cli + " report --view csv --columns none /usr",
          "fdfind -HIu . /usr (2 threads)", "fdfind -HIu . /usr");
  Compare("/usr: DOS view, size and modified", cli + " report --view dos --columns size,modified --size-unit bytes /usr",
          "bfs -printf '%s %TD %p'", "bfs /usr -printf '%s %TD %p\\n'");

  // Hidden-attribute reads on a deep tree: each is made at the open folder, not by a path resolved from "/".
  std::string deep = work + "/deep";
  bench::GenerateDeepTree(deep, 15000);
  Compare("15,000 levels, --no-hidden --columns attributes", cli + " report --view csv --no-hidden --columns attributes " + Q(deep),
          "find -printf '%m %p'", "find " + Q(deep) + " -printf '%m %p\\n'");
  fso.DeleteFolder(deep);

  if (bigFiles > 0) {
    std::string big = work + "/big";
    bench::GenerateTree(big, bigFiles, 40, 3);
    bench::Measured m = bench::MeasureCommand(cli + " report --view dos --columns size,modified " + Q(big) +
                                              " >/dev/null");
    std::printf("\n| report of %ld files (DOS view, size, modified) | time | peak RSS |\n|---|---|---|\n", bigFiles);
    std::printf("| dorvane-cli report | %.3f s | %ld MB |\n", m.seconds, m.peakKb / 1024);
    // The JSON view holds its rows in the spool while folder totals are still to come: memory must stay flat.
    m = bench::MeasureCommand(cli + " report --view json --columns size,modified " + Q(big) + " >/dev/null");
    std::printf("| dorvane-cli report --view json (size, modified) | %.3f s | %ld MB |\n", m.seconds, m.peakKb / 1024);
  }
  fso.DeleteFolder(work);
  return 0;
}
