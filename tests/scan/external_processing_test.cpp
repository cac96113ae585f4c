#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "platform/file_system.h"
#include "platform/path.h"
#include "scan/cls_dir_processing.h"
#include "support/child_process.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

// Records every event as a line, paths relative to the tree's root.
class Recorder : public ScanListener {
 public:
  Recorder(const std::string& root, clsDirProcessing& engine) : root_(root), engine_(engine) {}
  std::vector<std::string> events;
  std::vector<std::string> errors;
  // Called at each check-for-close with its number (1 upwards); return true to cancel there.
  std::function<bool(int)> cancelAt;
  int checks = 0;

  void evtExternalPassFolder(Folder& f) override { events.push_back("folder " + Rel(f.Path())); }
  void evtExternalPassFile(File& f) override { events.push_back("file " + Rel(f.Path())); }
  void evtExternalPassError(const Error& e, const std::string& loc, long kind, const std::string& info) override {
    errors.push_back(loc + " " + std::to_string(kind) + " " + info + " [" + std::to_string(e.Number()) + "]");
  }
  void evtExternalProcessingComplete() override { events.push_back("complete"); }
  void evtCheckForClose() override {
    events.push_back("check");
    ++checks;
    if (cancelAt && cancelAt(checks)) engine_.ClosingDown(true);
  }

  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (auto& e : events)
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::string Rel(const std::string& p) const { return p == root_ ? "." : p.substr(root_.size() + 1); }
  std::string root_;
  clsDirProcessing& engine_;
};

class ExternalProcessingTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  test::ScriptedPrompter prompter;
  clsDirProcessing engine{prompter};
  std::string root = tree.Dir("start");
  Recorder rec{root, engine};

  void SetUp() override {
    engine.Listener(&rec);
    engine.StartingDirectory(root);
    engine.DirLevelsDeep(32000);
    engine.ShowHiddenAndSystemFiles(true);
    engine.PatternMatchingOption(1);
  }
  void Run() { engine.ExternalProcessing(); }
  using V = std::vector<std::string>;
};

TEST_F(ExternalProcessingTest, TwoFilesGiveFolderFilesCheckComplete) {
  tree.File("start/a.txt", "a");
  tree.File("start/b.txt", "b");
  Run();
  ASSERT_EQ(rec.events.size(), 5u);
  EXPECT_EQ(rec.events[0], "folder .");
  V files(rec.events.begin() + 1, rec.events.begin() + 3);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, rec.Only("file "));
  EXPECT_EQ(rec.Only("file "), (V{"file a.txt", "file b.txt"}));
  EXPECT_EQ(rec.events[3], "check");
  EXPECT_EQ(rec.events[4], "complete");
  EXPECT_TRUE(rec.errors.empty());
}

TEST_F(ExternalProcessingTest, PreOrderAFolderThenItsFilesThenItsSubfolders) {
  tree.File("start/x/one.txt");
  tree.File("start/x/y/two.txt");
  tree.File("start/x/y/z/three.txt");
  Run();
  EXPECT_EQ(rec.events, (V{"folder .", "check", "check", "folder x", "file x/one.txt", "check", "folder x/y",
                           "file x/y/two.txt", "check", "folder x/y/z", "file x/y/z/three.txt", "complete"}));
}

TEST_F(ExternalProcessingTest, DirectoriesOnlyPassesNoFiles) {
  tree.File("start/a.txt");
  tree.File("start/sub/b.txt");
  engine.ProcessDirsOnly(true);
  Run();
  EXPECT_EQ(rec.Only("file "), V{});
  EXPECT_EQ(rec.Only("folder "), (V{"folder .", "folder sub"}));
}

