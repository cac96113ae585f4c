// Undo: journal lines written here (links, attributes set back exactly) and every operation run through the engine
// are reversed back to the tree before the run, byte for byte; an item changed since the run is skipped, reported
// and left as it is; a killed run is undone as far as its journal went; an undo can be undone in turn.
#include "fileops_engine/undo_operation.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>
#include <regex>

#include "fileops_engine/fileops_fixture.h"
#include "fileops_engine/operation_setup.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv::test {
namespace {

using D = JournalItem::Do;

ItemId Id(const std::string& path) { return IdentityAt(AT_FDCWD, path.c_str(), path); }

// The tree's snapshot without the folders' times (removing what a run made inside a folder moves its time, and
// nothing can set it back truthfully) and the links' access times (reading a link, as the snapshot does, moves it).
std::string Tree(const std::string& root) {
  static const std::regex folderTimes(R"(( mode=16\d+) m=\S+ a=\S+)"), linkAccess(R"(( mode=41\d+ m=\S+) a=\S+)");
  return std::regex_replace(std::regex_replace(Snapshot(root), folderTimes, "$1"), linkAccess, "$1");
}

// The same without access times, for runs through the engine: a copy reads its sources, which moves theirs.
std::string Contents(const std::string& root) {
  static const std::regex access(R"( a=\S+)");
  return std::regex_replace(Tree(root), access, "");
}

JournalItem Item(D what, const std::string& path, ItemId id = {}) {
  JournalItem i;
  i.what = what;
  i.path = path;
  i.id = id;
  return i;
}

// The item at `path` as it is now (made by the call that gives `path`).
JournalItem Left(D what, const std::string& path) { return Item(what, path, Id(path)); }

JournalItem Move(D what, const std::string& from, const std::string& to) {
  JournalItem i = Item(what, "", Id(to));
  i.from = from;
  i.to = to;
  return i;
}

// A run done by hand, as the engine journals it: the tree is changed and each change added to the journal.
using RunFn = std::function<void(TempTree&, JournalWriter&)>;

struct UndoFixture : ::testing::Test {
  TempTree tree;
  std::string work = tree.Dir("work"), data = tree.Dir("data");
  EnvironmentScope env;
  void SetUp() override {
    env.Set("XDG_DATA_HOME", data.c_str());
    tree.File("work/a.txt", "alpha");
    tree.File("work/sub/b.txt", "beta");
    tree.Dir("work/empty");
    tree.SetTimes("work/a.txt", 1000000000, 1100000000);
    ASSERT_EQ(::setxattr((work + "/a.txt").c_str(), "user.tag", "old", 3, 0), 0);
  }
  Journal Journaled(const RunFn& run) {
    JournalHeader h;
    h.operation = "Test";
    h.source = work;
    auto writer = JournalWriter::Start(DefaultJournalFolder(), h);
    run(tree, *writer);
    writer->End("completed", 1);
    const std::string file = DefaultJournalFolder() + "/" + writer->Header().run + ".jsonl";
    writer.reset();
    return ReadJournal(file);
  }
  // The results lines, the work folder left out.
  std::string Results(const UndoResult& r) {
    std::string out;
    for (std::string line : r.lines) out += line.replace(line.find(work), work.size(), "") + "\n";
    return out;
  }
};

struct Case {
  const char* name;
  RunFn run;
  std::string lines;  // the results, the work folder left out
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"created file and folder",
       [](TempTree& t, JournalWriter& j) {
         j.Add(Left(D::MadeFolder, t.Dir("work/new")));
         j.Add(Left(D::Created, t.File("work/new/c.txt", "gamma")));
         j.Add(Left(D::Created, t.Link("work/l", "a.txt")));
       },
       "Undone: /l\nUndone: /new/c.txt\nUndone: /new\n"},
      {"replaced by a new file",
       [](TempTree& t, JournalWriter& j) {
         UniqueFd dir(::open((t / "work").c_str(), O_PATH | O_DIRECTORY));
         auto [kept, keptId] = j.Keep(dir.Get(), "a.txt", t / "work/a.txt");
         t.File("work/a.new", "rewritten");
         ASSERT_EQ(::rename((t / "work/a.new").c_str(), (t / "work/a.txt").c_str()), 0);
         JournalItem i = Item(D::Replaced, t / "work/a.txt", Id(t / "work/a.txt"));
         i.kept = kept;
         i.keptId = keptId;
         j.Add(i);
       },
       "Undone: /a.txt\n"},
      {"attributes and times",
       [](TempTree& t, JournalWriter& j) {
         const std::string a = t / "work/a.txt";
         JournalItem i = Item(D::Attributes, a);
         i.oldMode = 0644;
         i.oldAttributes = {{"user.tag", "old"}};
         ASSERT_EQ(::setxattr(a.c_str(), "user.tag", "new", 3, 0), 0);
         ASSERT_EQ(::setxattr(a.c_str(), "user.more", "x", 1, 0), 0);
         ASSERT_EQ(::chmod(a.c_str(), 0400), 0);
         i.id = Id(a);
         j.Add(i);
         JournalItem times = Item(D::Times, a);
         times.oldAccessed = {1000000000, 0};
         times.oldModified = {1100000000, 0};
         t.SetTimes("work/a.txt", 5, 6);
         times.id = Id(a);
         j.Add(times);
       },
       "Undone: /a.txt\nUndone: /a.txt\n"},
  };
  return cases;
}

