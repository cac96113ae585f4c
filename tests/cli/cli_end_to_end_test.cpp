// Runs the real dorvane-cli on temporary trees and checks its output, messages and exit status.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "cli/report_command.h"
#include "scan/report_writer.h"
#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

using Result = test::ProgramResult;

Result RunCli(const std::vector<std::string>& args) { return test::RunProgram(DV_CLI_PATH, args); }

class CliTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  std::string root = tree.Dir("data");
};

TEST_F(CliTest, WritesTheReportToStandardOutputOrAFile) {
  tree.File("data/a.txt", std::string(2048, 'x'));
  tree.File("data/sub/b.doc", "x");
  Result r = RunCli({"report", "--view", "csv", "--columns", "size", "--size-unit", "bytes", root});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.substr(0, r.out.find("\r\n")), "Size(Byte),Name");
  EXPECT_NE(r.out.find("2048," + root + "/a.txt\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1," + root + "/sub\r\n"), std::string::npos) << r.out;

  std::string file = tree / "report.txt";
  r = RunCli({"report", "--output", file, "--extensions", "*.doc", root});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  std::string report = test::TempTree::Read(file);
  EXPECT_EQ(report.rfind("Dorvane Hierarchical Directory Report\r\n", 0), 0u);
  EXPECT_NE(report.find("Filter(s) Active \r\n"), std::string::npos);
  EXPECT_EQ(report.find("a.txt"), std::string::npos);
  EXPECT_NE(report.find("b.doc"), std::string::npos);
}

