#include "common/text_rules.h"

#include <regex>

namespace dv {

namespace {
inline bool Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
inline bool Control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }
}  // namespace

size_t Utf8Length(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += !Continuation(c);
  return n;
}

size_t Utf8PrefixBytes(std::string_view text, size_t chars) {
  size_t seen = 0, i = 0;
  for (; i < text.size(); ++i) {
    if (Continuation(text[i])) continue;
    if (seen == chars) break;
    ++seen;
  }
  return i;
}

std::string ControlsShown(std::string text) {
  for (char& c : text)
    if (Control(c)) c = '?';
  return text;
}

bool HasControls(std::string_view text) {
  for (char c : text)
    if (Control(c)) return true;
  return false;
}

bool LooksLikeNumber(const std::string& text) {
  static const std::regex number(R"(^\s*[+-]?(\d[\d,]*(\.\d*)?|\.\d+)([eE][+-]?\d+)?\s*$)");
  return std::regex_match(text, number);
}

int FullYear(int twoDigitYear) { return twoDigitYear + (twoDigitYear < 30 ? 2000 : 1900); }

}  // namespace dv
