// The file-system object on real trees: error numbers, move, copy and delete.
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/path.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using test::Contains;
using test::DeepCleanup;
using test::FailsWith;
using test::HandOver;
using test::InChild;
using test::kNobody;
using test::LimitFileSize;
using test::LStat;
using test::Outcome;
using test::TempTree;

std::string ReadLink(const std::string& path) {
  char buf[4096];
  ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
  return n < 0 ? std::string("<not a link>") : std::string(buf, static_cast<size_t>(n));
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> out;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") out.push_back(e->d_name);
    ::closedir(d);
  }
  return out;
}

// Names of copy temporaries left in `folder`.
std::vector<std::string> CopyLeftovers(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& n : Names(folder))
    if (n.rfind(".dv-copy-", 0) == 0) out.push_back(n);
  return out;
}

// Builds `levels` nested folders called `name` below `top` with relative calls only (the whole path may be far
// longer than PATH_MAX) and puts a file at the bottom. Returns the total path length.
size_t BuildDeep(const std::string& top, int levels, const std::string& name) {
  int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
  EXPECT_GE(fd, 0);
  for (int i = 0; i < levels; ++i) {
    EXPECT_EQ(::mkdirat(fd, name.c_str(), 0755), 0) << "level " << i;
    int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_GE(next, 0);
    ::close(fd);
    fd = next;
  }
  int f = ::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0444);
  EXPECT_GE(f, 0);
  EXPECT_EQ(::write(f, "x", 1), 1);
  ::close(f);
  ::close(fd);
  return top.size() + static_cast<size_t>(levels) * (name.size() + 1) + std::string("/bottom.txt").size();
}

// ---------------------------------------------------------------------------------------------------------------

TEST(FileSystemErrorsTest, MissingItemsAndExistingNamesGetTheirNumbersAndNameThePath) {
  TempTree tree;
  FileSystemObject fs;
  tree.File("here.txt", "x");
  const std::string missing = tree / "missing.txt";
  const std::string noParent = tree / "no-such-folder/item.txt";

  EXPECT_TRUE(FailsWith([&] { fs.GetFile(missing); }, err::FileNotFound, missing));
  EXPECT_TRUE(FailsWith([&] { fs.GetFile(noParent); }, err::PathNotFound, noParent));
  EXPECT_TRUE(FailsWith([&] { fs.DeleteFile(missing); }, err::FileNotFound, missing));
  EXPECT_TRUE(FailsWith([&] { fs.DeleteFile(noParent); }, err::PathNotFound, noParent));
  EXPECT_TRUE(FailsWith([&] { fs.GetFolder(tree / "nofolder"); }, err::PathNotFound, tree / "nofolder"));

  // A file standing where a folder should be is a missing path too.
  const std::string underFile = tree / "here.txt/inner.txt";
  EXPECT_TRUE(FailsWith([&] { fs.GetFile(underFile); }, err::PathNotFound, underFile));

  EXPECT_TRUE(FailsWith([&] { fs.CreateFolder(tree / "here.txt"); }, err::FileAlreadyExists, tree / "here.txt"));
  tree.Dir("sub");
  EXPECT_TRUE(FailsWith([&] { fs.CreateFolder(tree / "sub"); }, err::FileAlreadyExists, tree / "sub"));
  EXPECT_TRUE(FailsWith([&] { fs.CreateFolder(tree / "a/b"); }, err::PathNotFound, tree / "a/b"));

  // The mapping itself, for the numbers the callers test.
  EXPECT_EQ(ErrorFromErrno(ENOENT, missing).Number(), err::FileNotFound);
  EXPECT_EQ(ErrorFromErrno(ENOENT, noParent).Number(), err::PathNotFound);
  EXPECT_EQ(ErrorFromErrno(EEXIST, missing).Number(), err::FileAlreadyExists);
  Error denied = ErrorFromErrno(EACCES, missing);
  EXPECT_EQ(denied.Number(), err::PermissionDenied);
  EXPECT_TRUE(Contains(denied.Description(), "Permission denied")) << denied.Description();
  EXPECT_TRUE(Contains(denied.Description(), missing)) << denied.Description();
  EXPECT_STREQ(denied.what(), denied.Description().c_str());
}

TEST(FileSystemErrorsTest, PermissionDeniedBySystemCallsIs70) {
  TempTree tree;
  FileSystemObject fs;
  const std::string locked = tree.Dir("locked");
  tree.File("locked/inside.txt", "keep");
  const std::string free = tree.Dir("free");
  tree.File("free/mine.txt", "mine");
  HandOver(tree, tree.Root());
  ::chmod(locked.c_str(), 0555);

  std::string result = InChild(free, [&]() -> std::string {
    if (::access(locked.c_str(), X_OK) != 0) return "unreachable";
    std::string out;
    out += Outcome([&] { fs.CreateFolder(locked + "/new"); }) + "\n";
    out += Outcome([&] { fs.DeleteFile(locked + "/inside.txt"); }) + "\n";
    out += Outcome([&] { fs.CopyFile(free + "/mine.txt", locked + "/copy.txt", true); }) + "\n";
    out += Outcome([&] { fs.MoveFile(locked + "/inside.txt", free + "/moved.txt"); }) + "\n";
    out += Outcome([&] { fs.OpenTextFile(locked + "/made.txt", IOMode::ForWriting, true); }) + "\n";
    return out;
  }, /*asUser=*/true);
  if (result == "unreachable" || Contains(result, "cannot enter"))
    GTEST_SKIP() << "the temporary folder cannot be reached by another user";
  ASSERT_NE(result, "cannot change user");

  const std::string lines[] = {locked + "/new", locked + "/inside.txt", locked + "/copy.txt", locked + "/inside.txt",
                               locked + "/made.txt"};
  size_t start = 0;
  for (const std::string& path : lines) {
    size_t end = result.find('\n', start);
    ASSERT_NE(end, std::string::npos) << result;
    std::string line = result.substr(start, end - start);
    EXPECT_EQ(line.substr(0, 3), "70 ") << line;
    EXPECT_TRUE(Contains(line, path)) << line;
    start = end + 1;
  }
  EXPECT_EQ(TempTree::Read(locked + "/inside.txt"), "keep");
  EXPECT_TRUE(TempTree::Exists(free + "/mine.txt"));
  EXPECT_FALSE(TempTree::Exists(free + "/moved.txt"));
  EXPECT_EQ(Names(locked), std::vector<std::string>{"inside.txt"});
}

