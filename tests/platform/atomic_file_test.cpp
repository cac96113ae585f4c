// Writing beside the target and renaming into place: the old file survives every failure, a kill included; no
// temporary is left behind; links and other non-files are refused untouched; modes are those a user expects.
#include "platform/atomic_file.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <vector>

#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

std::string Mode(const std::string& path) {
  char text[8];
  std::snprintf(text, sizeof text, "%o", test::LStat(path).st_mode & 07777);
  return text;
}

const std::regex kTemporary(R"(\.dv-save-[a-z0-9]{12}\.tmp)");

class AtomicFileTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  std::string dir = tree.Dir("out");
  std::string old = tree.File("out/r.txt", "old report\r\n");
};

TEST_F(AtomicFileTest, NewFileAppearsOnlyWhenCommittedWithTheUsualMode) {
  const std::string result = test::InChild(tree.Root(), [&] {
    ::umask(027);
    AtomicFile f(dir + "/new.txt");
    f.Out().WriteLine("report");
    f.Out().Flush();
    const std::string before = test::Listing(dir);
    f.Commit();
    return before + "|" + test::Listing(dir) + "|" + Mode(dir + "/new.txt");
  });
  std::smatch m;
  ASSERT_TRUE(std::regex_match(result, m, std::regex(R"((\S+) r\.txt\|new\.txt r\.txt\|640)"))) << result;
  EXPECT_TRUE(std::regex_match(m[1].str(), kTemporary)) << result;
  EXPECT_EQ(test::TempTree::Read(dir + "/new.txt"), "report\r\n");
}

TEST_F(AtomicFileTest, ExistingFileKeepsItsModeAndIsReplacedWhole) {
  ASSERT_EQ(::chmod(old.c_str(), 0604), 0);
  const ino_t before = test::LStat(old).st_ino;
  AtomicFile f(old);
  f.Out().Write(std::string(100000, 'n'));
  f.Out().Flush();
  EXPECT_EQ(test::TempTree::Read(old), "old report\r\n");  // nothing reaches the target before the commit
  f.Commit();
  EXPECT_EQ(test::TempTree::Read(old), std::string(100000, 'n'));
  EXPECT_EQ(Mode(old), "604");
  EXPECT_NE(test::LStat(old).st_ino, before);
  EXPECT_EQ(test::Listing(dir), "r.txt");
}

TEST_F(AtomicFileTest, WhatCannotBeReplacedIsRefusedAndLeftAlone) {
  tree.File("out/real.txt", "keep");
  tree.Link("out/link.txt", "real.txt");
  tree.Link("out/dangling.txt", "nowhere.txt");
  tree.Dir("out/folder");
  tree.Fifo("out/pipe");
  const std::string listing = test::Listing(dir);
  struct Case {
    const char* target;
    long number;
    const char* mention;
  } cases[] = {
      {"link.txt", err::PathFileAccess, "link.txt is a symbolic link"},
      {"dangling.txt", err::PathFileAccess, "dangling.txt is a symbolic link"},
      {"folder", err::PathFileAccess, "folder is a folder"},
      {"pipe", err::PathFileAccess, "pipe is not a regular file"},  // never opened, so nothing blocks
      {"missing/r.txt", err::PathNotFound, "missing/r.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(test::FailsWith([&] { AtomicFile f(dir + "/" + c.target); }, c.number, c.mention)) << c.target;
    EXPECT_EQ(test::Listing(dir), listing) << c.target;
  }
  EXPECT_EQ(test::TempTree::Read(dir + "/real.txt"), "keep");
  EXPECT_TRUE(S_ISLNK(test::LStat(dir + "/link.txt").st_mode));
  EXPECT_FALSE(test::TempTree::Exists(dir + "/nowhere.txt"));

  // A link put in the target's place while the new contents are written is refused at the commit as well.
  AtomicFile f(dir + "/later.txt");
  f.Out().WriteLine("new");
  tree.Link("out/later.txt", "real.txt");
  EXPECT_TRUE(test::FailsWith([&] { f.Commit(); }, err::PathFileAccess, "is a symbolic link"));
  EXPECT_EQ(test::TempTree::Read(dir + "/real.txt"), "keep");
  EXPECT_EQ(test::Listing(dir).find(".dv-save-"), std::string::npos) << test::Listing(dir);
}

TEST_F(AtomicFileTest, FailuresLeaveTheOldFileAndNoTemporary) {
  const std::string big(200000, 'x');
  struct Case {
    const char* name;
    std::function<void()> run;
    const char* outcome;
  } cases[] = {
      {"full disk",
       [&] {
         test::LimitFileSize(4096);
         AtomicFile f(old);
         f.Out().Write(big);
         f.Commit();
       },
       "61 "},
      {"an error while writing",
       [&] {
         AtomicFile f(old);
         f.Out().Write(big);
         f.Out().Flush();
         throw Error(err::Application, "stopped");
       },
       "50000 stopped"},
  };
  for (const Case& c : cases) {
    const std::string result = test::InChild(tree.Root(), [&] { return test::Outcome(c.run); });
    EXPECT_EQ(result.substr(0, std::string(c.outcome).size()), c.outcome) << c.name << ": " << result;
    EXPECT_EQ(test::TempTree::Read(old), "old report\r\n") << c.name;
    EXPECT_EQ(test::Listing(dir), "r.txt") << c.name;
  }
}

TEST_F(AtomicFileTest, AKilledWriterLeavesTheOldFile) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(ready[0]);
    try {
      AtomicFile f(old);
      f.Out().Write(std::string(1 << 20, 'k'));
      f.Out().Flush();
      if (::write(ready[1], "w", 1) != 1) ::_exit(1);
      for (;;) ::pause();  // killed here, half way
    } catch (...) {
      ::_exit(1);
    }
  }
  ::close(ready[1]);
  char c = 0;
  const bool written = ::read(ready[0], &c, 1) == 1;
  ::close(ready[0]);
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(written);
  EXPECT_EQ(test::TempTree::Read(old), "old report\r\n");
  // A kill gives no chance to remove the temporary: at most that one hidden file is left beside the target.
  std::smatch m;
  const std::string listing = test::Listing(dir);
  ASSERT_TRUE(std::regex_match(listing, m, std::regex(R"((\S+) r\.txt)"))) << listing;
  EXPECT_TRUE(std::regex_match(m[1].str(), kTemporary)) << listing;
}

TEST_F(AtomicFileTest, ReadBackReadsWhatWasWrittenFromItsStart) {
  AtomicFile f(old);
  f.Out().Write("first\r\nsecond");
  TextStream back = TextStream::Adopt(f.ReadBack(), "back", false);
  EXPECT_EQ(back.ReadAll(), "first\r\nsecond");
  f.Commit();
  EXPECT_EQ(test::TempTree::Read(old), "first\r\nsecond");
}

}  // namespace
}  // namespace dv
