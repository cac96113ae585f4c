// Folder and file records on real trees: type texts, sizes, listings, parents, times and attribute bits.
#include "platform/fs_records.h"
#include "platform/name_order.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"
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
using test::LStat;
using test::Outcome;
using test::TempTree;

mode_t ModeOf(const std::string& path) { return LStat(path).st_mode & 07777; }

// The stored attribute text of `path` (following a link), or "<none>" when there is none.
std::string DosAttr(const std::string& path) {
  char buf[64];
  ssize_t n = ::getxattr(path.c_str(), kDosAttrName, buf, sizeof buf);
  return n < 0 ? std::string("<none>") : std::string(buf, static_cast<size_t>(n));
}

// Whether the file system of `folder` keeps user.* extended attributes; errno tells why not.
bool XattrsKept(const std::string& folder) {
  std::string probe = folder + "/.xattr-probe";
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = ::fsetxattr(fd, "user.dv-probe", "1", 1, 0) == 0;
  int e = errno;
  ::close(fd);
  ::unlink(probe.c_str());
  errno = e;
  return ok;
}

std::set<std::string> NamesOf(const auto& collection) {
  std::set<std::string> out;
  for (const auto& item : collection) out.insert(item.Name());
  return out;
}

// ---------------------------------------------------------------------------------------------------------------

TEST(RecordsTest, TypeTextsOfFilesAndFolders) {
  TempTree tree;
  FileSystemObject fs;
  const std::pair<const char*, const char*> cases[] = {
      {"notes.txt", "TXT File"},     {"README", "File"},       {"report.tar.gz", "GZ File"},
      {".profile", "PROFILE File"},  {"foo.", "File"},         {"Mixed.Md", "MD File"},
      {"caf\xc3\xa9.\xc3\xa9x", "\xc3\xa9X File"},  // only ASCII letters are upper-cased
  };
  for (const auto& [name, type] : cases) {
    tree.File(name, "x");
    EXPECT_EQ(fs.GetFile(tree / name).Type(), type) << name;
  }
  // The extension is the last name's, never a folder's.
  tree.File("dir.d/plain", "x");
  EXPECT_EQ(fs.GetFile(tree / "dir.d/plain").Type(), "File");
  // A link is typed by its own name, not its target's.
  tree.Link("link-to-notes", tree / "notes.txt");
  EXPECT_EQ(fs.GetFile(tree / "link-to-notes").Type(), "File");

  tree.Dir("folder.txt");
  EXPECT_EQ(fs.GetFolder(tree / "folder.txt").Type(), "File Folder");
  EXPECT_EQ(fs.GetFolder("/").Type(), "File Folder");
  // Records from a listing give the same texts.
  int typed = 0;
  for (const File& f : fs.GetFolder(tree.Root()).Files()) {
    EXPECT_EQ(f.Type(), FileTypeText(f.Name()));
    if (f.Name() == "report.tar.gz") {
      EXPECT_EQ(f.Type(), "GZ File");
      ++typed;
    }
  }
  EXPECT_EQ(typed, 1);
}

TEST(RecordsTest, FolderSizeIsEveryByteBelowWithLinksByTheirOwnSize) {
  TempTree tree;
  FileSystemObject fs;
  const std::string top = tree.Dir("top");
  tree.File("top/a.txt", std::string(1000, 'a'));
  tree.File("top/.hidden", std::string(20, 'h'));
  tree.File("top/sub/b.bin", std::string(300, 'b'));
  tree.File("top/.hidden-dir/c", std::string(7, 'c'));
  tree.File("top/sub/deeper/deepest/d", std::string(4096 * 3 + 1, 'd'));
  tree.Dir("top/empty");
  // Outside the tree: a large file that the links below point to must not be counted.
  tree.File("outside/big.bin", std::string(500000, 'o'));
  const std::string fileTarget = tree / "outside/big.bin";
  const std::string folderTarget = tree / "outside";
  tree.Link("top/link-to-file", fileTarget);
  tree.Link("top/sub/link-to-folder", folderTarget);
  tree.Fifo("top/pipe");
  const uint64_t expected = 1000 + 20 + 300 + 7 + (4096 * 3 + 1) + fileTarget.size() + folderTarget.size();

  Folder folder = fs.GetFolder(top);
  EXPECT_EQ(folder.Size(), expected);
  EXPECT_EQ(TreeSize(top), expected);
  EXPECT_EQ(fs.GetFolder(top + "/sub").Size(), 300 + (4096 * 3 + 1) + folderTarget.size());
  EXPECT_EQ(fs.GetFolder(top + "/empty").Size(), 0u);

  // Measured once: the record keeps its first answer (a walk that already knows the total gives it instead).
  tree.File("top/later.txt", std::string(50, 'l'));
  EXPECT_EQ(folder.Size(), expected);
  EXPECT_EQ(fs.GetFolder(top).Size(), expected + 50);
  Folder given = fs.GetFolder(top);
  given.SetSize(12345);
  EXPECT_EQ(given.Size(), 12345u);

  // A link given as the folder is followed (it is where a walk starts); links below it are still not.
  const std::string topLink = tree.Link("top-link", top);
  EXPECT_EQ(fs.GetFolder(topLink).Size(), expected + 50);
}

