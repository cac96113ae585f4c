// The one save by extension of the window and the command line: the kind and title by the name, the same file
// whether the report comes from a file or a text, the old file kept on a full disk or a stop, and memory that
// does not grow with the report.
#include "export/save_report.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "export/rtf_writer.h"
#include "platform/path.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

ReportLines FileLines(const std::string& path) {
  return ReportLines::FromFd(UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), path);
}

const std::string kReport =
    "Dorvane Hierarchical Directory Report\r\nColumn(s) Shown: Size, Name\r\nFilter(s) Inactive \r\n"
    "& All Subdirectories Processed\r\nStarting Directory: /data\r\n\r\nSize(KB)      Name      \r\n" +
    std::string(24, '-') + "\r\n3             a.txt\r\n0             --b\r\n" + std::string(37, '=') +
    "\r\n** Summary:                        **\r\n** Folders Shown: 1  Files Shown:2 **\r\n" + std::string(37, '=') +
    "\r\n\r\n\r\n*********  Operation was cancelled  ********************";

class SaveReportTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  test::IsolatedEnvironment env{tree};
};

TEST(SaveKindTest, KindAndBaseNameFollowTheName) {
  const struct {
    const char* path;
    SaveKind kind;
  } kinds[] = {{"/a/r.rtf", SaveKind::RichText}, {"/a/r.RtF", SaveKind::RichText}, {"/a/r.htm", SaveKind::WebPage},
               {"/a/r.HTML", SaveKind::WebPage}, {"/a/r.xhtml", SaveKind::WebPage},  // the last four decide
               {"/a/r.txt", SaveKind::PlainText}, {"/a/r.csv", SaveKind::PlainText},
               {"/a/report", SaveKind::PlainText}, {"tm", SaveKind::PlainText}};
  for (const auto& k : kinds) EXPECT_EQ(SaveKindOf(k.path), k.kind) << k.path;
  const std::pair<const char*, const char*> names[] = {
      {"/a.b/list.old.htm", "list"}, {"/x/.htm", ".htm"}, {"/x/.hidden.htm", ".hidden.htm"}, {"page", "page"}};
  for (const auto& [path, base] : names) EXPECT_EQ(SaveBaseName(path), base) << path;
}

TEST_F(SaveReportTest, EveryKindIsTheSameFromAFileAsFromAText) {
  const std::string report = tree.File("report.txt", kReport);
  for (const char* ext : {"rtf", "htm", "txt", "csv"}) {
    const std::string fromText = tree.Dir("text") + "/list." + ext, fromFile = tree.Dir("file") + "/list." + ext;
    ReportLines text = ReportLines::FromText(kReport), file = FileLines(report);
    SaveReport(text, fromText, {});
    SaveReport(file, fromFile, {});
    EXPECT_EQ(test::TempTree::Read(fromFile), test::TempTree::Read(fromText)) << ext;
  }
  EXPECT_EQ(test::TempTree::Read(tree / "file/list.txt"), kReport);  // byte for byte, no line end added
  EXPECT_EQ(test::TempTree::Read(tree / "file/list.rtf"), RtfDocument(kReport));
  const std::string page = test::TempTree::Read(tree / "file/list.htm");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n"
                       "<HTML><HEAD><meta charset=\"utf-8\"><TITLE>Dorvane Directory Report - list</TITLE>\r\n",
                       0),
            0u)
      << page;
  EXPECT_NE(page.find("<TD WIDTH=\"*\">--b</TD>"), std::string::npos) << page;

  // The title comes from the user's file name, so it is escaped like every other text of the page.
  ReportLines again = ReportLines::FromText(kReport);
  SaveReport(again, tree / "R&D <1>.htm", {});
  EXPECT_NE(test::TempTree::Read(tree / "R&D <1>.htm").find("<TITLE>Dorvane Directory Report - R&amp;D &lt;1&gt;<"),
            std::string::npos);
}

TEST_F(SaveReportTest, AFullDiskOrAStopLeavesTheOldFile) {
  std::string big;
  while (big.size() < 300000) big += "0             a name of some length.txt\r\n";
  const std::string report = tree.File("big.txt", kReport.substr(0, kReport.find("3  ")) + big);
  const std::string dir = tree.Dir("out");
  for (const char* ext : {"rtf", "htm", "txt"}) {
    const std::string target = tree.File(std::string("out/old.") + ext, "old");
    const std::string full = test::InChild(tree.Root(), [&] {
      test::LimitFileSize(100000);
      ReportLines lines = FileLines(report);
      return test::Outcome([&] { SaveReport(lines, target, {}); });
    });
    EXPECT_EQ(full.substr(0, 3), "61 ") << ext << ": " << full;
    int asked = 0;
    ReportLines lines = FileLines(report);
    lines.StopWhen([&] { return ++asked > 2; });
    EXPECT_TRUE(test::FailsWith([&] { SaveReport(lines, target, {}); }, err::DialogCancelled)) << ext;
    EXPECT_EQ(test::TempTree::Read(target), "old") << ext;
    EXPECT_EQ(test::Listing(dir), NameOfPath(target)) << ext;  // no temporary left beside it
    std::remove(target.c_str());
  }
}

// Pages of the address space in use, from /proc/self/statm.
rlim_t AddressSpaceInUse() {
  std::ifstream statm("/proc/self/statm");
  rlim_t pages = 0;
  statm >> pages;
  return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

TEST_F(SaveReportTest, MemoryStaysFlatWhateverTheReportsSize) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's reserved address space leaves no room for an address-space limit";
#else
  // A 16 MB report saved by a child that may map only 8 MB more than it already has.
  const std::string report = tree / "big.txt";
  {
    std::ofstream out(report, std::ios::binary);
    out << kReport.substr(0, kReport.find("3  "));
    for (int i = 0; i < 220000; ++i) out << "0             |     a file name that makes the line long " << i << ".txt\r\n";
  }
  for (const char* ext : {"rtf", "htm", "txt"}) {
    const std::string target = tree / (std::string("big.") + ext);
    const std::string result = test::InChild(tree.Root(), [&] {
      const rlim_t limit = AddressSpaceInUse() + (8 << 20);
      struct rlimit lim = {limit, limit};
      if (::setrlimit(RLIMIT_AS, &lim) != 0) return std::string("no limit");
      ReportLines lines = FileLines(report);
      return test::Outcome([&] { SaveReport(lines, target, {}); });
    });
    EXPECT_EQ(result, "ok") << ext;
    EXPECT_GE(test::LStat(target).st_size, test::LStat(report).st_size) << ext;
    std::remove(target.c_str());
  }
#endif
}

}  // namespace
}  // namespace dv