TEST_F(UndoFixture, EveryKindOfItemIsReversedToTheTreeBefore) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const std::string before = Tree(work);
    const Journal journal = Journaled(c.run);
    const UndoResult r = UndoJournal(journal, DefaultJournalFolder(), {});
    EXPECT_EQ(Results(r), c.lines);
    EXPECT_EQ(Tree(work), before);
  }
}

// After the run, something changes an item the run left (or takes a name undo would give back): that item is
// skipped and reported, and the tree stays exactly as the change left it.
TEST_F(UndoFixture, AnItemChangedSinceTheRunIsSkippedAndLeftAlone) {
  struct Change {
    const char* name;
    RunFn run;
    std::function<void(TempTree&)> change;
    const char* line;
  };
  const std::vector<Change> changes = {
      {"created file's folder gone",
       [](TempTree& t, JournalWriter& j) { j.Add(Left(D::Created, t.File("work/gone/c.txt", "c"))); },
       [](TempTree& t) { RemoveTree(t / "work/gone"); }, "Skipped (changed since): /gone/c.txt"},
      {"created file rewritten",
       [](TempTree& t, JournalWriter& j) { j.Add(Left(D::Created, t.File("work/c.txt", "c"))); },
       [](TempTree& t) { t.File("work/c.txt", "someone's work"); }, "Skipped (changed since): /c.txt"},
      {"rename's old name taken",
       [](TempTree& t, JournalWriter& j) {
         ASSERT_EQ(::rename((t / "work/a.txt").c_str(), (t / "work/z.txt").c_str()), 0);
         j.Add(Move(D::Renamed, t / "work/a.txt", t / "work/z.txt"));
       },
       [](TempTree& t) { t.File("work/a.txt", "new a"); }, "Skipped (changed since): /a.txt"},
      {"renamed item replaced by a link",
       [](TempTree& t, JournalWriter& j) {
         ASSERT_EQ(::rename((t / "work/a.txt").c_str(), (t / "work/z.txt").c_str()), 0);
         j.Add(Move(D::Renamed, t / "work/a.txt", t / "work/z.txt"));
       },
       [](TempTree& t) {
         ::unlink((t / "work/z.txt").c_str());
         t.Link("work/z.txt", "sub/b.txt");
       },
       "Skipped (changed since): /a.txt"},
      {"made folder now holds a file",
       [](TempTree& t, JournalWriter& j) { j.Add(Left(D::MadeFolder, t.Dir("work/n"))); },
       [](TempTree& t) { t.File("work/n/keep.txt", "k"); }, "Skipped (changed since): /n"},
      {"removed folder's name taken",
       [](TempTree& t, JournalWriter& j) {
         ASSERT_EQ(::rmdir((t / "work/empty").c_str()), 0);
         j.Add(Item(D::RemovedFolder, t / "work/empty"));
       },
       [](TempTree& t) { t.File("work/empty", "a file now"); }, "Skipped (changed since): /empty"},
      {"folder on the way swapped for a link",
       [](TempTree& t, JournalWriter& j) { j.Add(Left(D::Created, t.File("work/sub/c.txt", "c"))); },
       [](TempTree& t) {
         ASSERT_EQ(::rename((t / "work/sub").c_str(), (t / "work/real").c_str()), 0);
         t.Link("work/sub", "real");
       },
       "Failure: /sub/c.txt"},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.name);
    const Journal journal = Journaled(c.run);
    c.change(tree);
    const std::string changed = Tree(work);
    const UndoResult r = UndoJournal(journal, DefaultJournalFolder(), {});
    EXPECT_EQ(Results(r), std::string(c.line) + "\n");
    EXPECT_EQ(Tree(work), changed);
    // Nothing was undone: the undo leaves no journal, and the run is still the one to undo.
    EXPECT_EQ(r.undoRun, "");
    const std::vector<RunListing> runs = ListRuns(DefaultJournalFolder());
    ASSERT_NE(LastRunToUndo(runs), nullptr);
    EXPECT_EQ(LastRunToUndo(runs)->journal.header.run, journal.header.run);
    RemoveTree(work);  // the next change starts from the tree as it was
    tree.Dir("work");
    SetUp();
  }
}

