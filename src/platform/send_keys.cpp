#include "platform/send_keys.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/error.h"

namespace dv {

namespace {

struct KeyNameEntry {
  const char* name;
  NamedKey key;
};

// The first name of a key is the one the notation writes; the others are accepted too.
constexpr KeyNameEntry kKeyNames[] = {
    {"BACKSPACE", NamedKey::Backspace}, {"BS", NamedKey::Backspace},       {"BKSP", NamedKey::Backspace},
    {"BREAK", NamedKey::Break},         {"CAPSLOCK", NamedKey::CapsLock},  {"DEL", NamedKey::Delete},
    {"DELETE", NamedKey::Delete},       {"DOWN", NamedKey::Down},          {"END", NamedKey::End},
    {"ENTER", NamedKey::Enter},         {"ESC", NamedKey::Escape},         {"HELP", NamedKey::Help},
    {"HOME", NamedKey::Home},           {"INS", NamedKey::Insert},         {"INSERT", NamedKey::Insert},
    {"LEFT", NamedKey::Left},           {"NUMLOCK", NamedKey::NumLock},    {"PGDN", NamedKey::PageDown},
    {"PGUP", NamedKey::PageUp},         {"PRTSC", NamedKey::PrintScreen},  {"RIGHT", NamedKey::Right},
    {"SCROLLLOCK", NamedKey::ScrollLock}, {"TAB", NamedKey::Tab},          {"UP", NamedKey::Up},
    {"ADD", NamedKey::Add},             {"SUBTRACT", NamedKey::Subtract},  {"MULTIPLY", NamedKey::Multiply},
    {"DIVIDE", NamedKey::Divide},       {"F1", NamedKey::F1},              {"F2", NamedKey::F2},
    {"F3", NamedKey::F3},               {"F4", NamedKey::F4},              {"F5", NamedKey::F5},
    {"F6", NamedKey::F6},               {"F7", NamedKey::F7},              {"F8", NamedKey::F8},
    {"F9", NamedKey::F9},               {"F10", NamedKey::F10},            {"F11", NamedKey::F11},
    {"F12", NamedKey::F12},             {"F13", NamedKey::F13},            {"F14", NamedKey::F14},
    {"F15", NamedKey::F15},             {"F16", NamedKey::F16},
};

// A repeat count beyond this is taken for a typing slip, not for a wish to press a key a million times.
constexpr long kMaxRepeat = 10000;

[[noreturn]] void Fault(const std::string& what, const std::string& keys) {
  throw Error(err::Application, "Invalid keystroke notation: " + what + " in \"" + keys + "\"");
}

std::vector<char32_t> Decode(const std::string& text) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) Fault("text that is not UTF-8", text);
    char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) Fault("text that is not UTF-8", text);
      cp = (cp << 6) | (d & 0x3F);
    }
    out.push_back(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string Encode(char32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

NamedKey LookUp(const std::vector<char32_t>& name) {
  for (const KeyNameEntry& e : kKeyNames) {
    size_t i = 0;
    for (; e.name[i] && i < name.size(); ++i)
      if (name[i] > 0x7F || std::toupper(static_cast<int>(name[i])) != e.name[i]) break;
    if (!e.name[i] && i == name.size()) return e.key;
  }
  return NamedKey::Char;
}

}  // namespace

const char* KeyNameOf(NamedKey key) {
  for (const KeyNameEntry& e : kKeyNames)
    if (e.key == key) return e.name;
  return "";
}

std::vector<KeyStroke> ParseSendKeys(const std::string& keys) {
  const std::vector<char32_t> text = Decode(keys);
  std::vector<KeyStroke> out;
  std::vector<unsigned> groups;  // the modifiers of each open parenthesised group
  unsigned pending = 0;          // modifiers waiting for their key
  auto held = [&] { return (groups.empty() ? 0u : groups.back()) | pending; };
  auto emit = [&](KeyStroke stroke, long times) {
    stroke.modifiers = held();
    for (long n = 0; n < times; ++n) out.push_back(stroke);
    pending = 0;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    switch (c) {
      case '+': pending |= keymod::Shift; break;
      case '^': pending |= keymod::Ctrl; break;
      case '%': pending |= keymod::Alt; break;
      case '~': emit({NamedKey::Enter, 0, 0}, 1); break;
      case '(':
        groups.push_back(held());
        pending = 0;
        break;
      case ')':
        if (groups.empty()) Fault("a \")\" without its \"(\"", keys);
        if (pending) Fault("a modifier with no key after it", keys);
        groups.pop_back();
        break;
      case '}': Fault("a \"}\" without its \"{\"", keys);
      case '{': {
        // The first character inside belongs to the name whatever it is, so "{}}" and "{{}" name the braces.
        if (i + 1 >= text.size()) Fault("an unclosed \"{\"", keys);
        size_t close = i + 2;
        while (close < text.size() && text[close] != '}') ++close;
        if (close >= text.size()) Fault("an unclosed \"{\"", keys);
        std::vector<char32_t> name(text.begin() + static_cast<long>(i) + 1, text.begin() + static_cast<long>(close));
        long times = 1;
        // "{KEY n}": the count after the last blank.
        for (size_t b = name.size(); b-- > 1;) {
          if (name[b] != ' ') continue;
          std::string digits;
          for (size_t k = b + 1; k < name.size(); ++k) digits += static_cast<char>(name[k] < 0x80 ? name[k] : 'x');
          if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 6 ||
              std::atol(digits.c_str()) > kMaxRepeat)
            Fault("a repeat count that is not a number up to " + std::to_string(kMaxRepeat), keys);
          times = std::atol(digits.c_str());
          name.resize(b);
          break;
        }
        if (name.size() == 1) {
          emit({NamedKey::Char, name[0], 0}, times);
        } else {
          const NamedKey key = LookUp(name);
          if (key == NamedKey::Char) {
            std::string shown;
            for (char32_t ch : name) shown += Encode(ch);
            Fault("the unknown key {" + shown + "}", keys);
          }
          emit({key, 0, 0}, times);
        }
        i = close;
        break;
      }
      default: emit({NamedKey::Char, c, 0}, 1);
    }
  }
  if (pending) Fault("a modifier with no key after it", keys);
  if (!groups.empty()) Fault("an unclosed \"(\"", keys);
  return out;
}

