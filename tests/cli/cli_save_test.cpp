// `dorvane-cli report --save FILE`: the real binary exports real trees, and real readers (pandoc, headless
// Chromium) read the files back.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using Result = test::ProgramResult;

Result RunCli(const std::vector<std::string>& args, rlim_t fileLimit = 0) {
  return test::RunProgram(DV_CLI_PATH, args, fileLimit);
}

// The path of `name` on PATH, or empty.
std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.File("data/a.txt", std::string(3000, 'x'));
    tree.File("data/sub/x{1}\\y.txt", "x");
    tree.File("data/<i>&z.doc", "y");
    // Only non-ASCII letters, so the line ends right after them: pandoc 2.17 (Debian 12) drops the text that
    // follows a \uN? fallback character (jgm/pandoc#8264), although the RTF is correct.
    tree.File("data/sub/ÄÖÜß€", "z");
  }

  test::TempTree tree;
  test::IsolatedEnvironment env{tree};
  std::string root = tree / "data";
};

TEST_F(CliSaveTest, PlainTextIsTheReportAndStandardOutputStaysEmpty) {
  std::string report = tree / "report.txt", saved = tree / "copy.TXT";
  Result r = RunCli({"report", "--output", report, "--save", saved, "--view", "dos", root});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  std::string text = test::TempTree::Read(report);
  ASSERT_EQ(text.rfind("Dorvane DOS Style Directory Report\r\n", 0), 0u) << text;
  EXPECT_EQ(test::TempTree::Read(saved), text);

  // Without --output the report goes only into the saved file, CR LF lines, and no private file is left over.
  std::string csv = tree / "list.csv";
  r = RunCli({"report", "--view", "csv", "--size-unit", "bytes", "--save", csv, root});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  Result direct = RunCli({"report", "--view", "csv", "--size-unit", "bytes", root});
  EXPECT_EQ(test::TempTree::Read(csv), direct.out);
  EXPECT_TRUE(Contains(direct.out, "3000,TXT File," + root + "/a.txt\r\n")) << direct.out;
  std::string listing = test::RunProgram("ls", {"-A", env.RuntimeDir() + "/dorvane"}).out;
  EXPECT_FALSE(Contains(listing, "DVclireport")) << listing;
}

TEST_F(CliSaveTest, SaveFailuresAndBadOptionsExitWith2) {
  Result r = RunCli({"report", "--save", tree / "missing/r.rtf", root});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(Contains(r.err, "dorvane-cli report: ")) << r.err;

  r = RunCli({"report", "--save=", root});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Contains(r.err, "--save")) << r.err;

  // A missing folder saves nothing.
  r = RunCli({"report", "--save", tree / "none.htm", tree / "no-such-folder"});
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(test::TempTree::Exists(tree / "none.htm"));
}

TEST_F(CliSaveTest, WebPageUsesTheStoredHtmlSettingsAndTheBaseName) {
  std::string page = tree / "list.old.HTM";
  Result r = RunCli({"report", "--save", page, root});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string html = test::TempTree::Read(page);
  EXPECT_EQ(html.rfind("<!DOCTYPE html>\r\n"
                       "<HTML><HEAD><meta charset=\"utf-8\"><TITLE>Dorvane Directory Report - list</TITLE>\r\n",
                       0),
            0u)
      << html;
  EXPECT_TRUE(Contains(html, "<BODY bgcolor=\"#FFFFFF\" text=\"#000000\">\r\n")) << html;
  EXPECT_TRUE(Contains(html, "font-size: 12px}")) << html;
  EXPECT_TRUE(Contains(html, "<TABLE border=\"0\">\r\n")) << html;
  EXPECT_TRUE(Contains(html, "&lt;i&gt;&amp;z.doc")) << html;
  EXPECT_FALSE(Contains(html, "<i>&z")) << html;

#ifdef DV_CLI_SETTINGS
  // The window's store (application "dorvane") gives the look; the CLI's own store is not read.
  tree.File("env/config/Brantwick/dorvane.ini",
            "[Options]\nHTMLbc=\"C0FFEE,15663040\"\nHTMLfc=\"112233,3351057\"\nHTMLfsize=15\nHTMLtborder=1\n");
  tree.File("env/config/Brantwick/dorvane-cli.ini",
            "[Options]\nHTMLfsize=40\n");
  std::string styled = tree / "styled.html";
  r = RunCli({"report", "--save", styled, root});
  ASSERT_EQ(r.status, 0) << r.err;
  html = test::TempTree::Read(styled);
  EXPECT_TRUE(Contains(html, "<TITLE>Dorvane Directory Report - styled</TITLE>")) << html;
  EXPECT_TRUE(Contains(html, "<BODY bgcolor=\"#C0FFEE\" text=\"#112233\">")) << html;
  EXPECT_TRUE(Contains(html, "font-size: 15px}")) << html;
  EXPECT_TRUE(Contains(html, "<TABLE border=\"1\">")) << html;
  EXPECT_FALSE(Contains(html, "<HR")) << html;  // border "1": no ruling rows
#endif
}