TEST(RecordsTest, FolderSizeGoesDeeperThanTheOpenHandles) {
  TempTree tree;
  FileSystemObject fs;
  // More levels than handles kept open, with a file at every level and a sibling after each subfolder, so the
  // walk has to come back up through reopened folders to finish.
  std::string rel = "top";
  uint64_t expected = 0;
  for (int i = 0; i < 130; ++i) {
    rel += "/l";
    tree.File(rel + "/f", std::string(static_cast<size_t>(i % 5 + 1), 'x'));
    tree.File(rel + "/z", "zz");
    expected += static_cast<uint64_t>(i % 5 + 1) + 2;
  }
  EXPECT_EQ(fs.GetFolder(tree / "top").Size(), expected);
}

TEST(RecordsTest, SubFoldersAndFilesListWhatIsThereLinksAndFifosAmongFiles) {
  TempTree tree;
  FileSystemObject fs;
  const std::string top = tree.Dir("top");
  tree.File("top/one.txt", "1");
  tree.File("top/.hidden", "h");
  tree.Dir("top/sub");
  tree.Dir("top/.hidden-sub");
  tree.File("top/sub/inner.txt", "not at this level");
  tree.Link("top/link-to-folder", top + "/sub");
  tree.Link("top/link-to-file", top + "/one.txt");
  tree.Link("top/dangling", top + "/none");
  tree.Fifo("top/pipe");

  Folder folder = fs.GetFolder(top);
  ItemCollection<Folder> subs = folder.SubFolders();
  ItemCollection<File> files = folder.Files();
  EXPECT_EQ(subs.Count(), 2);
  EXPECT_EQ(NamesOf(subs), (std::set<std::string>{"sub", ".hidden-sub"}));
  EXPECT_EQ(files.Count(), 6);
  EXPECT_EQ(NamesOf(files),
            (std::set<std::string>{"one.txt", ".hidden", "link-to-folder", "link-to-file", "dangling", "pipe"}));
  for (const File& f : files) {
    EXPECT_EQ(f.Path(), top + "/" + f.Name());
    if (f.Name() == "link-to-folder") {
      EXPECT_TRUE(f.IsLink());
    } else if (f.Name() == "pipe") {
      EXPECT_TRUE(S_ISFIFO(f.Info().mode));
    } else if (f.Name() == "one.txt") {
      EXPECT_EQ(f.Size(), 1u);
    }
  }
  for (const Folder& s : subs) EXPECT_EQ(s.Path(), top + "/" + s.Name());

  // Name order, as NTFS lists a folder, whatever order the file system keeps.
  std::vector<std::string> ours;
  for (const File& f : files) ours.push_back(f.Name());
  EXPECT_EQ(ours, (std::vector<std::string>{".hidden", "dangling", "link-to-file", "link-to-folder", "one.txt",
                                            "pipe"}));

  // A link given as the folder is listed through; the records keep the path as given.
  Folder viaLink = fs.GetFolder(top + "/link-to-folder");
  ASSERT_EQ(viaLink.Files().Count(), 1);
  EXPECT_EQ(viaLink.Files()[0].Path(), top + "/link-to-folder/inner.txt");
  EXPECT_EQ(fs.GetFolder(top + "/.hidden-sub").Files().Count(), 0);
  EXPECT_EQ(fs.GetFolder(top + "/.hidden-sub").SubFolders().Count(), 0);

  // The root folder lists without a doubled "/".
  for (const Folder& s : fs.GetFolder("/").SubFolders()) {
    EXPECT_EQ(s.Path(), "/" + s.Name());
    break;
  }
}

