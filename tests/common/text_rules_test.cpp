#include "common/text_rules.h"

#include <gtest/gtest.h>

namespace dv {
namespace {

TEST(TextRulesTest, ControlCharactersAreFoundAnywhereInLongAndShortTexts) {
  const std::string plain = "caf\xc3\xa9 report (2) ~ notes.txt";  // UTF-8 bytes are not controls
  struct Case {
    std::string text;
    char also;
    bool found;
  } cases[] = {
      {"", 0, false},         {plain, 0, false},         {plain, ',', false}, {plain + ",x", ',', true},
      {plain + ",x", 0, false}, {"\x1b[2J", 0, true},    {"a\x7f", 0, true},  {std::string(1000, 'a') + "\n", 0, true},
      {std::string(17, 'z') + '\x1f' + std::string(5, 'z'), 0, true},     {"\x80\x9f\xff", 0, false},
  };
  for (const Case& c : cases) EXPECT_EQ(HasControls(c.text, c.also), c.found) << c.text;
  EXPECT_EQ(ControlsShown("a\nb\tc\x1b\x7f" + plain), "a?b?c??" + plain);
}

TEST(TextRulesTest, CharactersNumbersAndYears) {
  EXPECT_EQ(Utf8Length("caf\xc3\xa9"), 4u);
  EXPECT_EQ(Utf8PrefixBytes("caf\xc3\xa9x", 4), 5u);
  EXPECT_EQ(Utf8PrefixBytes("ab", 5), 2u);
  for (const char* yes : {"1,024", " -3.5 ", ".5", "2e3", "+7"}) EXPECT_TRUE(LooksLikeNumber(yes)) << yes;
  for (const char* no : {"", "abc", "1.2.3", "12abc", ","}) EXPECT_FALSE(LooksLikeNumber(no)) << no;
  // The window of 80 years before and 20 after this year.
  const int years[][3] = {{4, 2026, 2004}, {30, 2026, 2030}, {46, 2026, 2046}, {47, 2026, 1947}, {99, 2026, 1999},
                          {6, 2026, 2006}, {5, 2085, 2105}, {6, 2085, 2006}, {0, 2000, 2000}, {20, 2000, 2020}};
  for (const auto& y : years) EXPECT_EQ(FullYear(y[0], y[1]), y[2]) << y[0] << " in " << y[1];
}

}  // namespace
}  // namespace dv
