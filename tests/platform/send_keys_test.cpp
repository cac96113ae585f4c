// The keystroke notation and the macro's items.
#include "platform/send_keys.h"

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

// The tokens and the ":::" items, as the open operation reads a whole macro.
TEST(SendKeys, MacroItemsAndTokens) {
  struct Case {
    std::string macro, replaced;
    std::vector<MacroItem> items;
  };
  const std::string bad = "Invalid pause \"[DELAY]x\": [DELAY] takes a number of seconds from 0 to 3600";
  const std::vector<Case> cases = {
      {":::[ALT]F:::[DELAY]2:::[CTRL]P", ":::%F:::[DELAY]2:::^P",
       {{false, 0, "%F", ""}, {true, 2000, "", ""}, {false, 0, "^P", ""}}},
      {"ignored:::[CTRL] S:::[SHIFT]  a[ALT]", "ignored:::^S:::+a%", {{false, 0, "^S", ""}, {false, 0, "+a%", ""}}},
      {":::[DELAY]x:::a", "", {{true, 0, "", bad}, {false, 0, "a", ""}}},
      {":::[alt]x:::", ":::[alt]x:::", {{false, 0, "[alt]x", ""}, {false, 0, "", ""}}},
      {"no separator", "no separator", {}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    if (!c.replaced.empty()) EXPECT_EQ(ReplaceMacroTokens(c.macro), c.replaced) << c.macro;
    EXPECT_EQ(MacroItems(ReplaceMacroTokens(c.macro)), c.items) << c.macro;
  }
}

// A pause is a plain number of seconds up to an hour; anything else is refused, never read as no pause or a day.
// -1 stands for a refusal.
TEST(SendKeys, DelaysAndMacroFaults) {
  const std::vector<std::pair<std::string, long>> delays = {
      {"[DELAY]2", 2000},   {"[DELAY] 60 ", 60000}, {"[DELAY]1.5", 1500},  {"[DELAY]0", 0},   {"[DELAY].25", 250},
      {"[DELAY]3600", 3600000}, {"[DELAY]3600.1", -1}, {"[DELAY]abc", -1}, {"[DELAY]-1", -1}, {"[DELAY]+1", -1},
      {"[DELAY]nan", -1},  {"[DELAY]inf", -1},   {"[DELAY]1e3", -1},   {"[DELAY]0x10", -1}, {"[DELAY]1.5s", -1},
      {"[DELAY]", -1},     {"[DELAY].", -1},     {" [DELAY]5", -1},    {"[DELAY]99999999999999999999", -1}};
  for (const auto& [item, ms] : delays) {
    long got = -1;
    try {
      got = DelayMilliseconds(item);
    } catch (const Error&) {
    }
    EXPECT_EQ(got, ms) << item;
  }
  const std::vector<std::pair<std::string, std::string>> macros = {
      {":::[ALT]f:::[DELAY]1:::x{ENTER}", ""},
      {":::a:::[DELAY]inf",
       "Step 2: Invalid pause \"[DELAY]inf\": [DELAY] takes a number of seconds from 0 to 3600"},
      {":::[CTRL]:::[DELAY]-1", "Step 1: Invalid keystroke notation: a modifier with no key after it in \"^\""},
  };
  for (const auto& [macro, fault] : macros) EXPECT_EQ(MacroFault(macro), fault) << macro;
}

}  // namespace
}  // namespace dv