TEST(RecordsTest, RootAndParentFolders) {
  TempTree tree;
  FileSystemObject fs;
  const std::string file = tree.File("a/b/c.txt", "c");

  Folder root = fs.GetFolder("/");
  EXPECT_TRUE(root.IsRootFolder());
  EXPECT_TRUE(fs.GetFolder("/./tmp/..").IsRootFolder());
  EXPECT_FALSE(fs.GetFolder(tree.Root()).IsRootFolder());
  EXPECT_TRUE(FailsWith([&] { root.ParentFolder(); }, err::PathNotFound));

  File f = fs.GetFile(file);
  EXPECT_EQ(f.ParentFolderPath(), tree / "a/b");
  Folder parent = f.ParentFolder();
  EXPECT_EQ(parent.Path(), tree / "a/b");
  EXPECT_FALSE(parent.IsRootFolder());
  EXPECT_EQ(parent.ParentFolder().Path(), tree / "a");

  // Walking upward ends at the root, and the root is reached as "/".
  Folder up = parent;
  int steps = 0;
  while (!up.IsRootFolder() && steps < 100) {
    up = up.ParentFolder();
    ++steps;
  }
  EXPECT_EQ(up.Path(), "/");
  EXPECT_LT(steps, 100);

  // An item in the root has "/" as its parent; a parent that has gone is a missing path.
  EXPECT_TRUE(fs.GetFolder("/tmp").ParentFolder().IsRootFolder());
  const std::string gone = tree.File("gone/x.txt", "x");
  File orphan = fs.GetFile(gone);
  ::unlink(gone.c_str());
  ::rmdir((tree / "gone").c_str());
  EXPECT_TRUE(FailsWith([&] { orphan.ParentFolder(); }, err::PathNotFound, tree / "gone"));
}

TEST(RecordsTest, TimesAreReadAndSetOnTheItemItself) {
  TempTree tree;
  FileSystemObject fs;
  const std::string file = tree.File("f.txt", "data");
  tree.SetTimes("f.txt", 1000000000, 1100000000);
  File f = fs.GetFile(file);
  EXPECT_EQ(f.DateLastModified(), (DateTime{1100000000, 0}));
  EXPECT_EQ(f.DateLastAccessed(), (DateTime{1000000000, 0}));
  // The creation time is the birth (or status-change) time, not the modification time that was set.
  EXPECT_GT(f.DateCreated().seconds, 1100000000);

  f.DateLastModified(DateTime{1234567890, 123456789});
  struct stat st = LStat(file);
  EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
  EXPECT_EQ(st.st_atim.tv_sec, 1000000000);  // the other time is left alone
  EXPECT_EQ(f.DateLastModified(), (DateTime{1234567890, 123456789}));

  f.DateLastAccessed(DateTime{1300000000, 5});
  st = LStat(file);
  EXPECT_EQ(st.st_atim.tv_sec, 1300000000);
  EXPECT_EQ(st.st_atim.tv_nsec, 5);
  EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
  File again = fs.GetFile(file);
  EXPECT_EQ(again.DateLastAccessed(), (DateTime{1300000000, 5}));
  EXPECT_EQ(again.DateLastModified(), (DateTime{1234567890, 123456789}));

  // Folders take times too.
  tree.Dir("d");
  Folder d = fs.GetFolder(tree / "d");
  d.DateLastModified(DateTime{1400000000, 0});
  EXPECT_EQ(LStat(tree / "d").st_mtim.tv_sec, 1400000000);
  EXPECT_EQ(fs.GetFolder(tree / "d").DateLastModified().seconds, 1400000000);

  // On a link, the link's own times change and the target's stay.
  const std::string link = tree.Link("link", file);
  File l = fs.GetFile(link);
  l.DateLastModified(DateTime{1500000000, 0});
  EXPECT_EQ(LStat(link).st_mtim.tv_sec, 1500000000);
  EXPECT_EQ(LStat(file).st_mtim.tv_sec, 1234567890);

  // The creation time cannot be set: a clear error naming the item, and nothing changes.
  DateTime createdBefore = fs.GetFile(file).DateCreated();
  EXPECT_TRUE(FailsWith([&] { f.DateCreated(DateTime{946684800, 0}); }, err::PathFileAccess, file));
  try {
    f.DateCreated(DateTime{946684800, 0});
  } catch (const Error& e) {
    EXPECT_TRUE(Contains(e.Description(), "creation")) << e.Description();
  }
  EXPECT_EQ(fs.GetFile(file).DateCreated(), createdBefore);
  EXPECT_EQ(LStat(file).st_mtim.tv_sec, 1234567890);

  // An item that has gone since its record was made: the error names it.
  const std::string gone = tree.File("gone.txt", "g");
  File goneRecord = fs.GetFile(gone);
  ::unlink(gone.c_str());
  EXPECT_TRUE(FailsWith([&] { goneRecord.DateLastModified(DateTime{1100000000, 0}); }, err::FileNotFound, gone));
}