TEST(FileSystemErrorsTest, ItemsOfAnotherUserAreRefusedWith70AndStayAsTheyAre) {
  TempTree tree;
  FileSystemObject fs;
  if (::geteuid() != 0) GTEST_SKIP() << "needs items of another user";
  const std::string theirs = tree.Dir("theirs");
  const std::string secret = tree.File("theirs/secret.txt", "secret");
  const std::string closed = tree.Dir("theirs/closed");
  tree.File("theirs/closed/inner.txt", std::string(1000, 'i'));
  tree.File("theirs/open.txt", std::string(10, 'o'));
  const std::string free = tree.Dir("free");
  HandOver(tree, free);  // only "free" goes to the other user; the rest stays ours (root's)
  ::chmod(theirs.c_str(), 0755);
  ::chmod(secret.c_str(), 0600);
  ::chmod(closed.c_str(), 0700);
  tree.SetTimes("theirs/secret.txt", 1000000000, 1000000000);

  std::string result = InChild(free, [&]() -> std::string {
    if (::access(theirs.c_str(), X_OK) != 0) return "unreachable";
    std::vector<std::string> out;
    out.push_back(Outcome([&] { fs.CopyFile(secret, free + "/copy.txt", false); }));
    out.push_back(Outcome([&] { fs.OpenTextFile(secret); }));
    out.push_back(Outcome([&] { fs.GetFile(secret).Attributes(attr::ReadOnly); }));
    out.push_back(Outcome([&] { fs.GetFile(secret).Attributes(attr::Archive); }));
    out.push_back(Outcome([&] { fs.GetFile(secret).DateLastModified(DateTime{1200000000, 0}); }));
    out.push_back(Outcome([&] { fs.DeleteFile(secret); }));
    out.push_back(Outcome([&] { fs.MoveFile(secret, free + "/moved.txt"); }));
    out.push_back(Outcome([&] { fs.GetFolder(closed).Files(); }));
    std::string all;
    for (const auto& line : out) all += line + "\n";
    // An unreadable folder inside counts as empty: the size is still given.
    all += std::to_string(fs.GetFolder(theirs).Size()) + "\n";
    return all;
  }, /*asUser=*/true);
  if (result == "unreachable" || Contains(result, "cannot enter"))
    GTEST_SKIP() << "the temporary folder cannot be reached by another user";
  ASSERT_NE(result, "cannot change user");
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = result.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(result.substr(start, end - start));
  ASSERT_EQ(lines.size(), 9u) << result;
  for (size_t i = 0; i + 2 < lines.size(); ++i) {
    EXPECT_EQ(lines[i].substr(0, 3), "70 ") << i << ": " << lines[i];
    EXPECT_TRUE(Contains(lines[i], secret)) << i << ": " << lines[i];
  }
  EXPECT_EQ(lines[7].substr(0, 3), "70 ") << lines[7];
  EXPECT_TRUE(Contains(lines[7], closed)) << lines[7];
  EXPECT_EQ(lines[8], std::to_string(6 + 10));

  EXPECT_EQ(TempTree::Read(secret), "secret");
  EXPECT_EQ(LStat(secret).st_mode & 07777, 0600u);
  EXPECT_EQ(LStat(secret).st_mtim.tv_sec, 1000000000);
  char buf[16];
  EXPECT_LT(::getxattr(secret.c_str(), kDosAttrName, buf, sizeof buf), 0);
  EXPECT_TRUE(Names(free).empty());
}

// ---------------------------------------------------------------------------------------------------------------

TEST(MoveFileTest, RenamesFilesAndFoldersButNeverReplaces) {
  TempTree tree;
  FileSystemObject fs;
  const std::string a = tree.File("a.txt", "alpha");
  const std::string b = tree.File("b.txt", "beta");

  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(a, b); }, err::FileAlreadyExists, b));
  EXPECT_EQ(TempTree::Read(a), "alpha");
  EXPECT_EQ(TempTree::Read(b), "beta");

  // Not even an empty folder or a dangling link is replaced.
  const std::string emptyDir = tree.Dir("empty");
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(a, emptyDir); }, err::FileAlreadyExists, emptyDir));
  const std::string dangling = tree.Link("dangling", "nowhere");
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(a, dangling); }, err::FileAlreadyExists, dangling));
  EXPECT_EQ(ReadLink(dangling), "nowhere");
  EXPECT_EQ(TempTree::Read(a), "alpha");

  fs.MoveFile(a, tree / "renamed.txt");
  EXPECT_FALSE(TempTree::Exists(a));
  EXPECT_EQ(TempTree::Read(tree / "renamed.txt"), "alpha");

  // A folder moves with all it holds.
  tree.File("src/one.txt", "1");
  tree.File("src/deep/two.txt", "2");
  tree.Dir("dest");
  fs.MoveFile(tree / "src", tree / "dest/moved");
  EXPECT_FALSE(TempTree::Exists(tree / "src"));
  EXPECT_EQ(TempTree::Read(tree / "dest/moved/one.txt"), "1");
  EXPECT_EQ(TempTree::Read(tree / "dest/moved/deep/two.txt"), "2");
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(tree / "dest/moved", emptyDir); }, err::FileAlreadyExists, emptyDir));

  // A link moves as a link; its target stays where it is.
  tree.Dir("target");
  tree.File("target/t.txt", "t");
  const std::string link = tree.Link("to-target", tree / "target");
  fs.MoveFile(link, tree / "dest/link");
  EXPECT_EQ(ReadLink(tree / "dest/link"), tree / "target");
  EXPECT_EQ(TempTree::Read(tree / "target/t.txt"), "t");
  EXPECT_FALSE(TempTree::Exists(link));
}