TEST_F(ExternalProcessingTest, DepthLimitsExamineButRejectDeeperFolders) {
  tree.File("start/a.txt");
  tree.File("start/s1/b.txt");
  tree.File("start/s2/c/d.txt");
  engine.DirLevelsDeep(0);
  Run();
  EXPECT_EQ(rec.Only("folder "), V{"folder ."});
  EXPECT_EQ(rec.Only("file "), V{"file a.txt"});
  // One check after the starting folder's files, then one per examined subfolder.
  EXPECT_EQ(rec.checks, 3);

  rec.events.clear();
  engine.DirLevelsDeep(1);
  Run();
  EXPECT_EQ(rec.Only("folder "), (V{"folder .", "folder s1", "folder s2"}));
  EXPECT_EQ(rec.Only("file "), (V{"file a.txt", "file s1/b.txt"}));

  rec.events.clear();
  engine.DirLevelsDeep(32000);
  Run();
  EXPECT_EQ(rec.Only("folder "), (V{"folder .", "folder s1", "folder s2", "folder s2/c"}));
}

TEST_F(ExternalProcessingTest, CancelAtTheFirstCheckEndsAfterTheStartingFolder) {
  tree.File("start/a.txt");
  tree.File("start/sub/b.txt");
  rec.cancelAt = [](int n) { return n == 1; };
  Run();
  EXPECT_EQ(rec.events, (V{"folder .", "file a.txt", "check", "complete"}));
  // The next run starts afresh.
  rec.events.clear();
  rec.cancelAt = nullptr;
  Run();
  EXPECT_EQ(rec.Only("folder "), (V{"folder .", "folder sub"}));
}

TEST_F(ExternalProcessingTest, CancelDeepUnwindsLevelByLevelWithoutAnotherFolder) {
  tree.Dir("start/a/b/c/d");
  tree.Dir("start/a/b2");
  tree.Dir("start/a2");
  // Cancel at the check before the fourth folder is examined.
  rec.cancelAt = [](int n) { return n == 4; };
  Run();
  auto folders = rec.Only("folder ");
  EXPECT_LE(folders.size(), 3u);
  EXPECT_EQ(rec.events.back(), "complete");
  // Once cancelled, every later event is a check (one per enclosing level at most) or the completion.
  auto cut = std::find(rec.events.begin(), rec.events.end(), "check") - rec.events.begin();
  int seen = 0;
  for (size_t i = 0; i < rec.events.size(); ++i) {
    if (rec.events[i] == "check" && ++seen == 4) cut = static_cast<long>(i);
  }
  for (size_t i = static_cast<size_t>(cut) + 1; i + 1 < rec.events.size(); ++i) EXPECT_EQ(rec.events[i], "check");
}

TEST_F(ExternalProcessingTest, AFolderFailingThePatternHidesItsWholeSubtree) {
  tree.File("start/keep/match/f.txt");
  tree.File("start/other/match/g.txt");
  engine.RegExFolderPattern("*e*");  // keep, other, match all have an "e"? "match" does not
  Run();
  EXPECT_EQ(rec.Only("folder "), (V{"folder .", "folder keep", "folder other"}));
  EXPECT_EQ(rec.Only("file "), V{});

  rec.events.clear();
  engine.RegExFolderPattern("k*");
  engine.RegExFilePattern("*.txt");
  Run();
  EXPECT_EQ(rec.Only("folder "), (V{"folder .", "folder keep"}));
}

TEST_F(ExternalProcessingTest, HiddenFoldersAndFilesAreSkippedWithTheirSubtrees) {
  tree.File("start/.hidden/inside.txt");
  tree.File("start/.dotfile");
  tree.File("start/seen.txt");
  std::string marked = tree.File("start/marked.txt");
  tree.File("start/sys/inner.txt");
  bool xattrs = ::setxattr(marked.c_str(), "user.DOSATTRIB", "0x2", 3, 0) == 0 &&
                ::setxattr((root + "/sys").c_str(), "user.DOSATTRIB", "0x4", 3, 0) == 0;
  engine.ShowHiddenAndSystemFiles(false);
  Run();
  if (xattrs) {
    EXPECT_EQ(rec.Only("file "), (V{"file seen.txt"}));
    EXPECT_EQ(rec.Only("folder "), (V{"folder ."}));
  } else {
    EXPECT_EQ(rec.Only("file "), (V{"file marked.txt", "file seen.txt", "file sys/inner.txt"}));
  }
  rec.events.clear();
  engine.ShowHiddenAndSystemFiles(true);
  Run();
  EXPECT_EQ(rec.Only("file ").size(), 5u);
}