TEST(RecordsTest, LocalTimesUseTheOffsetInForceOnTheirOwnDate) {
  // Central European rules written out, so that no zone database is needed: +1 in winter, +2 in summer.
  test::LocalZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  // 2026-01-15 12:00 local is 11:00 UTC; 2026-07-15 12:00 local is 10:00 UTC, whatever today's state is.
  EXPECT_EQ(DateTime::FromLocal({2026, 1, 15, 12, 0, 0}).seconds, 1768474800);
  EXPECT_EQ(DateTime::FromLocal({2026, 7, 15, 12, 0, 0}).seconds, 1784109600);
  LocalTime summer = DateTime{1784109600, 0}.ToLocal();
  EXPECT_EQ(summer.hour, 12);
  EXPECT_EQ(summer.day, 15);
  EXPECT_EQ(summer.month, 7);

  // The start of the day the clocks go forward (2026-03-29) is midnight of the winter offset.
  DateTime afternoon = DateTime::FromLocal({2026, 3, 29, 15, 0, 0});
  EXPECT_EQ(afternoon.seconds, 1774789200);
  EXPECT_EQ(afternoon.StartOfLocalDay().seconds, 1774738800);
  // ... and of the day they go back (2026-10-25), midnight of the summer offset.
  EXPECT_EQ(DateTime::FromLocal({2026, 10, 25, 15, 0, 0}).StartOfLocalDay().seconds, 1792879200);

  // The general date text: month first, 12-hour clock, no leading zero on the hour.
  EXPECT_EQ((DateTime{1784109600, 0}).GeneralDate(), "7/15/2026 12:00:00 PM");
  EXPECT_EQ(DateTime::FromLocal({2026, 12, 7, 19, 46, 28}).GeneralDate(), "12/7/2026 7:46:28 PM");
  EXPECT_EQ(DateTime::FromLocal({2026, 1, 1, 0, 0, 5}).GeneralDate(), "1/1/2026 12:00:05 AM");
  EXPECT_EQ(DateTime::FromLocal({1999, 12, 31, 23, 59, 59}).GeneralDate(), "12/31/1999 11:59:59 PM");

  // A file's time set from a local summer date reads back as that date.
  TempTree tree;
  FileSystemObject fs;
  const std::string file = tree.File("f.txt", "x");
  fs.GetFile(file).DateLastModified(DateTime::FromLocal({2026, 7, 15, 23, 30, 0}));
  LocalTime back = fs.GetFile(file).DateLastModified().ToLocal();
  EXPECT_EQ(back.day, 15);
  EXPECT_EQ(back.hour, 23);
  EXPECT_EQ(back.minute, 30);
}

