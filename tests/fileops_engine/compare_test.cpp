// Compare: missing, matching and differing files under each display switch, bytes (not lines) deciding, the
// sample's blocks, and lengths decided without reading.
#include <sys/stat.h>

#include <regex>

#include "fileops_fixture.h"
#include "support/child_process.h"

namespace dv::test {
namespace {

class CompareTest : public FileOpsTest {
 protected:
  void Pair(const std::string& name, const std::string& source, const std::string& target) {
    tree.File("src/" + name, source);
    tree.File("dst/" + name, target);
  }
  void Compare(bool full, bool matching, bool differing, bool missing, long sample) {
    events.errors.clear();
    Paths(tree / "src", tree / "dst");
    ops.FileOperation(FileOp::Compare);
    ops.SetCompareOptions(full, matching, differing, missing, sample);
    Run();
  }
};

std::string Match(const std::string& name) { return "+  Files Match:T/dst/" + name + " <-+-> T/src/" + name + "\r\n"; }
std::string Differ(const std::string& name) {
  return "X  Files do not Match:T/dst/" + name + " <-X-> T/src/" + name + "\r\n";
}
std::string Missing(const std::string& name) { return "0  File does not exist in Target Directory:T/dst/" + name + "\r\n"; }

TEST_F(CompareTest, RecordsWhatEachSwitchAsksFor) {
  Pair("same.txt", "abc", "abc");
  Pair("empty", "", "");
  Pair("crlf.txt", "a\r\nb", "a\nb\r");  // equal line by line, not byte by byte
  const std::string big(300'000, 'x');
  Pair("last.bin", big, big.substr(1) + "y");
  Pair("length.txt", "abc", "abcd");
  tree.File("src/sub/missing.txt", "m");
  tree.File("src/dir.txt", "d");
  tree.Dir("dst/dir.txt");  // a folder where the file should be
  tree.Link("src/link", "same.txt");
  tree.Link("dst/link", "same.txt");
  tree.File("src/pipe.txt", "p");
  tree.Fifo("dst/pipe.txt");
  tree.SetTimes("src/same.txt", 1000000000, 1200000000);
  tree.SetTimes("dst/same.txt", 1000000000, 1200000000);
  struct Case {
    bool full, matching, differing, missing;
    long sample;
    Strings lines;
    const char* counts = "Matching=2 Differing=3 Missing=2";  // whatever the switches hide
  };
  const std::vector<Case> cases = {
      {true, true, true, true, 0,
       {Differ("crlf.txt"), Missing("dir.txt"), Match("empty"), Differ("last.bin"), Differ("length.txt"),
        Match("same.txt"), Missing("sub/missing.txt")}},
      // Sampling 10 bytes from an offset of at most 5 misses the last byte; files up to the sample are whole.
      {false, true, true, false, 10,
       {Differ("crlf.txt"), Match("empty"), Match("last.bin"), Differ("length.txt"), Match("same.txt")},
       "Matching=3 Differing=2 Missing=2"},
      // A sample of no bytes would say nothing: the whole file is compared.
      {false, false, true, false, 0, {Differ("crlf.txt"), Differ("last.bin"), Differ("length.txt")}},
      {true, false, false, true, 0, {Missing("dir.txt"), Missing("sub/missing.txt")}},
      {true, false, false, false, 0, {}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    Compare(c.full, c.matching, c.differing, c.missing, c.sample);
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(events.errors, Strings{});
    EXPECT_NE(ResultsFile().find(std::string("\r\nOperation Summary: Files ") + c.counts + " Failure=0\r\n"),
              std::string::npos);
  }
  // The last run recorded nothing: its summary line counts all the same, the body is empty.
  const std::string results = std::regex_replace(ResultsFile(), std::regex("Date/Time:[^\r]+"), "Date/Time:<now>");
  EXPECT_EQ(Shown(results, tree.Root()),
            "Date/Time:<now>\r\nNumber of lines recorded:0\r\nBasic Operation: Comparing \r\n              T/src\r\n\r\n" +
                std::string(ComparisonIndent(tree / "dst/"), ' ') +
                "- to -\r\n       T/dst/\r\nOperation Summary: Files Matching=2 Differing=3 Missing=2 Failure=0\r\n"
                "\r\n\r\n\r\n");
  // Nothing changed on disk, access times included.
  EXPECT_EQ(LStat(tree / "src/same.txt").st_atime, 1000000000);
  EXPECT_EQ(LStat(tree / "dst/same.txt").st_atime, 1000000000);
}

// A sample above 100,000 bytes is read in blocks of 100,000 and a remainder, from an offset of at most half the
// sample: 250,000 bytes from at most 125,000 always cover byte 200,000 and never byte 599,999.
TEST_F(CompareTest, SamplesInBlocks) {
  const std::string base(600'000, 'z');
  struct Case {
    size_t differAt;
    std::string line;
  };
  const std::vector<Case> cases = {{200'000, Differ("f")}, {599'999, Match("f")}, {124'999, Differ("f")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.differAt);
    std::string other = base;
    other[c.differAt] = 'q';
    Pair("f", base, other);
    for (int run = 0; run < 5; ++run) {  // a new random offset each run
      Compare(false, true, true, true, 250'000);
      EXPECT_EQ(Lines(), Strings{c.line});
    }
  }
}

// Files of different lengths differ without being opened: even an unreadable target gives its line. A file of
// the same length whose source or target cannot be read is an error of that file and a "Failure: " line, never
// silence.
TEST_F(CompareTest, UnreadableFilesFail) {
  Pair("longer.txt", "abc", "abcd");
  Pair("source-unreadable.txt", "abc", "abd");
  Pair("target-unreadable.txt", "abc", "abc");
  ::chmod((tree / "dst/longer.txt").c_str(), 0);
  ::chmod((tree / "src/source-unreadable.txt").c_str(), 0);
  ::chmod((tree / "dst/target-unreadable.txt").c_str(), 0);
  HandOver(tree, tree.Root());
  std::string out = InChild(tree.Root(), [&] {
    Compare(true, true, true, true, 0);
    std::string text;
    for (const std::string& line : Lines()) text += line + "|";
    for (const std::string& e : events.errors) text += Shown(e, tree.Root()) + "|";
    return text;
  }, /*asUser=*/true);
  EXPECT_EQ(out, Differ("longer.txt") + "|Failure: T/src/source-unreadable.txt|Failure: T/src/target-unreadable.txt|"
                 "cfo:8H 3 Comparing files at or near file source-unreadable.txt [70]|"
                 "cfo:8H 3 Comparing files at or near file target-unreadable.txt [70]|");
}

}  // namespace
}  // namespace dv::test
