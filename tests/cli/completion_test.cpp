// The bash completion of dorvane-cli, run by bash itself: the script is sourced, the completion function called
// with COMP_WORDS and COMP_CWORD, and COMPREPLY compared whole.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "cli/op_options.h"
#include "cli/report_options.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

class CompletionTest : public ::testing::Test {
 protected:
  test::TempTree tree;

  // COMPREPLY, sorted, one entry a line, for the command line `words` whose last word is being completed; run in
  // a folder of the test's own.
  std::string Complete(const std::vector<std::string>& words) {
    std::vector<std::string> args = {
        "--norc", "--noprofile", "-c",
        "cd \"$1\" && source \"$2\" && shift 2 && COMP_WORDS=(\"$@\") && COMP_CWORD=$(($# - 1)) && "
        "_dorvane_cli && { [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort; }",
        "bash", tree.Root(), DV_COMPLETION_PATH};
    args.insert(args.end(), words.begin(), words.end());
    test::ProgramResult r = test::RunProgram("bash", args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
  }

  static std::string Lines(std::set<std::string> words) {
    std::string out;
    for (const std::string& w : words) out += w + "\n";
    return out;
  }

  // Every "--option" a help text names.
  static std::set<std::string> OptionsIn(const std::string& help) {
    std::set<std::string> names;
    static const std::regex option(R"(--[a-z][a-z-]*)");
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it) names.insert(it->str());
    return names;
  }
};

TEST_F(CompletionTest, CommandsOptionsAndValues) {
  tree.Dir("data");
  tree.Dir("docs");
  tree.File("dfile.txt");
  const struct {
    std::vector<std::string> words;
    std::string expected;
  } cases[] = {
      {{"dorvane-cli", ""}, "--help\n--version\nop\nreport\nundo\n"},
      {{"dorvane-cli", "undo", "--"}, "--forget\n--help\n--list\n--no\n--yes\n"},
      {{"dorvane-cli", "r"}, "report\n"},
      {{"dorvane-cli", "report", "--s"}, "--save\n--size-unit\n"},
      {{"dorvane-cli", "report", "--view", ""}, "csv\ndos\nhierarchical\njson\nsortable\n"},
      {{"dorvane-cli", "report", "--view", "=", "j"}, "json\n"},
      {{"dorvane-cli", "report", "--view", "="}, "csv\ndos\nhierarchical\njson\nsortable\n"},
      {{"dorvane-cli", "report", "--size-unit", "k"}, "kb\n"},
      {{"dorvane-cli", "report", "--levels", ""}, "all\n"},
      {{"dorvane-cli", "report", "--columns", "si"}, "size\n"},
      // The last part of a list, without the columns already given.
      {{"dorvane-cli", "report", "--columns", "size,type,"},
       "size,type,accessed\nsize,type,attributes\nsize,type,count\nsize,type,created\nsize,type,modified\n"
       "size,type,none\n"},
      {{"dorvane-cli", "report", "--columns", "size,a"}, "size,accessed\nsize,attributes\n"},
      {{"dorvane-cli", "report", "--file-size", ""}, ""},
      // FOLDER: folders only; --output: any file.
      {{"dorvane-cli", "report", "--view", "csv", "d"}, "data\ndocs\n"},
      {{"dorvane-cli", "report", "--output", "df"}, "dfile.txt\n"},
      {{"dorvane-cli", "op", "c"}, "compare\ncopy\ncreated-date\n"},
      {{"dorvane-cli", "op", "copy", "--v"}, "--verify\n"},
      {{"dorvane-cli", "op", "delete", "--v"}, ""},
      {{"dorvane-cli", "op", "copy", "--verify", ""}, "full\nnone\nquick\n"},
      {{"dorvane-cli", "op", "move", "--duplicates", ""}, "number\noverwrite\n"},
      {{"dorvane-cli", "op", "compare", "--hide", "matching,"}, "matching,differing\nmatching,missing\n"},
      {{"dorvane-cli", "op", "run", "--command", ""}, ""},
      {{"dorvane-cli", "op", "delete", "dat"}, "data\n"},
      {{"dorvane-cli", "frobnicate", ""}, ""},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& w : c.words) line += w + " ";
    EXPECT_EQ(Complete(c.words), c.expected) << line;
  }
}

// The lists in the script follow the program: every operation, and every option its --help texts name.
TEST_F(CompletionTest, KnowsEveryOperationAndEveryOptionOfTheHelpTexts) {
  std::set<std::string> ops(OperationNames().begin(), OperationNames().end());
  ops.insert("--help");
  EXPECT_EQ(Complete({"dorvane-cli", "op", ""}), Lines(ops));

  std::set<std::string> reportOptions = OptionsIn(kReportHelp);
  EXPECT_EQ(Complete({"dorvane-cli", "report", "--"}), Lines(reportOptions));

  std::set<std::string> opOptions = OptionsIn(test::RunProgram(DV_CLI_PATH, {"op", "--help"}).out);
  opOptions.insert("--help");
  std::set<std::string> offered;
  for (const std::string& op : OperationNames()) {
    std::istringstream lines(Complete({"dorvane-cli", "op", op, "--"}));
    for (std::string name; std::getline(lines, name);) offered.insert(name);
  }
  EXPECT_EQ(Lines(offered), Lines(opOptions));
}

}  // namespace
}  // namespace dv