TEST(MoveFileTest, ImpossibleMovesFailCleanly) {
  TempTree tree;
  FileSystemObject fs;
  const std::string file = tree.File("f.txt", "data");
  const std::string folder = tree.Dir("box");
  tree.File("box/inner/deep.txt", "deep");

  // Onto itself.
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(file, file); }, err::FileAlreadyExists, file));
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(folder, folder); }, err::FileAlreadyExists, folder));
  EXPECT_EQ(TempTree::Read(file), "data");

  // Into its own subfolder.
  try {
    fs.MoveFile(folder, tree / "box/inner/again");
    ADD_FAILURE() << "a folder moved into itself";
  } catch (const Error& e) {
    EXPECT_NE(e.Number(), 0);
    EXPECT_TRUE(Contains(e.Description(), folder)) << e.Description();
  }
  EXPECT_EQ(TempTree::Read(tree / "box/inner/deep.txt"), "deep");
  EXPECT_FALSE(TempTree::Exists(tree / "box/inner/again"));

  // A missing source, and a destination in a folder that does not exist: the error names the missing part.
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(tree / "none.txt", tree / "x.txt"); }, err::FileNotFound,
                        tree / "none.txt"));
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(file, tree / "nofolder/f.txt"); }, err::PathNotFound,
                        tree / "nofolder/f.txt"));
  EXPECT_EQ(TempTree::Read(file), "data");
}

TEST(MoveFileTest, AFileMovesToAnotherFileSystemAFolderDoesNot) {
  TempTree tree;
  FileSystemObject fs;
  struct stat here {}, shm {};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(tree.Root().c_str(), &here) != 0 || here.st_dev == shm.st_dev)
    GTEST_SKIP() << "no second file system to move to";
  std::string other = "/dev/shm/dvtest-XXXXXX";
  if (!::mkdtemp(other.data())) GTEST_SKIP() << "cannot make a folder on the second file system";
  DeepCleanup cleanup{other};

  const std::string file = tree.File("far.txt", "travels");
  ::chmod(file.c_str(), 0640);
  tree.SetTimes("far.txt", 1000000000, 1100000000);
  fs.MoveFile(file, other + "/far.txt");
  EXPECT_FALSE(TempTree::Exists(file));
  EXPECT_EQ(TempTree::Read(other + "/far.txt"), "travels");
  struct stat st = LStat(other + "/far.txt");
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
  EXPECT_TRUE(CopyLeftovers(other).empty());

  // Never replaces there either.
  const std::string second = tree.File("second.txt", "2nd");
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(second, other + "/far.txt"); }, err::FileAlreadyExists,
                        other + "/far.txt"));
  EXPECT_EQ(TempTree::Read(other + "/far.txt"), "travels");
  EXPECT_EQ(TempTree::Read(second), "2nd");

  const std::string folder = tree.Dir("stay");
  tree.File("stay/x.txt", "x");
  EXPECT_TRUE(FailsWith([&] { fs.MoveFile(folder, other + "/stay"); }, err::DifferentDevice));
  EXPECT_EQ(TempTree::Read(tree / "stay/x.txt"), "x");
  EXPECT_FALSE(TempTree::Exists(other + "/stay"));
}

// ---------------------------------------------------------------------------------------------------------------

TEST(CopyFileTest, OverwriteRulesAndNoTemporariesLeft) {
  TempTree tree;
  FileSystemObject fs;
  const std::string src = tree.File("src.bin", std::string("new\0data\r\n", 10));
  const std::string dst = tree.File("out/dst.bin", "old contents");
  tree.SetTimes("out/dst.bin", 1000000000, 1000000000);
  const std::string out = tree / "out";

  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(src, dst, false); }, err::FileAlreadyExists, dst));
  EXPECT_EQ(TempTree::Read(dst), "old contents");
  EXPECT_EQ(LStat(dst).st_mtim.tv_sec, 1000000000);
  EXPECT_TRUE(CopyLeftovers(out).empty());

  fs.CopyFile(src, dst, true);
  EXPECT_EQ(TempTree::Read(dst), std::string("new\0data\r\n", 10));
  EXPECT_TRUE(CopyLeftovers(out).empty());

  fs.CopyFile(src, out + "/fresh.bin", false);
  EXPECT_EQ(TempTree::Read(out + "/fresh.bin"), std::string("new\0data\r\n", 10));
  EXPECT_TRUE(CopyLeftovers(out).empty());

  // A read-only destination stays, overwrite or not.
  const std::string ro = tree.File("out/ro.txt", "protected");
  ::chmod(ro.c_str(), 0444);
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(src, ro, true); }, err::PermissionDenied, ro));
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(src, ro, false); }, err::FileAlreadyExists, ro));
  EXPECT_EQ(TempTree::Read(ro), "protected");
  ::chmod(ro.c_str(), 0464);  // others may write, the owner may not: still read-only
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(src, ro, true); }, err::PermissionDenied, ro));
  EXPECT_EQ(TempTree::Read(ro), "protected");

  // A folder is never replaced by a file.
  tree.File("out/folder/keep.txt", "k");
  EXPECT_ANY_THROW(fs.CopyFile(src, out + "/folder", true));
  EXPECT_EQ(TempTree::Read(out + "/folder/keep.txt"), "k");
  EXPECT_TRUE(CopyLeftovers(out).empty());

  // Copying a file onto itself keeps it whole.
  fs.CopyFile(src, src, true);
  EXPECT_EQ(TempTree::Read(src), std::string("new\0data\r\n", 10));
  EXPECT_TRUE(CopyLeftovers(tree.Root()).empty());
}

// Names created in `folder` while `action` runs (inotify sees even a file that is renamed away again).
std::vector<std::string> CreatedDuring(const std::string& folder, const std::function<void()>& action) {
  std::vector<std::string> names;
  int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0 || ::inotify_add_watch(fd, folder.c_str(), IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
    ADD_FAILURE() << "cannot watch " << folder;
    if (fd >= 0) ::close(fd);
    return names;
  }
  action();
  alignas(inotify_event) char buf[8192];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) {
    for (char* p = buf; p < buf + n;) {
      auto* ev = reinterpret_cast<inotify_event*>(p);
      if (ev->len > 0) names.emplace_back(ev->name);
      p += sizeof(inotify_event) + ev->len;
    }
  }
  ::close(fd);
  return names;
}

