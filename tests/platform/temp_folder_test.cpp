// The private temporary folder: where it lives, the mode it is made with whatever the umask, and what is refused
// without being touched.
#include "platform/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/error.h"
#include "platform/file_system.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::FailsWith;
using test::InChild;
using test::kNobody;
using test::LStat;
using test::TempTree;

std::string ReadLink(const std::string& path) {
  char buf[4096];
  ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
  return n < 0 ? std::string("<not a link>") : std::string(buf, static_cast<size_t>(n));
}

std::string Mode(const std::string& path) {
  char text[16];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(LStat(path).st_mode & 07777));
  return text;
}

// ---------------------------------------------------------------------------------------------------------------

TEST(PrivateTempFolderTest, LivesInTheRuntimeFolderOrTheTemporaryFolder) {
  TempTree tree;
  test::IsolatedEnvironment env(tree);
  env.Set("TMPDIR", tree.Dir("systmp"));

  const std::string expected = env.RuntimeDir() + "/dorvane";
  EXPECT_EQ(PrivateTempFolder(), expected);
  EXPECT_TRUE(S_ISDIR(LStat(expected).st_mode));
  EXPECT_EQ(PrivateTempFolder(), expected);  // a second call takes the same folder
  EXPECT_EQ(FileSystemObject().GetSpecialFolder(SpecialFolder::Temporary).Path(), expected);

  // Without a runtime folder: under the system's temporary folder, named for the user.
  env.Set("XDG_RUNTIME_DIR", nullptr);
  const std::string fallback = tree / ("systmp/dorvane-" + std::to_string(::getuid()));
  EXPECT_EQ(PrivateTempFolder(), fallback);
  EXPECT_TRUE(S_ISDIR(LStat(fallback).st_mode));
}

TEST(PrivateTempFolderTest, ANewFolderIsMode0700WhateverTheUmask) {
  for (mode_t mask : {0022, 0277, 0777}) {
    char trace[32];
    std::snprintf(trace, sizeof trace, "umask %04o", static_cast<unsigned>(mask));
    SCOPED_TRACE(trace);
    TempTree tree;
    test::IsolatedEnvironment env(tree);
    std::string made = InChild(tree.Root(), [mask] {
      ::umask(mask);
      return PrivateTempFolder();
    });
    EXPECT_EQ(made, env.RuntimeDir() + "/dorvane");
    EXPECT_EQ(Mode(env.RuntimeDir() + "/dorvane"), "0700");
  }
}

TEST(PrivateTempFolderTest, RefusesWhatItDidNotMakeItselfAndLeavesItAlone) {
  struct Case {
    const char* what;
    // Puts something at `path`; returns a description of what must still be there afterwards.
    std::function<std::function<std::string()>(TempTree&, const std::string& path)> plant;
    std::string why;
    bool asRootOnly;
  };
  const Case cases[] = {
      {"a link to a folder elsewhere",
       [](TempTree& t, const std::string& path) {
         const std::string elsewhere = t.Dir("elsewhere");
         t.File("elsewhere/theirs.txt", "theirs");
         ::chmod(elsewhere.c_str(), 0755);
         ::symlink(elsewhere.c_str(), path.c_str());
         return std::function<std::string()>([&t, path, elsewhere] {
           return ReadLink(path) + " " + Mode(elsewhere) + " " + TempTree::Read(elsewhere + "/theirs.txt");
         });
       },
       "it is a symbolic link", false},
      {"a dangling link",
       [](TempTree& t, const std::string& path) {
         ::symlink((t / "would-be").c_str(), path.c_str());
         return std::function<std::string()>(
             [&t, path] { return ReadLink(path) + (TempTree::Exists(t / "would-be") ? " made" : ""); });
       },
       "it is a symbolic link", false},
      {"a plain file",
       [](TempTree&, const std::string& path) {
         FILE* f = std::fopen(path.c_str(), "w");
         std::fputs("not a folder", f);
         std::fclose(f);
         return std::function<std::string()>([path] { return TempTree::Read(path); });
       },
       "it is not a folder", false},
      {"our folder opened to everyone, with a link planted in it",
       [](TempTree& t, const std::string& path) {
         ::mkdir(path.c_str(), 0700);
         ::chmod(path.c_str(), 0777);
         const std::string victim = t.File("victim.txt", "precious");
         ::symlink(victim.c_str(), (path + "/DVcurerr.txt").c_str());
         return std::function<std::string()>([path, victim] {
           return Mode(path) + " " + ReadLink(path + "/DVcurerr.txt") + " " + TempTree::Read(victim);
         });
       },
       "its mode is 0777, not 0700", false},
      {"our folder readable by the group",
       [](TempTree&, const std::string& path) {
         ::mkdir(path.c_str(), 0700);
         ::chmod(path.c_str(), 0750);
         return std::function<std::string()>([path] { return Mode(path); });
       },
       "its mode is 0750, not 0700", false},
      {"a folder of another user, mode 0700",
       [](TempTree&, const std::string& path) {
         ::mkdir(path.c_str(), 0700);
         ::chown(path.c_str(), kNobody, kNobody);
         return std::function<std::string()>(
             [path] { return Mode(path) + " " + std::to_string(LStat(path).st_uid); });
       },
       "it belongs to another user", true},
  };
  for (const Case& c : cases) {
    if (c.asRootOnly && ::geteuid() != 0) continue;
    SCOPED_TRACE(c.what);
    TempTree tree;
    test::IsolatedEnvironment env(tree);
    const std::string path = env.RuntimeDir() + "/dorvane";
    auto state = c.plant(tree, path);
    const std::string before = state();
    EXPECT_TRUE(FailsWith([] { PrivateTempFolder(); }, err::PermissionDenied,
                          "The temporary folder " + path + " cannot be used: " + c.why));
    EXPECT_EQ(state(), before);
  }
}

}  // namespace
}  // namespace dv