TEST_F(UndoFixture, AnUndoIsJournaledAndCanBeUndoneInTurn) {
  const Journal run = Journaled([](TempTree& t, JournalWriter& j) {
    Cases()[0].run(t, j);
    Cases()[1].run(t, j);
    j.Add(Item(D::Deleted, t / "work/gone.txt"));
  });
  const std::string after = Tree(work);
  const UndoResult first = UndoJournal(run, DefaultJournalFolder(), {});
  EXPECT_EQ(Results(first),
            "Skipped (cannot be undone): /gone.txt\nUndone: /a.txt\nUndone: /l\nUndone: /new/c.txt\n"
            "Undone: /new\n");
  std::vector<RunListing> runs = ListRuns(DefaultJournalFolder());
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].journal.header.undoOf, run.header.run);
  EXPECT_TRUE(runs[1].undone);
  EXPECT_EQ(LastRunToUndo(runs), nullptr);

  const UndoResult second = UndoJournal(runs[0].journal, DefaultJournalFolder(), {});
  EXPECT_EQ(second.undone, 4);
  EXPECT_EQ(Tree(work), after);
  runs = ListRuns(DefaultJournalFolder());
  EXPECT_FALSE(runs[2].undone);                 // the undo was undone: the run stands again
  EXPECT_EQ(UndoStateText(runs[2]), "partly");  // it holds a delete
}

// Each operation run through the engine, then undone: the tree is the tree before, byte for byte.
class UndoRunTest : public FileOpsTest {
 protected:
  EnvironmentScope env;
  std::string work = tree.Dir("work"), src = tree.Dir("work/src"), dst = tree.Dir("work/dst");
  void SetUp() override {
    FileOpsTest::SetUp();
    env.Set("XDG_DATA_HOME", (tree / "data").c_str());
    ops.JournalFolder(DefaultJournalFolder());
    tree.File("work/src/a.txt", "alpha old");
    tree.File("work/src/deep/b.txt", "beta old");
    tree.Dir("work/src/empty");
    tree.File("work/dst/a.txt", "in the way");
    tree.SetTimes("work/src/a.txt", 1000000000, 1100000000);
    ASSERT_EQ(::setxattr((src + "/a.txt").c_str(), "user.tag", "old", 3, 0), 0);
  }
  // The newest run's journal: the list's first, and the engine's own.
  Journal Last() {
    const std::vector<RunListing> runs = ListRuns(DefaultJournalFolder());
    EXPECT_EQ(runs.at(0).journal.file, ops.LastJournal());
    return runs.at(0).journal;
  }
};

