// The program's own files in the private temporary folder: the single-instance lock can always be taken unless a
// live run holds it, and the session error log is never written through a link planted in its place.
#include <sys/stat.h>
#include <unistd.h>

#include <QLockFile>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/error_handler.h"
#include "platform/error.h"
#include "platform/temp_folder.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::FailsWith;
using test::InChild;
using test::TempTree;

// What start-up does before it goes on: "locked" or "refused" (another run holds the lock).
std::string StartUpLock(const std::string& folder) {
  ClearLockPath(folder, "dorvane.lock");
  QLockFile lock(QString::fromStdString(folder + "/dorvane.lock"));
  return lock.tryLock(0) ? "locked" : "refused";
}

// ---------------------------------------------------------------------------------------------------------------

TEST(InstanceLockTest, WhatIsNotALockFileIsClearedWithoutFollowingItAndTheLockTaken) {
  struct Case {
    const char* what;
    // Puts something at `lock`, using things outside the private folder that must stay as they are.
    std::function<void(TempTree&, const std::string& lock)> plant;
  };
  const Case cases[] = {
      {"a folder holding a link out", [](TempTree& t, const std::string& lock) {
         ::mkdir(lock.c_str(), 0700);
         ::symlink((t / "outside").c_str(), (lock + "/link").c_str());
         ::mkdir((lock + "/inner").c_str(), 0700);
       }},
      {"a link to a folder", [](TempTree& t, const std::string& lock) { ::symlink((t / "outside").c_str(), lock.c_str()); }},
      {"a link to a file",
       [](TempTree& t, const std::string& lock) { ::symlink((t / "outside/theirs.txt").c_str(), lock.c_str()); }},
      {"a dangling link",
       [](TempTree& t, const std::string& lock) { ::symlink((t / "outside/would-be").c_str(), lock.c_str()); }},
      {"a FIFO", [](TempTree&, const std::string& lock) { ::mkfifo(lock.c_str(), 0600); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempTree tree;
    test::IsolatedEnvironment env(tree);
    tree.File("outside/theirs.txt", "theirs");
    const std::string folder = PrivateTempFolder();
    c.plant(tree, folder + "/dorvane.lock");
    EXPECT_EQ(InChild(tree.Root(), [&] { return StartUpLock(folder); }), "locked");
    EXPECT_EQ(TempTree::Read(tree / "outside/theirs.txt"), "theirs");
    EXPECT_FALSE(TempTree::Exists(tree / "outside/would-be"));
  }
}

TEST(InstanceLockTest, ALockHeldByALiveRunStillKeepsASecondRunOut) {
  TempTree tree;
  test::IsolatedEnvironment env(tree);
  const std::string folder = PrivateTempFolder();
  QLockFile held(QString::fromStdString(folder + "/dorvane.lock"));
  ASSERT_TRUE(held.tryLock(0));
  EXPECT_EQ(InChild(tree.Root(), [&] { return StartUpLock(folder); }), "refused");
  held.unlock();
  EXPECT_EQ(InChild(tree.Root(), [&] { return StartUpLock(folder); }), "locked");
}

TEST(SessionErrorLogTest, ALinkPlantedInPlaceOfTheLogIsNeitherEmptiedNorWrittenThrough) {
  TempTree tree;
  test::IsolatedEnvironment env(tree);
  const std::string victim = tree.File("victim.txt", "precious");
  const std::string path = PrivateTempFolder() + "/DVcurerr.txt";
  ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);

  SessionErrorLog log(path);
  EXPECT_TRUE(FailsWith([&] { log.OpenSessionErrorLog(); }, err::PathFileAccess, path + " is a symbolic link"));
  log.WriteErrorLogRecord(53, "File not found", "FM:01", "");
  EXPECT_EQ(TempTree::Read(victim), "precious");
}

}  // namespace
}  // namespace dv
