// Delete with empty folders, a link swapped in during a delete, empty shells, attributes and dates.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "fileops_fixture.h"

namespace dv::test {
namespace {

// Deleting files and empty folders walks the list from its end: with every file matched the whole tree goes,
// the source folder last; folders still holding a file the filter left out stay and nothing is said of them;
// with folders alone the list runs top down, so only folders that were empty already go.
TEST_F(FileOpsTest, DeleteTakesEmptiedFoldersDeepestFirst) {
  struct Case {
    const char* label;
    Gathering gather;
    std::string extensions;
    Strings lines;
    std::string left;
  };
  const std::vector<Case> cases = {
      {"all", Gathering::FilesAndFolders, "",
       {"Success: T/all/sub/deeper/c.txt", "Success: T/all/sub/deeper", "Success: T/all/sub/b.log",
        "Success: T/all/sub", "Success: T/all/empty", "Success: T/all/a.txt", "Success: T/all"},
       "<gone>"},
      {"filtered", Gathering::FilesAndFolders, "*.txt",
       {"Success: T/filtered/sub/deeper/c.txt", "Success: T/filtered/sub/deeper", "Success: T/filtered/empty",
        "Success: T/filtered/a.txt"},
       "sub/\nsub/b.log = b\n"},
      {"folders", Gathering::Folders, "", {"Success: T/folders/empty", "Success: T/folders/sub/deeper/inner"},
       "a.txt = a\nsub/\nsub/b.log = b\nsub/deeper/\nsub/deeper/c.txt = c\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string top = c.label;
    tree.File(top + "/a.txt", "a");
    tree.File(top + "/sub/b.log", "b");
    tree.File(top + "/sub/deeper/c.txt", "c");
    tree.Dir(top + "/empty");
    if (c.gather == Gathering::Folders) tree.Dir(top + "/sub/deeper/inner");
    Paths(tree / top);
    ops.FileOperation(FileOp::Delete);
    ops.DeleteSettings(1);
    ops.Process_Files_Folders_Both(c.gather);
    std::string extensions = c.extensions;
    ops.scFileOperations().ExtensionRestrict(extensions, extensions.empty() ? 0 : 1);
    Run();
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(TempTree::Exists(tree / top) ? TreeListing(tree / top) : "<gone>", c.left);
    EXPECT_EQ(events.errors, Strings{});
  }
}

// A folder swapped for a link to elsewhere after the gathering: the delete fails for the files below it and
// never reaches through the link.
TEST_F(FileOpsTest, ALinkSwappedInDuringADeleteIsNotFollowed) {
  tree.File("src/sub/victim.txt", "mine");
  tree.File("outside/victim.txt", "not mine");
  const auto swapped = AfterGathering([&] {
    ASSERT_EQ(::rename((tree / "src/sub").c_str(), (tree / "moved").c_str()), 0);
    tree.Link("src/sub", "../outside");
  });
  Paths(tree / "src");
  ops.FileOperation(FileOp::Delete);
  ops.Process_Files_Folders_Both(Gathering::Files);
  Run();
  EXPECT_TRUE(*swapped);
  EXPECT_EQ(Lines(), (Strings{"Failure: T/src/sub/victim.txt"}));
  EXPECT_EQ(events.errors, (Strings{"cfo:8C 3 Deleting at or near file victim.txt [75]"}));
  EXPECT_EQ(TreeListing(tree / "outside"), "victim.txt = not mine\n");
}

// Items changed after the gathering: a file gone is a skipped source, a folder in a file's place is an error of the
// driver and stays, another file in a file's place goes.
TEST_F(FileOpsTest, ADeleteSaysWhatChangedSinceTheGathering) {
  tree.File("src/gone.txt", "g");
  tree.File("src/now_folder.txt", "f");
  tree.File("src/replaced.txt", "r");
  const auto changed = AfterGathering([&] {
    ASSERT_EQ(::unlink((tree / "src/gone.txt").c_str()), 0);
    ASSERT_EQ(::unlink((tree / "src/now_folder.txt").c_str()), 0);
    tree.Dir("src/now_folder.txt");
    ASSERT_EQ(::unlink((tree / "src/replaced.txt").c_str()), 0);
    tree.File("src/replaced.txt", "new");
  });
  Paths(tree / "src");
  ops.FileOperation(FileOp::Delete);
  ops.DeleteSettings(1);
  Run();
  EXPECT_TRUE(*changed);
  EXPECT_EQ(Lines(),
            (Strings{"Success: T/src/replaced.txt", "Source Does not exist - Skipping Processing for: T/src/gone.txt"}));
  EXPECT_EQ(events.errors, (Strings{"cfo:9E 2 >>Error Processing File & Folder Array at -" + tree.Root() +
                                    "/src/now_folder.txt [75]"}));
  EXPECT_EQ(TreeListing(tree / "src"), "now_folder.txt/\n");
  EXPECT_TRUE(ops.AnItemFailed());
}

// Shells: each mirrored folder made first, an empty file for each file, an existing target left untouched with
// nothing recorded.
TEST_F(FileOpsTest, EmptyShellsLeaveExistingTargetsAlone) {
  tree.File("src/a.txt", "content");
  tree.File("src/sub/b.txt", "more");
  tree.File("dst/a.txt", "existing");
  Paths(tree / "src", tree / "dst");
  ops.FileOperation(FileOp::EmptyShells);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/src/sub", "Success: T/src/sub/b.txt"}));
  EXPECT_EQ(TreeListing(tree / "dst"), "a.txt = existing\nsub/\nsub/b.txt = \n");
}

// New attributes are (current OR added) AND NOT removed; a link cannot keep stored bits and fails clearly.
TEST_F(FileOpsTest, AttributesAddThenRemove) {
  struct Case {
    const char* name;
    mode_t mode;
    long add, remove;
    long expected;  // -1: the item fails
  };
  const std::vector<Case> cases = {
      {"both.txt", 0444, attr::ReadOnly, attr::ReadOnly, 0},
      {"readonly.txt", 0644, attr::ReadOnly, 0, attr::ReadOnly},
      {"stored.txt", 0644, attr::Hidden | attr::Archive | attr::System, attr::System, attr::Hidden | attr::Archive},
      {"locked.txt", 0444, attr::Archive, 0, attr::ReadOnly | attr::Archive},
      {"link", 0, attr::Hidden, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events.errors.clear();
    const std::string dir = tree.Dir(std::string("attr-") + c.name);
    std::string path;
    if (c.mode) ::chmod((path = tree.File(std::string("attr-") + c.name + "/" + c.name, "x")).c_str(), c.mode);
    else path = tree.Link(std::string("attr-") + c.name + "/" + c.name, "nowhere");
    Paths(dir);
    ops.FileOperation(FileOp::Attributes);
    ops.AddAttributeSettings(c.add);
    ops.RemoveAttributeSettings(c.remove);
    Run();
    if (c.expected < 0) {
      EXPECT_EQ(Lines(), Strings{"Failure: " + Shown(path, tree.Root())});
      EXPECT_EQ(events.errors, Strings{std::string("cfo:8G 3 Changing attribute at or near file ") + c.name + " [70]"});
    } else {
      EXPECT_EQ(Lines(), Strings{"Success: " + Shown(path, tree.Root())});
      EXPECT_EQ(File::At(path).Attributes(), c.expected);
    }
  }
}

// A date is turned into UTC with the offset in force on that date (winter and summer alike, whatever today is);
// the time goes on the item itself, a link included; the created date cannot be set and fails clearly, changing
// nothing.
TEST_F(FileOpsTest, DatesUseTheOffsetOfThatDateAndActOnTheItemItself) {
  test::LocalZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  const int64_t jan15noonUtc = 1768478400;  // 2026-01-15 12:00:00 UTC
  const int64_t jul15noonUtc = 1784116800;  // 2026-07-15 12:00:00 UTC
  struct Case {
    FileOp operation;
    LocalTime when;
    int64_t modified, accessed;  // expected afterwards on both the file and the link
    bool fails;
  };
  const std::vector<Case> cases = {
      {FileOp::ModifiedDate, {2026, 1, 15, 12, 0, 0}, jan15noonUtc - 3600, 1000, false},
      {FileOp::ModifiedDate, {2026, 7, 15, 12, 0, 0}, jul15noonUtc - 7200, 1000, false},
      {FileOp::AccessedDate, {2026, 1, 15, 0, 0, 0}, 2000, jan15noonUtc - 13 * 3600, false},
      {FileOp::CreatedDate, {2026, 1, 15, 12, 0, 0}, 2000, 1000, true},
  };
  tree.File("dates/target.txt", "t");
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<long>(c.operation) * 100 + c.when.month);
    events.errors.clear();
    const std::string file = tree.File("dates/a.txt", "a");
    tree.SetTimes("dates/a.txt", 1000, 2000);
    ::unlink((tree / "dates/link").c_str());
    tree.Link("dates/link", "target.txt");
    tree.SetTimes("dates/link", 1000, 2000);
    tree.SetTimes("dates/target.txt", 5000, 6000);
    Paths(tree / "dates");
    ops.FileOperation(c.operation);
    ops.FileDateChangeSettings(c.when);
    ops.LoadMultipleFileArray({"a.txt", "link"});
    Run();
    const char* outcome = c.fails ? "Failure: " : "Success: ";
    EXPECT_EQ(Lines(), (Strings{outcome + std::string("T/dates/a.txt"), outcome + std::string("T/dates/link")}));
    for (const char* item : {"dates/a.txt", "dates/link"}) {
      struct stat st = LStat(tree / item);
      EXPECT_EQ(st.st_mtime, c.modified) << item;
      EXPECT_EQ(st.st_atime, c.accessed) << item;
    }
    EXPECT_EQ(LStat(tree / "dates/target.txt").st_mtime, 6000);
    if (c.fails)
      EXPECT_EQ(events.errors, (Strings{"cfo:8K 3 Changing file date at or near file a.txt [75]",
                                        "cfo:8K 3 Changing file date at or near file link [75]"}));
    else
      EXPECT_EQ(events.errors, Strings{});
  }
}

}  // namespace
}  // namespace dv::test
