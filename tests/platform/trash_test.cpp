// Delete to the trash: the layout any desktop's trash reads back, free names for items of the same name, and an
// item whose device has no usable trash left where it is.
#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>

#include "platform/path.h"
#include "platform/placement.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"
#include "support/trash_check.h"

namespace dv {
namespace {

// Items trashed one after another into a home trash made under the scratch folder: each is renamed (the same
// inode) under its own name, or the next free "NAME.N", with an info file naming where it was, in local time.
TEST(Trash, ItemsGoIntoTheHomeTrashUnderFreeNames) {
  test::TempTree tree;
  test::EnvironmentScope env;
  env.Set("XDG_DATA_HOME", (tree / "data").c_str());
  test::LocalZone zone("XYZ-5");
  struct Case {
    std::string item;  // a file, or a folder when it ends in "/"
    std::string entry;
    bool asPath = false;  // reached as a whole path from the current folder, as short paths are
  };
  const Case cases[] = {
      {"a/x.txt", "x.txt"},
      {"b/x.txt", "x.txt.2"},
      {"c/x.txt", "x.txt.3"},
      {"d/dir/", "dir"},
      {"e/whole/", "whole", true},
      {"f/50% off #1.txt", "50% off #1.txt"},
      {"g/caf\xe9.txt", "caf\xe9.txt"},
  };
  const std::string home = tree / "data/Trash";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    const bool folder = c.item.back() == '/';
    const std::string path = folder ? tree.Dir(c.item.substr(0, c.item.size() - 1)) : tree.File(c.item, c.item);
    const ino_t ino = test::LStat(path).st_ino;
    UniqueFd dir = OpenHolderOf(path);
    const std::string name = c.asPath ? path : NameOfPath(path);
    const std::time_t before = std::time(nullptr);
    const TrashedItem t = MoveToTrash(c.asPath ? AT_FDCWD : dir.Get(), name.c_str(), path);
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(t.trash, home + "/files/" + c.entry);
    EXPECT_EQ(t.info, home + "/info/" + c.entry + ".trashinfo");
    EXPECT_FALSE(test::TempTree::Exists(path));
    EXPECT_EQ(test::LStat(t.trash).st_ino, ino);
    const test::TrashInfo info = test::ReadTrashInfo(t.info);
    EXPECT_EQ(info.origin, path);
    EXPECT_GE(info.deleted, before);
    EXPECT_LE(info.deleted, after);
  }
  for (const char* folder : {"", "/files", "/info"}) EXPECT_EQ(test::LStat(home + folder).st_mode & 07777, 0700u);
}

// One run's trashes stay open from item to item, yet each item still lands in the trash its moment asks for: a
// trash removed meanwhile is made again, and a new XDG_DATA_HOME gives the new home trash.
TEST(Trash, KeptOpenTrashesFollowChangesBetweenItems) {
  test::TempTree tree;
  test::EnvironmentScope env;
  struct Case {
    const char* data;       // XDG_DATA_HOME for this item, under the scratch folder
    bool removeTrashFirst;  // the trash of the item before is removed before this item goes
  };
  const Case cases[] = {{"one", false}, {"one", false}, {"one", true}, {"two", false}, {"one", false}};
  TrashCans cans;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    const std::string item = tree.File("items/f" + std::to_string(n++), "x");
    if (c.removeTrashFirst) test::RemoveTree(tree / c.data);
    env.Set("XDG_DATA_HOME", (tree / c.data).c_str());
    UniqueFd dir = OpenHolderOf(item);
    const TrashedItem t = cans.Move(dir.Get(), NameOfPath(item).c_str(), item);
    EXPECT_EQ(t.trash, tree / c.data + "/Trash/files/" + NameOfPath(item));
    EXPECT_TRUE(test::TempTree::Exists(t.trash));
    EXPECT_EQ(test::ReadTrashInfo(t.info).origin, item);
  }
}

// An item on another file system than the home trash, whose mount top the user may not write (the test never
// makes a trash outside its own folders): it fails with the clear error and stays, and nothing is copied.
TEST(Trash, AnItemWithoutAUsableTrashStaysWhereItIs) {
  test::TempTree tree;
  const std::string item = tree.File("mine/x.txt", "mine");
  test::HandOver(tree, tree / "mine");
  struct stat shm, disk = test::LStat(tree.Root());
  if (::stat("/dev/shm", &shm) != 0 || shm.st_dev == disk.st_dev) GTEST_SKIP() << "no second file system";
  const std::string result = test::InChild(
      tree.Root(),
      [&]() -> std::string {
        // The mount top of the item, as the trash finds it.
        std::string top = tree.Root();
        for (struct stat up; top != "/" && ::stat(ParentOfPath(top).c_str(), &up) == 0 && up.st_dev == disk.st_dev;)
          top = ParentOfPath(top);
        if (::access(top.c_str(), W_OK) == 0) return "skip: " + top + " may be written";
        char data[] = "/dev/shm/dvtest-XXXXXX";
        if (!::mkdtemp(data)) return "no scratch folder on /dev/shm";
        ::setenv("XDG_DATA_HOME", data, 1);
        UniqueFd dir = OpenHolderOf(item);
        const std::string outcome = test::Outcome([&] { MoveToTrash(dir.Get(), "x.txt", item); });
        const std::string left = test::Listing(data) + "|" + test::Listing(tree / "mine");
        test::RemoveTree(data);
        // The error's number and first words, the item named; then what the two folders hold.
        return outcome.substr(0, outcome.find(": ")) + (test::Contains(outcome, item) ? "" : " (unnamed)") + "|" + left;
      },
      true);
  if (result.rfind("skip", 0) == 0) GTEST_SKIP() << result;
  EXPECT_EQ(result, "50001 No trash can be used on this device||x.txt");
}

}  // namespace
}  // namespace dv
