#pragma once
// Keystroke macros: the series of items the open operation types into the opened program, and the keystroke
// notation of one item ("%" Alt, "^" Ctrl, "+" Shift for the next key or a parenthesised group, "~" Enter, named
// keys in braces, "{KEY n}" repeats, "{+}" and the like for the special characters themselves).
#include <string>
#include <vector>

namespace dv {

namespace keymod {
inline constexpr unsigned Shift = 1;
inline constexpr unsigned Ctrl = 2;
inline constexpr unsigned Alt = 4;
}  // namespace keymod

enum class NamedKey {
  Char, Backspace, Break, CapsLock, Delete, Down, End, Enter, Escape, Help, Home, Insert, Left, NumLock, PageDown,
  PageUp, PrintScreen, Right, ScrollLock, Tab, Up, Add, Subtract, Multiply, Divide,
  F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12, F13, F14, F15, F16,
};

// One key pressed and released, with the modifiers held around it.
struct KeyStroke {
  NamedKey key = NamedKey::Char;
  char32_t character = 0;  // the character typed, when `key` is Char
  unsigned modifiers = 0;  // keymod bits
  bool operator==(const KeyStroke&) const = default;
};

// The keys of one keystroke item, in order. Throws Error (50000) naming the fault for an unknown key name, an
// unclosed brace or parenthesis, or a modifier with no key after it. Text is UTF-8.
std::vector<KeyStroke> ParseSendKeys(const std::string& keys);

// The name of a key as the notation writes it ("ENTER", "F4"), without braces.
const char* KeyNameOf(NamedKey key);

// Strokes as readable text, separated by spaces: "Ctrl+Shift+a", "Enter", "Alt+F4", "x".
std::string DescribeStrokes(const std::vector<KeyStroke>& strokes);

// The macro with every "[ALT]", "[CTRL]" and "[SHIFT]" (exact case) replaced by "%", "^" and "+". Blanks right
// after a token go with it: the editor's own example "[CTRL] S" means Ctrl+S, not Ctrl+Space and then S.
std::string ReplaceMacroTokens(const std::string& macro);

// The longest pause one delay item may ask for, in seconds (the macro editor's own limit).
inline constexpr long kLongestDelaySeconds = 3600;

struct MacroItem {
  bool delay = false;
  long milliseconds = 0;  // a pause item's length
  std::string keys;       // a keystroke item's notation
  std::string fault;      // a pause item that names no valid pause: why (such an item must not run)
  bool operator==(const MacroItem&) const = default;
};

// The items of a macro: the pieces after each ":::" (the text before the first one is not an item). A piece
// holding "[DELAY]" is a pause of the number after its first seven characters, in seconds.
std::vector<MacroItem> MacroItems(const std::string& macro);

// The pause of a delay item in milliseconds: the text after its first seven characters must be a number of
// seconds from 0 to kLongestDelaySeconds, digits with an optional "." and decimals, blanks around it allowed.
// Anything else (no number, a sign, "nan", "inf", an exponent, words after the number, more than the limit)
// throws Error (50000) saying so: a pause that silently became none, or a day, would type into the wrong moment.
long DelayMilliseconds(const std::string& item);

// Why the macro cannot run as written: the first item that is not a valid pause or keystroke notation, as a
// readable text naming the step; empty when every item is valid. The tokens [ALT], [CTRL], [SHIFT] may still be
// in it.
std::string MacroFault(const std::string& macro);

}  // namespace dv