TEST_F(ExternalProcessingTest, ExcludeEmptyKeepsAFolderHoldingOnlyAHiddenFile) {
  tree.Dir("start/empty");
  tree.File("start/hiddenonly/.h");
  tree.Dir("start/onlysub/deeper");
  engine.ExcludeEmptyFolders(true);
  engine.ShowHiddenAndSystemFiles(false);
  Run();
  EXPECT_EQ(rec.Only("folder "), (V{"folder .", "folder hiddenonly", "folder onlysub"}));
}

TEST_F(ExternalProcessingTest, AMissingStartingFolderAsksNothingElseAndRaisesNothing) {
  engine.StartingDirectory(tree / "nope");
  Run();
  EXPECT_TRUE(rec.events.empty());
  ASSERT_EQ(prompter.Log().size(), 1u);
  EXPECT_EQ(prompter.Log()[0].title, "Folder Does Not Exist");
  EXPECT_EQ(prompter.Log()[0].text, "The folder " + tree / "nope" + " does not exist.  Please select another folder.");
  // A file is not a folder to start from.
  engine.StartingDirectory(tree.File("plain.txt"));
  Run();
  EXPECT_TRUE(rec.events.empty());
  EXPECT_EQ(prompter.Log().size(), 2u);
}

TEST_F(ExternalProcessingTest, LinksArePassedAsFilesAndNeverFollowed) {
  tree.File("outside/secret.txt");
  tree.Link("start/loop", "..");
  tree.Link("start/out", tree / "outside");
  tree.Link("start/dangling", tree / "missing");
  tree.File("start/sub/f.txt");
  tree.Link("start/sub/up", "../..");
  Run();
  EXPECT_EQ(rec.Only("folder "), (V{"folder .", "folder sub"}));
  EXPECT_EQ(rec.Only("file "), (V{"file dangling", "file loop", "file out", "file sub/f.txt", "file sub/up"}));
  EXPECT_TRUE(rec.errors.empty());

  // A link given as the starting folder is walked.
  engine.StartingDirectory(tree.Link("startlink", root));
  rec.events.clear();
  Run();
  EXPECT_EQ(rec.Only("folder ").size(), 2u);
}

TEST_F(ExternalProcessingTest, AnInvalidPatternIsReportedPerItemAndRejectsIt) {
  tree.File("start/a.txt");
  tree.File("start/b.txt");
  engine.PatternMatchingOption(2);
  engine.RegExFilePattern("(unclosed");
  Run();
  EXPECT_EQ(rec.Only("file "), V{});
  ASSERT_EQ(rec.errors.size(), 2u);
  std::sort(rec.errors.begin(), rec.errors.end());
  EXPECT_EQ(rec.errors[0], "cdp:8F 4 Checking:a.txt against:(unclosed [5017]");
  EXPECT_EQ(rec.events.back(), "complete");
}

TEST_F(ExternalProcessingTest, RestrictionsApplyInAWalk) {
  tree.File("start/small.txt", std::string(100, 'x'));
  tree.File("start/big.txt", std::string(5000, 'x'));
  std::string huge = tree.File("start/huge.dat");
  ASSERT_EQ(::truncate(huge.c_str(), off_t(4) << 30), 0);  // sparse 4 GB
  tree.File("start/report.docx", "x");
  tree.File("start/xdoc", "x");
  engine.SetSizeType(1);
  engine.FileSizeRestrict(true, 1, 1, 1);  // < 1 KB
  Run();
  EXPECT_EQ(rec.Only("file "), (V{"file report.docx", "file small.txt", "file xdoc"}));

  rec.events.clear();
  engine.FileSizeRestrict(false, 0, 0, 0);
  std::string list = "*.docx, *.dat";
  engine.ExtensionRestrict(list, 1);
  Run();
  EXPECT_EQ(rec.Only("file "), (V{"file huge.dat", "file report.docx"}));
  EXPECT_TRUE(engine.IsExtensionRestrictionOn());

  rec.events.clear();
  list = "";
  engine.ExtensionRestrict(list, 1);
  tree.SetTimes("start/small.txt", 1700000000, DateTime::FromLocal({2024, 3, 15, 23, 30, 0}).seconds);
  engine.DateRestrict(true, LocalTime{2024, 3, 15}, 2, 1);
  Run();
  EXPECT_EQ(rec.Only("file "), (V{"file small.txt"}));
}

