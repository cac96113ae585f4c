#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include "platform/path.h"
#include "platform/text_stream.h"
#include "scan/cls_dir_processing.h"
#include "scan/report_writer.h"
#include "scan/row_spool.h"
#include "support/child_process.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

const std::string CRLF = "\r\n";

std::string SummaryBox(long folders, long files) {
  std::string s = "Folders Shown: " + std::to_string(folders) + "  Files Shown:" + std::to_string(files);
  std::string rule(s.size() + 6, '=');
  return rule + CRLF + "** Summary:" + std::string(s.size() - 8, ' ') + " **" + CRLF + "** " + s + " **" + CRLF +
         rule + CRLF;
}

class ReportTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  test::ScriptedPrompter prompter;
  clsDirProcessing engine{prompter};
  std::string root = tree.Dir("start");
  std::string reportPath = tree / "report.txt";
  struct Events : ScanListener {
    clsDirProcessing* engine = nullptr;
    int cancelAtCheck = 0, checks = 0, completes = 0;
    std::vector<std::string> progress, errors;
    void evtCheckForClose() override {
      if (++checks == cancelAtCheck) engine->ClosingDown(true);
    }
    void evtCDPUpdateProgress(const std::string& p) override { progress.push_back(p); }
    void evtCreateDirPrintFileComplete() override { ++completes; }
    void evtExternalPassError(const Error& e, const std::string& loc, long kind, const std::string& info) override {
      errors.push_back(loc + " " + info);
    }
  } events;

  void SetUp() override {
    events.engine = &engine;
    engine.Listener(&events);
    engine.ReportFilePath(reportPath);
    engine.StartingDirectory(root);
    engine.DirLevelsDeep(32000);
    engine.ShowHiddenAndSystemFiles(true);
    engine.PatternMatchingOption(1);
  }
  // A file with fixed contents and modification time (10:00 local on the day given).
  void MakeFile(const std::string& rel, size_t bytes, int day = 15) {
    tree.File("start/" + rel, std::string(bytes, 'x'));
    time_t when = DateTime::FromLocal({2024, 3, day, 10, 0, 0}).seconds;
    tree.SetTimes("start/" + rel, when, when);
  }
  std::string Run() {
    engine.CreateDirPrintFile();
    return test::TempTree::Read(reportPath);
  }
  std::string Header(const std::string& title, const std::string& columns, const std::string& filters = "Inactive ",
                     const std::string& depth = "& All Subdirectories Processed") {
    return title + CRLF + "Column(s) Shown: " + columns + CRLF + "Filter(s) " + filters + CRLF + depth + CRLF +
           "Starting Directory: " + root + CRLF + CRLF;
  }
};

TEST_F(ReportTest, DosStyleWithSizeAndModified) {
  MakeFile("a.txt", 2048);
  MakeFile("sub/b.txt", 100);
  engine.ShowType(1);
  engine.SetSizeType(1);
  engine.ShowColumns({1, 5});
  std::string title = "Size(KB)    Modified    Name      ";
  EXPECT_EQ(Run(), Header("Dorvane DOS Style Directory Report", "Size, Modified, Name") + title + CRLF +
                       "2           03-15-24    a.txt" + CRLF + CRLF + root + "/sub" + CRLF + title + CRLF +
                       "0           03-15-24    b.txt" + CRLF + SummaryBox(2, 2));
  EXPECT_EQ(events.completes, 1);
  EXPECT_EQ(events.progress, (std::vector<std::string>{"Gathering information for folder #1\r\n" + root + "/sub"}));

  engine.ShowFullPathFlatView(true);
  EXPECT_NE(Run().find("0           03-15-24    " + root + "/sub/b.txt\r\n"), std::string::npos);
}

