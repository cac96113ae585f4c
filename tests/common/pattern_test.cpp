#include "common/pattern.h"

#include <gtest/gtest.h>

#include "platform/regexp.h"

namespace dv {
namespace {

constexpr long kWildcards = 1;
constexpr long kRegularExpression = 2;

// How the engines use a converted pattern: case ignored, global.
bool NameMatches(const std::string& converted, const std::string& name) {
  return RegExp(converted, true, true).Test(name);
}

TEST(ConvertPatternWildcards, AnchorsAndTranslatesStarsAndQuestionMarks) {
  EXPECT_EQ(ConvertPattern("*.txt", kWildcards), ".*\\.txt$");
  EXPECT_EQ(ConvertPattern("T?s", kWildcards), "^T.s$");
  EXPECT_EQ(ConvertPattern("report*", kWildcards), "^report.*");
  EXPECT_EQ(ConvertPattern("*", kWildcards), ".*");
  EXPECT_EQ(ConvertPattern("a**b", kWildcards), "^a.*.*b$");
  EXPECT_EQ(ConvertPattern("???", kWildcards), "^...$");
}

TEST(ConvertPatternWildcards, ConvertedPatternsSelectTheRightNames) {
  std::string report = ConvertPattern("report*", kWildcards);
  EXPECT_TRUE(NameMatches(report, "Report2004.doc"));
  EXPECT_FALSE(NameMatches(report, "old report.doc"));
  std::string txt = ConvertPattern("*.txt", kWildcards);
  EXPECT_TRUE(NameMatches(txt, "notes.TXT"));
  EXPECT_FALSE(NameMatches(txt, "notes.txt.bak"));
  EXPECT_FALSE(NameMatches(txt, "notestxt"));
  std::string tis = ConvertPattern("T?s", kWildcards);
  EXPECT_TRUE(NameMatches(tis, "tis"));
  EXPECT_FALSE(NameMatches(tis, "this"));
  EXPECT_TRUE(NameMatches(ConvertPattern("caf?.txt", kWildcards), "caf\xe9.txt"));  // a Latin-1 name
}

TEST(ConvertPatternWildcards, EveryCharacterButStarAndQuestionMarkStandsForItself) {
  EXPECT_EQ(ConvertPattern("a+b^c$d.e", kWildcards), "^a\\+b\\^c\\$d\\.e$");
  EXPECT_EQ(ConvertPattern("a(b)[c]{d}|e\\f", kWildcards), "^a\\(b\\)\\[c\\]\\{d\\}\\|e\\\\f$");
  // Names that Linux allows match themselves and nothing else; only "/" is dropped.
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"Copy (2).doc", "Copy (2).doc", true},  {"Copy (2).doc", "Copy 2.doc", false},
      {"a|b", "a|b", true},                    {"a|b", "a", false},
      {"c++ $1.txt", "C++ $1.txt", true},      {"x[1].txt", "x[1].txt", true},
      {"x[1].txt", "x1.txt", false},           {"a\\b", "a\\b", true},
      {"<a>:\"b\"", "<a>:\"b\"", true},         {"re{2}", "re{2}", true},
      {"dir/*.txt", "dirnotes.txt", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NameMatches(ConvertPattern(c.pattern, kWildcards), c.name), c.matches) << c.pattern << " " << c.name;
}

TEST(ConvertPatternWildcards, TrailingDollarIsDecidedOnTheTextAsTyped) {
  EXPECT_EQ(ConvertPattern("abc*", kWildcards), "^abc.*");
  EXPECT_EQ(ConvertPattern("abc*/", kWildcards), "^abc.*$");
  EXPECT_EQ(ConvertPattern("/", kWildcards), "^$");
  EXPECT_EQ(ConvertPattern("/*.txt", kWildcards), ".*\\.txt$");  // "*" leads once "/" is gone
}

TEST(ConvertPatternRegularExpression, KeepsTheExpressionAndFixesLeadingWildcards) {
  EXPECT_EQ(ConvertPattern("*abc", kRegularExpression), ".*abc");
  EXPECT_EQ(ConvertPattern("?abc", kRegularExpression), ".?abc");
  EXPECT_EQ(ConvertPattern("+abc", kRegularExpression), "\\+abc");
  EXPECT_EQ(ConvertPattern("^a+b\\d$", kRegularExpression), "^a+b\\d$");
  EXPECT_EQ(ConvertPattern("a(b)\\.txt", kRegularExpression), "a(b)\\.txt");
  // Only "/" goes: alternation, non-capturing groups and backslashes keep their meaning.
  EXPECT_EQ(ConvertPattern("<a\\.b>|:/\"", kRegularExpression), "<a\\.b>|:\"");
  EXPECT_EQ(ConvertPattern("/", kRegularExpression), "");
  EXPECT_TRUE(NameMatches(ConvertPattern("\\.(jpg|png)$", kRegularExpression), "x.PNG"));
  EXPECT_FALSE(NameMatches(ConvertPattern("\\.(jpg|png)$", kRegularExpression), "x.gif"));
  EXPECT_TRUE(NameMatches(ConvertPattern("^(?:x|y)\\d", kRegularExpression), "y7"));
  // Any option other than 1 is a regular expression.
  EXPECT_EQ(ConvertPattern("*abc", 0), ".*abc");
  EXPECT_EQ(ConvertPattern("*abc", 7), ".*abc");
}

TEST(ConvertPatternRegularExpression, RewritesRunsOfQuestionMarksAndStars) {
  EXPECT_EQ(ConvertPattern("a??b", kRegularExpression), "a.?b");
  EXPECT_EQ(ConvertPattern("a???b", kRegularExpression), "a..?b");
  EXPECT_EQ(ConvertPattern("a???b??c????", kRegularExpression), "a..?b.?c...?");
  EXPECT_EQ(ConvertPattern("???", kRegularExpression), "...?");  // the leading fix adds one more "."
  EXPECT_EQ(ConvertPattern("a**b***c", kRegularExpression), "a.*b.*c");
  EXPECT_EQ(ConvertPattern("**x", kRegularExpression), "..*x");
  EXPECT_EQ(ConvertPattern("a?b*", kRegularExpression), "a?b*");  // single ones are regex syntax
}

TEST(ConvertPatternRegularExpression, RunsLongerThan500AreRewrittenInPiecesOf500) {
  std::string dots499(499, '.');
  EXPECT_EQ(ConvertPattern("a" + std::string(1000, '?'), kRegularExpression), "a" + dots499 + "?" + dots499 + "?");
  // The leftover "?" of a piece joins the rest of the run and is rewritten with it.
  EXPECT_EQ(ConvertPattern("a" + std::string(501, '?'), kRegularExpression), "a" + std::string(500, '.') + "?");
  EXPECT_EQ(ConvertPattern("a" + std::string(1000, '*'), kRegularExpression), "a.*.*");
  EXPECT_EQ(ConvertPattern("a" + std::string(1200, '*'), kRegularExpression), "a.*..*");
}

TEST(ConvertPatternRegularExpression, ConvertedExpressionsStillMatch) {
  EXPECT_TRUE(NameMatches(ConvertPattern("*abc", kRegularExpression), "xyzABC.doc"));
  EXPECT_TRUE(NameMatches(ConvertPattern("+1", kRegularExpression), "tel+1.txt"));
  std::string three = ConvertPattern("^a???$", kRegularExpression);  // ^a..?$
  EXPECT_TRUE(NameMatches(three, "ab"));
  EXPECT_TRUE(NameMatches(three, "abc"));
  EXPECT_FALSE(NameMatches(three, "abcd"));
  EXPECT_FALSE(NameMatches(three, "a"));
}

TEST(ConvertPattern, EmptyTextStaysEmpty) {
  EXPECT_EQ(ConvertPattern("", kWildcards), "");
  EXPECT_EQ(ConvertPattern("", kRegularExpression), "");
}

}  // namespace
}  // namespace dv