bool AnyCopyTemporary(const std::vector<std::string>& names) {
  return std::any_of(names.begin(), names.end(), [](const std::string& n) { return n.rfind(".dv-copy-", 0) == 0; });
}

TEST(CopyFileTest, TheTemporaryIsWrittenBesideTheDestination) {
  TempTree tree;
  FileSystemObject fs;
  const std::string src = tree.File("a/src.txt", "payload");
  const std::string link = tree.Link("a/link", "src.txt");
  const std::string elsewhere = tree.Dir("cwd");
  const std::string b = tree.Dir("b");
  tree.File("b/existing.txt", "old");

  // The current folder, on the same file system, must not take part, for a short path or a relative one, a
  // new or a replaced destination, a file or a link.
  std::string result;
  std::vector<std::string> seen = CreatedDuring(elsewhere, [&] {
    result = InChild(elsewhere, [&] {
      std::string out = Outcome([&] { fs.CopyFile(src, b + "/dst.txt", false); });
      out += " " + Outcome([&] { fs.CopyFile(src, b + "/existing.txt", true); });
      out += " " + Outcome([&] { fs.CopyFile(link, b + "/link-copy", false); });
      out += " " + Outcome([&] { fs.CopyFile("../a/src.txt", "../b/relative.txt", false); });
      return out;
    });
  });
  EXPECT_EQ(result, "ok ok ok ok");
  EXPECT_FALSE(AnyCopyTemporary(seen)) << "a temporary was made in the current folder";
  EXPECT_TRUE(Names(elsewhere).empty());
  EXPECT_EQ(TempTree::Read(b + "/dst.txt"), "payload");
  EXPECT_EQ(TempTree::Read(b + "/existing.txt"), "payload");
  EXPECT_EQ(ReadLink(b + "/link-copy"), "src.txt");
  EXPECT_EQ(TempTree::Read(b + "/relative.txt"), "payload");
  EXPECT_TRUE(CopyLeftovers(b).empty());
  EXPECT_TRUE(CopyLeftovers(tree / "a").empty());

  // A current folder on another file system: a temporary there could not even be renamed into place.
  struct stat here {}, shm {};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(tree.Root().c_str(), &here) != 0 || here.st_dev == shm.st_dev)
    return;
  std::string other = "/dev/shm/dvtest-XXXXXX";
  ASSERT_TRUE(::mkdtemp(other.data()));
  DeepCleanup cleanup{other};
  seen = CreatedDuring(other, [&] {
    result = InChild(other, [&] {
      std::string out = Outcome([&] { fs.CopyFile(src, b + "/far.txt", false); });
      out += " " + Outcome([&] { fs.CopyFile(src, b + "/far.txt", true); });
      return out;
    });
  });
  EXPECT_EQ(result, "ok ok");
  EXPECT_FALSE(AnyCopyTemporary(seen));
  EXPECT_TRUE(Names(other).empty());
  EXPECT_EQ(TempTree::Read(b + "/far.txt"), "payload");
  EXPECT_TRUE(CopyLeftovers(b).empty());
}

TEST(CopyFileTest, ATakenTemporaryNameIsNeitherUsedNorBlamedOnTheDestination) {
  TempTree tree;
  FileSystemObject fs;
  const std::string src = tree.File("src.txt", "payload");
  const std::string folder = tree.Dir("out");
  // Replacing a file goes through a named temporary (a new file is written unnamed).
  for (const char* name : {"seed.txt", "one.txt", "two.txt"}) tree.File(std::string("out/") + name, "old");
  fs.CopyFile(src, folder + "/seed.txt", true);  // this process has drawn temporary names before it forks

  // A child forked now draws its first name; a file of someone else's is then put under that name, and a second
  // child, forked from the same state, copies into the same folder.
  std::string result;
  std::vector<std::string> seen = CreatedDuring(folder, [&] {
    result = InChild(tree.Root(), [&] { return Outcome([&] { fs.CopyFile(src, folder + "/one.txt", true); }); });
  });
  ASSERT_EQ(result, "ok");
  auto taken = std::find_if(seen.begin(), seen.end(), [](const std::string& n) { return n.rfind(".dv-copy-", 0) == 0; });
  ASSERT_NE(taken, seen.end());
  const std::string theirs = tree.File("out/" + *taken, "theirs");

  result = InChild(tree.Root(), [&] { return Outcome([&] { fs.CopyFile(src, folder + "/two.txt", true); }); });
  EXPECT_EQ(result, "ok");
  EXPECT_EQ(TempTree::Read(folder + "/two.txt"), "payload");
  EXPECT_EQ(TempTree::Read(theirs), "theirs");
  EXPECT_EQ(CopyLeftovers(folder), std::vector<std::string>{*taken});
}

TEST(CopyFileTest, MissingItemsAndFolderSources) {
  TempTree tree;
  FileSystemObject fs;
  const std::string src = tree.File("s.txt", "s");
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(tree / "none.txt", tree / "d.txt", true); }, err::FileNotFound,
                        tree / "none.txt"));
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(tree / "nofolder/none.txt", tree / "d.txt", true); },
                        err::PathNotFound, tree / "nofolder/none.txt"));
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(src, tree / "nofolder/d.txt", true); }, err::PathNotFound,
                        tree / "nofolder/d.txt"));
  EXPECT_FALSE(TempTree::Exists(tree / "d.txt"));
  tree.Dir("folder");
  EXPECT_ANY_THROW(fs.CopyFile(tree / "folder", tree / "folder2", true));
  EXPECT_FALSE(TempTree::Exists(tree / "folder2"));
  EXPECT_TRUE(CopyLeftovers(tree.Root()).empty());
}