TEST_F(ReportTest, DosStyleSummariesWithFileCountsAndFiltered) {
  MakeFile("a.txt", 10);
  MakeFile("b.doc", 10);
  MakeFile("sub/c.txt", 10);
  MakeFile("sub/d.txt", 10);
  engine.ShowType(1);
  engine.SetSizeType(0);
  engine.ShowColumns({1});
  engine.DirectorySummary(1);
  engine.ShowNumberofFiles(true);
  std::string list = "*.txt";
  engine.ExtensionRestrict(list, 1);
  std::string report = Run();
  std::string title = "Size(Byte)  Name      ";
  std::string dashes(title.size(), '-');
  EXPECT_NE(report.find("Filter(s) Active \r\n"), std::string::npos);
  EXPECT_NE(report.find(title + CRLF + "10          a.txt" + CRLF + dashes + CRLF + "40          2 File(s) {1 File(s) Filtered}" + CRLF),
            std::string::npos)
      << report;
  EXPECT_NE(report.find(CRLF + root + "/sub" + CRLF + title + CRLF), std::string::npos);
  EXPECT_NE(report.find(dashes + CRLF + "20          2 File(s)" + CRLF), std::string::npos);
  EXPECT_NE(report.find(SummaryBox(2, 3)), std::string::npos);

  // Without counts the summary names the folder; an empty folder counts "0 File(s)".
  engine.ShowNumberofFiles(false);
  report = Run();
  EXPECT_NE(report.find(dashes + CRLF + "20          sub" + CRLF), std::string::npos) << report;
}

TEST_F(ReportTest, HierarchicalWithoutAndWithColumns) {
  MakeFile("a.txt", 1);
  MakeFile("sub/b.txt", 1);
  MakeFile("sub/deeper/c.txt", 1);
  engine.ShowType(0);
  engine.ShowColumns({});
  EXPECT_EQ(Run(), Header("Dorvane Hierarchical Directory Report", "Name") + "  Name      " + CRLF +
                       std::string(12, '-') + CRLF + "  a.txt" + CRLF + "  |--sub" + CRLF + "  |     b.txt" + CRLF +
                       "  |  |--deeper" + CRLF + "  |  |     c.txt" + CRLF + SummaryBox(3, 3));

  engine.ShowColumns({3, 2});
  engine.DirectorySummary(0);
  std::string report = Run();
  std::string title = "File Type           Attribute     Name      ";
  EXPECT_NE(report.find("Column(s) Shown: File Type, Attribute, Name\r\n" + std::string("Filter(s) Inactive ")),
            std::string::npos);
  EXPECT_NE(report.find(title + CRLF + std::string(title.size(), '-') + CRLF), std::string::npos) << report;
  // Linux keeps no archive bit unless it was stored, so a plain file shows no letters.
  EXPECT_NE(report.find("TXT File            " + std::string(12, ' ') + "  a.txt"), std::string::npos) << report;
  // Without folder details a folder line starts with blanks as wide as the columns.
  EXPECT_NE(report.find(std::string(32, ' ') + "  |--sub\r\n"), std::string::npos) << report;
  engine.DirectorySummary(1);
  report = Run();
  EXPECT_NE(report.find("File Folder         D             |--sub\r\n"), std::string::npos) << report;
}

