// Copy to one folder (numbered duplicates, overwrites), quick verification, an interrupted copy, and move in
// both layouts, on one file system and across two.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileops_fixture.h"
#include "support/child_process.h"

namespace dv::test {
namespace {

struct Placed {
  std::string name;
  std::string content;
};

// One-directory copy of src/.profile, src/README, src/one/a.txt, src/two/a.txt over a destination holding
// `before`: numbering takes the first free number, a hidden name stays hidden; without numbering an existing
// target is left alone (nothing recorded) or, with overwrite, replaced even when read-only.
TEST_F(FileOpsTest, OneDirectoryCopyNumbersOverwritesOrLeavesAlone) {
  tree.File("src/.profile", "P");
  tree.File("src/README", "R");
  tree.File("src/one/a.txt", "A1");
  tree.File("src/two/a.txt", "A2");
  struct Case {
    const char* label;
    bool number, overwrite;
    std::vector<Placed> before;
    Strings lines;
    std::string listing;
  };
  const std::vector<Case> cases = {
      {"numbered",
       true,
       false,
       {{"README", "old"}, {"a_1.txt", "1"}, {"a_2.txt", "2"}, {"a_3.txt", "3"}, {"a_4.txt", "4"}},
       {"Success: T/src/.profile", "Numeric Duplicate Created: T/src/README -> README_1", "Success: T/src/one/a.txt",
        "Numeric Duplicate Created: T/src/two/a.txt -> a_5.txt"},
       ".profile = P\nREADME = old\nREADME_1 = R\na.txt = A1\na_1.txt = 1\na_2.txt = 2\na_3.txt = 3\na_4.txt = 4\n"
       "a_5.txt = A2\n"},
      {"kept", false, false, {{"README", "old"}}, {"Success: T/src/.profile", "Success: T/src/one/a.txt"},
       ".profile = P\nREADME = old\na.txt = A1\n"},
      {"overwritten",
       false,
       true,
       {{"README", "old"}},
       {"Success: T/src/.profile", "Overwrote Previous Duplicate: T/src/README", "Success: T/src/one/a.txt",
        "Overwrote Previous Duplicate: T/src/two/a.txt"},
       ".profile = P\nREADME = R\na.txt = A2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string dst = tree.Dir(std::string("dst-") + c.label);
    for (const Placed& p : c.before) tree.File(std::string("dst-") + c.label + "/" + p.name, p.content);
    ::chmod((dst + "/README").c_str(), 0444);
    Paths(tree / "src", dst);
    ops.FileOperation(FileOp::Copy);
    ops.CopyOp_NumberDuplicates(c.number);
    ops.OverwriteFiles(c.overwrite);
    Run();
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(TreeListing(dst), c.listing);
    EXPECT_EQ(events.errors, Strings{});
  }
}

// Quick verification compares lengths: a source whose length says 0 but which reads as text (a /proc file,
// only read) gives a target of another length.
TEST_F(FileOpsTest, QuickVerificationCatchesATargetOfAnotherLength) {
  const std::string good = tree.File("src/good.txt", "12345");
  ops.ProcessingBankItems({good, "/proc/self/stat"});
  ops.DestinationDirectory(tree.Dir("dst"));
  ops.FileOperation(FileOp::Copy);
  ops.CopyOp_Verification(Verification::Quick);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/src/good.txt", "Failed Verification: /proc/self/stat"}));
  EXPECT_EQ(ops.FailureCount(), 1);
}

// A copy cut short (here by a file-size limit, a full disk's stand-in) leaves the old target whole and no
// temporary behind.
TEST_F(FileOpsTest, AnInterruptedCopyLeavesTheTargetAsItWas) {
  tree.File("src/big.bin", std::string(100000, 'x'));
  tree.File("dst/big.bin", "old");
  Paths(tree / "src", tree / "dst");
  ops.FileOperation(FileOp::Copy);
  ops.CopyOp_CopyDirectoryStructure(true);
  ops.OverwriteFiles(true);
  std::string lines = InChild(tree.Root(), [&]() -> std::string {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = {4096, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &small);
    Run();
    std::string out;
    for (const std::string& line : Lines()) out += line + "\n";
    return out;
  });
  EXPECT_EQ(lines, "Failure: T/src/big.bin\n");
  EXPECT_EQ(TreeListing(tree / "dst"), "big.bin = old\n");
}

// Move with the structure: each file is renamed to its mirrored place, emptied folders go (the source folder
// last), folders still holding files the filter left out stay, an existing target without overwrite fails and
// keeps the source, and a read-only target with overwrite is replaced.
TEST_F(FileOpsTest, StructureMoveRules) {
  struct Case {
    const char* label;
    std::string extensions;  // only these are moved
    bool overwrite;
    Strings lines;
    std::string sourceLeft, destination;
  };
  const std::vector<Case> cases = {
      {"all", "", false,
       {"Success: T/s-all/sub/keep.log", "Success: T/s-all/sub/b.txt", "Success: T/s-all/empty",
        "Failure: T/s-all/a.txt"},
       "a.txt = new\n", "a.txt = old\nempty/\nsub/\nsub/b.txt = b\nsub/keep.log = k\n"},
      {"filtered", "*.txt", false, {"Success: T/s-filtered/sub/b.txt", "Failure: T/s-filtered/a.txt"},
       "a.txt = new\nempty/\nsub/\nsub/keep.log = k\n", "a.txt = old\nsub/\nsub/b.txt = b\n"},
      {"overwrite", "", true,
       {"Success: T/s-overwrite/sub/keep.log", "Success: T/s-overwrite/sub/b.txt", "Success: T/s-overwrite/empty",
        "Success: T/s-overwrite/a.txt"},
       "<gone>", "a.txt = new\nempty/\nsub/\nsub/b.txt = b\nsub/keep.log = k\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string s = std::string("s-") + c.label, d = std::string("d-") + c.label;
    tree.File(s + "/a.txt", "new");
    tree.File(s + "/sub/b.txt", "b");
    tree.File(s + "/sub/keep.log", "k");
    tree.Dir(s + "/empty");
    ::chmod(tree.File(d + "/a.txt", "old").c_str(), 0444);
    Paths(tree / s, tree / d);
    ops.FileOperation(FileOp::Move);
    ops.CopyOp_CopyDirectoryStructure(true);
    ops.CopyOp_CopyEmptyDirs(true);
    ops.OverwriteFiles(c.overwrite);
    std::string extensions = c.extensions;
    ops.scFileOperations().ExtensionRestrict(extensions, extensions.empty() ? 0 : 1);
    Run();
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(TempTree::Exists(tree / s) ? TreeListing(tree / s) : "<gone>", c.sourceLeft);
    EXPECT_EQ(TreeListing(tree / d), c.destination);
    EXPECT_EQ(events.errors, Strings{});
  }
}

// Move to one folder numbers a clash; across file systems the file is copied, found at its target and only then
// removed from the source (a scratch folder of the test's own on /dev/shm, when that is another file system).
TEST_F(FileOpsTest, MoveToOneFolderAndAcrossFileSystems) {
  tree.File("src/x/a.txt", "A");
  tree.File("src/b.txt", "B");
  tree.File("dst/a.txt", "old");
  Paths(tree / "src", tree / "dst");
  ops.FileOperation(FileOp::Move);
  ops.CopyOp_NumberDuplicates(true);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Numeric Duplicate Created: T/src/x/a.txt -> a_1.txt", "Success: T/src/b.txt"}));
  EXPECT_EQ(TreeListing(tree / "src"), "x/\n");
  EXPECT_EQ(TreeListing(tree / "dst"), "a.txt = old\na_1.txt = A\nb.txt = B\n");

  struct stat here, shm;
  if (::stat("/dev/shm", &shm) != 0 || ::stat(tree.Root().c_str(), &here) != 0 || shm.st_dev == here.st_dev)
    GTEST_SKIP() << "no second file system at /dev/shm";
  char scratch[] = "/dev/shm/dv-move-test-XXXXXX";
  ASSERT_NE(::mkdtemp(scratch), nullptr);
  DeepCleanup cleanup{scratch};
  tree.File("far/c.txt", "C");
  ::chmod(tree.File("far/sub/d.txt", "D").c_str(), 0640);
  Paths(tree / "far", scratch);
  ops.CopyOp_NumberDuplicates(false);
  ops.CopyOp_CopyDirectoryStructure(true);
  ops.CopyOp_Verification(Verification::Quick);
  Run();
  EXPECT_EQ(Lines(), (Strings{"Success: T/far/sub/d.txt", "Success: T/far/c.txt"}));
  EXPECT_FALSE(TempTree::Exists(tree / "far"));
  EXPECT_EQ(TreeListing(scratch), "c.txt = C\nsub/\nsub/d.txt = D\n");
  EXPECT_EQ(LStat(std::string(scratch) + "/sub/d.txt").st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace dv::test