TEST(CopyFileTest, KeepsModeTimesAndStoredBits) {
  TempTree tree;
  FileSystemObject fs;
  const std::string src = tree.File("src.txt", "payload");
  ::chmod(src.c_str(), 0640);
  struct timespec ts[2] = {{1200000000, 111}, {1300000000, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, src.c_str(), ts, 0), 0);
  bool xattrs = ::setxattr(src.c_str(), kDosAttrName, "0x24", 4, 0) == 0;

  fs.CopyFile(src, tree / "copy.txt", false);
  struct stat st = LStat(tree / "copy.txt");
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1300000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
  EXPECT_EQ(TempTree::Read(tree / "copy.txt"), "payload");
  if (xattrs) {
    char buf[16] = {};
    ssize_t n = ::getxattr((tree / "copy.txt").c_str(), kDosAttrName, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "0x24");
  }

  // A read-only source gives a read-only copy, and an executable stays executable.
  const std::string ro = tree.File("ro.sh", "#!/bin/sh\n");
  ::chmod(ro.c_str(), 0555);
  fs.CopyFile(ro, tree / "ro-copy.sh", false);
  EXPECT_EQ(LStat(tree / "ro-copy.sh").st_mode & 07777, 0555u);
  EXPECT_EQ(TempTree::Read(tree / "ro-copy.sh"), "#!/bin/sh\n");

  // Larger than any single buffer.
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  const std::string bigSrc = tree.File("big.bin", big);
  fs.CopyFile(bigSrc, tree / "big-copy.bin", false);
  EXPECT_TRUE(TempTree::Read(tree / "big-copy.bin") == big);
}

TEST(CopyFileTest, LinksAreCopiedAsLinksAndReplacedAsLinks) {
  TempTree tree;
  FileSystemObject fs;
  const std::string outside = tree.File("outside/target.txt", "target data");
  const std::string rel = tree.Link("dir/rel-link", "../outside/target.txt");
  const std::string dangling = tree.Link("dir/dangling", "does/not/exist");
  const std::string toFolder = tree.Link("dir/to-folder", tree / "outside");

  fs.CopyFile(rel, tree / "dir/rel-copy", false);
  EXPECT_TRUE(S_ISLNK(LStat(tree / "dir/rel-copy").st_mode));
  EXPECT_EQ(ReadLink(tree / "dir/rel-copy"), "../outside/target.txt");
  fs.CopyFile(dangling, tree / "dir/dangling-copy", false);
  EXPECT_EQ(ReadLink(tree / "dir/dangling-copy"), "does/not/exist");
  fs.CopyFile(toFolder, tree / "dir/folder-copy", false);
  EXPECT_EQ(ReadLink(tree / "dir/folder-copy"), tree / "outside");
  EXPECT_EQ(Names(tree / "outside"), std::vector<std::string>{"target.txt"});

  // A link at the destination is replaced itself; what it points to is not written through.
  const std::string src = tree.File("new.txt", "new data");
  const std::string linkDst = tree.Link("dir/dst-link", outside);
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(src, linkDst, false); }, err::FileAlreadyExists, linkDst));
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(src, dangling, false); }, err::FileAlreadyExists, dangling));
  EXPECT_EQ(ReadLink(dangling), "does/not/exist");
  fs.CopyFile(src, linkDst, true);
  EXPECT_TRUE(S_ISREG(LStat(linkDst).st_mode));
  EXPECT_EQ(TempTree::Read(linkDst), "new data");
  EXPECT_EQ(TempTree::Read(outside), "target data");
  EXPECT_TRUE(CopyLeftovers(tree / "dir").empty());
}

TEST(CopyFileTest, FifosAndDevicesAreRefusedWithoutBlocking) {
  TempTree tree;
  FileSystemObject fs;
  const std::string fifo = tree.Fifo("pipe");
  std::string result =
      InChild(tree.Root(), [&] { return Outcome([&] { fs.CopyFile(fifo, tree / "pipe-copy", false); }); });
  EXPECT_NE(result.substr(0, 2), "ok") << result;
  EXPECT_TRUE(Contains(result, fifo)) << result;
  EXPECT_FALSE(Contains(result, "blocked")) << result;
  EXPECT_FALSE(TempTree::Exists(tree / "pipe-copy"));
  EXPECT_TRUE(CopyLeftovers(tree.Root()).empty());

  // A FIFO that has a writer is refused just the same (its data is never taken).
  int keepOpen = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(keepOpen, 0);
  ASSERT_EQ(::write(keepOpen, "queued", 6), 6);
  result = InChild(tree.Root(), [&] { return Outcome([&] { fs.CopyFile(fifo, tree / "pipe-copy", true); }); });
  EXPECT_NE(result.substr(0, 2), "ok") << result;
  EXPECT_FALSE(Contains(result, "blocked")) << result;
  char buf[16];
  EXPECT_EQ(::read(keepOpen, buf, sizeof buf), 6);
  ::close(keepOpen);
  EXPECT_FALSE(TempTree::Exists(tree / "pipe-copy"));

  if (TempTree::Exists("/dev/zero")) {
    // An endless device: the child may not write more than a little, so a wrong copy cannot fill the disk.
    result = InChild(tree.Root(), [&] {
      LimitFileSize(1 << 20);
      return Outcome([&] { fs.CopyFile("/dev/zero", tree / "zero-copy", false); });
    });
    EXPECT_NE(result.substr(0, 2), "ok") << result;
    EXPECT_FALSE(Contains(result, "blocked")) << result;
    EXPECT_FALSE(TempTree::Exists(tree / "zero-copy"));
    EXPECT_TRUE(CopyLeftovers(tree.Root()).empty());
  }
}

TEST(CopyFileTest, AFailedWriteLeavesTheDestinationAndNoTemporary) {
  TempTree tree;
  FileSystemObject fs;
  const std::string src = tree.File("big.bin", std::string(200000, 'b'));
  const std::string dst = tree.File("dst.bin", "original");
  // The child may write only 4 KiB per file, so the copy fails part-way, as on a full disk.
  std::string result = InChild(tree.Root(), [&] {
    LimitFileSize(4096);
    return Outcome([&] { fs.CopyFile(src, dst, true); });
  });
  EXPECT_EQ(result.substr(0, 3), "61 ") << result;
  EXPECT_TRUE(Contains(result, dst)) << result;
  EXPECT_EQ(TempTree::Read(dst), "original");
  EXPECT_TRUE(CopyLeftovers(tree.Root()).empty());
}

// ---------------------------------------------------------------------------------------------------------------