TEST_F(CliSaveTest, RichTextReadBackByPandocHoldsTheReportsLines) {
  std::string pandoc = FindProgram("pandoc");
  if (pandoc.empty()) GTEST_SKIP() << "pandoc is not installed (scripts/install-deps installs it)";
  std::string report = tree / "report.txt", rtf = tree / "report.Rtf";
  Result r = RunCli({"report", "--output", report, "--save", rtf, "--columns", "size,type", root});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(test::TempTree::Read(rtf).rfind("{\\rtf1", 0), 0u);

  Result read = test::RunProgram(pandoc, {"-f", "rtf", "-t", "plain", "--wrap=none", rtf});
  ASSERT_EQ(read.status, 0) << read.err;
  // pandoc gives each paragraph of the fixed-pitch font as an indented code block with a blank line between,
  // and drops empty paragraphs: so compare the non-empty lines, the block indent removed.
  std::vector<std::string> expected, actual;
  for (auto& line : Lines(test::TempTree::Read(report)))
    if (!line.empty()) expected.push_back(line);
  for (auto& line : Lines(read.out)) {
    if (line.empty()) continue;
    actual.push_back(line.rfind("    ", 0) == 0 ? line.substr(4) : line);
  }
  EXPECT_EQ(actual, expected) << read.out;
  std::string all = read.out;
  EXPECT_TRUE(Contains(all, "x{1}\\y.txt")) << all;
  EXPECT_TRUE(Contains(all, "ÄÖÜß€")) << all;
  EXPECT_TRUE(Contains(all, "<i>&z.doc")) << all;
}

// What a file was: its bytes, mode and inode, so that "untouched" means untouched.
std::string Fingerprint(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "missing";
  return std::to_string(st.st_ino) + " " + std::to_string(st.st_mode) + " " + test::TempTree::Read(path);
}

TEST_F(CliSaveTest, RunsThatFailLeaveTheTargetsByteForByte) {
  const std::string dir = tree.Dir("out");
  const std::string output = tree.File("out/report.txt", "old report\r\n"), page = tree.File("out/page.htm", "old page");
  ::chmod(output.c_str(), 0640);
  tree.File("out/real.txt", "the link's target");
  const std::string link = tree.Link("out/link.txt", "real.txt");
  const std::string missing = tree / "no-such-folder";
  const std::string before = Fingerprint(output) + Fingerprint(page) + Fingerprint(dir + "/real.txt");
  const std::string listing = test::Listing(dir);
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--output", output, missing}, "does not exist"},
      {{"--output", output, "--save", page, missing}, "does not exist"},
      {{"--output", output, "--save", tree / "missing/r.htm", root}, "Path not found"},
      {{"--output", output, "--view", "tree", root}, "--view"},
      {{"--output", link, root}, "link.txt is a symbolic link"},
      {{"--output", output, "--save", link, root}, "link.txt is a symbolic link"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"report"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Result r = RunCli(args);
    EXPECT_EQ(r.status, 2) << c.says << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, c.says)) << r.err;
    EXPECT_EQ(Fingerprint(output) + Fingerprint(page) + Fingerprint(dir + "/real.txt"), before) << c.says;
    EXPECT_TRUE(S_ISLNK(test::LStat(link).st_mode));
    EXPECT_EQ(test::Listing(dir), listing) << c.says;  // no temporary left beside them
  }
}

TEST_F(CliSaveTest, AFullDiskLeavesTheOldFiles) {
  for (int i = 0; i < 40; ++i) tree.File("data/" + std::string(80, 'n') + std::to_string(i), "x");
  const std::string dir = tree.Dir("out");
  const std::string output = tree.File("out/report.txt", "old report"), page = tree.File("out/page.htm", "old page"),
                    rtf = tree.File("out/page.rtf", "old rich text");
  const std::string before = Fingerprint(output) + Fingerprint(page) + Fingerprint(rtf);
  Result whole = RunCli({"report", root});
  ASSERT_EQ(whole.status, 0) << whole.err;
  const rlim_t size = whole.out.size();
  struct Case {
    std::vector<std::string> args;
    rlim_t limit;  // the report fits or not; the exports, larger, never do
  } cases[] = {
      {{"--output", output}, size / 2},
      {{"--output", output, "--save", page}, size + 200},
      {{"--save", rtf}, size + 200},
      {{"--save", page}, size / 2},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"report"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(root);
    Result r = test::RunProgram(DV_CLI_PATH, args, c.limit);
    EXPECT_EQ(r.status, 2) << c.args.back() << " " << c.limit << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, "Disk full")) << r.err;
    EXPECT_EQ(Fingerprint(output) + Fingerprint(page) + Fingerprint(rtf), before) << c.args.back();
    EXPECT_EQ(test::Listing(dir), "page.htm page.rtf report.txt");
  }
}