TEST(RecordsTest, AttributesComeFromTypePermissionsNameAndStoredBits) {
  TempTree tree;
  FileSystemObject fs;
  auto attrs = [&](const std::string& rel) { return fs.GetFile(tree / rel).Attributes(); };

  tree.File("plain.txt");
  ::chmod((tree / "plain.txt").c_str(), 0644);
  EXPECT_EQ(attrs("plain.txt"), 0);
  tree.File("ro.txt");
  ::chmod((tree / "ro.txt").c_str(), 0444);
  EXPECT_EQ(attrs("ro.txt"), attr::ReadOnly);
  tree.File("others-write.txt");
  ::chmod((tree / "others-write.txt").c_str(), 0466);  // writable for others, not for the owner
  EXPECT_EQ(attrs("others-write.txt"), attr::ReadOnly);
  tree.File("owner-only.txt");
  ::chmod((tree / "owner-only.txt").c_str(), 0200);
  EXPECT_EQ(attrs("owner-only.txt"), 0);
  tree.File(".dotted");
  EXPECT_EQ(attrs(".dotted"), attr::Hidden);

  tree.Dir("folder");
  ::chmod((tree / "folder").c_str(), 0755);
  EXPECT_EQ(fs.GetFolder(tree / "folder").Attributes(), attr::Directory);
  tree.Dir(".hidden-folder");
  ::chmod((tree / ".hidden-folder").c_str(), 0555);
  EXPECT_EQ(fs.GetFolder(tree / ".hidden-folder").Attributes(), attr::Directory | attr::Hidden | attr::ReadOnly);

  // Links: never read-only, hidden only by name, whatever their target.
  tree.Link("link-to-ro", tree / "ro.txt");
  EXPECT_EQ(attrs("link-to-ro"), 0);
  tree.Link(".dot-link", tree / "plain.txt");
  EXPECT_EQ(attrs(".dot-link"), attr::Hidden);
  tree.Link("link-to-folder", tree / "folder");
  EXPECT_EQ(attrs("link-to-folder"), 0);

  if (!XattrsKept(tree.Root())) {
    ASSERT_TRUE(errno == ENOTSUP || errno == EOPNOTSUPP) << "probe failed: " << std::strerror(errno);
    EXPECT_EQ(attrs("plain.txt"), 0);  // nothing stored, nothing read
    return;
  }
  // Stored bits, as other programs write them.
  const std::string stored = tree.File("stored.txt");
  ASSERT_EQ(::setxattr(stored.c_str(), kDosAttrName, "0x26", 4, 0), 0);
  EXPECT_EQ(attrs("stored.txt"), attr::Hidden | attr::System | attr::Archive);
  ASSERT_EQ(::setxattr(stored.c_str(), kDosAttrName, "0x20\0", 5, 0), 0);  // counted terminating zero
  EXPECT_EQ(attrs("stored.txt"), attr::Archive);
  ASSERT_EQ(::setxattr(stored.c_str(), kDosAttrName, "0X4", 3, 0), 0);
  EXPECT_EQ(attrs("stored.txt"), attr::System);
  ASSERT_EQ(::setxattr(stored.c_str(), kDosAttrName, "0x811", 5, 0), 0);  // bits we do not keep are not reported
  EXPECT_EQ(attrs("stored.txt"), 0);
  ::chmod(stored.c_str(), 0444);
  EXPECT_EQ(attrs("stored.txt"), attr::ReadOnly);
  for (const char* junk : {"junk", "0x", "0xzz", "20", "0x2 trailing"}) {
    ASSERT_EQ(::setxattr(stored.c_str(), kDosAttrName, junk, std::strlen(junk), 0), 0);
    EXPECT_EQ(attrs("stored.txt"), attr::ReadOnly) << junk;
  }
  // A folder keeps stored bits too.
  ASSERT_EQ(::setxattr((tree / "folder").c_str(), kDosAttrName, "0x2", 3, 0), 0);
  EXPECT_EQ(fs.GetFolder(tree / "folder").Attributes(), attr::Directory | attr::Hidden);
  // A link never reports its target's stored bits.
  ASSERT_EQ(::setxattr((tree / "plain.txt").c_str(), kDosAttrName, "0x6", 3, 0), 0);
  tree.Link("link-to-plain", tree / "plain.txt");
  EXPECT_EQ(attrs("link-to-plain"), 0);
}

TEST(RecordsTest, SettingReadOnlyTakesEveryWriteBitAndClearingGivesTheOwnersBack) {
  TempTree tree;
  FileSystemObject fs;
  const std::string file = tree.File("f.txt", "data");
  ::chmod(file.c_str(), 0666);
  File f = fs.GetFile(file);
  f.Attributes(attr::ReadOnly);
  EXPECT_EQ(ModeOf(file), 0444u);
  EXPECT_EQ(fs.GetFile(file).Attributes(), attr::ReadOnly);
  EXPECT_EQ(f.Attributes(), attr::ReadOnly);  // the record sees its own change
  f.Attributes(0);
  EXPECT_EQ(ModeOf(file), 0644u);
  EXPECT_EQ(fs.GetFile(file).Attributes(), 0);

  // Other bits of the mode stay as they were; the directory bit in the value changes nothing.
  ::chmod(file.c_str(), 0775);
  File exec = fs.GetFile(file);
  exec.Attributes(attr::ReadOnly | attr::Directory);
  EXPECT_EQ(ModeOf(file), 0555u);
  exec.Attributes(attr::Directory);
  EXPECT_EQ(ModeOf(file), 0755u);
  EXPECT_EQ(TempTree::Read(file), "data");

  // Folders the same way.
  const std::string folder = tree.Dir("folder");
  ::chmod(folder.c_str(), 0777);
  Folder d = fs.GetFolder(folder);
  d.Attributes(attr::ReadOnly | attr::Directory);
  EXPECT_EQ(ModeOf(folder), 0555u);
  EXPECT_EQ(fs.GetFolder(folder).Attributes(), attr::Directory | attr::ReadOnly);
  d.Attributes(attr::Directory);
  EXPECT_EQ(ModeOf(folder), 0755u);

  // A record made before someone else changed the item: the change starts from the item as it is now, so it
  // neither misses the bit nor gives back permissions taken away meanwhile.
  const std::string other = tree.File("other.txt");
  ::chmod(other.c_str(), 0644);
  File stale = fs.GetFile(other);
  ::chmod(other.c_str(), 0444);
  stale.Attributes(0);
  EXPECT_EQ(ModeOf(other), 0644u);
  File stale2 = fs.GetFile(other);
  ::chmod(other.c_str(), 0600);
  stale2.Attributes(attr::ReadOnly);
  EXPECT_EQ(ModeOf(other), 0400u);
}

