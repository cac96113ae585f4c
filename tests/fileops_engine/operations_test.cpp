// The per-item operations that are built: the structure copy and its folder step, the file delete; and the
// operations still to come, which fail each item openly.
#include <sys/stat.h>

#include "fileops_fixture.h"

namespace dv::test {
namespace {

// Structure copy: folders mirrored through the folder step, links copied as links, an existing target left
// alone without overwrite and replaced with it.
TEST_F(FileOpsTest, StructureCopyWithAndWithoutOverwrite) {
  tree.File("src/a.txt", "new a");
  tree.File("src/sub/b.txt", "new b");
  tree.Link("src/link", "a.txt");
  struct Case {
    bool overwrite;
    Strings lines;
    std::string listing;
    std::string summary;
  };
  const std::vector<Case> cases = {
      {false,
       {"Success: T/src/link", "Success: T/src/sub", "Success: T/src/sub/b.txt"},
       "a.txt = old a\nlink -> a.txt\nsub/\nsub/b.txt = new b\n",
       "Operation Summary: File(s) processed Successfully=2 Failure=0\r\n"},
      {true,
       {"Success: T/src/a.txt", "Success: T/src/link", "Success: T/src/sub", "Success: T/src/sub/b.txt"},
       "a.txt = new a\nlink -> a.txt\nsub/\nsub/b.txt = new b\n",
       "Operation Summary: File(s) processed Successfully=3 Failure=0\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.overwrite);
    const std::string dst = tree.Dir(c.overwrite ? "dst-over" : "dst-keep");
    tree.File((c.overwrite ? "dst-over" : "dst-keep") + std::string("/a.txt"), "old a");
    Paths(tree / "src", dst);
    ops.FileOperation(fileop::Copy);
    ops.CopyOp_CopyDirectoryStructure(true);
    ops.OverwriteFiles(c.overwrite);
    Run();
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(TreeListing(dst), c.listing);
    EXPECT_NE(ResultsFile().find(c.summary), std::string::npos);
    EXPECT_TRUE(events.errors.empty());
  }
  EXPECT_EQ(TreeListing(tree / "src"), "a.txt = new a\nlink -> a.txt\nsub/\nsub/b.txt = new b\n");
}

// A copy keeps the file's mode and modification time.
TEST_F(FileOpsTest, StructureCopyKeepsModeAndTimes) {
  std::string f = tree.File("src/run.sh", "#!/bin/sh\n");
  ::chmod(f.c_str(), 0750);
  tree.SetTimes("src/run.sh", 1000000000, 1200000000);
  Paths(tree / "src", tree.Dir("dst"));
  ops.CopyOp_CopyDirectoryStructure(true);
  Run();
  struct stat st = LStat(tree / "dst/run.sh");
  EXPECT_EQ(st.st_mode & 07777, 0750u);
  EXPECT_EQ(st.st_mtime, 1200000000);
}

// Delete removes the item itself: a link goes, whatever it points at stays.
TEST_F(FileOpsTest, DeleteRemovesLinksNotTheirTargets) {
  tree.File("keep/k.txt", "k");
  tree.File("src/plain.txt", "p");
  tree.Link("src/filelink", "../keep/k.txt");
  tree.Link("src/dirlink", "../keep");
  tree.Link("src/dangling", "nowhere");
  Paths(tree / "src");
  ops.FileOperation(fileop::Delete);
  ops.Process_Files_Folders_Both(gather::Files);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/src/dangling", "Success: T/src/dirlink", "Success: T/src/filelink",
                              "Success: T/src/plain.txt"}));
  EXPECT_EQ(TreeListing(tree / "src"), "");
  EXPECT_EQ(TreeListing(tree / "keep"), "k.txt = k\n");
}

// Every operation still to come fails each item with an error saying so, and changes nothing.
TEST_F(FileOpsTest, OperationsStillToComeFailOpenly) {
  tree.File("src/a.txt", "a");
  tree.Dir("dst");
  struct Case {
    long op;
    bool structure;
    long verification;
    long deleteSettings;
    Strings lines;
    std::string error;
  };
  const Strings fileFails = {"Failure: T/src/a.txt"};
  const std::vector<Case> cases = {
      {14, false, 0, 0, fileFails, "cfo:9J 3 Processing a file at or near file T/src/a.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    events.errors.clear();
    Paths(tree / "src", tree / "dst");
    ops.FileOperation(c.op);
    ops.Process_Files_Folders_Both(gather::Files);
    ops.Individual_File_Selection(true);
    ops.LoadMultipleFileArray({"a.txt"});
    ops.CopyOp_CopyDirectoryStructure(c.structure);
    ops.CopyOp_Verification(c.verification);
    Run();
    EXPECT_EQ(Lines(), c.lines);
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(Shown(events.errors[0], tree.Root()), c.error + " [50000]");
    EXPECT_EQ(ops.FailureCount(), 1);
    EXPECT_EQ(TreeListing(tree / "src") + TreeListing(tree / "dst"), "a.txt = a\n");
  }
}

}  // namespace
}  // namespace dv::test
