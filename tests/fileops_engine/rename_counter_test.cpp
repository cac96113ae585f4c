// Many files renamed to one name: every clash gets the next "_DV" number, counting on from the last number given
// in the run rather than trying every number from 1 again (numbers taken beforehand are passed over, nothing is
// replaced); the next run starts from the first free number again.
#include <unistd.h>

#include <cstdio>
#include <set>

#include "fileops_fixture.h"

namespace dv::test {
namespace {

TEST_F(FileOpsTest, RenamingManyFilesToOneNameNumbersThemAll) {
  constexpr int kFiles = 300;
  const std::string dir = tree.Dir("src");
  for (int i = 0; i < kFiles; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%03d.txt", i);
    tree.File(std::string("src/") + name, name);
  }
  tree.File("src/same.txt_DV5", "taken");
  // A number freed in the middle of the run is not gone back to: the run counts on.
  bool freed = false;
  events.onCheck = [&](int) {
    if (freed || !TempTree::Exists(dir + "/same.txt_DV100")) return;
    freed = true;
    ASSERT_EQ(::unlink((dir + "/same.txt_DV3").c_str()), 0);
  };
  auto rename = [&] {
    Paths(dir);
    ops.FileOperation(FileOp::Rename);
    ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
    ops.RenameSettings("^[fg]\\d+", "same", 2, 32000);
    Run();
  };
  rename();
  EXPECT_TRUE(freed);
  std::set<std::string> expected = {"same.txt"};
  for (int i = 1; i <= kFiles; ++i)
    if (i != 3) expected.insert("same.txt_DV" + std::to_string(i));
  std::string want;
  for (const std::string& n : expected) want += (want.empty() ? "" : " ") + n;
  EXPECT_EQ(Listing(dir), want);
  EXPECT_EQ(ops.SuccessCount(), kFiles);
  EXPECT_EQ(TempTree::Read(dir + "/same.txt_DV5"), "taken");

  // The next run starts from 1 again and finds the freed number.
  tree.File("src/g1.txt", "g");
  rename();
  EXPECT_EQ(test::Lines(ops, dir), Strings{"Success: T/g1.txt -> same.txt_DV3"});
  EXPECT_EQ(TempTree::Read(dir + "/same.txt_DV3"), "g");
}

}  // namespace
}  // namespace dv::test
