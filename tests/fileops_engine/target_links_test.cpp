// Copy, move and shells never write through a link, on the source or the destination side, planted beforehand or
// swapped in while the run goes on; verification on one file system and across two; shells of links; stray
// temporaries of a killed run.
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "fileops_fixture.h"

namespace dv::test {
namespace {

// What a folder holds, as listed, plus each entry's mode, modification time and user.note attribute.
std::string Snapshot(const std::string& dir) {
  std::string out = TreeListing(dir);
  for (const std::string& name : {"f0.txt", "old.txt"}) {
    const std::string path = dir + "/" + name;
    struct stat st = LStat(path);
    char note[64] = {};
    ::lgetxattr(path.c_str(), "user.note", note, sizeof note - 1);
    out += name + " " + std::to_string(st.st_mode & 07777) + " " + std::to_string(st.st_mtim.tv_sec) + " " + note +
           "\n";
  }
  return out;
}

// A link at dst/sub (planted before the run, or swapped in for the real folder once processing starts), or at
// src/sub (swapped in): the files below it fail with error 75 and the outside folder stays exactly as it was.
TEST_F(FileOpsTest, NoOperationWritesThroughALinkOnEitherSide) {
  enum Where { PlantedInDestination, SwappedInDestination, SwappedInSource };
  struct Case {
    const char* label;
    FileOp operation;
    Where where;
    Strings lines;
    Strings errors;
  };
  const std::string notAFolder = "cfo:9E 2 >>Error Processing File & Folder Array at -T/src/sub [76]";
  const std::vector<Case> cases = {
      {"copy, planted", FileOp::Copy, PlantedInDestination,
       {"Success: T/src/top.txt", "Failure: T/src/sub/f0.txt"},
       {"cfo:8B 3 Copying at or near file f0.txt [75]"}},
      {"copy, swapped target", FileOp::Copy, SwappedInDestination,
       {"Success: T/src/top.txt", "Failure: T/src/sub/f0.txt"},
       {"cfo:8B 3 Copying at or near file f0.txt [75]"}},
      {"copy, swapped source", FileOp::Copy, SwappedInSource,
       {"Success: T/src/top.txt", "Failure: T/src/sub/f0.txt"},
       {notAFolder, "cfo:8B 3 Copying at or near file f0.txt [75]"}},
      {"move, planted", FileOp::Move, PlantedInDestination,
       {"Failure: T/src/sub/f0.txt", "Success: T/src/top.txt"},
       {"cfo:8E 3 Moving at or near file f0.txt [75]"}},
      {"move, swapped target", FileOp::Move, SwappedInDestination,
       {"Failure: T/src/sub/f0.txt", "Success: T/src/top.txt"},
       {"cfo:8E 3 Moving at or near file f0.txt [75]"}},
      {"move, swapped source", FileOp::Move, SwappedInSource,
       {"Failure: T/src/sub/f0.txt", "Success: T/src/top.txt"},
       {"cfo:8E 3 Moving at or near file f0.txt [75]", notAFolder}},
      {"shells, planted", FileOp::EmptyShells, PlantedInDestination,
       {"Success: T/src/top.txt", "Failure: T/src/sub/f0.txt"},
       {"cfo:8A 3 Creating empty shell at or near file f0.txt [75]"}},
      {"shells, swapped target", FileOp::EmptyShells, SwappedInDestination,
       {"Success: T/src/top.txt", "Failure: T/src/sub/f0.txt"},
       {"cfo:8A 3 Creating empty shell at or near file f0.txt [75]"}},
      // Compare only reads, but it reads nothing outside the tree either (top.txt has no target: nothing shown).
      {"compare, planted", FileOp::Compare, PlantedInDestination,
       {"Failure: T/src/sub/f0.txt"},
       {"cfo:8H 3 Comparing files at or near file f0.txt [75]"}},
      {"compare, swapped source", FileOp::Compare, SwappedInSource,
       {"Failure: T/src/sub/f0.txt"},
       {notAFolder, "cfo:8H 3 Comparing files at or near file f0.txt [75]"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string top = tree.Dir(c.label);
    const std::string outside = tree.File(std::string(c.label) + "/outside/f0.txt", "outside");
    tree.File(std::string(c.label) + "/outside/old.txt", "old");
    ::setxattr(outside.c_str(), "user.note", "kept", 4, 0);
    ::chmod(outside.c_str(), 0640);
    tree.SetTimes(std::string(c.label) + "/outside/f0.txt", 1000000000, 1000000000);
    tree.File(std::string(c.label) + "/src/top.txt", "top");
    tree.File(std::string(c.label) + "/src/sub/f0.txt", "new");
    tree.Dir(std::string(c.label) + "/dst");
    if (c.where == PlantedInDestination) tree.Link(std::string(c.label) + "/dst/sub", "../outside");
    if (c.where == SwappedInDestination) tree.Dir(std::string(c.label) + "/dst/sub");
    const std::string before = Snapshot(top + "/outside");

    const std::string swap = c.where == SwappedInSource ? "src/sub" : "dst/sub";
    bool swapped = c.where == PlantedInDestination;
    events.onCheck = [&](int) {
      const bool processing = std::find(events.progress.begin(), events.progress.end(),
                                        "Processing Operation...") != events.progress.end();
      if (!processing || swapped) return;
      swapped = true;
      ASSERT_EQ(::rename((top + "/" + swap).c_str(), (top + "/moved").c_str()), 0);
      ASSERT_EQ(::symlink("../outside", (top + "/" + swap).c_str()), 0);
    };
    events.progress.clear();
    events.errors.clear();
    Paths(top + "/src", top + "/dst");
    ops.FileOperation(c.operation);
    ops.CopyOp_CopyDirectoryStructure(true);
    ops.OverwriteFiles(true);
    Run();
    EXPECT_TRUE(swapped);
    EXPECT_EQ(test::Lines(ops, top), c.lines);
    Strings errors;
    for (const std::string& e : events.errors) errors.push_back(Shown(e, top));
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(Snapshot(top + "/outside"), before);
  }
}

// Verification outcomes: a move within one file system keeps the size it had (read before the rename); the full
// comparison passes a good copy, on one file system and across two, and fails a target that differs (a /proc
// file says it is empty but reads as text).
TEST_F(FileOpsTest, VerificationOfCopiesAndMoves) {
  struct stat here, shm;
  const bool otherFs =
      ::stat("/dev/shm", &shm) == 0 && ::stat(tree.Root().c_str(), &here) == 0 && shm.st_dev != here.st_dev;
  char scratch[] = "/dev/shm/dv-verify-test-XXXXXX";
  ASSERT_NE(::mkdtemp(scratch), nullptr);
  DeepCleanup cleanup{scratch};
  struct Case {
    const char* label;
    FileOp operation;
    Verification verification;
    bool farAway;  // the destination on /dev/shm
    bool procFile;
    Strings lines;
  };
  const std::vector<Case> cases = {
      {"quick move", FileOp::Move, Verification::Quick, false, false, {"Success: T/quick move/src/a.txt"}},
      {"full copy", FileOp::Copy, Verification::Full, false, false, {"Success: T/full copy/src/a.txt"}},
      {"full move", FileOp::Move, Verification::Full, false, false, {"Success: T/full move/src/a.txt"}},
      {"full move far", FileOp::Move, Verification::Full, true, false, {"Success: T/full move far/src/a.txt"}},
      {"full copy of a changing file", FileOp::Copy, Verification::Full, false, true,
       {"Success: T/full copy of a changing file/src/a.txt", "Failed Verification: /proc/self/stat"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.farAway && !otherFs) continue;
    const std::string a = tree.File(std::string(c.label) + "/src/a.txt", std::string(300000, 'a'));
    const std::string dst = c.farAway ? std::string(scratch) : tree.Dir(std::string(c.label) + "/dst");
    ops.FileOperation(c.operation);
    ops.CopyOp_Verification(c.verification);
    ops.OverwriteFiles(false);
    if (c.procFile) {
      ops.ProcessingBankItems({a, "/proc/self/stat"});
      ops.DestinationDirectory(dst);
    } else {
      ops.ProcessingBankItems({});
      Paths(tree / c.label + "/src", dst);
      ops.CopyOp_CopyDirectoryStructure(true);
    }
    Run();
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(TempTree::Read(dst + "/a.txt"), std::string(300000, 'a'));
    EXPECT_EQ(TempTree::Exists(a), c.operation == FileOp::Copy);
  }
}

// The shell of a link is a link with the same target text, whether it leads to a file, a folder or nowhere.
TEST_F(FileOpsTest, ShellsOfLinksAreLinks) {
  tree.File("src/a.txt", "content");
  tree.Dir("src/folder");
  tree.Link("src/to-file", "a.txt");
  tree.Link("src/to-folder", "folder");
  tree.Link("src/dangling", "nowhere");
  Paths(tree / "src", tree.Dir("dst"));
  ops.FileOperation(FileOp::EmptyShells);
  Run();
  EXPECT_EQ(TreeListing(tree / "dst"),
            "a.txt = \ndangling -> nowhere\nfolder/\nto-file -> a.txt\nto-folder -> folder\n");
}

// A copy or move removes the temporaries that a killed run left in the folders it writes into: only names of
// that exact form, only regular files, only older than the run.
TEST_F(FileOpsTest, StrayTemporariesOfAKilledRunAreRemoved) {
  tree.File("src/sub/a.txt", "A");
  for (const char* name : {"dst/.dv-copy-0123456789ab.tmp", "dst/sub/.dv-replace-abcdefghijkl.tmp",
                           "dst/.dv-copy-0123456789AB.tmp", "dst/.dv-copy-0123.tmp", "dst/dv-copy-0123456789ab.tmp"}) {
    tree.File(name, "stray");
    tree.SetTimes(name, 1000000000, 1000000000);
  }
  tree.File("dst/sub/.dv-copy-zzzzzzzzzzzz.tmp", "fresh");  // a run going on now writes this one
  const struct timespec future[2] = {{4000000000, 0}, {4000000000, 0}};
  ::utimensat(AT_FDCWD, (tree / "dst/sub/.dv-copy-zzzzzzzzzzzz.tmp").c_str(), future, 0);
  tree.Link("dst/.dv-save-aaaaaaaaaaaa.tmp", "a.txt");
  tree.Dir("dst/.dv-save-bbbbbbbbbbbb.tmp");
  Paths(tree / "src", tree / "dst");
  ops.FileOperation(FileOp::Copy);
  ops.CopyOp_CopyDirectoryStructure(true);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/src/sub/a.txt"}));
  EXPECT_EQ(TreeListing(tree / "dst"),
            ".dv-copy-0123.tmp = stray\n.dv-copy-0123456789AB.tmp = stray\n.dv-save-aaaaaaaaaaaa.tmp -> a.txt\n"
            ".dv-save-bbbbbbbbbbbb.tmp/\ndv-copy-0123456789ab.tmp = stray\nsub/\nsub/.dv-copy-zzzzzzzzzzzz.tmp = fresh\n"
            "sub/a.txt = A\n");
}

}  // namespace
}  // namespace dv::test