TEST(DeleteFolderTest, LinksInsideAreRemovedNeverFollowed) {
  TempTree tree;
  FileSystemObject fs;
  const std::string outside = tree.Dir("outside");
  tree.File("outside/precious.txt", "keep me");
  tree.File("outside/sub/more.txt", "and me");
  tree.File("doomed/a.txt", "a");
  tree.File("doomed/.hidden", "h");
  tree.Link("doomed/link-to-outside", outside);
  tree.Link("doomed/deeper/link-to-file", outside + "/precious.txt");
  tree.Link("doomed/deeper/dangling", tree / "nowhere");
  tree.Fifo("doomed/deeper/pipe");
  const std::string ro = tree.File("doomed/ro/readonly.txt", "r");
  ::chmod(ro.c_str(), 0444);
  ::chmod((tree / "doomed/ro").c_str(), 0555);

  fs.DeleteFolder(tree / "doomed");
  EXPECT_FALSE(TempTree::Exists(tree / "doomed"));
  EXPECT_EQ(TempTree::Read(outside + "/precious.txt"), "keep me");
  EXPECT_EQ(TempTree::Read(outside + "/sub/more.txt"), "and me");

  // A link given as the folder: only the link goes.
  const std::string link = tree.Link("link-as-path", outside);
  fs.DeleteFolder(link);
  EXPECT_FALSE(TempTree::Exists(link));
  EXPECT_EQ(TempTree::Read(outside + "/precious.txt"), "keep me");
  EXPECT_EQ(TempTree::Read(outside + "/sub/more.txt"), "and me");
  // Also when written with a trailing "/".
  const std::string link2 = tree.Link("link-as-path2", outside);
  fs.DeleteFolder(link2 + "/");
  EXPECT_FALSE(TempTree::Exists(link2));
  EXPECT_EQ(TempTree::Read(outside + "/sub/more.txt"), "and me");
}

TEST(DeleteFolderTest, MissingFoldersFilesAndWrongKinds) {
  TempTree tree;
  FileSystemObject fs;
  EXPECT_TRUE(FailsWith([&] { fs.DeleteFolder(tree / "none"); }, err::PathNotFound, tree / "none"));
  EXPECT_TRUE(FailsWith([&] { fs.DeleteFolder(tree / "none/deeper"); }, err::PathNotFound, tree / "none/deeper"));
  const std::string file = tree.File("file.txt", "f");
  EXPECT_ANY_THROW(fs.DeleteFolder(file));
  EXPECT_EQ(TempTree::Read(file), "f");

  const std::string folder = tree.Dir("folder");
  tree.File("folder/inside.txt", "i");
  EXPECT_TRUE(FailsWith([&] { fs.DeleteFile(folder); }, err::FileNotFound, folder));
  EXPECT_EQ(TempTree::Read(folder + "/inside.txt"), "i");

  // DeleteFile takes read-only files, dangling links and links to folders (not what they point to).
  const std::string ro = tree.File("ro.txt", "r");
  ::chmod(ro.c_str(), 0444);
  fs.DeleteFile(ro);
  EXPECT_FALSE(TempTree::Exists(ro));
  const std::string dangling = tree.Link("dangling", tree / "gone");
  fs.DeleteFile(dangling);
  EXPECT_FALSE(TempTree::Exists(dangling));
  const std::string toFolder = tree.Link("to-folder", folder);
  fs.DeleteFile(toFolder);
  EXPECT_FALSE(TempTree::Exists(toFolder));
  EXPECT_EQ(TempTree::Read(folder + "/inside.txt"), "i");
  const std::string fifo = tree.Fifo("pipe");
  fs.DeleteFile(fifo);
  EXPECT_FALSE(TempTree::Exists(fifo));
  EXPECT_TRUE(FailsWith([&] { fs.DeleteFile(ro); }, err::FileNotFound, ro));
}

TEST(DeleteFolderTest, AnEmptyPathNamesNothingNeverTheCurrentFolder) {
  TempTree tree;
  FileSystemObject fs;
  // Run where the current folder is a throwaway one of the test's own: whatever happens, only it is at stake.
  const std::string cwd = tree.Dir("current");
  tree.File("current/keep.txt", "keep");
  tree.Dir("current/sub");
  const std::string src = tree.File("src.txt", "s");
  std::string result = InChild(cwd, [&] {
    std::string out;
    out += Outcome([&] { fs.DeleteFolder(""); }) + "\n";
    out += Outcome([&] { fs.DeleteFolder("", false); }) + "\n";
    out += Outcome([&] { fs.DeleteFile(""); }) + "\n";
    out += Outcome([&] { fs.CopyFile(src, "", true); }) + "\n";
    out += Outcome([&] { fs.CopyFile("", tree / "copy.txt", true); }) + "\n";
    out += Outcome([&] { fs.MoveFile("", tree / "moved"); }) + "\n";
    out += Outcome([&] { fs.MoveFile(src, ""); }) + "\n";
    out += Outcome([&] { fs.CreateFolder(""); }) + "\n";
    out += Outcome([&] { fs.GetFolder(""); }) + "\n";
    out += Outcome([&] { fs.GetFile(""); }) + "\n";
    out += Outcome([&] { fs.CreateTextFile("", true); }) + "\n";
    out += Outcome([&] { fs.OpenTextFile("", IOMode::ForWriting, true); }) + "\n";
    out += Outcome([&] { TreeSize(""); }) + "\n";
    out += std::string(fs.FileExists("") ? "exists" : "no") + (fs.FolderExists("") ? "exists" : "no") + "\n";
    return out;
  });
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = result.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(result.substr(start, end - start));
  ASSERT_EQ(lines.size(), 14u) << result;
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].substr(0, 3), "52 ") << i << ": " << lines[i];
  EXPECT_EQ(lines.back(), "nono");
  EXPECT_EQ(TempTree::Read(cwd + "/keep.txt"), "keep");
  EXPECT_TRUE(TempTree::Exists(cwd + "/sub"));
  EXPECT_EQ(TempTree::Read(src), "s");
  EXPECT_FALSE(TempTree::Exists(tree / "copy.txt"));
  EXPECT_FALSE(TempTree::Exists(tree / "moved"));
  EXPECT_TRUE(CopyLeftovers(cwd).empty());
}

