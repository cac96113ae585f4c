// How names are shown on standard error: nothing a terminal would act on reaches it, a record is never split
// elsewhere, and the progress line is cut between characters to the terminal's width.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/cli_prompter.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

TEST(TerminalTextTest, ControlsOnATerminalAndLineEndsElsewhereShowAsQuestionMarks) {
  const struct {
    const char* in;
    const char* terminal;
    const char* elsewhere;
  } cases[] = {
      {"plain name.txt", "plain name.txt", "plain name.txt"},
      {"a\x1b]0;title\x07" "b", "a?]0;title?b", "a\x1b]0;title\x07" "b"},  // retitling the terminal
      {"x\x1b[2Jy", "x?[2Jy", "x\x1b[2Jy"},                              // clearing it
      {"line\nbreak\rhere", "line?break?here", "line?break?here"},        // a record is never split
      {"tab\tdel\x7f" "nul", "tab?del?nul", "tab\tdel\x7f" "nul"},
      {"c1 \xc2\x9b" "2J", "c1 ?2J", "c1 \xc2\x9b" "2J"},                 // CSI written as UTF-8
      {"\xc2\x80\xc2\x9f\xc2\xa0", "??\xc2\xa0", "\xc2\x80\xc2\x9f\xc2\xa0"},  // U+0080, U+009F; U+00A0 stays
      {"caf\xc3\xa9 \xe6\x97\xa5\xf0\x9f\x98\x80", "caf\xc3\xa9 \xe6\x97\xa5\xf0\x9f\x98\x80",
       "caf\xc3\xa9 \xe6\x97\xa5\xf0\x9f\x98\x80"},
      {"latin1 \xe9\x9b", "latin1 ??", "latin1 \xe9\x9b"},               // not UTF-8: not for a terminal
      {"cut \xe6\x97", "cut ??", "cut \xe6\x97"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShownOnStderr(c.in, true), c.terminal) << c.in;
    EXPECT_EQ(ShownOnStderr(c.in, false), c.elsewhere) << c.in;
  }
}

TEST(TerminalTextTest, FittingCutsBetweenCharactersAndCountsWideOnesTwice) {
  const struct {
    const char* in;
    size_t columns;
    const char* out;
  } cases[] = {
      {"abcdef", 3, "abc"},
      {"abc", 10, "abc"},
      {"abc", 0, ""},
      {"\xc3\xa9\xc3\xa9\xc3\xa9", 2, "\xc3\xa9\xc3\xa9"},                      // é é: two bytes, one column
      {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", 5, "\xe6\x97\xa5\xe6\x9c\xac"},  // 日本語: two columns each
      {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", 6, "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"},
      {"a\xf0\x9f\x98\x80" "b", 2, "a"},                                       // an emoji is wide too
      {"ab\xe6\x97\xa5", 3, "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(FitToColumns(c.in, c.columns), c.out) << c.in << " " << c.columns;
}

TEST(TerminalTextTest, PrompterMessagesShowNamesTheSameWay) {
  test::TempTree tree;
  for (bool terminal : {true, false}) {
    const std::string path = tree / (terminal ? "tty" : "file");
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    CliPrompter prompter(f, terminal);
    // The message's own CR LF becomes a line break; a line end or escape inside the name does not.
    prompter.Message("The folder /a\x1b[2J\nb does not exist.\r\nPlease select another folder.", "Title\x07");
    std::fclose(f);
    EXPECT_EQ(test::TempTree::Read(path),
              terminal ? "Title?: The folder /a?[2J?b does not exist.\nPlease select another folder.\n"
                       : "Title\x07: The folder /a\x1b[2J?b does not exist.\nPlease select another folder.\n");
  }
}

}  // namespace
}  // namespace dv
