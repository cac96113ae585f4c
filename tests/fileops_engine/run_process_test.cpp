// Run process and open file, against real child processes: the pause settings, the time-out, hostile file names,
// children left to run that are still collected, and xdg-open with and without an associated program.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "fileops_fixture.h"
#include "platform/process_run.h"
#include "platform/shell_template.h"
#include "support/child_process.h"
#include "support/test_desktop.h"

namespace dv::test {
namespace {

// Our children as /proc lists them: {live, zombies}.
std::pair<int, int> OwnChildren() {
  int live = 0, zombies = 0;
  DIR* proc = ::opendir("/proc");
  while (dirent* e = proc ? ::readdir(proc) : nullptr) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    // Read with plain calls: a process that ends meanwhile fails the read (ESRCH), which a stream would throw.
    const int fd = ::open((std::string("/proc/") + e->d_name + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0) continue;
    const std::string stat(buffer, static_cast<size_t>(n));
    const size_t close = stat.rfind(')');  // the name in parentheses may hold anything
    if (close == std::string::npos) continue;
    char state = 0;
    long ppid = 0;
    std::istringstream(stat.substr(close + 1)) >> state >> ppid;
    if (ppid != ::getpid()) continue;
    (state == 'Z' ? zombies : live)++;
  }
  if (proc) ::closedir(proc);
  return {live, zombies};
}

// Waits (up to `seconds`) until `done` holds; children that were not waited for end in their own time.
template <class F>
bool Eventually(F done, int seconds = 30) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Any file named "pwned" below `root`.
bool Pwned(const std::string& root) {
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    if (e.path().filename() == "pwned") return true;
  return false;
}

class RunProcessTest : public FileOpsTest {
 protected:
  std::string marker = tree / "marker";
  std::string mark;  // a script that appends "[its first argument]" and a line end to the marker