TEST(RecordsTest, HiddenSystemAndArchiveAreStoredAsHexText) {
  TempTree tree;
  FileSystemObject fs;
  const std::string file = tree.File("f.txt", "data");
  ::chmod(file.c_str(), 0644);

  if (!XattrsKept(tree.Root())) {
    // Without extended attributes the change fails for the item, with a clear error, and nothing else changes.
    ASSERT_TRUE(errno == ENOTSUP || errno == EOPNOTSUPP) << "probe failed: " << std::strerror(errno);
    File f = fs.GetFile(file);
    EXPECT_TRUE(FailsWith([&] { f.Attributes(attr::Archive); }, err::PathFileAccess, file));
    try {
      f.Attributes(attr::Hidden | attr::ReadOnly);
    } catch (const Error& e) {
      EXPECT_TRUE(Contains(e.Description(), "extended attributes")) << e.Description();
    }
    EXPECT_EQ(fs.GetFile(file).Attributes() & attr::Stored, 0);
    return;
  }

  File f = fs.GetFile(file);
  f.Attributes(attr::Hidden | attr::System | attr::Archive);
  EXPECT_EQ(DosAttr(file), "0x26");
  EXPECT_EQ(fs.GetFile(file).Attributes(), attr::Hidden | attr::System | attr::Archive);
  EXPECT_EQ(ModeOf(file), 0644u);

  f.Attributes(attr::Archive | attr::ReadOnly);
  EXPECT_EQ(DosAttr(file), "0x20");
  EXPECT_EQ(ModeOf(file), 0444u);
  EXPECT_EQ(fs.GetFile(file).Attributes(), attr::Archive | attr::ReadOnly);

  // No bit left: the attribute goes altogether.
  f.Attributes(0);
  EXPECT_EQ(DosAttr(file), "<none>");
  EXPECT_EQ(ModeOf(file), 0644u);
  EXPECT_EQ(fs.GetFile(file).Attributes(), 0);
  f.Attributes(0);  // clearing what is not there is no error
  EXPECT_EQ(DosAttr(file), "<none>");

  // Bits that other programs keep in the same attribute survive our changes.
  ASSERT_EQ(::setxattr(file.c_str(), kDosAttrName, "0x100", 5, 0), 0);
  File foreign = fs.GetFile(file);
  foreign.Attributes(attr::Archive);
  EXPECT_EQ(ParseDosAttr(DosAttr(file)), 0x120);
  foreign.Attributes(0);
  EXPECT_EQ(ParseDosAttr(DosAttr(file)), 0x100);

  // A name with a leading "." is hidden whatever is stored; asking to clear hidden changes nothing stored.
  const std::string dotted = tree.File(".dotted", "d");
  File dot = fs.GetFile(dotted);
  dot.Attributes(attr::Hidden | attr::System);
  EXPECT_EQ(ParseDosAttr(DosAttr(dotted)) & attr::System, attr::System);
  dot.Attributes(0);
  EXPECT_EQ(ParseDosAttr(DosAttr(dotted)) & attr::System, 0);
  EXPECT_EQ(fs.GetFile(dotted).Attributes(), attr::Hidden);

  // Folders keep the bits as well.
  const std::string folder = tree.Dir("folder");
  Folder d = fs.GetFolder(folder);
  d.Attributes(attr::Directory | attr::Hidden);
  EXPECT_EQ(DosAttr(folder), "0x2");
  EXPECT_EQ(fs.GetFolder(folder).Attributes(), attr::Directory | attr::Hidden);
  EXPECT_EQ(fs.GetFolder(tree.Root()).SubFolders()[0].Attributes(), attr::Directory | attr::Hidden);
}