TEST_F(ExternalProcessingTest, FolderSizesAreTotalsOfEverythingBelow) {
  tree.File("start/bigdir/deep/f1", std::string(3000, 'x'));
  tree.File("start/bigdir/.hidden", std::string(100, 'x'));
  tree.File("start/smalldir/f2", std::string(10, 'x'));
  engine.SetSizeType(0);
  engine.FolderSizeRestrict(true, 3000, 3, 0);  // >= 3000 bytes
  struct Sizes : Recorder {
    using Recorder::Recorder;
    std::map<std::string, uint64_t> sizes;
    void evtExternalPassFolder(Folder& f) override {
      sizes[NameOfPath(f.Path())] = f.Size();
      Recorder::evtExternalPassFolder(f);
    }
  } sizes(root, engine);
  engine.Listener(&sizes);
  Run();
  EXPECT_EQ(sizes.Only("folder "), (V{"folder .", "folder bigdir", "folder bigdir/deep"}));
  EXPECT_EQ(sizes.sizes["bigdir"], 3100u);
  EXPECT_EQ(sizes.sizes["deep"], 3000u);
  EXPECT_EQ(sizes.sizes["start"], 3110u);
}

TEST_F(ExternalProcessingTest, NamesThatAreNotUtf8AreListed) {
  tree.File("start/\xff\xfe name.txt");
  tree.File("start/caf\xc3\xa9/x.txt");
  engine.RegExFilePattern("*.txt");
  Run();
  EXPECT_EQ(rec.Only("file ").size(), 2u);
  EXPECT_TRUE(rec.errors.empty());
}

