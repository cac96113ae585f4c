// The results file: the operation descriptions, and the whole file of a refused, a stopped and a normal run.
#include <sys/stat.h>

#include <fstream>
#include <regex>

#include "fileops_fixture.h"
#include "support/child_process.h"

namespace dv::test {
namespace {

TEST(OperationDescription, EveryOperationAndVariant) {
  auto with = [](long op, auto change) {
    DescriptionChoices c;
    c.fileOperation = static_cast<FileOp>(op);
    change(c);
    return c;
  };
  auto none = [](DescriptionChoices&) {};
  struct Case {
    DescriptionChoices choices;
    std::string text;
  };
  const std::vector<Case> cases = {
      {with(1, [](auto& c) { c.copyDirectoryStructure = true; }),
       "Copy (Do Not Overwrite Existing Files)\r\n\t\t [Do Not Include Empty Folders]"},
      {with(1,
            [](auto& c) {
              c.copyDirectoryStructure = c.overwriteFiles = c.copyEmptyDirs = true;
              c.verification = 2;
            }),
       "Copy (Overwrite Existing Files)\r\n\t\t [Include Empty Folders]\r\n\t\t [Quick Verification]"},
      {with(1, [](auto& c) { c.copyDirectoryStructure = c.copyEmptyDirs = c.filtersActive = true; }),
       "Copy (Do Not Overwrite Existing Files)\r\n\t\t [File Filter(s) Active - empty folders NOT copied as they were "
       "filtered out]"},
      {with(1, [](auto& c) { c.numberDuplicates = true; }), "Copy to One Directory (Duplicate Filenames Numbered)"},
      {with(1, [](auto& c) { c.verification = 2; }),
       "Copy to One Directory (Duplicate Filenames Overwritten)\r\n\t\t [Quick Verification]"},
      {with(7, [](auto& c) { c.verification = 3; }),
       "Move to One Directory (Duplicate Filenames Overwritten)\r\n\t\t [Full Binary Comparison]"},
      {with(2, none), "Make Empty Shells\r\n((Will not copy over existing files))"},
      {with(3, none), "Delete "},
      {with(4, none), "Find and Replace"},
      {with(5,
            [](auto& c) {
              c.renamePattern = "^a(.*)$";
              c.renameReplacement = "b$1";
            }),
       "Rename file(s)\r\n(Finding pattern:^a(.*)$ & Replacing with:b$1)"},
      {with(6, none), "Change Attribute on file(s)"},
      {with(7, [](auto& c) { c.copyDirectoryStructure = c.copyEmptyDirs = c.filtersActive = true; }),
       "Move File(s)\r\n\t\t [File Filter(s) Active - empty folders NOT moved as they were filtered out]"},
      {with(7, [](auto& c) { c.copyDirectoryStructure = true; }), "Move File(s)\r\n\t\t [Do Not Include Empty Folders]"},
      {with(7, [](auto& c) { c.numberDuplicates = true; }), "Move to One Directory (Duplicate Filenames Numbered)"},
      {with(7, none), "Move to One Directory (Duplicate Filenames Overwritten)"},
      {with(8, none), "Open"},
      {with(9, none), "Change Modified Date"},
      {with(10, none), "Change Created Date"},
      {with(11, none), "Change Last Access Date"},
      {with(12, [](auto& c) { c.runProcOnFile = "wc -l <<filename>>"; }),
       "Run Process On File(s)\r\nProcess ran:wc -l <<filename>>"},
      {with(13,
            [](auto& c) {
              c.sourceDirectory = "/data/a\nb";
              c.destinationDirectory = "/d/B/";
            }),
       "Comparing \r\n              /data/a?b\r\n\r\n        - to -\r\n       /d/B/"},
      {with(13,
            [](auto& c) {
              c.bankItems = {"/x/", "/y/*.*", "/z.txt"};
              c.destinationDirectory = "/backup/";
            }),
       "Comparing \r\n       /x/, /y/*.*, /z.txt\r\n         - to -\r\n       /backup/"},
      {with(14, none), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(OperationDescription(c.choices), c.text);
  }
}

// Half the destination's length plus 5, halves to the even neighbour; length in characters.
TEST(OperationDescription, ComparisonIndentRoundsHalvesToEven) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"", 5}, {"/", 6}, {"/a/", 6}, {"/a/b", 7}, {"/d/B/", 8}, {"/d/ef/", 8}, {"/data/B", 8}, {"/data/BC", 9},
      {"/dé/", 7},
  };
  for (const auto& [destination, spaces] : cases) EXPECT_EQ(ComparisonIndent(destination), spaces) << destination;
}

