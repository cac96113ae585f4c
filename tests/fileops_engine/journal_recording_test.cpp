// What a real run records in its journal: each operation's item lines, in the run's order, with the identity of
// what the run left; the old content a rewrite replaced, kept under its old inode; no journal for a preview.
#include <sys/stat.h>
#include <sys/xattr.h>

#include <functional>

#include "fileops_fixture.h"
#include "fileops_engine/journal.h"
#include "platform/item_info.h"

namespace dv::test {
namespace {

class JournalRecordingTest : public FileOpsTest {
 protected:
  // The journal's item lines, "do path" ("do from -> to"), the root shown as "T"; each identity is checked
  // against the item as it is now.
  Strings ItemLines(const Journal& j) {
    Strings out;
    for (const JournalItem& i : j.items) {
      static const char* kDo[] = {"created", "made_folder", "replaced",   "renamed", "moved",
                                  "attributes", "times",   "trashed", "deleted", "removed_folder"};
      const bool twoNames = i.what == JournalItem::Do::Renamed || i.what == JournalItem::Do::Moved;
      const std::string at = twoNames ? i.to : i.path;
      out.push_back(std::string(kDo[static_cast<int>(i.what)]) + " " +
                    Shown(twoNames ? i.from + " -> " + i.to : i.path, tree.Root()));
      if (i.what == JournalItem::Do::Deleted || i.what == JournalItem::Do::RemovedFolder) {
        EXPECT_FALSE(TempTree::Exists(at)) << at;
        continue;
      }
      EXPECT_TRUE(SameItem(i.id, IdentityAt(AT_FDCWD, at.c_str(), at))) << at;
      if (i.what == JournalItem::Do::Replaced)
        EXPECT_TRUE(SameItem(i.keptId, IdentityAt(AT_FDCWD, i.kept.c_str(), i.kept))) << i.kept;
    }
    return out;
  }
};

TEST_F(JournalRecordingTest, EachOperationRecordsWhatItDid) {
  struct Case {
    std::string label;
    std::function<void(const std::string& top)> setUp;  // the tree below `top` and the operation's settings
    Strings items;
    std::string extra;  // the kept file's content, attributes and times recorded
  };
  auto copyLike = [&](FileOp op, bool overwrite) {
    return [=, this](const std::string& top) {
      tree.File(top + "/src/a.txt", "new a");
      tree.File(top + "/src/sub/c.txt", "c");
      tree.File(top + "/dst/a.txt", "old a");
      Paths(tree / (top + "/src"), tree / (top + "/dst"));
      ops.FileOperation(op);
      ops.CopyOp_CopyDirectoryStructure(true);
      ops.OverwriteFiles(overwrite);
    };
  };
  const std::vector<Case> cases = {
      {"copy", copyLike(FileOp::Copy, true),
       {"replaced T/copy/dst/a.txt", "made_folder T/copy/dst/sub", "created T/copy/dst/sub/c.txt"},
       "kept: old a"},
      {"move", copyLike(FileOp::Move, false),
       {"made_folder T/move/dst/sub", "renamed T/move/src/sub/c.txt -> T/move/dst/sub/c.txt",
        "removed_folder T/move/src/sub"}},
      {"shells", [&](const std::string& top) {
         tree.File(top + "/src/sub/c.txt", "c");
         tree.Dir(top + "/dst");
         Paths(tree / (top + "/src"), tree / (top + "/dst"));
         ops.FileOperation(FileOp::EmptyShells);
       },
       {"made_folder T/shells/dst/sub", "created T/shells/dst/sub/c.txt"}},
      {"delete", [&](const std::string& top) {
         tree.File(top + "/src/sub/c.txt", "c");
         Paths(tree / (top + "/src/sub"));
         ops.FileOperation(FileOp::Delete);
         ops.DeleteSettings(1);
       },
       {"deleted T/delete/src/sub/c.txt", "removed_folder T/delete/src/sub"}},
      {"rename", [&](const std::string& top) {
         tree.File(top + "/old.txt", "x");
         Paths(tree / top);
         ops.FileOperation(FileOp::Rename);
         ops.RenameSettings("old", "new", 2, 32000);
       },
       {"renamed T/rename/old.txt -> T/rename/new.txt"}},
      {"attributes", [&](const std::string& top) {
         ::chmod(tree.File(top + "/f.txt", "x").c_str(), 0640);
         ::setxattr((tree / (top + "/f.txt")).c_str(), "user.note", "v\xff", 2, 0);
         Paths(tree / top);
         ops.FileOperation(FileOp::Attributes);
         ops.AddAttributeSettings(attr::ReadOnly | attr::Hidden);
       },
       {"attributes T/attributes/f.txt"}, "mode 640 user.note=v\xff"},
      {"dates", [&](const std::string& top) {
         tree.File(top + "/f.txt", "x");
         tree.SetTimes(top + "/f.txt", 1000, 2000);
         Paths(tree / top);
         ops.FileOperation(FileOp::ModifiedDate);
         ops.FileDateChangeSettings({2020, 5, 6, 7, 8, 9});
       },
       {"times T/dates/f.txt"}, "times 2000 1000"},
      {"replace", [&](const std::string& top) {
         tree.File(top + "/f.txt", "one two");
         Paths(tree / top);
         ops.FileOperation(FileOp::FindReplace);
         ops.FindAndReplaceSettings("one", "1", true, 1, "");
       },
       {"created T/replace/f_DVBU.txt", "replaced T/replace/f.txt"}, "kept: one two"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ops.JournalFolder(tree / ("journal-" + c.label));
    c.setUp(c.label);
    Run();
    ASSERT_FALSE(ops.LastJournal().empty());
    const Journal j = ReadJournal(ops.LastJournal());
    EXPECT_EQ(ItemLines(j), c.items);
    ASSERT_TRUE(j.end);
    EXPECT_EQ(j.end->how, "completed");
    EXPECT_EQ(j.end->items, static_cast<long>(c.items.size()));
    std::string extra;
    for (const JournalItem& i : j.items) {
      if (i.what == JournalItem::Do::Replaced) extra += "kept: " + TempTree::Read(i.kept);
      if (i.what == JournalItem::Do::Times)
        extra += "times " + std::to_string(i.oldModified.seconds) + " " + std::to_string(i.oldAccessed.seconds);
      if (i.what == JournalItem::Do::Attributes) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%lo", i.oldMode);
        extra += std::string("mode ") + mode;
        for (const auto& [name, value] : i.oldAttributes) extra += " " + name + "=" + value;
      }
    }
    EXPECT_EQ(extra, c.extra);
    EXPECT_EQ(events.errors, Strings{});
  }
}

// The rewrite replaces the file by a rename: the kept file is the old inode itself, with the old content.
TEST_F(JournalRecordingTest, FindAndReplaceKeepsTheOldInode) {
  const std::string file = tree.File("r/f.txt", "one two");
  struct stat before;
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  ops.JournalFolder(tree / "journal");
  Paths(tree / "r");
  ops.FileOperation(FileOp::FindReplace);
  ops.FindAndReplaceSettings("one", "1", false, 1, "");
  Run();
  const Journal j = ReadJournal(ops.LastJournal());
  ASSERT_EQ(j.items.size(), 1u);
  EXPECT_EQ(j.items[0].keptId.ino, before.st_ino);
  EXPECT_EQ(TempTree::Read(j.items[0].kept), "one two");
  EXPECT_EQ(TempTree::Read(file), "1 two");
}

// Undo is promised for every run: without a journal the run does not start.
TEST_F(JournalRecordingTest, AJournalThatCannotBeWrittenRefusesTheRun) {
  const std::string file = tree.File("r/old.txt", "x");
  ops.JournalFolder(tree.File("not-a-folder"));
  Paths(tree / "r");
  ops.FileOperation(FileOp::Rename);
  ops.RenameSettings("old", "new", 2, 32000);
  Run();
  EXPECT_TRUE(ops.Refused());
  EXPECT_TRUE(TempTree::Exists(file));
  ASSERT_EQ(Questions().size(), 1u);
  EXPECT_TRUE(Questions()[0].starts_with("Message|Dorvane|The undo journal cannot be written: ")) << Questions()[0];
  EXPECT_EQ(ops.LastJournal(), "");
}

TEST_F(JournalRecordingTest, PreviewsAndComparesWriteNoJournal) {
  tree.File("p/src/a.txt", "a");
  tree.Dir("p/dst");
  ops.JournalFolder(tree / "journal");
  for (bool compare : {false, true}) {
    Paths(tree / "p/src", tree / "p/dst");
    ops.FileOperation(compare ? FileOp::Compare : FileOp::Copy);
    ops.CopyOp_CopyDirectoryStructure(true);
    ops.PreviewOnly(!compare);
    Run();
    EXPECT_EQ(ops.LastJournal(), "");
  }
  EXPECT_EQ(JournalFiles(tree / "journal"), Strings{});
}

}  // namespace
}  // namespace dv::test
