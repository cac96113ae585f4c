// Runs the real `dorvane-cli op` on temporary trees: answers, exit codes, the results on standard output and what
// changed on disk.
#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

// The results file without its first line (the date and time of the run).
std::string WithoutDate(const std::string& results) {
  const size_t end = results.find("\r\n");
  return end == std::string::npos ? results : results.substr(end + 2);
}

TEST(CliOp, AnswersExitCodesResultsAndChanges) {
  test::TempTree tree;
  test::IsolatedEnvironment env(tree);
  const std::string src = tree.Dir("src"), dst = tree / "dst";
  tree.File("src/a.txt", "hello");
  tree.File("src/sub/b.txt", "world");
  const auto sourceListing = test::Listing(src);

  struct Case {
    const char* name;
    std::vector<std::string> args;
    bool noTerminal;  // standard input from /dev/null and no --yes/--no
    int status;
    std::string results;  // standard output without its date line; "*" for anything
    bool destinationMade;
  };
  const std::string header = "Number of lines recorded:";
  const Case cases[] = {
      {"refused at the confirmation: nothing written", {"copy", src, dst, "--no"}, false, 2, "", false},
      {"no terminal to ask", {"copy", src, dst}, true, 2, "", false},
      {"bad option for the operation", {"delete", "--overwrite", src, "--yes"}, false, 2, "", false},
      {"a file as SOURCE", {"delete", src + "/a.txt", "--yes"}, false, 2, "", false},
      {"missing source: header-only results",
       {"delete", tree / "gone", "--yes"},
       false,
       2,
       header + "0\r\nBasic Operation: Delete \r\n\r\n\r\n\r\n",
       false},
      {"list preview changes nothing",
       {"delete", src, "--preview", "--yes"},
       false,
       0,
       // Delete goes from the end: a folder's contents before the folder.
       header + "4\r\nBasic Operation: Delete \r\n\r\n\r\n\r\nPreview File: " + src + "/sub/b.txt\r\nPreview Folder: " +
           src + "/sub\r\nPreview File: " + src + "/a.txt\r\nPreview Folder: " + src + "\r\n",
       false},
      {"a bank entry holding the destination is skipped, and that is a failure",
       {"copy", "--entry", src + "/", src + "/inner", "--yes"},
       false,
       1,
       "*",
       false},
      {"copy with structure",
       {"copy", src, dst, "--yes"},
       false,
       0,
       header + "3\r\nBasic Operation: Copy (Do Not Overwrite Existing Files)\r\n\t\t [Do Not Include Empty "
                "Folders]\r\nOperation Summary: File(s) processed Successfully=2 Failure=0\r\n\r\n\r\n\r\nSuccess: " +
           src + "/a.txt\r\nSuccess: " + src + "/sub\r\nSuccess: " + src + "/sub/b.txt\r\n",
       true},
      {"full comparison over the copy",
       {"copy", src, dst, "--overwrite", "--verify", "full", "--yes"},
       false,
       0,
       header + "2\r\nBasic Operation: Copy (Overwrite Existing Files)\r\n\t\t [Do Not Include Empty "
                "Folders]\r\n\t\t [Full Binary Comparison]\r\nOperation Summary: File(s) processed Successfully=2 "
                "Failure=0\r\n\r\n\r\n\r\nSuccess: " +
           src + "/a.txt\r\nSuccess: " + src + "/sub/b.txt\r\n",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string command = std::string("exec '") + DV_CLI_PATH + "' op";
    for (const std::string& a : c.args) command += " '" + a + "'";
    if (c.noTerminal) command += " < /dev/null";
    const test::ProgramResult r = test::RunProgram("sh", {"-c", command});
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.results != "*") EXPECT_EQ(WithoutDate(r.out), c.results);
    EXPECT_EQ(test::Listing(src), sourceListing);
    EXPECT_EQ(test::TempTree::Exists(dst), c.destinationMade);
  }
  EXPECT_EQ(test::TempTree::Read(dst + "/sub/b.txt"), "world");

  // A named bank of a bank file: its folder entry keeps its own name under the destination.
  tree.File("DVPBank.dvb", "Other@FBS@/nowhere/\r\nWork@FBS@" + src + "/sub/@FBS@\r\n");
  const std::string bankDst = tree / "bankdst";
  test::ProgramResult b = test::RunProgram(
      DV_CLI_PATH, {"op", "copy", "--bank", tree / "DVPBank.dvb", "--bank-name", "Work", bankDst, "--yes"});
  EXPECT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(test::TempTree::Read(bankDst + "/sub/b.txt"), "world");
  b = test::RunProgram(DV_CLI_PATH,
                       {"op", "copy", "--bank", tree / "DVPBank.dvb", "--bank-name", "Play", bankDst, "--yes"});
  EXPECT_EQ(b.status, 2);
  EXPECT_NE(b.err.find("no bank called 'Play'"), std::string::npos) << b.err;

  // --results: the same text in a file, nothing on standard output.
  const std::string results = tree / "results.txt";
  const test::ProgramResult r = test::RunProgram(DV_CLI_PATH, {"op", "delete", src, "--preview", "--yes",
                                                               "--results", results});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(WithoutDate(test::TempTree::Read(results)), cases[5].results);
}

}  // namespace
}  // namespace dv
