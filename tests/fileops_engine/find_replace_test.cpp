// Find and replace: which files are treated, exact byte matching (also across the reading blocks), and that a
// user's file is never put at risk: untouched without a match, mode and attributes kept, the backup, and a full
// disk or a kill in the middle leaving the file as it was.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <map>

#include "fileops_fixture.h"
#include "support/child_process.h"

namespace dv::test {
namespace {

class FindReplaceTest : public FileOpsTest {
 protected:
  // Runs find and replace over the files of `dir`.
  void Replace(const std::string& dir, const std::string& find, const std::string& with, long fileTypes,
               const std::string& extensions = ".TXT", bool backup = false) {
    events.errors.clear();
    Paths(dir);
    ops.FileOperation(FileOp::FindReplace);
    ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
    ops.FindAndReplaceSettings(find, with, backup, fileTypes, extensions);
    Run();
  }
  Strings Errors(const std::string& dir) const {
    Strings out;
    for (const std::string& e : events.errors) out.push_back(Shown(e, dir));
    return out;
  }
};

TEST_F(FindReplaceTest, ChoosesFilesAndMatchesExactBytes) {
  const std::string bigPrefix(1 << 20, 'x');  // one reading block
  struct Case {
    std::string find, with;
    long fileTypes;
    std::string extensions;
    std::map<std::string, std::string> files;
    Strings lines;
    std::string listing;
  };
  const std::vector<Case> cases = {
      // Text mode: the extension in any letter case; other extensions, empty files and links are passed over.
      {"abc", "XY", 0, ".TXT",
       {{"notes.txt", "1abc2abc"}, {"NOTES.TXT", "abcabc"}, {"notes.log", "abc"}, {"empty.txt", ""},
        {"none.txt", "ab c ABC"}},
       {"Success: T/NOTES.TXT", "Success: T/notes.txt"},
       "NOTES.TXT = XYXY\nempty.txt = \nlink.txt -> notes.txt\nnone.txt = ab c ABC\nnotes.log = abc\n"
       "notes.txt = 1XY2XY\n"},
      // A list of extensions, longer than three letters, written loosely.
      {"abc", "-", 0, " .md, html ;*.Json",
       {{"a.md", "abc"}, {"b.HTML", "abc"}, {"c.json", "abc"}, {"d.txt", "abc"}, {"e.xhtml", "abc"}},
       {"Success: T/a.md", "Success: T/b.HTML", "Success: T/c.json"},
       "a.md = -\nb.HTML = -\nc.json = -\nd.txt = abc\ne.xhtml = abc\nlink.txt -> notes.txt\n"},
      // Any file: bytes of equal length in a binary file, zero bytes included.
      {std::string("\xff\0ab", 4), std::string("\0\0\0\0", 4), 1, "",
       {{"data.bin", std::string("\x01\xff\0ab\xff\0a", 8)}},
       {"Success: T/data.bin"},
       "data.bin = " + std::string("\x01\0\0\0\0\xff\0a", 8) + "\nlink.txt -> notes.txt\n"},
      // Matches are exact and do not overlap; shorter and longer replacements; at the start and the end.
      {"aa", "b", 1, "", {{"a.txt", "aaaaa"}, {"b.txt", "AAaa"}}, {"Success: T/a.txt", "Success: T/b.txt"},
       "a.txt = bba\nb.txt = AAb\nlink.txt -> notes.txt\n"},
      // A match across two reading blocks.
      {"abcd", "[abcd]", 1, "", {{"big.txt", bigPrefix.substr(2) + "abcd" + "yy"}}, {"Success: T/big.txt"},
       "big.txt = " + bigPrefix.substr(2) + "[abcd]yy\nlink.txt -> notes.txt\n"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    const std::string rel = "case" + std::to_string(i);
    const std::string dir = tree.Dir(rel);
    for (const auto& [name, content] : c.files) tree.File(rel + "/" + name, content);
    tree.Link(rel + "/link.txt", "notes.txt");
    Replace(dir, c.find, c.with, c.fileTypes, c.extensions);
    EXPECT_EQ(test::Lines(ops, dir), c.lines);
    EXPECT_EQ(TreeListing(dir), c.listing);
    EXPECT_EQ(Errors(dir), Strings{});
  }
}

// What stays as it was: a file without a match (times included), a FIFO, an oversized file, a read-only file;
// what the rewritten file keeps: its mode and user attributes; and the backup beside it.
TEST_F(FindReplaceTest, KeepsFilesSafe) {
  const std::string dir = tree.Dir("src");
  tree.File("src/none.txt", "nothing here");
  tree.SetTimes("src/none.txt", 1000000000, 1200000000);
  const std::string kept = tree.File("src/kept.txt", "old and old");
  ::chmod(kept.c_str(), 0640);
  const bool xattrs = ::setxattr(kept.c_str(), "user.note", "v1", 2, 0) == 0;
  tree.File("src/letter.txt", "Dear old friend");
  tree.File("src/x.dir/README", "old");
  tree.File("src/x.dir/.profile", "old");
  const std::string readOnly = tree.File("src/locked.txt", "old");
  ::chmod(readOnly.c_str(), 0444);
  tree.Fifo("src/pipe.txt");
  const std::string huge = tree.File("src/huge.bin");
  ASSERT_EQ(::truncate(huge.c_str(), 520'000'000), 0);  // sparse: one byte over the limit

  Replace(dir, "old", "new", 1, "", /*backup=*/true);
  EXPECT_EQ(test::Lines(ops, dir), (Strings{"Success: T/kept.txt", "Success: T/letter.txt", "Failure: T/locked.txt",
                                            "Success: T/x.dir/.profile", "Success: T/x.dir/README"}));
  EXPECT_EQ(Errors(dir), Strings{"cfo:8M 3 Finding & Replacing Text at or near file locked.txt [70]"});
  EXPECT_EQ(Listing(dir), "huge.bin kept.txt kept_DVBU.txt letter.txt letter_DVBU.txt locked.txt none.txt pipe.txt "
                          "x.dir");
  EXPECT_EQ(Listing(dir + "/x.dir"), ".profile .profile_DVBU README README_DVBU");
  EXPECT_EQ(TempTree::Read(dir + "/letter.txt") + "|" + TempTree::Read(dir + "/letter_DVBU.txt"),
            "Dear new friend|Dear old friend");
  EXPECT_EQ(TempTree::Read(dir + "/x.dir/README") + "|" + TempTree::Read(dir + "/x.dir/README_DVBU"), "new|old");
  EXPECT_EQ(TempTree::Read(readOnly), "old");
  struct stat none = LStat(dir + "/none.txt");
  EXPECT_EQ(none.st_atime, 1000000000);
  EXPECT_EQ(none.st_mtime, 1200000000);
  struct stat st = LStat(kept);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(TempTree::Read(kept), "new and new");
  if (xattrs) {
    char value[8] = {};
    EXPECT_EQ(::getxattr(kept.c_str(), "user.note", value, sizeof value), 2);
    EXPECT_STREQ(value, "v1");
  }
}

// A full disk (the write fails) or a kill (the process ends at the write) in the middle of the new content leaves
// the file byte for byte as it was; after a failure no temporary file is left either.
TEST_F(FindReplaceTest, InterruptedRunLeavesTheFileWhole) {
  std::string content;
  for (int i = 0; i < (3 << 20) / 4; ++i) content += "abcd";
  struct Case {
    bool killed;
    std::string child;
  };
  const std::vector<Case> cases = {
      {false, "Failure: T/big.txt|cfo:8M 3 Finding & Replacing Text at or near file big.txt [61]"},
      {true, "child crashed"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string rel = "case" + std::to_string(i);
    const std::string dir = tree.Dir(rel);
    const std::string file = tree.File(rel + "/big.txt", content);
    const bool killed = cases[i].killed;
    std::string child = InChild(dir, [&] {
      if (killed) {
        struct rlimit lim = {1 << 20, 1 << 20};
        ::setrlimit(RLIMIT_FSIZE, &lim);  // SIGXFSZ left to end the process
      } else {
        LimitFileSize(1 << 20);
      }
      Replace(dir, "abcd", "abcde", 1);
      std::string out;
      for (const std::string& line : test::Lines(ops, dir)) out += line + "|";
      for (const std::string& e : Errors(dir)) out += e;
      return out;
    });
    EXPECT_EQ(child, cases[i].child);
    EXPECT_TRUE(TempTree::Read(file) == content);
    if (!killed) EXPECT_EQ(Listing(dir), "big.txt");
  }
}

// A stop asked for while a file is rewritten (here at the window's moment inside the item, once the new content is
// complete) leaves the file as it was, no temporary and no backup, and records the file as a failure.
TEST_F(FindReplaceTest, AStopInsideAFileLeavesItAsItWas) {
  const std::string content = std::string(2 << 20, 'a') + "needle";
  for (const bool backup : {false, true}) {
    SCOPED_TRACE(backup);
    const std::string dir = tree.Dir(backup ? "with-backup" : "without");
    const std::string file = tree.File((backup ? "with-backup" : "without") + std::string("/big.txt"), content);
    // Inside the item the new content waits beside the file under a temporary name.
    events.onCheck = [&](int) {
      if (Listing(dir).find(".dv-replace-") != std::string::npos) ops.StopProcessing(true);
    };
    Replace(dir, "needle", "thread", 1, ".TXT", backup);
    EXPECT_EQ(test::Lines(ops, dir), Strings{"Failure: T/big.txt"});
    EXPECT_EQ(Errors(dir), Strings{"cfo:8M 3 Finding & Replacing Text at or near file big.txt [18]"});
    EXPECT_EQ(Listing(dir), "big.txt");
    EXPECT_TRUE(TempTree::Read(file) == content);
  }
}

}  // namespace
}  // namespace dv::test