TEST_F(UndoRunTest, EveryOperationUndoneGivesTheTreeBefore) {
  struct Op {
    const char* name;
    std::function<void(clsFileOps&)> set;
    bool destination;
    bool runs = false;  // `set` runs the operation itself
    const char* below = "";  // the destination: this far below dst, made by the run
    std::function<void()> prepare = {};  // a change to the tree before the run
  };
  const std::vector<Op> operations = {
      {"copy over a file",
       [](clsFileOps& o) {
         o.FileOperation(FileOp::Copy), o.CopyOp_CopyDirectoryStructure(true), o.CopyOp_CopyEmptyDirs(true),
             o.OverwriteFiles(true);
       },
       true},
      {"copy into folders it makes",
       [&](clsFileOps& o) {
         prompter.DefaultAnswer(Answer::Yes);  // "Create folder?"
         o.FileOperation(FileOp::Copy), o.CopyOp_CopyDirectoryStructure(true);
       },
       true, false, "/new/deeper"},
      {"move",
       [](clsFileOps& o) {
         o.FileOperation(FileOp::Move), o.CopyOp_CopyDirectoryStructure(true), o.CopyOp_CopyEmptyDirs(true);
       },
       true},
      {"shells", [](clsFileOps& o) { o.FileOperation(FileOp::EmptyShells); }, true},
      {"rename", [](clsFileOps& o) { o.FileOperation(FileOp::Rename), o.RenameSettings("a|b", "z", 2, 32000); }, false},
      {"attributes",
       [](clsFileOps& o) {
         o.FileOperation(FileOp::Attributes), o.AddAttributeSettings(attr::ReadOnly | attr::Hidden);
       },
       false},
      {"modified date",
       [](clsFileOps& o) {
         o.FileOperation(FileOp::ModifiedDate), o.FileDateChangeSettings({2020, 5, 6, 7, 8, 9});
       },
       false},
      {"find and replace",
       [](clsFileOps& o) {
         o.FileOperation(FileOp::FindReplace), o.Process_Files_Folders_Both(Gathering::FilesAndFolders),
             o.FindAndReplaceSettings("old", "new", true, 0, ".TXT");
       },
       false},
      {"copy over a read-only file",
       [](clsFileOps& o) {
         o.FileOperation(FileOp::Copy), o.CopyOp_CopyDirectoryStructure(true), o.OverwriteFiles(true);
       },
       true, false, "", [&] { ASSERT_EQ(::chmod((dst + "/a.txt").c_str(), 0444), 0); }},
      {"delete to the trash",
       [&](clsFileOps& o) {
         OperationChoices c;
         c.operation = FileOp::Delete;
         c.source = src;
         c.deleteEmptyFolders = c.toTrash = true;
         prompter.DefaultAnswer(Answer::Yes);
         const PreparedOperation p = PrepareOperation(c, prompter);
         o.ProcessOperation(p.settings, p.source);
       },
       false, true},
      {"delete", [](clsFileOps& o) { o.FileOperation(FileOp::Delete); }, false},
  };
  for (const Op& op : operations) {
    SCOPED_TRACE(op.name);
    if (op.prepare) op.prepare();
    const std::string before = Contents(work);
    const ino_t inode = LStat(src + "/a.txt").st_ino;
    Paths(src, op.destination ? dst + op.below : "");
    op.set(ops);
    if (!op.runs) Run();
    ASSERT_NE(Contents(work), before);
    const UndoResult r = UndoJournal(Last(), DefaultJournalFolder(), {});
    EXPECT_EQ(r.failed + r.changed, 0) << ::testing::PrintToString(r.lines);
    if (r.notUndoable) continue;  // a delete: the rest is undone, what was deleted is gone
    EXPECT_EQ(Contents(work), before);
    EXPECT_EQ(LStat(src + "/a.txt").st_ino, inode);  // the user's own file, not a copy of it
    EXPECT_FALSE(TempTree::Exists(tree / "data/Trash/info") && !std::filesystem::is_empty(tree / "data/Trash/info"));
  }
}

// A run killed part-way leaves its journal up to the kill; the undo reverses what was done and nothing else.
TEST_F(UndoRunTest, ARunKilledPartWayIsUndoneAsFarAsItWent) {
  for (int i = 0; i < 6; ++i) tree.File("work/src/many/f" + std::to_string(i) + ".txt", "x");
  const std::string before = Contents(work);
  Paths(src, dst);
  ops.FileOperation(FileOp::Copy);
  ops.CopyOp_CopyDirectoryStructure(true);
  // The journal goes out when an item is added 200 ms or more after the last write: a pause at one check makes
  // the next item take everything done to the disk; the kill comes at the check after it (of 16 in all).
  events.onCheck = [](int n) {
    if (n == 10) ::usleep(250000);
    if (n == 11) ::raise(SIGKILL);
  };
  EXPECT_EQ(InChild(tree.Root(),
                    [&] {
                      Run();
                      return std::string("finished");
                    }),
            "child crashed");
  const Journal journal = ListRuns(DefaultJournalFolder()).at(0).journal;
  EXPECT_FALSE(journal.end);
  EXPECT_GT(journal.items.size(), 0u);
  const UndoResult r = UndoJournal(journal, DefaultJournalFolder(), {});
  EXPECT_EQ(r.undone, static_cast<long>(r.lines.size())) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(Contents(work), before);
}

}  // namespace
}  // namespace dv::test
