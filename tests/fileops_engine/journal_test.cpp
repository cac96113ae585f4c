// The run journal: what is written reads back the same, a cut last line is dropped, kept files are links on the
// journal's file system and copies elsewhere, and old journals go with their kept files.
#include "fileops_engine/journal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/unique_fd.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace dv::test {
namespace {

ItemId Id(const std::string& path) { return IdentityAt(AT_FDCWD, path.c_str(), path); }

TEST(Journal, EveryLineKindReadsBackAsWritten) {
  TempTree tree;
  const std::string odd = tree / "a\xff\"b\nc";  // not UTF-8, a quote, a newline
  tree.File("f", "x");
  const ItemId id = Id(tree / "f");
  using D = JournalItem::Do;
  auto item = [&](D what) {
    JournalItem i;
    i.what = what;
    i.path = odd;
    i.id = id;
    return i;
  };
  std::vector<JournalItem> items;
  for (D d : {D::Created, D::MadeFolder, D::Replaced, D::Renamed, D::Moved, D::Attributes, D::Times, D::Trashed,
              D::Deleted, D::RemovedFolder}) {
    JournalItem i = item(d);
    if (d == D::Renamed || d == D::Moved) i.path.clear(), i.from = odd, i.to = tree / "t";
    if (d == D::Deleted || d == D::RemovedFolder) i.id = {};
    if (d == D::Replaced) i.kept = odd + "k", i.keptId = Id(tree.Root());
    if (d == D::Attributes) i.oldMode = 0640, i.oldAttributes = {{"user.a\xfe", std::string("v\0\xff", 3)}};
    if (d == D::Times) i.oldModified = {-5, 7}, i.oldAccessed = {1700000000, 999999999};
    if (d == D::Trashed) i.trash = odd + "t", i.info = tree / "i.trashinfo";
    items.push_back(i);
  }
  JournalHeader h;
  h.operation = "Copy", h.source = odd, h.summary = "s\"1\n", h.undoOf = "r0";
  std::string file;
  {
    auto w = JournalWriter::Start(tree / "j", h);
    for (const auto& i : items) w->Add(i);
    w->End("stopped", 10);
    file = tree / ("j/" + w->Header().run + ".jsonl");
    h.run = w->Header().run;
    h.time = w->Header().time;
  }
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600);
  const Journal j = ReadJournal(file);
  EXPECT_EQ(JournalFiles(tree / "j"), std::vector<std::string>{file});
  EXPECT_EQ(j.header.run, h.run);
  EXPECT_EQ(std::tie(j.header.operation, j.header.time, j.header.source, j.header.destination, j.header.summary,
                     j.header.undoOf),
            std::tie(h.operation, h.time, h.source, h.destination, h.summary, h.undoOf));
  ASSERT_EQ(j.items.size(), items.size());
  for (size_t k = 0; k < items.size(); ++k) {
    const JournalItem &a = items[k], &b = j.items[k];
    SCOPED_TRACE(k);
    EXPECT_EQ(std::tie(a.what, a.path, a.from, a.to, a.kept, a.trash, a.info, a.id, a.keptId, a.oldMode,
                       a.oldAttributes, a.oldModified, a.oldAccessed),
              std::tie(b.what, b.path, b.from, b.to, b.kept, b.trash, b.info, b.id, b.keptId, b.oldMode,
                       b.oldAttributes, b.oldModified, b.oldAccessed));
  }
  ASSERT_TRUE(j.end);
  EXPECT_EQ(j.end->how, "stopped");
  EXPECT_EQ(j.end->items, 10);

  // A run killed mid-line: the cut line is dropped, what came before stays.
  std::string text = TempTree::Read(file);
  text.resize(text.rfind("{\"end\"") + 9);
  std::ofstream(file, std::ios::trunc) << text;
  const Journal cut = ReadJournal(file);
  EXPECT_EQ(cut.items.size(), items.size());
  EXPECT_FALSE(cut.end);
}

