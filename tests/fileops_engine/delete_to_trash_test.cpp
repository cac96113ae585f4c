// Delete to the trash through the engine: every item the delete takes, emptied folders included, is renamed into
// the home trash (the same inode, nothing unlinked) and named by an info file that restores it.
#include <map>

#include "fileops_engine/operation_setup.h"
#include "fileops_fixture.h"
#include "support/trash_check.h"

namespace dv::test {
namespace {

TEST_F(FileOpsTest, DeleteToTheTrashRenamesEveryItemIntoIt) {
  EnvironmentScope env;
  env.Set("XDG_DATA_HOME", tree.Dir("data").c_str());
  tree.File("all/a.txt", "a");
  tree.File("all/sub/deeper/c.txt", "c");
  tree.Dir("all/empty");
  std::map<std::string, ino_t> inodes;  // every item as it was
  for (const std::string rel : {"", "/a.txt", "/sub", "/sub/deeper", "/sub/deeper/c.txt", "/empty"})
    inodes[tree / "all" + rel] = LStat(tree / "all" + rel).st_ino;
  OperationChoices choices;
  choices.operation = FileOp::Delete;
  choices.source = tree / "all";
  choices.deleteEmptyFolders = choices.toTrash = true;
  prompter.DefaultAnswer(Answer::Yes);
  const PreparedOperation prepared = PrepareOperation(choices, prompter);
  ops.ProcessOperation(prepared.settings, prepared.source);
  EXPECT_EQ(Lines(), (Strings{"Success: T/all/sub/deeper/c.txt", "Success: T/all/sub/deeper", "Success: T/all/sub",
                              "Success: T/all/empty", "Success: T/all/a.txt", "Success: T/all"}));
  EXPECT_FALSE(TempTree::Exists(tree / "all"));
  std::map<std::string, ino_t> trashed;  // the info files' items, found by the names they give
  for (const auto& info : std::filesystem::directory_iterator(tree / "data/Trash/info"))
    trashed[ReadTrashInfo(info.path().string()).origin] =
        LStat(tree / "data/Trash/files/" + info.path().stem().string()).st_ino;
  EXPECT_EQ(trashed, inodes);
}

}  // namespace
}  // namespace dv::test