TEST(DeleteFolderTest, TheRootFolderIsNeverDeleted) {
  TempTree tree;
  FileSystemObject fs;
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to shut the check into a folder of its own";
  // The child is shut into a folder of the test's own (chroot) and becomes another user before it asks for "/",
  // so a missing guard can only empty that folder.
  const std::string jail = tree.Dir("jail");
  const std::string marker = "dv-jail-" + NameOfPath(tree.Root());
  tree.File("jail/" + marker, "marker");
  tree.File("jail/sub/keep.txt", "keep");
  tree.File("jail/tmp/keep.txt", "keep");
  HandOver(tree, jail);
  std::string result = InChild(jail, [&]() -> std::string {
    if (::chroot(jail.c_str()) != 0 || ::chdir("/") != 0) return "no chroot";
    if (!TempTree::Exists("/" + marker) || TempTree::Exists(tree.Root())) return "no chroot";
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) return "no chroot";
    std::string out;
    for (const char* path : {"/", "//", "/.", "/tmp/..", "/sub/../.", ".", ".."})
      out += Outcome([&] { fs.DeleteFolder(path, true); }) + "\n";
    return out;
  });
  if (result == "no chroot") GTEST_SKIP() << "cannot shut a process into a folder here";
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = result.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(result.substr(start, end - start));
  ASSERT_EQ(lines.size(), 7u) << result;
  for (const std::string& line : lines) EXPECT_EQ(line.substr(0, 3), "70 ") << line;
  EXPECT_EQ(TempTree::Read(jail + "/" + marker), "marker");
  EXPECT_EQ(TempTree::Read(jail + "/sub/keep.txt"), "keep");
  EXPECT_EQ(TempTree::Read(jail + "/tmp/keep.txt"), "keep");
}

TEST(DeleteFolderTest, DeepTreesGoCompletely) {
  TempTree tree;
  FileSystemObject fs;
  const std::string top = tree.Dir("deep300");
  DeepCleanup c1{top};
  BuildDeep(top, 300, "d");
  fs.DeleteFolder(top);
  EXPECT_FALSE(TempTree::Exists(top));

  // Longer than PATH_MAX as a whole, and deeper than the number of handles kept open.
  const std::string longTop = tree.Dir("deeplong");
  DeepCleanup c2{longTop};
  size_t length = BuildDeep(longTop, 150, std::string(60, 'n'));
  ASSERT_GT(length, 2u * PATH_MAX);
  fs.DeleteFolder(longTop);
  EXPECT_FALSE(TempTree::Exists(longTop));
  EXPECT_TRUE(Names(tree.Root()).empty());
}

TEST(DeleteFolderTest, ForceOpensUpFoldersOfOurOwnThatRefuse) {
  TempTree tree;
  FileSystemObject fs;
  const std::string top = tree.Dir("top");
  tree.File("top/ro-folder/a.txt", "a");
  tree.File("top/ro-folder/inner/b.txt", "b");
  tree.File("top/closed/c.txt", "c");
  tree.File("top/plain.txt", "p");
  const std::string second = tree.Dir("second");
  tree.File("second/ro-folder/a.txt", "a");
  tree.File("second/other/x.txt", "x");
  tree.File("second/y.txt", "y");
  const std::string cwd = tree.Dir("current");
  HandOver(tree, tree.Root());
  ::chmod((tree / "top/ro-folder").c_str(), 0555);
  ::chmod((tree / "top/ro-folder/inner").c_str(), 0555);
  ::chmod((tree / "top/closed").c_str(), 0);
  ::chmod((tree / "second/ro-folder").c_str(), 0555);

  std::string result = InChild(cwd, [&]() -> std::string {
    if (::access(top.c_str(), W_OK | X_OK) != 0) return "unreachable";
    std::string forced = Outcome([&] { fs.DeleteFolder(top, true); });
    std::string unforced = Outcome([&] { fs.DeleteFolder(second, false); });
    return forced + "\n" + unforced;
  }, /*asUser=*/true);
  if (result == "unreachable" || Contains(result, "cannot enter"))
    GTEST_SKIP() << "the temporary folder cannot be reached by another user";
  ASSERT_NE(result, "cannot change user");
  size_t nl = result.find('\n');
  ASSERT_NE(nl, std::string::npos) << result;
  EXPECT_EQ(result.substr(0, nl), "ok");
  EXPECT_FALSE(TempTree::Exists(top));

  // Without force the refusal is reported (naming the item), and everything else still goes.
  std::string unforced = result.substr(nl + 1);
  EXPECT_EQ(unforced.substr(0, 3), "70 ") << unforced;
  EXPECT_TRUE(Contains(unforced, second + "/ro-folder/a.txt")) << unforced;
  EXPECT_EQ(TempTree::Read(second + "/ro-folder/a.txt"), "a");
  EXPECT_FALSE(TempTree::Exists(second + "/other"));
  EXPECT_FALSE(TempTree::Exists(second + "/y.txt"));
}

// ---------------------------------------------------------------------------------------------------------------

