#include "platform/regexp.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/error.h"

namespace dv {
namespace {

long ErrorNumber(RegExp& re, const std::string& subject, std::string* description = nullptr) {
  try {
    re.Test(subject);
  } catch (const Error& e) {
    if (description) *description = e.Description();
    return e.Number();
  }
  return 0;
}

TEST(RegExpSettings, DefaultToCaseSensitiveAndFirstMatchOnly) {
  RegExp re("a");
  EXPECT_FALSE(re.IgnoreCase());
  EXPECT_FALSE(re.Global());
  EXPECT_FALSE(re.Test("A"));
  EXPECT_EQ(re.Execute("aXa").size(), 1u);
  EXPECT_EQ(re.Replace("aXa", "b"), "bXa");
}

TEST(RegExpSettings, ChangingPatternOrCaseTakesEffectOnAnAlreadyCompiledObject) {
  RegExp re("abc");
  EXPECT_FALSE(re.Test("xABCx"));
  re.IgnoreCase(true);
  EXPECT_TRUE(re.Test("xABCx"));
  re.Pattern("^abc$");
  EXPECT_FALSE(re.Test("xABCx"));
  EXPECT_TRUE(re.Test("ABC"));
  re.IgnoreCase(false);
  EXPECT_FALSE(re.Test("ABC"));
  re.Global(true);
  re.Pattern("b");
  EXPECT_EQ(re.Replace("abcb", "_"), "a_c_");
}

TEST(RegExpSettings, CopiesKeepTheSettingsAndCompileTheirOwnCode) {
  RegExp original("o+", true, true);
  EXPECT_TRUE(original.Test("fOO"));
  RegExp copy(original);
  EXPECT_EQ(copy.Pattern(), "o+");
  EXPECT_TRUE(copy.IgnoreCase());
  EXPECT_TRUE(copy.Global());
  copy.Pattern("x");
  EXPECT_EQ(original.Replace("fOO bOo", "0"), "f0 b0");
  EXPECT_EQ(copy.Replace("fOO bOo", "0"), "fOO bOo");

  RegExp assigned;
  assigned = original;
  EXPECT_EQ(assigned.Replace("foo", "0"), "f0");
  RegExp moved(std::move(assigned));
  EXPECT_EQ(moved.Replace("foo", "0"), "f0");
  RegExp moveAssigned;
  moveAssigned = std::move(moved);
  EXPECT_TRUE(moveAssigned.Global());
  EXPECT_EQ(moveAssigned.Replace("boo", "0"), "b0");
}

TEST(RegExpMatching, IgnoreCaseCoversAsciiAndAccentedLetters) {
  RegExp re("café", true);
  EXPECT_TRUE(re.Test("CAFÉ.TXT"));
  EXPECT_TRUE(re.Test("Café"));
  re.IgnoreCase(false);
  EXPECT_FALSE(re.Test("CAFÉ"));
  EXPECT_FALSE(re.Test("cafÉ"));
  // A character class over accented letters must count characters, not bytes.
  RegExp one("^caf[éè]$", true);
  EXPECT_TRUE(one.Test("CAFÈ"));
  RegExp dot("^caf.$");
  EXPECT_TRUE(dot.Test("café"));
}

TEST(RegExpMatching, EcmaScriptHabits) {
  EXPECT_FALSE(RegExp("txt$").Test("a.txt\n"));   // "$" only at the very end
  EXPECT_TRUE(RegExp("^\\u00e9$").Test("é"));     // \uhhhh
  EXPECT_TRUE(RegExp("\\d+").Test("report2004"));
  EXPECT_FALSE(RegExp("\\d").Test("٣"));  // \d stays ASCII as in ECMAScript
  EXPECT_FALSE(RegExp("a[]").Test("a"));  // [] is a class that matches nothing
  RegExp noC("\\C");
  EXPECT_EQ(ErrorNumber(noC, "é"), err::InvalidPattern);
}

TEST(RegExpMatching, NameWithParenthesesMatchesOnlyWhenTheyAreEscaped) {
  EXPECT_TRUE(RegExp("^a\\(b\\)\\.txt$").Test("a(b).txt"));
  EXPECT_FALSE(RegExp("^a(b)\\.txt$").Test("a(b).txt"));
  EXPECT_TRUE(RegExp("^a(b)\\.txt$").Test("ab.txt"));
  EXPECT_EQ(RegExp("\\((\\w)\\)").Replace("a(b).txt", "[$1]"), "a[b].txt");
}

TEST(RegExpExecute, ReportsByteOffsetsValuesAndGroups) {
  RegExp re("(\\d+)(x)?", false, true);
  auto matches = re.Execute("é12 ab345x");
  ASSERT_EQ(matches.size(), 2u);
  EXPECT_EQ(matches[0].FirstIndex, 2u);  // "é" is two bytes
  EXPECT_EQ(matches[0].Length, 2u);
  EXPECT_EQ(matches[0].Value, "12");
  EXPECT_EQ(matches[0].SubMatches, (std::vector<std::string>{"12", ""}));
  EXPECT_EQ(matches[1].FirstIndex, 7u);
  EXPECT_EQ(matches[1].Length, 4u);
  EXPECT_EQ(matches[1].Value, "345x");
  EXPECT_EQ(matches[1].SubMatches, (std::vector<std::string>{"345", "x"}));

  re.Global(false);
  ASSERT_EQ(re.Execute("é12 ab345x").size(), 1u);
  EXPECT_TRUE(re.Execute("none").empty());
}

TEST(RegExpExecute, EmptyMatchesAdvanceOneCharacterAndEnd) {
  RegExp re("x*", false, true);
  auto matches = re.Execute("aéb");
  ASSERT_EQ(matches.size(), 4u);  // before a, é and b, and at the end
  EXPECT_EQ(matches[1].FirstIndex, 1u);
  EXPECT_EQ(matches[2].FirstIndex, 3u);
  EXPECT_EQ(matches[3].FirstIndex, 4u);
  EXPECT_EQ(re.Execute("").size(), 1u);
}

TEST(RegExpReplace, GlobalEmptyMatchesLikeJavaScript) {
  EXPECT_EQ(RegExp("x*", false, true).Replace("abc", "-"), "-a-b-c-");
  EXPECT_EQ(RegExp("a*", false, true).Replace("baaac", "-"), "-b--c-");
  EXPECT_EQ(RegExp("x*|b", false, true).Replace("b", "-"), "-b-");
  EXPECT_EQ(RegExp("x*", false, true).Replace("é", "-"), "-é-");
  EXPECT_EQ(RegExp("^", false, true).Replace("abc", ">"), ">abc");
  EXPECT_EQ(RegExp("$", false, true).Replace("abc", "<"), "abc<");
}

TEST(RegExpReplace, ExpandsDollarForms) {
  RegExp re("(o)(l)d", true, true);
  EXPECT_EQ(re.Replace("myoldfile_OLD.txt", "new"), "mynewfile_new.txt");
  EXPECT_EQ(re.Replace("an old one", "[$2$1|$&]"), "an [lo|old] one");
  EXPECT_EQ(re.Replace("xoldy", "$`/$'"), "xx/yy");
  EXPECT_EQ(re.Replace("old", "$$1 costs $$"), "$1 costs $");
  // Unknown forms stay as typed: no group 0 or 3, no "$x", a lone "$" at the end.
  EXPECT_EQ(re.Replace("old", "$0$3$x$<n>$"), "$0$3$x$<n>$");
  // Two digits only when that group exists; else one digit and a plain digit after it.
  EXPECT_EQ(re.Replace("old", "$10"), "o0");
  EXPECT_EQ(re.Replace("old", "$01"), "o");
}

TEST(RegExpReplace, TwoDigitGroupNumbers) {
  std::string pattern;
  for (int i = 0; i < 12; ++i) pattern += "(.)";
  RegExp re(pattern);
  EXPECT_EQ(re.Replace("abcdefghijkl", "$12$11$10$1"), "lkja");
  EXPECT_EQ(re.Replace("abcdefghijkl", "$13"), "a3");
  RegExp unmatched("(a)|(b)");
  EXPECT_EQ(unmatched.Replace("b", "[$1]"), "[]");
}

TEST(RegExpBytes, NonUtf8SubjectsMatchByteByByteWithoutError) {
  const std::string latin1 = "caf\xe9.txt";  // "café.txt" in Latin-1
  RegExp wildcard("^caf.\\.txt$", true, true);
  EXPECT_TRUE(wildcard.Test(latin1));
  EXPECT_TRUE(wildcard.Test("CAFÉ.TXT"));  // and by characters for UTF-8
  EXPECT_EQ(RegExp("\\.txt$", true, true).Replace(latin1, ".doc"), "caf\xe9.doc");
  EXPECT_EQ(RegExp(".", false, true).Execute("\xff\xfe").size(), 2u);
  EXPECT_EQ(RegExp("x*", false, true).Replace("\xe9\xe9", "-"), "-\xe9-\xe9-");
  // A truncated UTF-8 sequence is just as foreign.
  EXPECT_TRUE(RegExp("^a.$").Test("a\xc3"));
  // A pattern that needs characters still works on the valid parts of such a subject.
  RegExp wide("\\u0100");
  EXPECT_TRUE(wide.Test("\xff\xc4\x80"));
  EXPECT_FALSE(wide.Test("\xff"));
}

TEST(RegExpBytes, NonUtf8PatternIsTakenAsBytes) {
  RegExp re("\xe9", false, true);
  EXPECT_TRUE(re.Test("caf\xe9"));
  EXPECT_FALSE(re.Test("café"));
  EXPECT_EQ(re.Replace("\xe9t\xe9", "e"), "ete");
  // (*UTF) cannot turn a byte pattern into one that rejects byte subjects.
  RegExp verb("(*UTF)\xe9");
  EXPECT_EQ(ErrorNumber(verb, "\xe9"), err::InvalidPattern);
}

TEST(RegExpErrors, InvalidPatternFailsOnUseWithItsDescription) {
  RegExp re;
  re.Pattern("(ab");  // setting it is no failure
  std::string description;
  EXPECT_EQ(ErrorNumber(re, "ab", &description), err::InvalidPattern);
  EXPECT_EQ(description, "Syntax error in regular expression: missing closing parenthesis at offset 3 in \"(ab\"");
  EXPECT_THROW(re.Execute("ab"), Error);
  EXPECT_THROW(re.Replace("ab", "x"), Error);
  re.Pattern("(ab)");
  EXPECT_TRUE(re.Test("ab"));
  RegExp star("*.txt");
  EXPECT_EQ(ErrorNumber(star, "a.txt"), err::InvalidPattern);
}

TEST(RegExpErrors, RunawayBacktrackingIsAnErrorNotAHang) {
  const std::string subject = std::string(40, 'a') + "!";
  for (const char* pattern : {"^(a+)+$", "^(a|a)*$", "(x+x+)+y|^(a|aa)+$"}) {
    RegExp re(pattern, true, true);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorNumber(re, subject), err::Application) << pattern;
    EXPECT_THROW(re.Replace(subject, "x"), Error) << pattern;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << pattern;
  }
}

TEST(RegExpErrors, LongSubjectsOutgrowingTheJitStackStillMatch) {
  EXPECT_TRUE(RegExp("^(a|bc)*$").Test(std::string(100000, 'a')));
}

}  // namespace
}  // namespace dv