  void SetUp() override {
    FileOpsTest::SetUp();
    mark = tree.File("bin/mark.sh", "#!/bin/sh\nprintf '[%s]\\n' \"$1\" >> '" + marker + "'\n");
    ::chmod(mark.c_str(), 0755);
  }
  void RunOn(const std::string& folder, FileOp op) {
    Paths(tree / folder);
    ops.FileOperation(op);
    ops.Process_Files_Folders_Both(Gathering::FilesAndFolders);
    Run();
  }
  std::string Marker() const { return Shown(TempTree::Exists(marker) ? TempTree::Read(marker) : "", tree.Root()); }
};

// Each pause setting with real children: 0 starts and goes on, 1 waits for each to end, 2 asks (Yes starts, No
// skips, Cancel stops with the file as a failure); an unknown setting, or a program the shell cannot find, fails
// each file openly. The questions show the command exactly: the placeholder as blank, quoted path, blank, every
// time it stands in the template.
TEST_F(RunProcessTest, EachPauseSetting) {
  tree.File("src/a.txt", "a");
  tree.File("src/b.txt", "b");
  const std::string markA = "[T/src/a.txt]", markB = "[T/src/b.txt]";
  struct Case {
    long pause;
    std::string command;
    std::vector<Answer> answers;
    Strings lines, questions, marks;
    int errors;
  };
  const std::string ask = "YesNoCancel|Process Next File Confirmation|Run Process: ";
  const std::vector<Case> cases = {
      {0, mark + " <<filename>>", {}, {"Success: T/src/a.txt", "Success: T/src/b.txt"}, {}, {markA, markB}, 0},
      {1, mark + " <<filename>>", {}, {"Success: T/src/a.txt", "Success: T/src/b.txt"}, {}, {markA, markB}, 0},
      {2, mark + " <<filename>>", {Answer::Yes, Answer::No}, {"Success: T/src/a.txt"},
       {ask + "T/bin/mark.sh  'T/src/a.txt' ?", ask + "T/bin/mark.sh  'T/src/b.txt' ?"}, {markA}, 0},
      {2, mark + " <<filename>>", {Answer::Cancel}, {"Failure: T/src/a.txt"}, {ask + "T/bin/mark.sh  'T/src/a.txt' ?"},
       {}, 0},
      {2, "cp <<filename>><<filename>>.bak", {Answer::No, Answer::No}, {},
       {ask + "cp  'T/src/a.txt'  'T/src/a.txt' .bak?", ask + "cp  'T/src/b.txt'  'T/src/b.txt' .bak?"}, {}, 0},
      {7, mark + " <<filename>>", {}, {"Failure: T/src/a.txt", "Failure: T/src/b.txt"}, {}, {}, 2},
      // The shell could not find the program: as a process that cannot be created, a failure.
      {1, "dv-no-such-program <<filename>> 2>/dev/null", {}, {"Failure: T/src/a.txt", "Failure: T/src/b.txt"}, {},
       {}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pause);
    ::unlink(marker.c_str());
    prompter.Reset();
    events.errors.clear();
    for (Answer a : c.answers) prompter.QueueAnswer(a);
    ops.RunProcOnFile(c.command);
    ops.RunProcOnFilePauseSetting(c.pause, 10000, false);
    RunOn("src", FileOp::RunProcess);
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(Questions(), c.questions);
    EXPECT_EQ(static_cast<int>(events.errors.size()), c.errors);
    // Children that were not waited for write in their own time and order.
    Eventually([&] { return SortedLines(Marker()).size() >= c.marks.size(); });
    EXPECT_EQ(SortedLines(Marker()), c.marks);
  }
}

// A child that outlives the wait: the file is "Timed Out" and the operation halts, or, with
// ContinueProcessingEvenOnTimeOut, the file counts as a success and the next one follows. The child keeps running
// and is collected when it ends.
TEST_F(RunProcessTest, TimeOutHaltsOrGoesOn) {
  tree.File("src/a.txt");
  tree.File("src/b.txt");
  struct Case {
    bool goOn;
    Strings lines;
    bool stoppedEarly;
  };
  const std::vector<Case> cases = {
      {false, {"Timed Out - Halting operation at T/src/a.txt"}, true},
      {true, {"Success: T/src/a.txt", "Success: T/src/b.txt"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.goOn);
    ops.RunProcOnFile("sleep 2");  // no placeholder: the same command for every file
    ops.RunProcOnFilePauseSetting(1, 200, c.goOn);
    RunOn("src", FileOp::RunProcess);
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(ops.StopProcessing(), c.stoppedEarly);
    EXPECT_EQ(ResultsFile().find("Processing was stopped early") != std::string::npos, c.stoppedEarly);
  }
  // The children that outlived their wait are collected when they end.
  EXPECT_TRUE(Eventually([] { return OwnChildren() == std::make_pair(0, 0); }));
}

// A wait raises the check about every 100 ms; Cancel there ends the wait before the child ends, and nothing after
// that file runs.
TEST_F(RunProcessTest, CancelEndsTheWait) {
  tree.File("src/a.txt");
  tree.File("src/b.txt");
  const std::string started = tree / "started";
  events.onCheck = [&](int) {
    if (TempTree::Exists(started)) ops.StopProcessing(true);
  };
  ops.RunProcOnFile("touch '" + started + "'; sleep 3; " + mark + " <<filename>> 2>/dev/null");
  ops.RunProcOnFilePauseSetting(1, 60000, false);
  RunOn("src", FileOp::RunProcess);
  EXPECT_EQ(Lines(), Strings({"Success: T/src/a.txt"}));
  EXPECT_EQ(Marker(), "");  // the child was still asleep when the wait ended
}

// Where the placeholder stands decides how $1 is written: quoted when bare, braced inside double quotes, the
// single quotes closed around it; backslashes, comments and substitutions are read as sh reads them.
TEST(ShellTemplate, ReferenceFitsItsQuoting) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a <<filename>> b | wc", "a \"$1\" b | wc"},
      {"echo \"<<filename>>x\"", "echo \"${1}x\""},
      {"echo '<<filename>>' 'x<<filename>>y'", "echo ''\"$1\"'' 'x'\"$1\"'y'"},
      {"echo it\\'s <<filename>>", "echo it\\'s \"$1\""},
      {"echo \"a\\\"<<filename>>\" '\\'<<filename>>", "echo \"a\\\"${1}\" '\\'\"$1\""},
      {"cat <<filename>> # don't '<<filename>>'\nx '<<filename>>'", "cat \"$1\" # don't '<<filename>>'\nx ''\"$1\"''"},
      {"$(cat '<<filename>>' (x)) <<filename>>", "$(cat ''\"$1\"'' (x)) \"$1\""},
      {"\"$(cat <<filename>>)\" `cat <<filename>>`", "\"$(cat \"$1\")\" `cat \"$1\"`"},
      {"\"`cat \\\"<<filename>>\\\"`\"", "\"`cat \\\"${1}\\\"`\""},
      {"${x:-<<filename>>} \"${x:-<<filename>>}\"", "${x:-\"$1\"} \"${x:-${1}}\""},
      {"\\<<filename>><<filename>>", "\\\\\"$1\"\"$1\""},
      {"no placeholder", "no placeholder"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(WithParameterReference(text, "<<filename>>"), expected) << text;
}

// Names that a shell would read as commands, options, quotes, globs or parameters reach the program as one
// argument each, byte for byte, wherever the placeholder stands in the template, and nothing else runs.
TEST_F(RunProcessTest, HostileNamesAreOneArgumentEach) {
  const Strings names = {"$(touch pwned)", "`touch pwned`", "a\"; touch pwned; \".txt", "x' ; touch pwned ; '",
                         ";touch pwned", "|touch pwned", "&touch pwned&", "it's\nnew.txt", "two  spaces", "-rf",
                         "--help", "*", "?", "[a-z]", "back\\slash", "\xff\xfe latin\xe9", "<<filename>>",
                         "<<filename>>.txt", "$1", "${IFS}x", "$HOME", "'", "\"", "\\\"'", "$(", "a\tb",
                         "~root", ">out", "!bang", "#hash", "{a,b}", " lead", "%s%n"};
  for (const std::string& name : names) tree.File("src/" + name, "x");
  const std::string out = ShellQuoted(tree / "out");
  struct Case {
    std::string command, before, after;
  };
  const std::vector<Case> cases = {
      {"printf '%s\\0' <<filename>> | cat >> " + out, "", ""},
      {"printf '%s\\0' \"<<filename>>\" >> " + out, "", ""},
      {"printf '%s\\0' '<<filename>>' >> " + out, "", ""},
      {"printf '%s\\0' \"a<<filename>>b\" >> " + out, "a", "b"},
      {"printf '%s\\0' 'c<<filename>>d' >> " + out, "c", "d"},
      {"printf '%s\\0' \"$(printf %s \"<<filename>>\")\" >> " + out, "", ""},
      {"printf '%s\\0' \"`printf %s \\\"<<filename>>\\\"`\" >> " + out, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    ::unlink((tree / "out").c_str());
    ops.RunProcOnFile(c.command);
    ops.RunProcOnFilePauseSetting(1, 10000, false);
    // The current folder is the scratch tree: a command that got loose or a glob that expanded would show there.
    const std::string status = InChild(tree.Root(), [&] {
      RunOn("src", FileOp::RunProcess);
      return std::to_string(ops.SuccessCount()) + " errors " + std::to_string(events.errors.size());
    });
    EXPECT_EQ(status, std::to_string(names.size()) + " errors 0");
    Strings expected, got;
    for (const std::string& name : names) expected.push_back(c.before + tree / "src/" + name + c.after);
    std::sort(expected.begin(), expected.end());
    const std::string written = TempTree::Exists(tree / "out") ? TempTree::Read(tree / "out") : "";
    for (size_t from = 0, at; (at = written.find('\0', from)) != std::string::npos; from = at + 1)
      got.push_back(written.substr(from, at - from));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    EXPECT_FALSE(Pwned(tree.Root()));
  }
}

// Children started and left are collected as they end: after 1,000 of them, alive together for a second, none
// is left as a zombie; and they do not use up our descriptors (a limit of 256 open files), so the results file is
// still written.
TEST_F(RunProcessTest, ThousandChildrenLeftToRun) {
  for (int i = 0; i < 1000; ++i) tree.File("many/f" + std::to_string(i));
  ops.RunProcOnFile("sleep 1; : <<filename>>");
  ops.RunProcOnFilePauseSetting(0, 0, false);
  const std::string out = InChild(tree.Root(), [&] {
    const rlimit limit = {256, 256};
    ::setrlimit(RLIMIT_NOFILE, &limit);
    RunOn("many", FileOp::RunProcess);
    const bool gone = Eventually([] { return OwnChildren() == std::make_pair(0, 0); });
    return std::to_string(ops.SuccessCount()) + " errors " + std::to_string(events.errors.size()) +
           (ResultsFile().find("Successfully=1000") != std::string::npos ? " written" : " missing") +
           (gone ? "" : " zombies or children left");
  });
  EXPECT_EQ(out, "1000 errors 0 written");
}

// A program started without a standard error (as some launchers start a desktop program) still runs commands.
TEST_F(RunProcessTest, RunsWithoutStandardError) {
  tree.File("src/a.txt");
  ops.RunProcOnFile(mark + " <<filename>>");
  ops.RunProcOnFilePauseSetting(1, 10000, false);
  const std::string out = InChild(tree.Root(), [&] {
    ::close(2);
    RunOn("src", FileOp::RunProcess);
    return Lines().at(0) + " errors " + std::to_string(events.errors.size());
  });
  EXPECT_EQ(out, "Success: T/src/a.txt errors 0");
  EXPECT_EQ(Marker(), "[T/src/a.txt]\n");
}

// Errors with their descriptions, for the texts that must be clear.
struct DescribedErrors : OpsRecorder {
  Strings described;
  void evtCFOExternalPassError(const Error& e, const std::string& loc, long kind, const std::string& info) override {
    OpsRecorder::evtCFOExternalPassError(e, loc, kind, info);
    described.push_back(loc + " [" + std::to_string(e.Number()) + "] " + e.Description());
  }
};

// xdg-open on a desktop of the test's own: a text file opens with its program; a type without one, or a program
// that fails, fails the file (with the box when the user was asked); No skips, Cancel stops; a macro with
// keystrokes and no X display, or a pause that is no number of seconds, fails the file before anything opens.
TEST_F(RunProcessTest, OpenWithTheAssociatedProgram) {
  DescribedErrors errors;
  ops.Listener(&errors);
  tree.File("text/a.txt", "hello\n");
  tree.File("blob/b.dvzz", std::string("\x7f\x01\x02\x03\x00\xff", 6));
  tree.File("refused/r.txt", "hello\n");
  const std::string noAssoc =
      "cfo:8L [50000] There is no application associated with this type of file (xdg-open exit 3).";
  const std::string ask = "YesNoCancel|Open Next File Confirmation|Open File ";
  struct Case {
    const char* display;
    std::string folder, macro;
    bool pause;
    std::vector<Answer> answers;
    Strings lines, questions, errors;
    std::string marker;
  };
  const char* fake = ":dv-no-server";  // xdg-open only asks whether there is one
  const std::vector<Case> cases = {
      {fake, "text", "", false, {}, {"Success: T/text/a.txt"}, {}, {}, "[T/text/a.txt]\n"},
      {fake, "blob", "", false, {}, {"Failure: T/blob/b.dvzz"}, {}, {noAssoc}, ""},
      {fake, "refused", "", false, {}, {"Failure: T/refused/r.txt"}, {},
       {"cfo:8L [50000] The associated application failed to open the file (xdg-open exit 4)."}, "[T/refused/r.txt]\n"},
      {fake, "blob", "", true, {Answer::Yes}, {"Failure: T/blob/b.dvzz"},
       {ask + "T/blob/b.dvzz ?", "Message|Unable to Open File|File T/blob/b.dvzz  was unable to be opened."},
       {noAssoc}, ""},
      {fake, "text", "", true, {Answer::No}, {}, {ask + "T/text/a.txt ?"}, {}, ""},
      {fake, "text", "", true, {Answer::Cancel}, {"Failure: T/text/a.txt"}, {ask + "T/text/a.txt ?"}, {}, ""},
      {nullptr, "text", ":::[DELAY]1:::[CTRL]s", false, {}, {"Failure: T/text/a.txt"}, {},
       {"cfo:8L [429] Keystrokes cannot be sent: there is no X display (DISPLAY is not set)"}, ""},
      {fake, "text", ":::[DELAY]abc:::[CTRL]s", false, {}, {"Failure: T/text/a.txt"}, {},
       {"cfo:8L [50000] The macro cannot be run: Step 1: Invalid pause \"[DELAY]abc\": [DELAY] takes a number of "
        "seconds from 0 to 3600"},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder + (c.pause ? " asked" : "") + (c.display ? "" : " no display"));
    TestDesktop desktop(tree, c.display);
    ::unlink(desktop.Marker().c_str());
    prompter.Reset();
    errors.described.clear();
    for (Answer a : c.answers) prompter.QueueAnswer(a);
    ops.PauseBetweenOpeningFiles(c.pause);
    ops.OpenMacroString(c.macro);
    RunOn(c.folder, FileOp::OpenWithMacro);
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(Questions(), c.questions);
    EXPECT_EQ(errors.described, c.errors);
    EXPECT_EQ(Shown(TempTree::Exists(desktop.Marker()) ? TempTree::Read(desktop.Marker()) : "", tree.Root()),
              c.marker);
  }
}

// The macro's waits raise the check every 100 ms too, and Cancel ends them at once (not after ten minutes).
TEST_F(RunProcessTest, CancelEndsTheMacroWait) {
  TestDesktop desktop(tree, ":dv-no-server");
  tree.File("text/a.txt", "hello\n");
  tree.File("text/b.txt", "hello\n");
  events.onCheck = [&](int n) {
    if (n == 20) ops.StopProcessing(true);
  };
  ops.OpenMacroString(":::[DELAY]600");
  RunOn("text", FileOp::OpenWithMacro);
  EXPECT_EQ(Lines(), Strings({"Success: T/text/a.txt"}));
  EXPECT_EQ(events.checks, 20);
}

}  // namespace
}  // namespace dv::test
