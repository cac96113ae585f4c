// The source as the window's box and list give it, run through PrepareOperation and the engine.
#include "fileops_engine/operation_setup.h"
#include "fileops_fixture.h"

namespace dv::test {
namespace {

// A folder whose name holds the picked files' pseudo-name is walked as the folder; files picked for empty shells
// are the only items, whatever the shells' gathering.
TEST_F(FileOpsTest, TheSourceIsWhatTheBoxAndThePicksName) {
  tree.File("src/a.txt", "a");
  tree.File("src/b.txt", "b");
  tree.File("src/sub/c.txt", "c");
  tree.File("src/Multiple.Files.old/d.txt", "d");
  const std::string src = tree / "src";
  struct Case {
    const char* name;
    FileOp operation;
    std::string source;
    Strings picked;
    std::string listing;
  };
  const Case cases[] = {
      {"copy of a folder named like picked files", FileOp::Copy, src + "/Multiple.Files.old", {}, "d.txt = d\n"},
      {"shells of two picked files", FileOp::EmptyShells, src + "/Multiple.Files", {"a.txt", "b.txt"},
       "a.txt = \nb.txt = \n"},
      {"shells of one picked file", FileOp::EmptyShells, src + "/b.txt", {"b.txt"}, "b.txt = \n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OperationChoices choices;
    choices.operation = c.operation;
    choices.source = c.source;
    choices.selectedFiles = c.picked;
    choices.sourceIsFile = c.picked.size() == 1;
    choices.destination = tree.Dir(std::string("dst/") + c.name);
    prompter.DefaultAnswer(Answer::Yes);
    const PreparedOperation prepared = PrepareOperation(choices, prompter);
    ASSERT_TRUE(prepared.confirmed);
    ops.ProcessOperation(prepared.settings, prepared.source);
    EXPECT_EQ(TreeListing(choices.destination), c.listing);
    EXPECT_EQ(events.errors, Strings{});
  }
}

}  // namespace
}  // namespace dv::test