std::string DescribeStrokes(const std::vector<KeyStroke>& strokes) {
  std::string out;
  for (const KeyStroke& s : strokes) {
    if (!out.empty()) out += ' ';
    if (s.modifiers & keymod::Ctrl) out += "Ctrl+";
    if (s.modifiers & keymod::Alt) out += "Alt+";
    if (s.modifiers & keymod::Shift) out += "Shift+";
    out += s.key == NamedKey::Char ? Encode(s.character) : KeyNameOf(s.key);
  }
  return out;
}

std::string ReplaceMacroTokens(const std::string& macro) {
  static const struct {
    const char* token;
    char sign;
  } kTokens[] = {{"[ALT]", '%'}, {"[CTRL]", '^'}, {"[SHIFT]", '+'}};
  std::string out;
  for (size_t i = 0; i < macro.size();) {
    bool replaced = false;
    for (const auto& t : kTokens) {
      const size_t n = std::char_traits<char>::length(t.token);
      if (macro.compare(i, n, t.token) != 0) continue;
      out += t.sign;
      i += n;
      while (i < macro.size() && macro[i] == ' ') ++i;
      replaced = true;
      break;
    }
    if (!replaced) out += macro[i++];
  }
  return out;
}

long DelayMilliseconds(const std::string& item) {
  const auto bad = [&] {
    throw Error(err::Application, "Invalid pause \"" + item + "\": [DELAY] takes a number of seconds from 0 to " +
                                      std::to_string(kLongestDelaySeconds));
  };
  if (item.size() < 7) bad();
  size_t i = 7;
  while (i < item.size() && item[i] == ' ') ++i;
  const size_t start = i;
  while (i < item.size() && std::isdigit(static_cast<unsigned char>(item[i]))) ++i;
  size_t digits = i - start;
  if (i < item.size() && item[i] == '.') {
    const size_t decimals = ++i;
    while (i < item.size() && std::isdigit(static_cast<unsigned char>(item[i]))) ++i;
    digits += i - decimals;
  }
  const size_t end = i;
  while (i < item.size() && item[i] == ' ') ++i;
  if (digits == 0 || i != item.size()) bad();
  // Only digits and one "." reach strtod: no sign, no "nan" or "inf", no exponent, no hexadecimal.
  const double seconds = std::strtod(item.substr(start, end - start).c_str(), nullptr);
  if (!(seconds <= static_cast<double>(kLongestDelaySeconds))) bad();
  return std::lround(seconds * 1000.0);
}

std::vector<MacroItem> MacroItems(const std::string& macro) {
  std::vector<MacroItem> items;
  const std::string separator = ":::";
  size_t at = macro.find(separator);
  while (at != std::string::npos) {
    const size_t start = at + separator.size();
    at = macro.find(separator, start);
    std::string piece = macro.substr(start, at == std::string::npos ? std::string::npos : at - start);
    if (piece.find("[DELAY]") == std::string::npos) {
      items.push_back({false, 0, std::move(piece), ""});
      continue;
    }
    try {
      items.push_back({true, DelayMilliseconds(piece), "", ""});
    } catch (const Error& e) {
      items.push_back({true, 0, "", e.Description()});
    }
  }
  return items;
}

std::string MacroFault(const std::string& macro) {
  int step = 0;
  for (const MacroItem& item : MacroItems(ReplaceMacroTokens(macro))) {
    ++step;
    std::string fault = item.fault;
    if (!item.delay) {
      try {
        ParseSendKeys(item.keys);
      } catch (const Error& e) {
        fault = e.Description();
      }
    }
    if (!fault.empty()) return "Step " + std::to_string(step) + ": " + fault;
  }
  return {};
}

}  // namespace dv