TEST(RecordsTest, ALinkKeepsNoBitsChangingThemFailsAndTheTargetStays) {
  TempTree tree;
  FileSystemObject fs;
  const std::string target = tree.File("target.txt", "t");
  ::chmod(target.c_str(), 0644);
  const std::string link = tree.Link("link", target);
  const std::string dotLink = tree.Link(".dot-link", target);
  File l = fs.GetFile(link);

  EXPECT_TRUE(FailsWith([&] { l.Attributes(attr::ReadOnly); }, err::PermissionDenied, link));
  EXPECT_TRUE(FailsWith([&] { l.Attributes(attr::Archive); }, err::PermissionDenied, link));
  EXPECT_TRUE(FailsWith([&] { l.Attributes(attr::Hidden); }, err::PermissionDenied, link));
  EXPECT_EQ(ModeOf(target), 0644u);
  EXPECT_EQ(DosAttr(target), "<none>");
  EXPECT_TRUE(S_ISLNK(LStat(link).st_mode));
  // Giving a link the bits it already has is no change and no error.
  EXPECT_EQ(Outcome([&] { l.Attributes(0); }), "ok");
  File d = fs.GetFile(dotLink);
  EXPECT_EQ(Outcome([&] { d.Attributes(d.Attributes()); }), "ok");
  EXPECT_EQ(Outcome([&] { d.Attributes(attr::Hidden); }), "ok");
  EXPECT_TRUE(FailsWith([&] { d.Attributes(attr::Hidden | attr::System); }, err::PermissionDenied, dotLink));
  EXPECT_EQ(DosAttr(target), "<none>");

  // Devices and FIFOs cannot keep user attributes: the change fails for that item and names it.
  const std::string fifo = tree.Fifo("pipe");
  File p = fs.GetFile(fifo);
  EXPECT_TRUE(FailsWith([&] { p.Attributes(attr::Archive); }, err::PermissionDenied, fifo));
  try {
    p.Attributes(attr::System);
  } catch (const Error& e) {
    EXPECT_TRUE(Contains(e.Description(), "files and folders")) << e.Description();
  }
}

TEST(RecordsTest, TheOwnerChangesBitsOfItsOwnFilesWithoutBeingRoot) {
  TempTree tree;
  FileSystemObject fs;
  const std::string dir = tree.Dir("mine");
  const std::string writable = tree.File("mine/writable.txt", "w");
  const std::string readOnly = tree.File("mine/read-only.txt", "r");
  ::chmod(writable.c_str(), 0644);
  ::chmod(readOnly.c_str(), 0444);
  HandOver(tree, dir);
  bool xattrs = XattrsKept(dir);

  std::string result = InChild(dir, [&]() -> std::string {
    if (::access(writable.c_str(), W_OK) != 0) return "unreachable";
    std::string out;
    // Read-only and a stored bit at once, in both directions.
    out += Outcome([&] { fs.GetFile(writable).Attributes(attr::ReadOnly | attr::Archive); }) + "\n";
    out += Outcome([&] { fs.GetFile(writable).Attributes(attr::Hidden); }) + "\n";
    // A stored bit on a read-only file: it stays read-only.
    out += Outcome([&] { fs.GetFile(readOnly).Attributes(attr::ReadOnly | attr::System); }) + "\n";
    return out;
  }, /*asUser=*/true);
  if (result == "unreachable" || Contains(result, "cannot enter"))
    GTEST_SKIP() << "the temporary folder cannot be reached by another user";
  ASSERT_NE(result, "cannot change user");
  if (!xattrs) {
    EXPECT_TRUE(Contains(result, "extended attributes")) << result;
    return;
  }
  EXPECT_EQ(result, "ok\nok\nok\n");
  EXPECT_EQ(DosAttr(writable), "0x2");
  EXPECT_EQ(ModeOf(writable), 0644u);
  EXPECT_EQ(DosAttr(readOnly), "0x4");
  EXPECT_EQ(ModeOf(readOnly), 0444u);
}