TEST_F(CliTest, BadOptionsAndMissingFoldersExitWith2) {
  Result r = RunCli({"report", "--view", "tree", root});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--view"), std::string::npos);
  EXPECT_EQ(r.out, "");

  r = RunCli({"report", "--file-size", "> 3000 MB", root});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--file-size"), std::string::npos);

  r = RunCli({"report", tree / "missing"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("The folder " + tree / "missing" + " does not exist.  Please select another folder."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, kInvalidPathMarker);

  r = RunCli({"report", "--output", tree / "no/such/dir/out.txt", root});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Path not found"), std::string::npos) << r.err;

  r = RunCli({"frobnicate"});
  EXPECT_EQ(r.status, 2);
  r = RunCli({"report", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--extensions"), std::string::npos);
}

TEST_F(CliTest, AnInvalidPatternIsReportedPerItemWithExit1) {
  tree.File("data/a.txt");
  Result r = RunCli({"report", "--regex", "--file-pattern", "(oops", "--view", "dos", root});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\tError: 5017 Description: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(" Loc: cdp:8F\r\nChecking:a.txt against:(oops"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Files Shown:0"), std::string::npos);
}

// Runs the command line with its standard error going into a pipe of one page that is not read until the first
// error record has arrived: the run cannot end before then, so `signal` always reaches a walk in progress. Then
// everything is read to the end.
Result RunInterrupted(const std::vector<std::string>& args, int signal, const std::string& outPath) {
  int err[2];
  if (::pipe2(err, O_CLOEXEC) != 0) return {};
  ::fcntl(err[1], F_SETPIPE_SZ, 4096);
  pid_t pid = ::fork();
  if (pid == 0) {
    int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(o, 1);
    ::dup2(err[1], 2);
    std::vector<char*> argv{const_cast<char*>("dorvane-cli")};
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(DV_CLI_PATH, argv.data());
    ::_exit(127);
  }
  ::close(err[1]);
  Result r;
  char buf[4096];
  bool sent = false;
  for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) {
    r.err.append(buf, static_cast<size_t>(n));
    if (!sent && r.err.find("\tError: ") != std::string::npos) {
      ::kill(pid, signal);
      sent = true;
    }
  }
  ::close(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.status = !sent ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = test::TempTree::Read(outPath);
  return r;
}

TEST_F(CliTest, SignalsCancelWithTheirExitStatusAndReplaceNoFile) {
  // Every file gives an error record (the pattern is invalid): far more than the pipe holds.
  for (int f = 0; f < 10; ++f)
    for (int i = 0; i < 20; ++i) tree.File("data/" + std::to_string(f) + "/" + std::string(100, 'n') + std::to_string(i));
  const std::string dir = tree.Dir("keep");
  const std::string output = tree.File("keep/report.txt", "old report"), page = tree.File("keep/page.htm", "old page");
  const std::vector<std::string> walk = {"report", "--regex", "--file-pattern", "(oops", "--view", "dos", root};
  for (auto [signal, status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
    // To standard output: the report so far, its summary and the cancelled marker.
    Result r = RunInterrupted(walk, signal, tree / "out.txt");
    EXPECT_EQ(r.status, status) << signal;
    const std::string marker = kCancelledMarker;
    ASSERT_GE(r.out.size(), marker.size()) << signal;
    EXPECT_EQ(r.out.substr(r.out.size() - marker.size()), marker) << signal;
    EXPECT_NE(r.out.find("** Summary:"), std::string::npos) << signal;

    // The JSON view: still one whole document, which says it was cancelled.
    std::vector<std::string> json = walk;
    json[5] = "json";
    r = RunInterrupted(json, signal, tree / "out.txt");
    EXPECT_EQ(r.status, status) << signal;
    const std::string end = "\"cancelled\": true}\n";
    ASSERT_GE(r.out.size(), end.size()) << signal;
    EXPECT_EQ(r.out.substr(r.out.size() - end.size()), end) << signal;
    EXPECT_EQ(test::RunProgram("python3", {"-c", "import json,sys; json.load(open(sys.argv[1]))", tree / "out.txt"})
                  .status, 0) << signal;

    // To files: a cancelled run replaces neither, and leaves nothing beside them.
    std::vector<std::string> toFiles = walk;
    toFiles.insert(toFiles.begin() + 1, {"--output", output, "--save", page});
    r = RunInterrupted(toFiles, signal, tree / "out.txt");
    EXPECT_EQ(r.status, status) << signal;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(test::TempTree::Read(output), "old report");
    EXPECT_EQ(test::TempTree::Read(page), "old page");
    EXPECT_EQ(test::Listing(dir), "page.htm report.txt");
  }
}

// Ctrl+C in an operation stops it through the engine's stop flag: nothing is processed, and the results say so.
TEST_F(CliTest, AnOperationStoppedBySignalSaysSoInItsResults) {
  for (int f = 0; f < 10; ++f)
    for (int i = 0; i < 20; ++i) tree.File("data/" + std::to_string(f) + "/" + std::string(100, 'n') + std::to_string(i));
  const std::string before = test::Listing(root);
  const Result r = RunInterrupted({"op", "delete", "--yes", "--regex", "--file-pattern", "(oops", root}, SIGINT,
                                  tree / "out.txt");
  EXPECT_EQ(r.status, 130);
  const std::string marker = "   ***   Processing was stopped early   ***\r\n";
  EXPECT_EQ(r.out.rfind(marker, 0), 0u) << r.out;
  ASSERT_GE(r.out.size(), marker.size());
  EXPECT_EQ(r.out.substr(r.out.size() - marker.size()), marker);
  EXPECT_NE(r.out.find("Cancel was pressed during the file & folder gathering process."), std::string::npos);
  EXPECT_EQ(test::Listing(root), before);
}

void Marker(int) {}

TEST_F(CliTest, TheSignalHandlersFoundAreBackOnEveryWayOut) {
  tree.File("data/a.txt", "x");
  const std::string result = test::InChild(tree.Root(), [&] {
    test::IsolatedEnvironment env(tree);
    struct sigaction mine {};
    mine.sa_handler = Marker;
    ::sigaction(SIGINT, &mine, nullptr);
    ::sigaction(SIGTERM, &mine, nullptr);
    ::signal(SIGHUP, SIG_IGN);  // as under nohup
    const int sink = ::open((tree / "sink").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::vector<std::vector<std::string>> runs = {{root}, {tree / "missing"}, {"--bad"},
                                                        {"--save", tree / "missing/r.htm", root},
                                                        {"--save", tree / "r.htm", root}};
    std::string out;
    for (const auto& args : runs) {
      const int status = RunReportCommand(args, sink, sink);
      struct sigaction now[3] {};
      ::sigaction(SIGINT, nullptr, &now[0]);
      ::sigaction(SIGTERM, nullptr, &now[1]);
      ::sigaction(SIGHUP, nullptr, &now[2]);
      out += std::to_string(status) + (now[0].sa_handler == Marker ? "m" : "?") +
             (now[1].sa_handler == Marker ? "m" : "?") + (now[2].sa_handler == SIG_IGN ? "i" : "?") + " ";
    }
    return out;
  });
  EXPECT_EQ(result, "0mmi 2mmi 2mmi 2mmi 0mmi ");
}

TEST_F(CliTest, NamesReachATerminalOnlyAsText) {
  // A folder whose name would retitle and clear the terminal, with wide characters where the progress line is cut,
  // and a file whose error line would colour it.
  std::string wide;
  for (int i = 0; i < 12; ++i) wide += "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";  // 日本語, two columns each
  tree.File("data/\x1b]0;pwned\x07" + wide + "\x1b[2J/a\x1b[31mb.txt", "x");
  // The line fits up to the folder's escaped start and eleven more columns: five wide characters and a half.
  const std::string shown = "Folders read: 1  " + root + "/?]0;pwned?";
  struct winsize ws {};
  ws.ws_row = 24;
  ws.ws_col = static_cast<unsigned short>(shown.size() + 11 + 1);
  std::string outPath = tree / "out.txt";
  int master = -1;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(o, 1);
    ::execl(DV_CLI_PATH, "dorvane-cli", "report", "--regex", "--file-pattern", "(oops", "--view", "dos", root.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string screen;
  char buf[4096];
  for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) screen.append(buf, static_cast<size_t>(n));
  ::close(master);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;

  // Our own "clear the line" is the only escape sequence on the screen.
  std::string rest = screen, clear = "\r\x1b[K";
  std::vector<std::string> pieces;
  for (size_t at; (at = rest.find(clear)) != std::string::npos; rest.erase(0, at + clear.size()))
    pieces.push_back(rest.substr(0, at));
  pieces.push_back(rest);
  std::string text;
  for (const std::string& p : pieces) text += p;
  EXPECT_EQ(text.find_first_of("\x1b\x07"), std::string::npos) << screen;
  EXPECT_NE(text.find("Checking:a?[31mb.txt against:(oops"), std::string::npos) << screen;
  // The progress line, cut between characters to one column less than the terminal's width.
  EXPECT_NE(std::find(pieces.begin(), pieces.end(), shown + wide.substr(0, 15)), pieces.end()) << screen;
}

TEST_F(CliTest, ErrorLinesElsewhereKeepTheBytesButNeverSplitARecord) {
  tree.File("data/x\ny.txt", "x");
  tree.File("data/e\x1b[31m.txt", "x");
  Result r = RunCli({"report", "--regex", "--file-pattern", "(oops", "--view", "dos", root});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Checking:x?y.txt against:(oops"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Checking:e\x1b[31m.txt against:(oops"), std::string::npos) << r.err;
  // Two records of two lines each: no line end of a name among them.
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 4) << r.err;
}

}  // namespace
}  // namespace dv
