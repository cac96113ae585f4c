// The keystroke notation and the macro's items.
#include "common/send_keys.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace dv {
namespace {

// Each item as the strokes it sends, or the fault it is refused with.
TEST(SendKeys, NotationToStrokes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"abc", "a b c"},
      {"Ab1 ", "A b 1  "},
      {"^a", "Ctrl+a"},
      {"%f", "Alt+f"},
      {"+a", "Shift+a"},
      {"^+%x", "Ctrl+Alt+Shift+x"},
      {"+(ab)c", "Shift+a Shift+b c"},
      {"^(a+(bc))d", "Ctrl+a Ctrl+Shift+b Ctrl+Shift+c d"},
      {"(ab)", "a b"},
      {"~", "ENTER"},
      {"+~", "Shift+ENTER"},
      {"%{F4}", "Alt+F4"},
      {"{enter}{Tab}{ESC}{BS}{bksp}{DELETE}{INSERT}{PGUP}{PGDN}",
       "ENTER TAB ESC BACKSPACE BACKSPACE DEL INS PGUP PGDN"},
      {"{F1}{F12}{F16}{UP}{DOWN}{LEFT}{RIGHT}{HOME}{END}", "F1 F12 F16 UP DOWN LEFT RIGHT HOME END"},
      {"{LEFT 3}x", "LEFT LEFT LEFT x"},
      {"{h 4}", "h h h h"},
      {"{  2}", "   "},  // two blanks, shown with a blank between
      {"{ENTER 0}", ""},
      {"{+}{^}{%}{~}{(}{)}{{}{}}", "+ ^ % ~ ( ) { }"},
      {"^{}}", "Ctrl+}"},
      {"[x]", "[ x ]"},
      {"é€", "é €"},
      {"{NOSUCHKEY}", "the unknown key {NOSUCHKEY}"},
      {"{ENTER", "an unclosed \"{\""},
      {"{", "an unclosed \"{\""},
      {"a}", "a \"}\" without its \"{\""},
      {"(ab", "an unclosed \"(\""},
      {"ab)", "a \")\" without its \"(\""},
      {"a^", "a modifier with no key after it"},
      {"+(a^)", "a modifier with no key after it"},
      {"{a x}", "a repeat count that is not a number up to 10000"},
      {"{a 10001}", "a repeat count that is not a number up to 10000"},
      {"\xff", "text that is not UTF-8"},
  };
  for (const auto& [keys, expected] : cases) {
    std::string got;
    try {
      got = DescribeStrokes(ParseSendKeys(keys));
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::Application);
      const std::string prefix = "Invalid keystroke notation: ";
      got = e.Description().substr(prefix.size(), e.Description().rfind(" in \"") - prefix.size());
    }
    EXPECT_EQ(got, expected) << keys;
  }
}

// The tokens, the ":::" items and the delays, as the open operation reads a whole macro.
TEST(SendKeys, MacroItemsAndTokens) {
  struct Case {
    std::string macro, replaced;
    std::vector<MacroItem> items;
  };
  const std::vector<Case> cases = {
      {":::[ALT]F:::[DELAY]2:::[CTRL]P", ":::%F:::[DELAY]2:::^P",
       {{false, 0, "%F"}, {true, 2000, ""}, {false, 0, "^P"}}},
      {"ignored:::[CTRL] S:::[SHIFT]  a[ALT]", "ignored:::^S:::+a%", {{false, 0, "^S"}, {false, 0, "+a%"}}},
      {":::[DELAY] 60:::[DELAY]600:::[DELAY]1.5s:::[DELAY]-3:::[DELAY]x:::[DELAY]", "",
       {{true, 60000, ""}, {true, 600000, ""}, {true, 1500, ""}, {true, 0, ""}, {true, 0, ""}, {true, 0, ""}}},
      {"::: [DELAY]5:::[DELAY]99999999", "", {{true, 0, ""}, {true, 86400000, ""}}},
      {":::[alt]x:::", ":::[alt]x:::", {{false, 0, "[alt]x"}, {false, 0, ""}}},
      {"no separator", "no separator", {}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    if (!c.replaced.empty()) EXPECT_EQ(ReplaceMacroTokens(c.macro), c.replaced) << c.macro;
    EXPECT_EQ(MacroItems(ReplaceMacroTokens(c.macro)), c.items) << c.macro;
  }
}

}  // namespace
}  // namespace dv
