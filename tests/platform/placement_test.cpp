// Placing files: the one placing step with and without replacing, holes of sparse files staying holes, the full
// comparison of a copy with its source, and the target folders below a destination, reached without following
// links.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/content_check.h"
#include "platform/file_system.h"
#include "platform/placement.h"
#include "platform/target_folders.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv::test {
namespace {

// What a name holds: "-> target" for a link, "[folder]", the text of a file, or "-" when nothing is there.
std::string Holds(const std::string& path) {
  if (!TempTree::Exists(path)) return "-";
  struct stat st = LStat(path);
  if (S_ISLNK(st.st_mode)) {
    char text[256];
    const ssize_t n = ::readlink(path.c_str(), text, sizeof text);
    return "-> " + std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
  }
  return S_ISDIR(st.st_mode) ? "[folder]" : TempTree::Read(path);
}

// Without replacing, whatever holds the name (a dangling link included) stays and the source keeps its name;
// replacing puts the file over a file or a link (the link's target untouched), never over a folder.
TEST(PlaceTest, NoReplaceNeverReplacesAndReplaceTakesTheName) {
  TempTree tree;
  tree.File("outside.txt", "outside");
  struct Case {
    const char* label;
    Placing how;
    std::string there;  // what holds the target first: "" nothing, "-> x" a link, "[folder]", else a file's text
    std::string outcome, target, source;
  };
  const std::vector<Case> cases = {
      {"free", Placing::NoReplace, "", "placed", "new", "-"},
      {"file", Placing::NoReplace, "old", "taken", "old", "new"},
      {"dangling", Placing::NoReplace, "-> nowhere", "taken", "-> nowhere", "new"},
      {"folder", Placing::NoReplace, "[folder]", "taken", "[folder]", "new"},
      {"over file", Placing::Replace, "old", "placed", "new", "-"},
      {"over link", Placing::Replace, "-> ../../outside.txt", "placed", "new", "-"},
      {"over folder", Placing::Replace, "[folder]", "75", "[folder]", "new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string dir = tree.Dir(std::string("cases/") + c.label);
    tree.File(std::string("cases/") + c.label + "/source", "new");
    const std::string target = dir + "/target";
    if (c.there == "[folder]") tree.Dir(std::string("cases/") + c.label + "/target/inside");
    else if (c.there.rfind("-> ", 0) == 0) tree.Link(std::string("cases/") + c.label + "/target", c.there.substr(3));
    else if (!c.there.empty()) tree.File(std::string("cases/") + c.label + "/target", c.there);
    UniqueFd folder(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::string outcome;
    try {
      outcome = Place({folder.Get(), "source"}, {folder.Get(), "target"}, c.how, dir + "/source", target) ? "placed"
                                                                                                       : "taken";
    } catch (const Error& e) {
      outcome = std::to_string(e.Number());
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(Holds(target), c.target);
    EXPECT_EQ(Holds(dir + "/source"), c.source);
  }
  EXPECT_EQ(TempTree::Read(tree / "outside.txt"), "outside");
}

// A copy to a free name makes the file there and hands it back open; a name planted there first (a file, a link
// to a file outside, a dangling link) is neither followed nor replaced; a copy stopped or failing half way (the
// first read of /proc/self/mem fails) leaves nothing at the name.
TEST(CopyItemTest, ANewFileIsWholeOrAbsentAndNeverReplacesAPlantedName) {
  TempTree tree;
  tree.File("outside.txt", "outside");
  struct Case {
    const char* label;
    std::string there;  // what holds the target first: "" nothing, "-> x" a link, else a file's text
    bool stop;
    std::string outcome, target;
  };
  const std::vector<Case> cases = {
      {"free", "", false, "ok", "new"},
      {"file", "old", false, "58", "old"},
      {"link", "-> ../../outside.txt", false, "58", "-> ../../outside.txt"},
      {"dangling", "-> made-through", false, "58", "-> made-through"},
      {"stopped", "", true, "18", "-"},
      {"unreadable", "", false, "57", "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string rel = std::string("cases/") + c.label;
    const std::string dir = tree.Dir(rel), target = dir + "/target";
    tree.File(rel + "/source", "new");
    if (c.there.rfind("-> ", 0) == 0) tree.Link(rel + "/target", c.there.substr(3));
    else if (!c.there.empty()) tree.File(rel + "/target", c.there);
    UniqueFd folder(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    UniqueFd proc(::open("/proc/self", O_PATH | O_DIRECTORY | O_CLOEXEC));
    const bool unreadable = std::string(c.label) == "unreadable";
    const ItemAt from = unreadable ? ItemAt{proc.Get(), "mem"} : ItemAt{folder.Get(), "source"};
    const StopFlag stop{c.stop};
    PlaceOptions options;
    options.stop = &stop;
    Placed placed;
    const std::string outcome =
        Outcome([&] { placed = CopyItem(from, {folder.Get(), "target"}, options, "s", target); });
    EXPECT_EQ(outcome.substr(0, 2), c.outcome) << outcome;
    EXPECT_EQ(Holds(target), c.target);
    EXPECT_EQ(Holds(dir + "/made-through"), "-");
    if (outcome == "ok") {
      struct stat mine {};
      ASSERT_EQ(::fstat(placed.file.Get(), &mine), 0);
      EXPECT_EQ(mine.st_ino, LStat(target).st_ino);
    }
  }
  EXPECT_EQ(TempTree::Read(tree / "outside.txt"), "outside");
}

// A move across file systems removes its source only once the copy checks out: /proc/self/stat says it is empty
// but reads as text, so a length check fails and the source is never touched (removing it would fail anyway).
TEST(PlaceTest, AMoveAcrossFileSystemsKeepsASourceItsCopyDoesNotMatch) {
  TempTree tree;
  const std::string dir = tree.Dir("to");
  UniqueFd proc(::open("/proc/self", O_PATH | O_DIRECTORY | O_CLOEXEC));
  UniqueFd folder(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  PlaceOptions options;
  options.check = Check::Length;
  const Placed placed =
      MoveItem({proc.Get(), "stat"}, {folder.Get(), "stat"}, options, "/proc/self/stat", dir + "/stat");
  EXPECT_FALSE(placed.renamed);
  EXPECT_FALSE(placed.same);
  EXPECT_NE(TempTree::Read(dir + "/stat"), "");
  EXPECT_EQ(Listing(dir), "stat");
}

// A 64 MiB file holding 4 KiB of data at 1 MiB and 4 KiB at its very end, copied into a folder on the test's own
// file system and into one on /dev/shm: the copy reads the same and takes about as little space as the source.
TEST(SparseCopyTest, HolesStayHoles) {
  TempTree tree;
  const std::string src = tree / "sparse.bin";
  constexpr off_t kSize = 64 << 20;
  {
    int fd = ::open(src.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'x');
    ASSERT_EQ(::pwrite(fd, block.data(), block.size(), 1 << 20), 4096);
    ASSERT_EQ(::pwrite(fd, block.data(), block.size(), kSize - 4096), 4096);
    ::close(fd);
  }
  if (LStat(src).st_blocks * 512 >= kSize) GTEST_SKIP() << "this file system has no holes";
  char scratch[] = "/dev/shm/dv-sparse-test-XXXXXX";
  ASSERT_NE(::mkdtemp(scratch), nullptr);
  DeepCleanup cleanup{scratch};
  for (const std::string& folder : {tree.Dir("out"), std::string(scratch)}) {
    SCOPED_TRACE(folder);
    const std::string copy = folder + "/sparse.bin";
    FileSystemObject().CopyFile(src, copy, false);
    struct stat st = LStat(copy);
    EXPECT_EQ(st.st_size, kSize);
    EXPECT_LT(st.st_blocks * 512, 1 << 20);
    EXPECT_TRUE(SameContents(AT_FDCWD, src.c_str(), AT_FDCWD, copy.c_str(), src, copy));
  }
}

// The full comparison: equal bytes pass; one byte changed, a length changed, another link text or a link against a
// file fail.
TEST(ContentCheckTest, AnyDifferenceIsFound) {
  TempTree tree;
  const std::string big(1 << 20, 'q');
  std::string changed = big;
  changed[(1 << 19) + 7] = 'r';
  struct Case {
    const char* label;
    std::string original, copy;  // "-> x": a link to x
    bool same;
  };
  const std::vector<Case> cases = {
      {"equal", big, big, true},
      {"empty", "", "", true},
      {"one byte", big, changed, false},
      {"longer", "abc", "abcd", false},
      {"same link", "-> a", "-> a", true},
      {"other link", "-> a", "-> b", false},
      {"link and file", "-> a", "a", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    auto make = [&](const std::string& rel, const std::string& what) {
      return what.rfind("-> ", 0) == 0 ? tree.Link(rel, what.substr(3)) : tree.File(rel, what);
    };
    const std::string a = make(std::string(c.label) + "/a", c.original);
    const std::string b = make(std::string(c.label) + "/b", c.copy);
    EXPECT_EQ(SameContents(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), a, b), c.same);
  }
}

// Target folders: made below the destination one level at a time; a link (to a folder or a file) or a file where
// a folder should be fails with 75 and nothing is made through it; a missing folder without making is 76; the
// destination itself may be a link (the user chose it).
TEST(TargetFoldersTest, FoldersBelowTheDestinationNeverFollowALink) {
  TempTree tree;
  tree.Dir("real");
  tree.Link("dst", "real");
  tree.Dir("outside");
  tree.Link("real/to-outside", "../outside");
  tree.File("real/file", "f");
  TargetFolders targets;
  targets.Top(tree / "dst");
  struct Case {
    std::string folder;
    bool create;
    std::string outcome;
  };
  const std::vector<Case> cases = {
      {"", false, "ok"},
      {"/new/deeper", true, "ok"},
      {"/missing", false, "76"},
      {"/to-outside", true, "75"},
      {"/to-outside/x", true, "75"},
      {"/file/x", true, "75"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string result = Outcome([&] { targets.Folder(tree / "dst" + c.folder, c.create); });
    EXPECT_EQ(result.substr(0, 2), c.outcome) << result;
  }
  EXPECT_EQ(Listing(tree / "real"), "file new to-outside");
  EXPECT_EQ(Listing(tree / "real/new"), "deeper");
  EXPECT_EQ(Listing(tree / "outside"), "");
  EXPECT_EQ(targets.Kind(tree / "dst/to-outside"), TargetKind::Other);
  EXPECT_EQ(targets.Kind(tree / "dst/new"), TargetKind::Folder);
  EXPECT_EQ(targets.Kind(tree / "dst/missing/x"), TargetKind::Missing);
  EXPECT_TRUE(FailsWith([&] { targets.Kind(tree / "dst/to-outside/x"); }, err::PathFileAccess, "links are not followed"));
}

}  // namespace
}  // namespace dv::test