TEST_F(ReportTest, CsvHasNoHeaderBlockAndReplacesCommasInPaths) {
  MakeFile("a,b.txt", 5);
  MakeFile("sub/c.txt", 5);
  time_t when = DateTime::FromLocal({2024, 3, 15, 10, 0, 0}).seconds;
  tree.SetTimes("start/sub", when, when);
  engine.ShowType(2);
  engine.SetSizeType(0);
  engine.ShowColumns({1, 3, 5});
  std::string report = Run();
  EXPECT_EQ(report.substr(0, report.find(CRLF)), "Size(Byte),File Type,Modified,Name");
  EXPECT_NE(report.find("5,TXT File,03-15-24," + root + "/a_b.txt\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("5,File Folder,03-15-24," + root + "/sub\r\n"), std::string::npos)
      << report;
  EXPECT_EQ(report.find("Summary"), std::string::npos);

  engine.ShowType(3);
  engine.ShowColumns({});
  report = Run();
  EXPECT_EQ(report.substr(0, report.find(CRLF)), "Name");
  EXPECT_NE(report.find(CRLF + root + "/sub/c.txt\r\n"), std::string::npos);
}

TEST_F(ReportTest, FolderTotalsCountEverythingBelowWhateverTheFilters) {
  MakeFile("a.txt", 10);
  MakeFile("sub/.hidden", 100);
  MakeFile("sub/deep/x.txt", 1000);
  MakeFile("sub/skip/y.txt", 5000);
  MakeFile("other/z.txt", 1);
  engine.ShowType(2);
  engine.SetSizeType(0);
  engine.ShowColumns({1});
  engine.DirLevelsDeep(1);
  engine.ShowHiddenAndSystemFiles(false);
  engine.RegExFolderPattern("s*");
  std::string totalsDuringTheWalk = Run();
  EXPECT_NE(totalsDuringTheWalk.find("6100," + root + "/sub\r\n"), std::string::npos) << totalsDuringTheWalk;
  EXPECT_EQ(totalsDuringTheWalk.find("/other"), std::string::npos);

  // A folder size restriction measures every folder first; the totals shown are the same.
  engine.FolderSizeRestrict(true, 0, 3, 0);
  EXPECT_EQ(Run(), totalsDuringTheWalk);

  // Totals of folders whose lines wait for a listed file below them, in the DOS view with summaries.
  engine.FolderSizeRestrict(false, 0, 3, 0);
  engine.ShowType(1);
  engine.DirectorySummary(1);
  engine.DirLevelsDeep(32000);
  engine.ShowHiddenAndSystemFiles(true);
  engine.RegExFolderPattern("");
  engine.RegExFilePattern("y.txt");
  std::string report = Run();
  EXPECT_NE(report.find("\r\n6100        sub\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n5000        skip\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n6111        start\r\n"), std::string::npos) << report;
  EXPECT_EQ(report.find("deep"), std::string::npos);
}

TEST_F(ReportTest, PruningDropsFoldersWithoutAListedFileBelow) {
  MakeFile("nomatch/x.doc", 1);
  MakeFile("chain/mid/deep/hit.txt", 1);
  MakeFile("chain/mid/other.doc", 1);
  engine.ShowType(1);
  engine.ShowColumns({});
  engine.DirectorySummary(1);
  std::string list = "*.txt";
  engine.ExtensionRestrict(list, 1);
  std::string report = Run();
  EXPECT_EQ(report.find("nomatch"), std::string::npos) << report;
  EXPECT_NE(report.find(CRLF + root + "/chain" + CRLF), std::string::npos);
  EXPECT_NE(report.find(CRLF + root + "/chain/mid" + CRLF), std::string::npos);
  EXPECT_NE(report.find(CRLF + root + "/chain/mid/deep" + CRLF), std::string::npos);
  EXPECT_NE(report.find("hit.txt"), std::string::npos);
  // The kept folder lines come in pre-order, each with its summary right after it.
  EXPECT_LT(report.find("/chain\r\n"), report.find("/chain/mid\r\n"));
  EXPECT_NE(report.find("-\r\nchain\r\n\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find(SummaryBox(4, 1)), std::string::npos) << report;

  // Directories only with a file filter: no file row, so no folder line either.
  engine.ProcessDirsOnly(true);
  report = Run();
  EXPECT_EQ(report.find("/chain"), std::string::npos) << report;
  EXPECT_NE(report.find(SummaryBox(1, 0)), std::string::npos);

  // Without a file filter nothing is pruned.
  list = "";
  engine.ExtensionRestrict(list, 0);
  report = Run();
  EXPECT_NE(report.find("/nomatch\r\n"), std::string::npos);
}

TEST_F(ReportTest, CancelBeforeTheWalkWritesNoRows) {
  MakeFile("a.txt", 1);
  MakeFile("sub/b.txt", 1);
  engine.ShowType(0);
  engine.ShowColumns({});
  events.cancelAtCheck = 1;
  EXPECT_EQ(Run(), Header("Dorvane Hierarchical Directory Report", "Name") + "  Name      " + CRLF +
                       std::string(12, '-') + CRLF + CRLF + CRLF + kCancelledMarker);
  EXPECT_EQ(events.completes, 1);
}

TEST_F(ReportTest, CancelDuringTheWalkKeepsRowsSoFarAndTheirSummary) {
  MakeFile("a.txt", 1);
  MakeFile("s1/b.txt", 1);
  MakeFile("s1/s2/c.txt", 1);
  engine.ShowType(1);
  engine.ShowColumns({});
  events.cancelAtCheck = 3;  // the check before s1/s2 is examined
  std::string report = Run();
  EXPECT_NE(report.find("a.txt\r\n"), std::string::npos);
  EXPECT_NE(report.find("b.txt\r\n"), std::string::npos);
  EXPECT_EQ(report.find("c.txt"), std::string::npos);
  std::string tail = SummaryBox(2, 2) + CRLF + CRLF + kCancelledMarker;
  ASSERT_GE(report.size(), tail.size());
  EXPECT_EQ(report.substr(report.size() - tail.size()), tail) << report;
}

TEST_F(ReportTest, AMissingStartingFolderLeavesOnlyTheInvalidPathMarker) {
  engine.StartingDirectory(tree / "missing");
  EXPECT_EQ(Run(), kInvalidPathMarker);
  EXPECT_EQ(events.completes, 0);
  ASSERT_EQ(prompter.Log().size(), 1u);
  EXPECT_EQ(prompter.Log()[0].title, "Folder Does Not Exist");
}

TEST(ReportLayoutTest, AttributeLettersReadSCHDAR) {
  EXPECT_EQ(ReportWriter::AttributeLetters(2 | 4 | 32), "SHA");
  EXPECT_EQ(ReportWriter::AttributeLetters(1 | 32), "AR");
  EXPECT_EQ(ReportWriter::AttributeLetters(16 | 2048 | 1), "CDR");
  EXPECT_EQ(ReportWriter::AttributeLetters(0), "");
}

}  // namespace
}  // namespace dv

namespace dv {
namespace {

// Names that could break a row: a comma in the type, control characters, a size of 13 digits.
TEST_F(ReportTest, RowsKeepTheirShapeWhateverTheNamesAndSizes) {
  std::string big = tree.File("start/big.bin");
  ASSERT_EQ(::truncate(big.c_str(), off_t(1100000000000)), 0);  // sparse, 1.1 TB
  tree.File("start/esc\x1b[2J.txt", "x");
  tree.File("start/line\nfeed.txt", "x");
  tree.File("start/notes.v1,final", "x");
  tree.File("start/tab.x\ty", "x");
  const std::string rows[] = {"big.bin", "esc?[2J.txt", "line?feed.txt", "notes.v1_final", "tab.x?y"};
  const std::string types[] = {"BIN File", "TXT File", "TXT File", "V1_FINAL File", "X?Y File"};

  // Comma-separated: every row has "," before the path even when its values are empty.
  engine.ShowType(2);
  engine.ShowColumns({2, 3});
  std::string csv = "Attribute,File Type,Name" + CRLF;
  for (int i = 0; i < 5; ++i) csv += "," + types[i] + "," + root + "/" + rows[i] + CRLF;
  EXPECT_EQ(Run(), csv);
  engine.ShowColumns({2});
  csv = "Attribute,Name" + CRLF;
  for (const std::string& r : rows) csv += "," + root + "/" + r + CRLF;
  EXPECT_EQ(Run(), csv);

  // Fixed columns: a number longer than its column is written whole and pushes the name right.
  engine.ShowType(1);
  engine.SetSizeType(0);
  engine.ShowColumns({1});
  std::string title = "Size(Byte)  Name      ";
  std::string dos = Header("Dorvane DOS Style Directory Report", "Size, Name") + title + CRLF +
                    "1100000000000big.bin" + CRLF;
  for (const char* name : {"esc?[2J.txt", "line?feed.txt", "notes.v1,final", "tab.x?y"})
    dos += "1           " + std::string(name) + CRLF;  // a comma splits nothing here
  EXPECT_EQ(Run(), dos + SummaryBox(1, 5));
}

TEST_F(ReportTest, FoldersAndFilesAreListedByNameAsNtfsListsThem) {
  for (const char* name : {"b.txt", "A.txt", "a.txt", "_x.txt", "10.txt", "9.txt"}) MakeFile(name, 1);
  for (const char* name : {"zeta", "Beta", "alpha"}) MakeFile(std::string(name) + "/f", 1);
  engine.ShowType(2);
  engine.ShowColumns({});
  std::string expected = "Name" + CRLF;
  for (const char* name : {"10.txt", "9.txt", "A.txt", "a.txt", "b.txt", "_x.txt", "alpha", "alpha/f", "Beta",
                           "Beta/f", "zeta", "zeta/f"})
    expected += root + "/" + name + CRLF;
  EXPECT_EQ(Run(), expected);
}

TEST_F(ReportTest, HeldRowsOutliveASpoolThatCannotBeWritten) {
  MakeFile("a.txt", 10);
  MakeFile("sub/b.txt", 20);
  engine.ShowType(2);
  engine.SetSizeType(0);
  engine.ShowColumns({1});
  std::string blocked = tree.File("not-a-folder");
  // In a child, where the private temporary folder cannot be made: the rows held for the folder totals stay in
  // memory, and the report beside them is complete.
  std::string report = test::InChild(tree.Root(), [&]() -> std::string {
    ::setenv("XDG_RUNTIME_DIR", blocked.c_str(), 1);
    ::setenv("TMPDIR", blocked.c_str(), 1);
    return Run();
  });
  EXPECT_EQ(report, "Size(Byte),Name" + CRLF + "10," + root + "/a.txt" + CRLF + "20," + root + "/sub" + CRLF +
                        "20," + root + "/sub/b.txt" + CRLF);
}

TEST(RowSpoolTest, RowsGoToTheFirstFolderThatTakesThemElseStayInMemory) {
  test::TempTree tree;
  struct Case {
    std::vector<std::string> folders;
    bool inFile;
  } cases[] = {
      {{tree.Dir("spool")}, true},
      {{tree / "missing", tree.File("a-file"), tree.Dir("second")}, true},
      {{tree / "missing", ""}, false},
  };
  for (const Case& c : cases) {
    RowSpool spool(c.folders, 64);
    std::string expected;
    for (int i = 0; i < 100; ++i) {
      std::string row = "row " + std::to_string(i) + "\r\n";
      if (i % 10 == 0) {
        spool.Slot(size_t(i), "[\x01] " + row);
        expected += "[" + std::to_string(i * 2) + "] " + row;
      } else {
        spool.Text(row);
        expected += row;
      }
    }
    EXPECT_EQ(spool.InFile(), c.inFile);
    std::string out = tree / "out.txt";
    {
      TextStream stream = TextStream::Open(out, IOMode::ForWriting, true);
      spool.DrainTo(stream, [](size_t id) { return std::to_string(id * 2); });
      stream.Close();
    }
    EXPECT_EQ(test::TempTree::Read(out), expected);
  }
}

TEST(RowSpoolTest, AWriteThatFailsKeepsEveryRowInMemory) {
  test::TempTree tree;
  std::string folder = tree.Dir("spool"), out = tree / "out.txt";
  // In a child, so that the file-size limit (a full disk's stand-in) binds nothing else.
  std::string result = test::InChild(tree.Root(), [&]() -> std::string {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = {1000, RLIM_INFINITY}, none = {RLIM_INFINITY, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &small);
    RowSpool spool({folder}, 100);
    std::string expected;
    for (int i = 0; i < 200; ++i) {
      std::string row = "row number " + std::to_string(i) + "\r\n";
      spool.Text(row);
      expected += row;
    }
    ::setrlimit(RLIMIT_FSIZE, &none);
    TextStream stream = TextStream::Open(out, IOMode::ForWriting, true);
    spool.DrainTo(stream, [](size_t) { return std::string(); });
    stream.Close();
    return test::TempTree::Read(out) == expected ? "same" : "differs";
  });
  EXPECT_EQ(result, "same");
}

}  // namespace
}  // namespace dv
