// Runs the real `dorvane-cli op` on temporary trees: answers, exit codes, the results on standard output and what
// changed on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/child_process.h"
#include "support/fs_assertions.h"
#include "support/temp_tree.h"
#include "support/test_desktop.h"

namespace dv {
namespace {

// The results file without its first line (the date and time of the run).
std::string WithoutDate(const std::string& results) {
  const size_t end = results.find("\r\n");
  return end == std::string::npos ? results : results.substr(end + 2);
}

TEST(CliOp, AnswersExitCodesResultsAndChanges) {
  test::TempTree tree;
  test::IsolatedEnvironment env(tree);
  const std::string src = tree.Dir("src"), dst = tree / "dst";
  tree.File("src/a.txt", "hello");
  tree.File("src/sub/b.txt", "world");
  const auto sourceListing = test::Listing(src);

  struct Case {
    const char* name;
    std::vector<std::string> args;
    bool noTerminal;  // standard input from /dev/null and no --yes/--no
    int status;
    std::string results;  // standard output without its date line; "*" for anything
    bool destinationMade;
  };
  const std::string header = "Number of lines recorded:";
  const Case cases[] = {
      {"refused at the confirmation: nothing written", {"copy", src, dst, "--no"}, false, 2, "", false},
      {"no terminal to ask", {"copy", src, dst}, true, 2, "", false},
      {"bad option for the operation", {"delete", "--overwrite", src, "--yes"}, false, 2, "", false},
      {"a file as SOURCE", {"delete", src + "/a.txt", "--yes"}, false, 2, "", false},
      {"missing source: header-only results",
       {"delete", tree / "gone", "--yes"},
       false,
       2,
       header + "0\r\nBasic Operation: Delete \r\n\r\n\r\n\r\n",
       false},
      {"list preview changes nothing",
       {"delete", src, "--preview", "--yes"},
       false,
       0,
       // Delete goes from the end: a folder's contents before the folder.
       header + "4\r\nBasic Operation: Delete \r\n\r\n\r\n\r\nPreview File: " + src + "/sub/b.txt\r\nPreview Folder: " +
           src + "/sub\r\nPreview File: " + src + "/a.txt\r\nPreview Folder: " + src + "\r\n",
       false},
      {"a bank entry holding the destination is skipped, and that is a failure",
       {"copy", "--entry", src + "/", src + "/inner", "--yes"},
       false,
       1,
       "*",
       false},
      {"copy with structure",
       {"copy", src, dst, "--yes"},
       false,
       0,
       header + "3\r\nBasic Operation: Copy (Do Not Overwrite Existing Files)\r\n\t\t [Do Not Include Empty "
                "Folders]\r\nOperation Summary: File(s) processed Successfully=3 Failure=0\r\n\r\n\r\n\r\nSuccess: " +
           src + "/a.txt\r\nSuccess: " + src + "/sub\r\nSuccess: " + src + "/sub/b.txt\r\n",
       true},
      {"full comparison over the copy",
       {"copy", src, dst, "--overwrite", "--verify", "full", "--yes"},
       false,
       0,
       header + "2\r\nBasic Operation: Copy (Overwrite Existing Files)\r\n\t\t [Do Not Include Empty "
                "Folders]\r\n\t\t [Full Binary Comparison]\r\nOperation Summary: File(s) processed Successfully=2 "
                "Failure=0\r\n\r\n\r\n\r\nSuccess: " +
           src + "/a.txt\r\nSuccess: " + src + "/sub/b.txt\r\n",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string command = std::string("exec '") + DV_CLI_PATH + "' op";
    for (const std::string& a : c.args) command += " '" + a + "'";
    if (c.noTerminal) command += " < /dev/null";
    const test::ProgramResult r = test::RunProgram("sh", {"-c", command});
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.results != "*") EXPECT_EQ(WithoutDate(r.out), c.results);
    EXPECT_EQ(test::Listing(src), sourceListing);
    EXPECT_EQ(test::TempTree::Exists(dst), c.destinationMade);
  }
  EXPECT_EQ(test::TempTree::Read(dst + "/sub/b.txt"), "world");

  // A named bank of a bank file: its folder entry keeps its own name under the destination.
  tree.File("DVPBank.dvb", "Other@FBS@/nowhere/\r\nWork@FBS@" + src + "/sub/@FBS@\r\n");
  const std::string bankDst = tree / "bankdst";
  test::ProgramResult b = test::RunProgram(
      DV_CLI_PATH, {"op", "copy", "--bank", tree / "DVPBank.dvb", "--bank-name", "Work", bankDst, "--yes"});
  EXPECT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(test::TempTree::Read(bankDst + "/sub/b.txt"), "world");
  b = test::RunProgram(DV_CLI_PATH,
                       {"op", "copy", "--bank", tree / "DVPBank.dvb", "--bank-name", "Play", bankDst, "--yes"});
  EXPECT_EQ(b.status, 2);
  EXPECT_NE(b.err.find("no bank called 'Play'"), std::string::npos) << b.err;

  // --results: the same text in a file, nothing on standard output.
  const std::string results = tree / "results.txt";
  const test::ProgramResult r = test::RunProgram(DV_CLI_PATH, {"op", "delete", src, "--preview", "--yes",
                                                               "--results", results});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(WithoutDate(test::TempTree::Read(results)), cases[5].results);

  // --trash: the summary says so, the results are a delete's, the file is in the home trash and nothing else is.
  env.Set("XDG_DATA_HOME", tree.Dir("data"));
  const std::string bin = tree.Dir("bin");
  tree.File("bin/old.txt", "old");
  const test::ProgramResult t = test::RunProgram(DV_CLI_PATH, {"op", "delete", "--trash", bin, "--yes"});
  EXPECT_EQ(t.status, 0) << t.err;
  EXPECT_TRUE(test::Contains(t.err, "Operation: Delete (Files Only)\n  Move to Trash (can be restored)")) << t.err;
  EXPECT_TRUE(test::Contains(t.out, "\r\nSuccess: " + bin + "/old.txt\r\n")) << t.out;
  EXPECT_EQ(test::Listing(bin) + "|" + test::Listing(tree / "data/Trash/files"), "|old.txt");
  EXPECT_EQ(test::TempTree::Read(tree / "data/Trash/files/old.txt"), "old");
}

// Runs `args` through sh, with `before` ahead of the program (variables, "cd ... &&") and `after` behind it
// (a redirection).
test::ProgramResult RunOp(const std::vector<std::string>& args, const std::string& before = "",
                          const std::string& after = "") {
  std::string command = before + "exec '" + DV_CLI_PATH + "' op";
  for (const std::string& a : args) command += " '" + a + "'";
  return test::RunProgram("sh", {"-c", command + after});
}

// How runs that end badly exit: a failed open asked one by one is a failure, not a refusal; a run halted at a
// process past its wait is a failure; a --results target that cannot be made, a full standard output and a
// private folder that cannot be trusted are refusals (2) said in words, with nothing done.
TEST(CliOp, RunsThatEndBadlyExitAsTheyShould) {
  test::TempTree tree;
  test::IsolatedEnvironment env(tree);
  test::TestDesktop desktop(tree, ":dv-no-server");
  const std::string src = tree.Dir("src");
  tree.File("src/a.txt", "some text\n");
  tree.File("src/b.dvzz", std::string("\x7f\x01\x02\x03\x00\xff", 6));  // no program opens it
  const auto sourceListing = test::Listing(src);
  tree.Dir("elsewhere");
  tree.Link("linked/dorvane", tree / "elsewhere");
  const std::string foreign = tree.Dir("foreign/dorvane");
  ::chmod(foreign.c_str(), 0700);
  const bool root = ::geteuid() == 0;
  if (root) ::chown(foreign.c_str(), test::kNobody, test::kNobody);

  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string before, after;
    int status;
    std::string out, err;  // texts that standard output and error must hold
  };
  const Case cases[] = {
      {"a file that cannot be opened, asked one by one", {"open", "--ask-each", src, "--yes"}, "", "", 1,
       "Success: " + src + "/a.txt\r\nFailure: " + src + "/b.dvzz\r\n", "was unable to be opened"},
      {"a process past its wait halts the run", {"run", "--command", "sleep 2; true <<filename>>", "--wait", "1", src, "--yes"}, "", "",
       1, "Timed Out - Halting operation at ", ""},
      {"--results in a missing folder", {"delete", src, "--yes", "--results", tree / "nodir/r.txt"}, "", "", 2, "",
       tree / "nodir/r.txt"},
      {"a full standard output", {"delete", src, "--preview", "--yes"}, "", " > /dev/full", 2, "",
       "standard output"},
      {"a private folder that is a link", {"delete", src, "--yes"}, "XDG_RUNTIME_DIR='" + tree / "linked" + "' ", "",
       2, "", "it is a symbolic link"},
      {"a private folder of another user", {"delete", src, "--yes"}, "XDG_RUNTIME_DIR='" + tree / "foreign" + "' ",
       "", 2, "", "it belongs to another user"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!root && c.err == "it belongs to another user") continue;  // only root can give a folder away
    const test::ProgramResult r = RunOp(c.args, c.before, c.after);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("terminate called"), std::string::npos) << r.err;
    EXPECT_EQ(test::Listing(src), sourceListing);
  }
  EXPECT_EQ(test::Listing(tree / "elsewhere"), "");
}

