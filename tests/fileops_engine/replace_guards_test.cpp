// Find and replace never loses what another program wrote meanwhile, and never loses an original text kept in a
// backup: existing backups are not replaced and backups are not rewritten.
#include <fcntl.h>
#include <unistd.h>

#include "fileops_fixture.h"

namespace dv::test {
namespace {

void Replace(clsFileOps& ops, const std::string& dir, const std::string& find, const std::string& with) {
  ops.SourceDirectory(dir);
  ops.scFileOperations().StartingDirectory(dir);
  ops.FileOperation(FileOp::FindReplace);
  ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
  ops.FindAndReplaceSettings(find, with, /*backup=*/true, 1, "");
  ops.ProcessOperation();
}

// Lines appended while the new content is being made (its temporary file is there) survive: the item fails and
// the file keeps its old content and the appended lines; nothing is left behind.
TEST_F(FileOpsTest, ReplaceLeavesAFileChangedMeanwhile) {
  const std::string dir = tree.Dir("src");
  const std::string log = tree.File("src/log.txt", "old line\n");
  bool appended = false;
  events.onCheck = [&](int) {
    if (appended || Listing(dir).find(".dv-replace-") == std::string::npos) return;
    appended = true;
    int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "appended\n", 9), 9);
    ::close(fd);
  };
  Replace(ops, dir, "old", "new");
  EXPECT_TRUE(appended);
  EXPECT_EQ(Lines(), Strings{"Failure: T/src/log.txt"});
  EXPECT_EQ(events.errors, Strings{"cfo:8M 3 Finding & Replacing Text at or near file log.txt [75]"});
  EXPECT_EQ(TempTree::Read(log), "old line\nappended\n");
  EXPECT_EQ(Listing(dir).find(".dv-"), std::string::npos);
}

// Runs one after another on the same folder: each backup takes the next free name, and the backups (and names
// that only look alike) are treated as the rule says.
TEST_F(FileOpsTest, ReplaceKeepsEveryBackup) {
  struct Run {
    const char* find;
    const char* with;
    Strings lines;
    std::string listing;
  };
  const std::string dir = tree.Dir("src");
  tree.File("src/x.txt", "cat dog");
  tree.File("src/y_DVBU_7.txt", "dog");
  tree.File("src/README_DVBU", "dog");
  tree.File("src/z_DVBUx.txt", "dog");
  const std::vector<Run> runs = {
      {"cat", "cow", {"Success: T/x.txt"},
       "README_DVBU = dog\nx.txt = cow dog\nx_DVBU.txt = cat dog\ny_DVBU_7.txt = dog\nz_DVBUx.txt = dog\n"},
      {"dog", "pig", {"Success: T/x.txt", "Success: T/z_DVBUx.txt"},
       "README_DVBU = dog\nx.txt = cow pig\nx_DVBU.txt = cat dog\nx_DVBU_1.txt = cow dog\ny_DVBU_7.txt = dog\n"
       "z_DVBUx.txt = pig\nz_DVBUx_DVBU.txt = dog\n"},
      {"cow", "ox", {"Success: T/x.txt"},
       "README_DVBU = dog\nx.txt = ox pig\nx_DVBU.txt = cat dog\nx_DVBU_1.txt = cow dog\nx_DVBU_2.txt = cow pig\n"
       "y_DVBU_7.txt = dog\nz_DVBUx.txt = pig\nz_DVBUx_DVBU.txt = dog\n"},
  };
  for (const Run& r : runs) {
    SCOPED_TRACE(r.find);
    Replace(ops, dir, r.find, r.with);
    EXPECT_EQ(test::Lines(ops, dir), r.lines);
    EXPECT_EQ(TreeListing(dir), r.listing);
    EXPECT_EQ(events.errors, Strings{});
  }
}

}  // namespace
}  // namespace dv::test
