// Runs the real `dorvane-cli undo` over a journal of the test's own: the list, a refusal that changes nothing, the
// undo with its results on standard output, and forgetting a run.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "fileops_engine/journal.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

TEST(CliUndo, ListNoYesAndForget) {
  test::TempTree tree;
  test::IsolatedEnvironment env(tree);
  env.Set("XDG_DATA_HOME", tree / "data");
  const std::string made = tree.File("dst/made.txt", "m");
  JournalHeader header;
  header.operation = "Copy";
  header.destination = tree / "dst";
  std::string run, time;
  {
    auto journal = JournalWriter::Start(DefaultJournalFolder(), header);
    run = journal->Header().run;
    time = journal->Header().time;
    JournalItem item;
    item.path = made;
    item.id = IdentityAt(AT_FDCWD, made.c_str(), made);
    journal->Add(item);
    journal->End("completed", 1);
  }
  const std::string listed = run + "  " + time + "  Copy  1 items  ";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // "~TEXT": holds TEXT
    bool madeStays;
  };
  const Case cases[] = {
      {{"--list"}, 0, listed + "can be undone\n", true},
      {{"--no"}, 2, "", true},
      {{"no-such-run", "--yes"}, 2, "", true},
      {{"--yes"}, 0, "~\r\nUndone: " + made + "\r\n", false},
      {{"--list"}, 0, "~  Undo  1 items  can be undone\n" + listed + "undone\n", false},
      {{"--yes"}, 0, "", false},  // nothing left to undo
      {{"--forget", run}, 0, "", false},
      {{"--forget", run}, 2, "", false},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"undo"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(args[1]);
    const test::ProgramResult r = test::RunProgram(DV_CLI_PATH, args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.out.rfind("~", 0) == 0) EXPECT_NE(r.out.find(c.out.substr(1)), std::string::npos) << r.out;
    else EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(test::TempTree::Exists(made), c.madeStays);
  }
  EXPECT_EQ(test::RunProgram(DV_CLI_PATH, {"undo", "--list"}).out.find(run + "  "), std::string::npos);
}

}  // namespace
}  // namespace dv