TEST(LongPathsTest, EveryOperationWorksBeyondPathMax) {
  TempTree tree;
  FileSystemObject fs;
  const std::string top = tree.Dir("long");
  DeepCleanup cleanup{top};
  const std::string name(120, 'p');
  BuildDeep(top, 45, name);
  std::string deep = top;
  for (int i = 0; i < 45; ++i) deep += "/" + name;
  ASSERT_GT(deep.size(), static_cast<size_t>(PATH_MAX));
  const std::string bottom = deep + "/bottom.txt";
  const std::string shallow = tree.File("shallow.txt", "shallow");

  EXPECT_TRUE(fs.FileExists(bottom));
  EXPECT_TRUE(fs.FolderExists(deep));
  EXPECT_EQ(fs.GetAbsolutePathName(deep + "/./x/.."), deep);
  Folder made = fs.CreateFolder(deep + "/made");
  EXPECT_EQ(made.Path(), deep + "/made");
  EXPECT_TRUE(FailsWith([&] { fs.CreateFolder(deep + "/made"); }, err::FileAlreadyExists, "made"));
  EXPECT_TRUE(FailsWith([&] { fs.CreateFolder(deep + "/none/x"); }, err::PathNotFound, "none/x"));

  fs.CopyFile(bottom, deep + "/copy.txt", false);
  fs.CopyFile(shallow, deep + "/made/in.txt", false);
  fs.CopyFile(bottom, tree / "out.txt", false);
  EXPECT_EQ(TempTree::Read(tree / "out.txt"), "x");
  EXPECT_TRUE(FailsWith([&] { fs.CopyFile(shallow, deep + "/copy.txt", false); }, err::FileAlreadyExists,
                        "copy.txt"));
  fs.MoveFile(deep + "/made/in.txt", tree / "moved-out.txt");
  EXPECT_EQ(TempTree::Read(tree / "moved-out.txt"), "shallow");
  fs.MoveFile(tree / "moved-out.txt", deep + "/moved-in.txt");
  {
    TextStream out = fs.CreateTextFile(deep + "/text.txt");
    out.WriteLine("deep text");
  }
  EXPECT_EQ(fs.OpenTextFile(deep + "/text.txt").ReadLine(), "deep text");
  EXPECT_EQ(fs.OpenTextFile(deep + "/moved-in.txt").ReadAll(), "shallow");

  // What is there now, seen through a handle of the deep folder.
  int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 45 && fd >= 0; ++i) {
    int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
  }
  ASSERT_GE(fd, 0);
  std::vector<std::string> names;
  if (DIR* d = ::fdopendir(::dup(fd))) {
    while (dirent* e = ::readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"bottom.txt", "copy.txt", "made", "moved-in.txt", "text.txt"}));

  fs.DeleteFile(deep + "/copy.txt");
  fs.DeleteFolder(deep + "/made");
  EXPECT_TRUE(FailsWith([&] { fs.DeleteFile(deep + "/copy.txt"); }, err::FileNotFound, "copy.txt"));
  EXPECT_NE(::faccessat(fd, "bottom.txt", F_OK, AT_SYMLINK_NOFOLLOW), -1);
  EXPECT_EQ(::faccessat(fd, "copy.txt", F_OK, AT_SYMLINK_NOFOLLOW), -1);
  EXPECT_EQ(::faccessat(fd, "made", F_OK, AT_SYMLINK_NOFOLLOW), -1);
  ::close(fd);

  // A long path deleted as a whole from its middle.
  fs.DeleteFolder(deep.substr(0, deep.size() - 20 * (name.size() + 1)));
  EXPECT_FALSE(fs.FolderExists(deep));
  EXPECT_TRUE(fs.FolderExists(top + "/" + name));
}

TEST(LongPathsTest, ADoubledSlashWhereALongPathIsSplitStaysInThePath) {
  TempTree tree;
  // Folder names chosen so that a "/" falls exactly where the first piece of the folder part ends; a doubled "/"
  // there must not make the next piece start again at the root.
  const std::string top = tree.Dir("split");
  DeepCleanup cleanup{top};
  const std::string name(100, 'q');
  size_t firstLength = 1;
  while ((PATH_MAX - (top.size() + 1 + firstLength)) % (name.size() + 1) != 0) ++firstLength;
  const std::string first(firstLength, 'f');
  int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  std::string path = top;
  for (int i = 0; i < 50; ++i) {
    const std::string& n = i == 0 ? first : name;
    ASSERT_EQ(::mkdirat(fd, n.c_str(), 0755), 0);
    int next = ::openat(fd, n.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    ASSERT_GE(fd, 0);
    path += "/" + n;
  }
  int f = ::openat(fd, "end.txt", O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(f, 0);
  ::close(f);
  ::close(fd);
  path += "/end.txt";
  ASSERT_EQ(path[PATH_MAX], '/');
  std::string doubled = path.substr(0, PATH_MAX) + "/" + path.substr(PATH_MAX);

  PathRef ref(doubled);
  struct stat st {};
  EXPECT_EQ(::fstatat(ref.Dir(), ref.Name(), &st, AT_SYMLINK_NOFOLLOW), 0) << std::strerror(errno);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_STREQ(ref.Name(), "end.txt");
  // The same path as the operations take it.
  EXPECT_TRUE(FileSystemObject().FileExists(doubled));
  EXPECT_EQ(FileSystemObject().GetFile(doubled).Path(), path);
}

// ---------------------------------------------------------------------------------------------------------------

TEST(FileSystemTest, ExistenceFollowsLinksAsTheUserSeesThePath) {
  TempTree tree;
  FileSystemObject fs;
  const std::string file = tree.File("f.txt");
  const std::string folder = tree.Dir("d");
  const std::string toFile = tree.Link("to-file", file);
  const std::string toFolder = tree.Link("to-folder", folder);
  const std::string dangling = tree.Link("dangling", tree / "none");
  const std::string fifo = tree.Fifo("pipe");

  EXPECT_TRUE(fs.FileExists(file));
  EXPECT_FALSE(fs.FolderExists(file));
  EXPECT_TRUE(fs.FolderExists(folder));
  EXPECT_TRUE(fs.FolderExists(folder + "/"));
  EXPECT_FALSE(fs.FileExists(folder));
  EXPECT_TRUE(fs.FileExists(toFile));
  EXPECT_TRUE(fs.FolderExists(toFolder));
  EXPECT_FALSE(fs.FileExists(toFolder));
  EXPECT_TRUE(fs.FileExists(dangling));
  EXPECT_FALSE(fs.FolderExists(dangling));
  EXPECT_TRUE(fs.FileExists(fifo));
  EXPECT_FALSE(fs.FileExists(tree / "none"));
  EXPECT_FALSE(fs.FolderExists(tree / "none"));
  EXPECT_FALSE(fs.FileExists(""));
  EXPECT_FALSE(fs.FolderExists(""));
  EXPECT_TRUE(fs.DriveExists("/"));
  EXPECT_FALSE(fs.DriveExists(tree / "none"));

  Folder made = fs.CreateFolder(tree / "made");
  EXPECT_EQ(made.Path(), tree / "made");
  EXPECT_TRUE(fs.FolderExists(tree / "made"));
}

}  // namespace
}  // namespace dv
