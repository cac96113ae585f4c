// Runs the real dorvane-cli on temporary trees and checks its output, messages and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scan/report_writer.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

Result RunCli(const std::vector<std::string>& args) {
  test::TempTree scratch;
  std::string outPath = scratch / "out", errPath = scratch / "err";
  pid_t pid = ::fork();
  if (pid == 0) {
    int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(o, 1);
    ::dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>("dorvane-cli")};
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(DV_CLI_PATH, argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  Result r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = test::TempTree::Read(outPath);
  r.err = test::TempTree::Read(errPath);
  return r;
}

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

TEST_F(CliTest, CtrlCCancelsAndTheReportEndsWithTheMarker) {
  // Enough folders that the walk is still going when the interrupt arrives.
  for (int i = 0; i < 60; ++i) {
    std::string top = root + "/" + std::to_string(i);
    ::mkdir(top.c_str(), 0755);
    for (int j = 0; j < 60; ++j) ::mkdir((top + "/" + std::to_string(j)).c_str(), 0755);
  }
  std::string outPath = tree / "out.txt";
  int master = -1;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(o, 1);
    ::execl(DV_CLI_PATH, "dorvane-cli", "report", "--view", "dos", root.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // The progress line on the terminal shows that the walk has started; then interrupt it.
  std::string screen;
  bool sent = false;
  char buf[4096];
  for (;;) {
    struct pollfd p {master, POLLIN, 0};
    if (::poll(&p, 1, 20000) <= 0) break;
    ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;
    screen.append(buf, static_cast<size_t>(n));
    if (!sent && screen.find("Folders read: ") != std::string::npos) {
      ::kill(pid, SIGINT);
      sent = true;
    }
  }
  ::close(master);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(sent) << screen;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
  std::string out = test::TempTree::Read(outPath);
  EXPECT_GE(out.size(), std::string(kCancelledMarker).size());
  EXPECT_EQ(out.substr(out.size() - std::string(kCancelledMarker).size()), kCancelledMarker);
  EXPECT_NE(out.find("** Summary:"), std::string::npos);
  // The progress line is cleared at the end.
  EXPECT_NE(screen.rfind("\r\x1b[K"), std::string::npos);
}

}  // namespace
}  // namespace dv