// Previews say so first, ask nothing and create nothing: a missing destination is noted in the results; the
// rename preview prints "old -> new" for the names that change and counts the others on standard error.
TEST(CliOp, PreviewsSayWhatWouldHappen) {
  test::TempTree tree;
  test::IsolatedEnvironment env(tree);
  const std::string src = tree.Dir("src"), dst = tree / "dst";
  tree.File("src/IMG_1.jpg");
  tree.File("src/notes.txt");
  const auto sourceListing = test::Listing(src);
  struct Case {
    std::vector<std::string> args;
    std::string out, err;  // texts that standard output and error must hold
  };
  const Case cases[] = {
      {{"copy", src, dst, "--preview", "--no"}, "", "Preview only: nothing will be changed\nOperation: Copy"},
      {{"copy", src, dst, "--preview", "--yes"},
       "Destination does not exist - the operation will ask to create it: " + dst + "/\r\n", ""},
      {{"copy", src, dst, "--report-preview", "--yes"}, "IMG_1.jpg", "Preview only: nothing will be changed"},
      {{"rename", "--pattern", "^IMG", "--with", "photo", src, "--preview", "--yes"},
       "\r\n\r\nPreview File: " + src + "/IMG_1.jpg -> photo_1.jpg\r\n", "1 of 2 files keep their names"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    const test::ProgramResult r = RunOp(c.args);
    EXPECT_EQ(r.status, c.args.back() == "--no" ? 2 : 0) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Create folder"), std::string::npos) << r.err;
    EXPECT_EQ(test::Listing(src), sourceListing);
    EXPECT_FALSE(test::TempTree::Exists(dst));
  }
}

// The results printed are this run's own and are written in the private folder itself: a private folder on
// another file system than the working folder works, the window's DVidt.txt there is neither printed nor
// touched, nothing is left behind, and two runs at once (one of them a report preview) each print their own.
TEST(CliOp, ResultsAreThisRunsOwn) {
  test::TempTree tree;
  test::IsolatedEnvironment env(tree);
  std::string far = "/dev/shm/dvtest-XXXXXX";
  struct stat here {}, shm {};
  const bool otherFileSystem = ::stat("/dev/shm", &shm) == 0 && ::stat(tree.Root().c_str(), &here) == 0 &&
                               here.st_dev != shm.st_dev && ::mkdtemp(far.data()) != nullptr;
  test::DeepCleanup cleanup{otherFileSystem ? far : std::string()};
  const std::string work = tree.Dir("work");
  const std::string a = tree.Dir("a"), b = tree.Dir("b");
  tree.File("a/one.txt");
  tree.File("b/two.txt");
  auto preview = [](const std::string& folder, const std::string& file) {
    return "Number of lines recorded:2\r\nBasic Operation: Delete \r\n\r\n\r\n\r\nPreview File: " + folder + "/" +
           file + "\r\nPreview Folder: " + folder + "\r\n";
  };
  for (const std::string& runtime : {env.RuntimeDir(), otherFileSystem ? far : std::string()}) {
    SCOPED_TRACE(runtime);
    if (runtime.empty()) continue;
    const std::string folder = runtime + "/dorvane";
    ::mkdir(folder.c_str(), 0700);
    std::ofstream(folder + "/DVidt.txt") << "the window's results";
    const std::string cli = std::string("'") + DV_CLI_PATH + "' op delete --yes --preview";
    const test::ProgramResult r = test::RunProgram(
        "sh", {"-c", "cd '" + work + "' && export XDG_RUNTIME_DIR='" + runtime + "' && " + cli + " '" + a + "' > '" +
                         tree / "a.out" + "' & " + cli + " '" + a + "' --results '" + tree / "a.results" + "' & " +
                         cli + " '" + b + "' > '" + tree / "b.out" + "' & " + cli + " --report-preview '" + b +
                         "' > '" + tree / "b.report" + "'; wait"});
    EXPECT_EQ(r.err.find("dorvane-cli op:"), std::string::npos) << r.err;
    EXPECT_EQ(WithoutDate(test::TempTree::Read(tree / "a.out")), preview(a, "one.txt"));
    EXPECT_EQ(WithoutDate(test::TempTree::Read(tree / "a.results")), preview(a, "one.txt"));
    EXPECT_EQ(WithoutDate(test::TempTree::Read(tree / "b.out")), preview(b, "two.txt"));
    const std::string report = test::TempTree::Read(tree / "b.report");
    EXPECT_TRUE(report.find("two.txt") != std::string::npos && report.find("one.txt") == std::string::npos)
        << report;
    EXPECT_EQ(test::Listing(folder), "DVidt.txt");
    EXPECT_EQ(test::TempTree::Read(folder + "/DVidt.txt"), "the window's results");
    EXPECT_EQ(test::Listing(work), "");
  }
}

// A single --pick of a name that is not there is no file source (the window's rule): the check finds the
// source missing, and an invalid --to is reported as --to.
TEST(CliOp, MissingPickAndInvalidDateSayWhatIsWrong) {
  test::TempTree tree;
  test::IsolatedEnvironment env(tree);
  const std::string src = tree.Dir("src");
  tree.File("src/a.txt", "a");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"delete", "--pick", "gone.txt", src, "--yes"}, 2, "Source directory does not exist."},
      {{"modified-date", "--to", "2024-02-30", src, "--yes"}, 2, "--to: '2024-02-30' is not a date"},
  };
  for (const auto& c : cases) {
    const test::ProgramResult r = RunOp(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(test::TempTree::Read(src + "/a.txt"), "a");
  }
}

}  // namespace
}  // namespace dv
