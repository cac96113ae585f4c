// Delete to the trash through the engine: every item the delete takes is renamed into the home trash, none is
// unlinked, and each can be restored from its info file.
#include <sys/stat.h>

#include <map>

#include "fileops_engine/operation_setup.h"
#include "fileops_fixture.h"
#include "support/trash_check.h"

namespace dv::test {
namespace {

TEST_F(FileOpsTest, DeleteToTheTrashRenamesEveryItemIntoIt) {
  struct Case {
    const char* top;
    bool emptyFolders;
    Strings lines;
    std::string left;  // what stays of the tree
  };
  const Case cases[] = {
      {"files",
       false,
       {"Success: T/files/sub/deeper/c.txt", "Success: T/files/sub/b.txt", "Success: T/files/a.txt"},
       "empty/\nsub/\nsub/deeper/\n"},
      {"all",
       true,
       {"Success: T/all/sub/deeper/c.txt", "Success: T/all/sub/deeper", "Success: T/all/sub/b.txt",
        "Success: T/all/sub", "Success: T/all/empty", "Success: T/all/a.txt", "Success: T/all"},
       "<gone>"},
  };
  EnvironmentScope env;
  env.Set("XDG_DATA_HOME", tree.Dir("data").c_str());
  const std::string trash = tree / "data/Trash";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.top);
    const std::string top = c.top;
    tree.File(top + "/a.txt", "a");
    tree.File(top + "/sub/b.txt", "b");
    tree.File(top + "/sub/deeper/c.txt", "c");
    tree.Dir(top + "/empty");
    std::map<std::string, ino_t> inodes;  // every item by its path, as it was
    for (const std::string rel : {"", "/a.txt", "/sub", "/sub/b.txt", "/sub/deeper", "/sub/deeper/c.txt", "/empty"})
      inodes[tree / top + rel] = LStat(tree / top + rel).st_ino;
    OperationChoices choices;
    choices.operation = FileOp::Delete;
    choices.source = tree / top;
    choices.deleteEmptyFolders = c.emptyFolders;
    choices.toTrash = true;
    prompter.DefaultAnswer(Answer::Yes);
    const PreparedOperation prepared = PrepareOperation(choices, prompter);
    ASSERT_TRUE(prepared.confirmed);
    ops.ProcessOperation(prepared.settings, prepared.source);
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(events.errors, Strings{});
    EXPECT_EQ(TempTree::Exists(tree / top) ? TreeListing(tree / top) : "<gone>", c.left);
    // Each line's item is in the trash as itself (the same inode), named by its info file.
    size_t found = 0;
    for (const auto& [path, ino] : inodes) {
      for (const auto& info : std::filesystem::directory_iterator(trash + "/info")) {
        if (ReadTrashInfo(info.path().string()).origin != path) continue;
        const std::string entry = info.path().stem().string();
        EXPECT_EQ(LStat(trash + "/files/" + entry).st_ino, ino) << path;
        ++found;
      }
    }
    EXPECT_EQ(found, c.lines.size());
  }
}

}  // namespace
}  // namespace dv::test
