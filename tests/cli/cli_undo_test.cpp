// Runs the real `dorvane-cli undo` after a real `dorvane-cli op rename`: the list, a refusal that changes nothing,
// the undo with its results on standard output, and forgetting a run.
#include <gtest/gtest.h>

#include "fileops_engine/journal.h"
#include "fileops_engine/undo_operation.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

TEST(CliUndo, ListNoYesAndForget) {
  test::TempTree tree;
  test::IsolatedEnvironment env(tree);
  env.Set("XDG_DATA_HOME", tree / "data");
  const std::string made = tree.File("dst/made.txt", "m");
  ASSERT_EQ(
      test::RunProgram(DV_CLI_PATH, {"op", "rename", "--pattern", "made", "--with", "renamed", tree / "dst", "--yes"})
          .status,
      0);
  const std::vector<RunListing> runs = ListRuns(DefaultJournalFolder());
  ASSERT_EQ(runs.size(), 1u);
  const std::string run = runs[0].journal.header.run, time = runs[0].journal.header.time;
  const std::string listed = run + "  " + time + "  Rename file(s)  1 items  ";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // "~TEXT": holds TEXT
    bool madeBack;    // the file has its old name again
  };
  const Case cases[] = {
      {{"--list"}, 0, listed + "can be undone\n", false},
      {{"--no"}, 2, "", false},
      {{"no-such-run", "--yes"}, 2, "", false},
      {{"--yes"}, 0, "~\r\nUndone: " + made + "\r\n", true},
      {{"--list"}, 0, "~  Undo  1 items  can be undone\n" + listed + "undone\n", true},
      {{"--yes"}, 0, "", true},  // nothing left to undo
      {{"--forget", run}, 0, "", true},
      {{"--forget", run}, 2, "", true},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"undo"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(args[1]);
    const test::ProgramResult r = test::RunProgram(DV_CLI_PATH, args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.out.rfind("~", 0) == 0) {
      EXPECT_NE(r.out.find(c.out.substr(1)), std::string::npos) << r.out;
    } else {
      EXPECT_EQ(r.out, c.out);
    }
    EXPECT_EQ(test::TempTree::Exists(made), c.madeBack);
    EXPECT_NE(test::TempTree::Exists(tree / "dst/renamed.txt"), c.madeBack);
  }
  EXPECT_EQ(test::RunProgram(DV_CLI_PATH, {"undo", "--list"}).out.find(run + "  "), std::string::npos);
}

}  // namespace
}  // namespace dv
