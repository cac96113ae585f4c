// Many files renamed to one name: every clash gets the next free "_DV" number (numbers taken beforehand are
// passed over, nothing is replaced), and the next run starts counting from the first free number again.
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
  auto rename = [&] {
    Paths(dir);
    ops.FileOperation(fileop::Rename);
    ops.Process_Files_Folders_Both(gather::FilesAndFolders);
    ops.RenameSettings("^[fg]\\d+", "same", 2, 32000);
    Run();
  };
  rename();
  std::set<std::string> expected = {"same.txt", "same.txt_DV5"};
  for (int i = 1; i <= kFiles; ++i) expected.insert("same.txt_DV" + std::to_string(i));
  const std::string names = Listing(dir);
  std::string want;
  for (const std::string& n : expected) want += (want.empty() ? "" : " ") + n;
  EXPECT_EQ(names, want);
  EXPECT_EQ(ops.SuccessCount(), kFiles);
  EXPECT_EQ(TempTree::Read(dir + "/same.txt_DV5"), "taken");

  // A number freed after the run is the first one the next run gives.
  ASSERT_EQ(::unlink((dir + "/same.txt_DV7").c_str()), 0);
  tree.File("src/g1.txt", "g");
  rename();
  EXPECT_EQ(test::Lines(ops, dir), Strings{"Success: T/g1.txt"});
  EXPECT_EQ(TempTree::Read(dir + "/same.txt_DV7"), "g");
}

}  // namespace
}  // namespace dv::test