TEST_F(CliSaveTest, WebPagesShareNoWorkFile) {
  // The window's work file, if there is one, is neither used nor removed; nothing else is left behind.
  const std::string privateFolder = env.RuntimeDir() + "/dorvane";
  ASSERT_EQ(::mkdir(privateFolder.c_str(), 0700), 0);
  ::chmod(privateFolder.c_str(), 0700);
  tree.File("env/runtime/dorvane/DVhtmltemp", "the window's");

  // Two runs at once, each on a tree of its own.
  tree.File("one/first-only.txt", "1");
  tree.File("two/second-only.txt", "2");
  pid_t runs[2];
  for (int i = 0; i < 2; ++i) {
    const std::string folder = tree / (i == 0 ? "one" : "two"), target = tree / (i == 0 ? "one.htm" : "two.htm");
    runs[i] = ::fork();
    if (runs[i] == 0) {
      int quiet = ::open((tree / (i == 0 ? "err1" : "err2")).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(quiet, 1);
      ::dup2(quiet, 2);
      ::execl(DV_CLI_PATH, "dorvane-cli", "report", "--save", target.c_str(), folder.c_str(), (char*)nullptr);
      ::_exit(127);
    }
  }
  for (pid_t pid : runs) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const std::string one = test::TempTree::Read(tree / "one.htm"), two = test::TempTree::Read(tree / "two.htm");
  EXPECT_TRUE(Contains(one, "first-only.txt") && !Contains(one, "second-only.txt")) << one;
  EXPECT_TRUE(Contains(two, "second-only.txt") && !Contains(two, "first-only.txt")) << two;
  EXPECT_EQ(test::TempTree::Read(privateFolder + "/DVhtmltemp"), "the window's");
  EXPECT_EQ(test::Listing(privateFolder), "DVhtmltemp");
}

TEST_F(CliSaveTest, NamesThatLookLikeRulingsStayOnThePage) {
  const std::string names[] = {"--dash", "==eq", "** star", std::string(10, '-')};
  for (const std::string& name : names) tree.File("data/" + name, "x");
  for (const char* view : {"hierarchical", "dos"}) {
    const std::string page = tree / (std::string(view) + ".htm");
    Result r = RunCli({"report", "--view", view, "--columns", "none", "--file-counts", "--save", page, root});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string html = test::TempTree::Read(page);
    for (const std::string& name : names)
      EXPECT_TRUE(Contains(html, "<TD WIDTH=\"*\">" + name + "</TD>")) << view << ": " << name << "\n" << html;
  }
}

// Headless Chromium renders `url` into a 1200x800 screenshot; returns the PNG's bytes.
std::string Screenshot(const std::string& chromium, test::TempTree& tree, const std::string& url,
                       const std::string& name) {
  std::string shot = tree / (name + ".png");
  Result r = test::RunProgram(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                            "--disable-background-networking", "--disable-component-update", "--disable-sync",
                            "--user-data-dir=" + tree.Dir("chromium-" + name), "--screenshot=" + shot,
                            "--window-size=1200,800", url});
  EXPECT_EQ(r.status, 0) << r.err;
  return test::TempTree::Exists(shot) ? test::TempTree::Read(shot) : std::string();
}

uint32_t BigEndian32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

TEST_F(CliSaveTest, WebPageRenderedByHeadlessChromiumShowsTheTable) {
  std::string chromium = FindProgram("chromium");
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed (scripts/install-deps installs it)";
  std::string page = tree / "page.html";
  Result r = RunCli({"report", "--view", "dos", "--save", page, root});
  ASSERT_EQ(r.status, 0) << r.err;

  // The browser's own parse: one table whose cells hold the report's values.
  Result dom = test::RunProgram(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                              "--disable-background-networking", "--disable-component-update", "--disable-sync",
                              "--user-data-dir=" + tree.Dir("chromium-dom"), "--dump-dom", "file://" + page});
  ASSERT_EQ(dom.status, 0) << dom.err;
  EXPECT_TRUE(Contains(dom.out, "<title>Dorvane Directory Report - page</title>")) << dom.out;
  EXPECT_TRUE(Contains(dom.out, "<table border=\"0\">")) << dom.out;
  EXPECT_TRUE(Contains(dom.out, "<td width=\"*\">a.txt</td>")) << dom.out;
  EXPECT_TRUE(Contains(dom.out, "<td width=\"84\">3</td>")) << dom.out;
  EXPECT_TRUE(Contains(dom.out, "&lt;i&gt;&amp;z.doc</td>")) << dom.out;
  EXPECT_FALSE(Contains(dom.out, "<i>")) << dom.out;  // the file name made no element

  // The screenshot against one of an empty page in the same colours: the table's text and rules add detail.
  std::string blankPage = tree.File("blank.html", "<HTML><BODY bgcolor=\"#FFFFFF\" text=\"#000000\"></BODY></HTML>");
  std::string shot = Screenshot(chromium, tree, "file://" + page, "page");
  std::string blank = Screenshot(chromium, tree, "file://" + blankPage, "blank");
  ASSERT_GT(shot.size(), 24u);
  EXPECT_EQ(shot.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(BigEndian32(shot, 16), 1200u);
  EXPECT_EQ(BigEndian32(shot, 20), 800u);
  RecordProperty("screenshot_bytes", std::to_string(shot.size()) + " vs blank " + std::to_string(blank.size()));
  EXPECT_GT(shot.size(), blank.size() + 8000) << "page " << shot.size() << " bytes, blank " << blank.size();
}

}  // namespace
}  // namespace dv