// Keep: a hard link (the same inode) on the journal's file system; a copy (another inode, same bytes) where no
// store can be made on the item's file system.
TEST(Journal, KeepLinksOnTheSameFileSystemAndCopiesElsewhere) {
  TempTree disk;
  const std::string item = disk.File("d/old", "old bytes");
  const ItemId before = Id(item);
  {
    auto w = JournalWriter::Start(disk / "j", {});
    UniqueFd dir(::open((disk / "d").c_str(), O_RDONLY | O_DIRECTORY));
    auto [kept, keptId] = w->Keep(dir.Get(), "old", item);
    EXPECT_EQ(kept, disk / "j/kept/" + w->Header().run + "/2");
    EXPECT_EQ(keptId.ino, before.ino);
    EXPECT_TRUE(SameItem(Id(kept), keptId));
  }

  EnvironmentScope env;
  env.Set("TMPDIR", "/dev/shm");
  TempTree shm;
  if (Id(shm.Root()).dev == Id(disk.Root()).dev) GTEST_SKIP() << "/dev/shm is on the scratch folder's file system";
  HandOver(disk, disk.Root());
  HandOver(shm, shm.Root());
  // As a user who may not write at the top of the item's mount (nobody when we are root).
  const std::string out = InChild(shm.Root(), [&]() -> std::string {
    auto w = JournalWriter::Start(shm / "j", {});
    UniqueFd dir(::open((disk / "d").c_str(), O_RDONLY | O_DIRECTORY));
    auto [kept, keptId] = w->Keep(dir.Get(), "old", item);
    if (::access("/", W_OK) == 0) return "skip";
    return kept.substr(shm.Root().size()) + (keptId.ino == before.ino ? " linked " : " copied ") +
           TempTree::Read(kept);
  }, /*asUser=*/true);
  if (out == "skip") GTEST_SKIP() << "the mount's top is writable";
  EXPECT_EQ(out.substr(out.find(' ')), " copied old bytes");
  EXPECT_TRUE(out.starts_with("/j/kept/")) << out;
}

TEST(Journal, ForgetOldJournalsRemovesThemWithTheirKeptFiles) {
  TempTree tree;
  const std::string folder = tree.Dir("j");
  struct Case {
    std::string run;
    bool stays;
  };
  const std::vector<Case> cases = {{"20000101-000000-000001", false}, {"20000102-000000-000002-2", false}};
  for (const auto& c : cases) {
    tree.File("j/" + c.run + ".jsonl", "{\"journal\": 1}\n");
    tree.File("j/kept/" + c.run + "/2", "old");
  }
  std::string recent;
  {
    auto w = JournalWriter::Start(folder, {});
    recent = w->Header().run;
    UniqueFd dir(::open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY));
    tree.File("f", "x");
    w->Keep(dir.Get(), "f", tree / "f");
  }
  ForgetOldJournals(folder, 0);
  EXPECT_EQ(JournalFiles(folder).size(), 3u);
  ForgetOldJournals(folder, 30);
  for (const auto& c : cases) {
    EXPECT_EQ(TempTree::Exists(folder + "/" + c.run + ".jsonl"), c.stays) << c.run;
    EXPECT_EQ(TempTree::Exists(folder + "/kept/" + c.run), c.stays) << c.run;
  }
  EXPECT_EQ(JournalFiles(folder), std::vector<std::string>{folder + "/" + recent + ".jsonl"});
  EXPECT_TRUE(TempTree::Exists(folder + "/kept/" + recent + "/2"));
  EXPECT_TRUE(ForgetJournal(folder, recent));
  EXPECT_FALSE(TempTree::Exists(folder + "/kept/" + recent));
  EXPECT_FALSE(ForgetJournal(folder, recent));
  EXPECT_FALSE(ForgetJournal(folder, "../j"));
}

}  // namespace
}  // namespace dv::test