class ResultsFileTest : public FileOpsTest {
 protected:
  // The results file with its date line checked and shown as "Date/Time:<now>", the tree's root as "T".
  std::string Results() {
    std::string text = ResultsFile();
    std::smatch m;
    static const std::regex date("Date/Time:([^\r\n]+)\r\n");
    EXPECT_TRUE(std::regex_search(text, m, date)) << text;
    if (m.empty()) return text;
    // The user's locale is the C locale in tests: "%x %X" is "MM/DD/YY HH:MM:SS".
    EXPECT_TRUE(std::regex_match(m[1].str(), std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)"))) << m[1];
    text.replace(m.position(1), m.length(1), "<now>");
    return Shown(text, tree.Root());
  }
};

TEST_F(ResultsFileTest, RefusedStoppedAndNormalRunsWholeFiles) {
  tree.File("src/a.txt", "a");
  tree.File("src/sub/b.txt", "b");
  tree.File("src/sub/c.dat", "c");
  tree.Dir("dst");

  // Refused: the header alone, its two empty lines and the empty line of index 0.
  Paths(tree / "nope", tree / "dst");
  ops.FileOperation(FileOp::Delete);
  Run();
  EXPECT_EQ(Results(), "Date/Time:<now>\r\nNumber of lines recorded:0\r\nBasic Operation: Delete \r\n\r\n\r\n\r\n");

  // Stopped while gathering: the marker first and last, no summary.
  Paths(tree / "src", tree / "dst");
  events.onCheck = [&](int n) {
    if (n == 1) ops.StopProcessing(true);
  };
  Run();
  EXPECT_EQ(Results(),
            "   ***   Processing was stopped early   ***\r\n\r\n\r\n"
            "Date/Time:<now>\r\nNumber of lines recorded:1\r\nBasic Operation: Delete \r\n\r\n\r\n\r\n"
            "Cancel was pressed during the file & folder gathering process.\r\n\r\n"
            "No files or folders were processed.\r\n\r\nThere were 2 files & folders gathered.\r\n"
            "   ***   Processing was stopped early   ***\r\n");

  // A normal run: a structure copy with a filter, one file already there.
  events.onCheck = nullptr;
  tree.File("dst/a.txt", "old");
  ops.scFileOperations().RegExFilePattern("*.txt");
  ops.FileOperation(FileOp::Copy);
  ops.CopyOp_CopyDirectoryStructure(true);
  ops.CopyOp_CopyEmptyDirs(true);
  Run();
  EXPECT_EQ(Results(),
            "Date/Time:<now>\r\nNumber of lines recorded:2\r\n"
            "Basic Operation: Copy (Do Not Overwrite Existing Files)\r\n"
            "\t\t [File Filter(s) Active - empty folders NOT copied as they were filtered out]\r\n"
            "Operation Summary: File(s) processed Successfully=2 Failure=0\r\n\r\n\r\n\r\n"
            "Success: T/src/sub\r\nSuccess: T/src/sub/b.txt\r\n");
  EXPECT_EQ(TreeListing(tree / "dst"), "a.txt = old\nsub/\nsub/b.txt = b\n");
}

// A control character of a path is shown as "?" in the results.
TEST_F(ResultsFileTest, ControlCharactersOfPathsShowAsQuestionMarks) {
  tree.File("src/line\nbreak.txt", "x");
  Paths(tree / "src");
  ops.FileOperation(FileOp::Delete);
  ops.PreviewOnly(true);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Preview File: T/src/line?break.txt", "Preview Folder: T/src"}));
  EXPECT_NE(Results().find("\r\nPreview File: T/src/line?break.txt\r\n"), std::string::npos);
}

// The file is replaced whole: a link standing at its place is replaced, not written through.
TEST_F(ResultsFileTest, ResultsFileReplacesALinkInsteadOfFollowingIt) {
  const std::string outside = tree.File("outside.txt", "keep");
  tree.Link("private/DVidt.txt", outside);
  Paths(tree / "nope");
  Run();
  EXPECT_EQ(TempTree::Read(outside), "keep");
  EXPECT_FALSE(S_ISLNK(LStat(ops.InformativeDisplayTXTLocation()).st_mode));
}

// The results file is made in its own folder whatever the current folder is, here one this user cannot write
// (another file system is tried by the command line's tests): the older file there is replaced by this run's, and
// nothing is made in the working folder.
TEST(ResultsFileWriting, MadeInItsOwnFolderNotTheWorkingFolder) {
  TempTree tree;
  const std::string folder = tree.Dir("private"), results = folder + "/DVidt.txt";
  std::ofstream(results) << "an older run's results";
  const std::string cwd = tree.Dir("read-only");
  ::chmod(cwd.c_str(), 0555);
  HandOver(tree, folder);
  const std::vector<std::string> lines = {"Success: /x/a.txt"};
  ResultsContent content;
  content.dateTime = "now";
  content.description = "Delete ";
  content.successCount = 1;
  content.lines = &lines;
  // As another user when we are root, for whom the permission bits do not hold.
  const std::string outcome = InChild(cwd, [&] {
    try {
      WriteResultsFile(results, content);
      return std::string("written");
    } catch (const Error& e) {
      return e.Description();
    }
  }, /*asUser=*/true);
  EXPECT_EQ(outcome, "written");
  EXPECT_EQ(TempTree::Read(results),
            "Date/Time:now\r\nNumber of lines recorded:1\r\nBasic Operation: Delete \r\n"
            "Operation Summary: File(s) processed Successfully=1 Failure=0\r\n\r\n\r\n\r\nSuccess: /x/a.txt\r\n");
  EXPECT_EQ(TreeListing(cwd), "");
  EXPECT_EQ(TreeListing(folder), "DVidt.txt = " + TempTree::Read(results) + "\n");
}

}  // namespace
}  // namespace dv::test
