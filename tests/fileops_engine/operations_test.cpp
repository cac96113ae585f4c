// The structure copy and its folder step, the file delete, and an operation number the engine does not know.
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
       "Operation Summary: File(s) processed Successfully=3 Failure=0\r\n"},
      {true,
       {"Success: T/src/a.txt", "Success: T/src/link", "Success: T/src/sub", "Success: T/src/sub/b.txt"},
       "a.txt = new a\nlink -> a.txt\nsub/\nsub/b.txt = new b\n",
       "Operation Summary: File(s) processed Successfully=4 Failure=0\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.overwrite);
    const std::string dst = tree.Dir(c.overwrite ? "dst-over" : "dst-keep");
    tree.File((c.overwrite ? "dst-over" : "dst-keep") + std::string("/a.txt"), "old a");
    Paths(tree / "src", dst);
    ops.FileOperation(FileOp::Copy);
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
  ops.FileOperation(FileOp::Delete);
  ops.Process_Files_Folders_Both(Gathering::Files);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/src/dangling", "Success: T/src/dirlink", "Success: T/src/filelink",
                              "Success: T/src/plain.txt"}));
  EXPECT_EQ(TreeListing(tree / "src"), "");
  EXPECT_EQ(TreeListing(tree / "keep"), "k.txt = k\n");
}

// An operation number the engine does not know fails each item with an error saying so, and changes nothing.
TEST_F(FileOpsTest, AnUnknownOperationFailsOpenly) {
  tree.File("src/a.txt", "a");
  Paths(tree / "src", tree.Dir("dst"));
  ops.FileOperation(static_cast<FileOp>(14));
  ops.LoadMultipleFileArray({"a.txt"});
  Run();
  EXPECT_EQ(Lines(), Strings{"Failure: T/src/a.txt"});
  EXPECT_EQ(events.errors, Strings{"cfo:9J 3 Processing a file at or near file " + tree / "src/a.txt" + " [50000]"});
  EXPECT_EQ(TreeListing(tree / "src") + TreeListing(tree / "dst"), "a.txt = a\n");
}

}  // namespace
}  // namespace dv::test