TEST_F(ExternalProcessingTest, ATreeTenThousandLevelsDeepIsWalkedWholly) {
  // Built relative to open handles: its paths are far longer than PATH_MAX.
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  const int depth = 10000;
  for (int i = 0; i < depth; ++i) {
    ASSERT_EQ(::mkdirat(fd, "level_dir", 0755), 0);
    if (i % 1000 == 0) ::close(::openat(fd, "f.txt", O_CREAT | O_WRONLY, 0644));
    int next = ::openat(fd, "level_dir", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    ASSERT_GE(next, 0);
    fd = next;
  }
  ::close(fd);
  struct Counter : ScanListener {
    long folders = 0, files = 0, errors = 0;
    size_t longest = 0;
    void evtExternalPassFolder(Folder& f) override {
      ++folders;
      longest = std::max(longest, f.Path().size());
    }
    void evtExternalPassFile(File&) override { ++files; }
    void evtExternalPassError(const Error&, const std::string&, long, const std::string&) override { ++errors; }
  } counter;
  engine.Listener(&counter);
  Run();
  EXPECT_EQ(counter.folders, depth + 1);
  EXPECT_EQ(counter.files, 10);
  EXPECT_EQ(counter.errors, 0);
  EXPECT_GT(counter.longest, 4096u * 10);
  FileSystemObject().DeleteFolder(root);  // the test tree's own clean-up cannot reach that deep
}

TEST_F(ExternalProcessingTest, AnUnreadableFolderIsAnErrorAndTheWalkGoesOn) {
  tree.File("start/locked/inside.txt");
  tree.File("start/open/visible.txt");
  ASSERT_EQ(::chmod((root + "/locked").c_str(), 0), 0);
  test::HandOver(tree, root);
  std::string reportFolder = tree.Dir("out");
  test::HandOver(tree, reportFolder);
  // Root reads everything, so the walks run as an ordinary user in a child process.
  std::string out = test::InChild(
      tree.Root(),
      [&]() -> std::string {
        Run();
        std::string text;
        for (auto& e : rec.events) text += e + "\n";
        for (auto& e : rec.errors) text += "error " + e + "\n";
        // A report whose folder totals cannot see inside the folder says so (kind 3) instead of counting it empty.
        rec.errors.clear();
        engine.DirLevelsDeep(0);
        engine.ShowType(2);
        engine.ShowColumns({1});
        TextStream sink = TextStream::Open(reportFolder + "/report.txt", IOMode::ForWriting, true);
        engine.CreateDirPrintFile(sink);
        for (auto& e : rec.errors) text += "totals " + e + "\n";
        return text;
      },
      true);
  ::chmod((root + "/locked").c_str(), 0755);
  EXPECT_NE(out.find("file open/visible.txt"), std::string::npos) << out;
  EXPECT_NE(out.find("error cdp:CB 4 listing at or near folder " + root + "/locked [70]"), std::string::npos) << out;
  EXPECT_EQ(out.find("inside.txt"), std::string::npos);
  EXPECT_NE(out.find("complete"), std::string::npos);
  EXPECT_NE(out.find("totals cdp:8B 3 checking folder size at or near locked [70]"), std::string::npos) << out;
}

TEST_F(ExternalProcessingTest, ACancelIsSeenBeforeTheNextFileNotOnlyAtTheNextFolder) {
  for (const char* name : {"a", "b", "c", "d"}) tree.File(std::string("start/") + name);
  tree.File("start/sub/e");
  struct CancelAtFirstFile : Recorder {
    using Recorder::Recorder;
    clsDirProcessing* engine = nullptr;
    void evtExternalPassFile(File& f) override {
      Recorder::evtExternalPassFile(f);
      engine->ClosingDown(true);
    }
  } cancel(root, engine);
  cancel.engine = &engine;
  engine.Listener(&cancel);
  Run();
  EXPECT_EQ(cancel.events, (V{"folder .", "file a", "check", "complete"}));
}

TEST_F(ExternalProcessingTest, AFolderMovedAwayDeepInTheWalkIsReportedAndTheWalkGoesOn) {
  // Deeper than the handles a walk keeps open, so the way back up cannot simply follow "..".
  std::string chain = "start/a";
  for (int i = 1; i <= 130; ++i) chain += "/l" + std::to_string(i);
  tree.File(chain + "/deep.txt");
  tree.File("start/b/after.txt");
  struct MoveWhenDeep : Recorder {
    using Recorder::Recorder;
    std::string from, to;
    void evtExternalPassFile(File& f) override {
      Recorder::evtExternalPassFile(f);
      if (!from.empty()) ::rename(from.c_str(), to.c_str());
      from.clear();
    }
  } mover(root, engine);
  mover.from = root + "/a/l1/l2/l3/l4/l5";
  mover.to = root + "/moved";
  engine.Listener(&mover);
  Run();
  EXPECT_EQ(mover.Only("file "), (V{"file a/" + chain.substr(8) + "/deep.txt", "file b/after.txt"}));
  EXPECT_EQ(mover.events.back(), "complete");
  FileSystemObject().DeleteFolder(root);
}

// The threads of this process, counted at every folder the walk hands over.
class ThreadCounter : public ScanListener {
 public:
  size_t most = 0;
  void evtExternalPassFolder(Folder&) override {
    size_t n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
      while (const dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
      ::closedir(d);
    }
    most = std::max(most, n);
  }
};

TEST_F(ExternalProcessingTest, OnOneProcessorTheWalkReadsWithoutASecondThread) {
  for (int i = 0; i < 40; ++i) tree.File("start/d" + std::to_string(i) + "/e/f/g.txt");
  std::string out = test::InChild(tree.Root(), [&] {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) != 0) return std::string("affinity");
    int first = 0;
    while (!CPU_ISSET(first, &set)) ++first;
    CPU_ZERO(&set);
    CPU_SET(first, &set);
    if (::sched_setaffinity(0, sizeof set, &set) != 0) return std::string("affinity");
    ThreadCounter counter;
    engine.Listener(&counter);
    Run();
    return std::to_string(counter.most);
  });
  EXPECT_EQ(out, "1");
}

TEST(PathDepthTest, CountsPartsBelowTheRoot) {
  EXPECT_EQ(clsDirProcessing::PathDepth("/"), 1);
  EXPECT_EQ(clsDirProcessing::PathDepth("/a"), 1);
  EXPECT_EQ(clsDirProcessing::PathDepth("/a/b"), 2);
  EXPECT_EQ(clsDirProcessing::PathDepth("/a/b/c"), 3);
}

}  // namespace
}  // namespace dv
