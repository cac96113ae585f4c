// Keystroke macros: building the text step by step, its display, the delay step, and the saved-macros file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileops_engine/macro_file.h"
#include "fileops_engine/operation_setup.h"
#include "support/scripted_prompter.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

TEST(MacroText, StepsDisplayAndDelays) {
  std::string macro = AddMacroStep("", "  abc ");
  macro = AddMacroStep(macro, "{ENTER}");
  EXPECT_EQ(macro, ":::abc:::{ENTER}");
  EXPECT_EQ(MacroDisplay(macro), "(Step 1) abc   (Step 2) {ENTER}   ");
  EXPECT_EQ(AddMacroStep(macro, ""), macro);
  EXPECT_EQ(RemoveLastMacroStep(macro), ":::abc");
  EXPECT_EQ(MacroDisplay(RemoveLastMacroStep(":::abc")), "Empty Macro");

  struct Case {
    std::string seconds, step;
    int messages;
  };
  const Case cases[] = {{"5", "[DELAY]5", 0},        {"-20", "[DELAY]20", 0}, {"3600", "[DELAY]3600", 0},
                        {"3601", "", 1},              {"abc", "", 0},          {"", "", 0},
                        {"inf", "", 0},               {"1.5", "[DELAY]1.5", 0}, {" 60 ", "[DELAY]60", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    test::ScriptedPrompter prompter;
    EXPECT_EQ(DelayStep(c.seconds, prompter), c.step);
    EXPECT_EQ(prompter.CountTitled("Maximum Delay Exceeded"), c.messages);
  }
}

// The file: a malformed line is shown once and not listed; saving under an existing name rewrites that line in
// place after a Yes; a new name goes last; deleting drops the malformed line too; what is written reads back.
TEST(MacroFile, SaveLoadAndDelete) {
  test::TempTree tree;
  const std::string folder = tree.Dir("macros"), file = folder + "/DVOMacs.txt";
  test::ScriptedPrompter prompter;
  EXPECT_EQ(LoadMacroArray(folder, prompter).size(), 0u);
  EXPECT_TRUE(test::TempTree::Exists(file));

  tree.File("macros/DVOMacs.txt", "Notepad:::hello:::{ENTER}\r\nno separator here\r\nOther:::x\r\n");
  std::vector<MacroEntry> entries = LoadMacroArray(folder, prompter);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(prompter.Count("Message"), 1);
  EXPECT_NE(prompter.Log()[0].text.find("The Macro 'no separator here' is not in the proper format"),
            std::string::npos);
  EXPECT_EQ(entries[1].name, "");
  EXPECT_EQ(MacroNamed(entries, "Notepad"), ":::hello:::{ENTER}");

  prompter.Reset();
  prompter.QueueInput("Notepad");
  prompter.QueueAnswerFor("Macro already exists", Answer::Yes);
  EXPECT_TRUE(SaveMacro(folder, ":::bye", prompter));
  prompter.QueueInput("New");
  EXPECT_TRUE(SaveMacro(folder, ":::a:::{TAB}", prompter));
  prompter.QueueInput("Other");
  prompter.QueueAnswerFor("Macro already exists", Answer::No);
  EXPECT_FALSE(SaveMacro(folder, ":::never", prompter));
  prompter.QueueInput("bad:::name");
  EXPECT_FALSE(SaveMacro(folder, ":::never", prompter));
  EXPECT_FALSE(SaveMacro(folder, "", prompter));
  EXPECT_EQ(test::TempTree::Read(file),
            "Notepad:::bye\r\nno separator here\r\nOther:::x\r\nNew:::a:::{TAB}\r\n");
  EXPECT_EQ(prompter.CountTitled("Dorvane"), 2 + 3 + 1);  // saved twice, a malformed line on each of three loads,
                                                        // "There are no steps"
  EXPECT_EQ(prompter.CountTitled("Save Macro"), 4 + 1);   // four names asked, one refused

  prompter.Reset();
  entries = LoadMacroArray(folder, prompter);
  prompter.DefaultAnswer(Answer::Yes);
  EXPECT_TRUE(DeleteMacro(folder, entries, "Other", prompter));
  EXPECT_EQ(test::TempTree::Read(file), "Notepad:::bye\r\nNew:::a:::{TAB}\r\n");
  EXPECT_EQ(entries.size(), 2u);
}

// The machine-wide folder when set, else the program's folder; one the user cannot write gives way to the
// per-user data folder.
TEST(MacroFile, FolderLocatedWhereItCanBeWritten) {
  test::TempTree tree;
  const std::string program = tree.Dir("program"), shared = tree.Dir("shared"), data = tree / "data/dorvane";
  EXPECT_EQ(LocateMacrosFolder("", program, data), program);
  EXPECT_EQ(LocateMacrosFolder(shared, program, data), shared);
  EXPECT_EQ(LocateMacrosFolder(tree / "missing", program, data), data);
  if (::geteuid() != 0) {
    ::chmod(program.c_str(), 0555);
    EXPECT_EQ(LocateMacrosFolder("", program, data), data);
    ::chmod(program.c_str(), 0755);
  }
}

// The command line and the window refuse a macro the run could not follow, before anything is asked or opened.
TEST(MacroFile, InvalidMacroRefusedBeforeTheRun) {
  for (const auto& [macro, refused] : std::vector<std::pair<std::string, bool>>{
           {":::[DELAY]abc", true}, {":::x:::[DELAY]-1", true}, {":::[DELAY]nan", true}, {":::[DELAY]inf", true},
           {":::{NOKEY}", true}, {":::[DELAY]1.5:::[CTRL]s", false}, {"", false}}) {
    test::ScriptedPrompter prompter;
    prompter.DefaultAnswer(Answer::Yes);
    OperationChoices c;
    c.operation = FileOp::OpenWithMacro;
    c.source = "/data/src";
    c.macro = macro;
    EXPECT_EQ(PrepareOperation(c, prompter).confirmed, !refused) << macro;
    EXPECT_EQ(prompter.Count(), 1) << macro;  // the refusal's message, or else the confirmation
    EXPECT_EQ(prompter.Log().at(0).text.rfind("The macro cannot be run: Step ", 0) == 0, refused) << macro;
  }
}

}  // namespace
}  // namespace dv
