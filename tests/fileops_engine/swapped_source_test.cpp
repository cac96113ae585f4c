// A source folder swapped for a link to a folder outside the tree between gathering and processing: every
// per-item operation fails for the items below it, with a clear error, and leaves the outside folder exactly as
// it was (contents, modes, times, user attributes, no temporary file).
#include <sys/stat.h>
#include <sys/xattr.h>

#include "fileops_fixture.h"

namespace dv::test {
namespace {

struct SwapCase {
  const char* name;
  FileOp operation;
  std::function<void(clsFileOps&)> settings;
  const char* error;  // the item's error event
};

TEST_F(FileOpsTest, AFolderSwappedForALinkLeadsNoOperationOutOfTheTree) {
  const std::vector<SwapCase> cases = {
      {"attributes", FileOp::Attributes,
       [](clsFileOps& o) {
         o.AddAttributeSettings(attr::ReadOnly | attr::Hidden);
         o.RemoveAttributeSettings(0);
       },
       "cfo:8G 3 Changing attribute at or near file victim.txt [75]"},
      {"modified", FileOp::ModifiedDate, [](clsFileOps& o) { o.FileDateChangeSettings({2001, 2, 3, 4, 5, 6}); },
       "cfo:8K 3 Changing file date at or near file victim.txt [75]"},
      {"accessed", FileOp::AccessedDate, [](clsFileOps& o) { o.FileDateChangeSettings({2001, 2, 3, 4, 5, 6}); },
       "cfo:8K 3 Changing file date at or near file victim.txt [75]"},
      {"replace", FileOp::FindReplace, [](clsFileOps& o) { o.FindAndReplaceSettings("old", "new", true, 1, ""); },
       "cfo:8M 3 Finding & Replacing Text at or near file victim.txt [75]"},
      {"rename", FileOp::Rename, [](clsFileOps& o) { o.RenameSettings("victim", "renamed", 2, 32000); },
       "cfo:8N 3 Renaming a file at or near file victim.txt [75]"},
      {"delete", FileOp::Delete, [](clsFileOps& o) { o.DeleteSettings(0); },
       "cfo:8C 3 Deleting at or near file victim.txt [75]"},
  };
  for (const SwapCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string rel = std::string("case-") + c.name;
    tree.File(rel + "/src/sub/victim.txt", "old text");
    const std::string outside = tree.Dir(rel + "/outside");
    const std::string victim = tree.File(rel + "/outside/victim.txt", "old text");
    ::chmod(victim.c_str(), 0640);
    ::setxattr(victim.c_str(), "user.note", "kept", 4, 0);
    tree.SetTimes(rel + "/outside/victim.txt", 1000000000, 1100000000);
    const std::string before = Snapshot(outside);

    bool swapped = false;
    events.errors.clear();
    events.progress.clear();
    events.onCheck = [&](int) {
      const bool processing = std::find(events.progress.begin(), events.progress.end(), "Processing Operation...") !=
                              events.progress.end();
      if (!processing || swapped) return;
      swapped = true;
      ASSERT_EQ(::rename((tree / rel + "/src/sub").c_str(), (tree / rel + "/moved").c_str()), 0);
      tree.Link(rel + "/src/sub", "../outside");
    };
    Paths(tree / rel + "/src");
    ops.FileOperation(c.operation);
    c.settings(ops);
    ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
    Run();
    events.onCheck = nullptr;

    EXPECT_TRUE(swapped);
    EXPECT_EQ(Lines(), Strings{"Failure: T/" + rel + "/src/sub/victim.txt"});
    // The folder itself is no folder any more when its turn comes; its file fails in its own step.
    Strings errors;
    for (const std::string& e : events.errors) errors.push_back(Shown(e, tree.Root()));
    std::sort(errors.begin(), errors.end());
    EXPECT_EQ(errors,
              (Strings{c.error, "cfo:9E 2 >>Error Processing File & Folder Array at -T/" + rel + "/src/sub [76]"}));
    EXPECT_EQ(Snapshot(outside), before);
  }
}

}  // namespace
}  // namespace dv::test