TEST(RecordsTest, RecordsOfItemsDeeperThanPathMax) {
  TempTree tree;
  FileSystemObject fs;
  const std::string top = tree.Dir("deep");
  DeepCleanup cleanup{top};
  const std::string name(100, 'n');
  // Built with relative calls only: no single path to it fits a system call.
  int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  std::string path = top;
  for (int i = 0; i < 60; ++i) {
    ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
    int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(next, 0);
    ::close(fd);
    fd = next;
    path += "/" + name;
  }
  int f = ::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(f, 0);
  ASSERT_EQ(::write(f, "12345", 5), 5);
  ::close(f);
  struct timespec ts[2] = {{1000000000, 0}, {1100000000, 0}};
  ASSERT_EQ(::utimensat(fd, "bottom.txt", ts, AT_SYMLINK_NOFOLLOW), 0);
  bool xattrs = XattrsKept("/proc/self/fd/" + std::to_string(fd));
  const std::string file = path + "/bottom.txt";
  ASSERT_GT(file.size(), static_cast<size_t>(PATH_MAX));

  File rec = fs.GetFile(file);
  EXPECT_EQ(rec.Path(), file);
  EXPECT_EQ(rec.Name(), "bottom.txt");
  EXPECT_EQ(rec.Size(), 5u);
  EXPECT_EQ(rec.Type(), "TXT File");
  EXPECT_EQ(rec.DateLastModified().seconds, 1100000000);
  EXPECT_EQ(rec.Attributes(), 0);
  EXPECT_TRUE(fs.FileExists(file));
  EXPECT_TRUE(fs.FolderExists(path));

  rec.Attributes(attr::ReadOnly);
  struct stat st {};
  ASSERT_EQ(::fstatat(fd, "bottom.txt", &st, AT_SYMLINK_NOFOLLOW), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  if (xattrs) {
    rec.Attributes(attr::ReadOnly | attr::Archive);
    EXPECT_EQ(fs.GetFile(file).Attributes(), attr::ReadOnly | attr::Archive);
    rec.Attributes(attr::ReadOnly);
    EXPECT_EQ(fs.GetFile(file).Attributes(), attr::ReadOnly);
  }
  rec.DateLastModified(DateTime{1200000000, 0});
  ASSERT_EQ(::fstatat(fd, "bottom.txt", &st, AT_SYMLINK_NOFOLLOW), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);

  Folder parent = rec.ParentFolder();
  EXPECT_EQ(parent.Path(), path);
  EXPECT_EQ(parent.Files().Count(), 1);
  EXPECT_EQ(parent.Files()[0].Path(), file);
  EXPECT_EQ(parent.Size(), 5u);
  EXPECT_EQ(fs.GetFolder(top).Size(), 5u);
  EXPECT_EQ(fs.GetFolder(top).SubFolders().Count(), 1);
  EXPECT_TRUE(FailsWith([&] { fs.GetFile(path + "/none.txt"); }, err::FileNotFound, "none.txt"));
  EXPECT_TRUE(FailsWith([&] { fs.GetFile(path + "/none/x.txt"); }, err::PathNotFound, "x.txt"));
  ::close(fd);
}

}  // namespace
}  // namespace dv

namespace dv {
namespace {

TEST(NameOrderTest, LettersUpperCasedByteByByteTiesByRawBytes) {
  std::vector<DirEntry> entries;
  for (const char* n : {"b", "_x", "a", "\xC3\xA9", "Z", "9", "A", "10", "a.txt", "a b"}) entries.push_back({n, DT_REG});
  SortByName(entries);
  std::vector<std::string> names;
  for (const DirEntry& e : entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"10", "9", "A", "a", "a b", "a.txt", "b", "Z", "_x", "\xC3\xA9"}));

  // Names alike in their first eight letters or shorter, in every case: the order is NameBefore's throughout.
  const char* tricky =
      "libfoo.so.10 LIBFOO.SO.1 libfoo.so libfoo.sO libfoo.s abcdefgh abcdefgH ABCDEFGHa abcdefg abcdefgh~ "
      "abcdefgh_ libfoo.so.2 a A libfoo.so.1 org.gnome.desktop.a org.gnome.Desktop.A org.gnome.desktop "
      "org.gnome.desktoP.b";
  for (int round = 0; round < 2; ++round) {
    entries.clear();
    std::istringstream words(tricky);
    for (std::string n; words >> n;) entries.push_back({n, DT_REG});
    if (round == 1) std::reverse(entries.begin(), entries.end());
    SortByName(entries);
    for (size_t i = 0; i + 1 < entries.size(); ++i)
      EXPECT_TRUE(NameBefore(entries[i].name, entries[i + 1].name)) << entries[i].name << " / " << entries[i + 1].name;
  }
}

}  // namespace
}  // namespace dv
