// A stop asked for while a long item runs: the copy, the rewrite, the backup and the comparisons end with error 18
// at their next look at the flag, leave no temporary behind and change nothing that was there.
#include <fcntl.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/byte_replace.h"
#include "platform/content_check.h"
#include "platform/file_system.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv::test {
namespace {

TEST(StopTest, AStoppedItemLeavesNothingBehind) {
  TempTree tree;
  const std::string content = std::string(4 << 20, 'a') + "needle";
  const std::string src = tree.File("src/big.txt", content);
  const std::string same = tree.File("src/same.txt", content);
  StopFlag stop{true};
  UniqueFd srcDir(::open((tree / "src").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct Case {
    const char* label;
    std::function<void(int dir)> run;  // `dir`: the case's own folder, holding "old.txt" and a copy of big.txt
  };
  const std::vector<Case> cases = {
      {"copy to a new name",
       [&](int dir) {
         FileSystemObject().CopyFileAt(srcDir.Get(), "big.txt", dir, "new.txt", false, src, "new", &stop);
       }},
      {"copy over a file",
       [&](int dir) {
         FileSystemObject().CopyFileAt(srcDir.Get(), "big.txt", dir, "old.txt", true, src, "old", &stop);
       }},
      {"rewrite",
       [&](int dir) {
         ItemInfo info;
         ASSERT_TRUE(StatAt(dir, "big.txt", info));
         ReplaceBytesAt(dir, "big.txt", "big", info, "needle", "thread", nullptr, &stop);
       }},
      {"backup",
       [&](int dir) {
         UniqueFd in(::open(src.c_str(), O_RDONLY | O_CLOEXEC));
         CopyBesideAt(dir, in.Get(), src, [](unsigned n) { return "backup" + std::to_string(n); }, &stop);
       }},
      {"full check", [&](int) { SameContents(srcDir.Get(), "big.txt", srcDir.Get(), "same.txt", src, same, &stop); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RemoveTree(tree / "work");
    const std::string dir = tree.Dir("work");
    tree.File("work/old.txt", "old");
    tree.File("work/big.txt", content);
    UniqueFd folder(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const std::string before = Listing(dir);
    EXPECT_TRUE(FailsWith([&] { c.run(folder.Get()); }, err::UserInterrupt));
    EXPECT_EQ(Listing(dir), before);
    EXPECT_EQ(TempTree::Read(dir + "/old.txt"), "old");
    EXPECT_TRUE(TempTree::Read(dir + "/big.txt") == content);
  }
  EXPECT_EQ(Listing(tree / "src"), "big.txt same.txt");
}

}  // namespace
}  // namespace dv::test
