#include "common/text_rules.h"

#include <cstdint>
#include <ctime>
#include <cstring>
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

size_t DecodeUtf8(std::string_view s, char32_t& cp) {
  if (s.empty()) return 0;
  const unsigned char c = static_cast<unsigned char>(s[0]);
  size_t n;
  char32_t min;
  if (c < 0x80) return cp = c, 1;
  if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07, min = 0x10000;
  else return 0;
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

std::string ControlsShown(std::string text) {
  for (char& c : text)
    if (Control(c)) c = '?';
  return text;
}

void AppendControlsShown(std::string& out, std::string_view text) {
  const size_t from = out.size();
  out.append(text);
  if (HasControls(text))
    for (size_t i = from; i < out.size(); ++i)
      if (Control(out[i])) out[i] = '?';
}

bool HasControls(std::string_view text, char also) {
  // Eight bytes at a time: report rows of deep trees hold paths of tens of kilobytes.
  constexpr uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
  auto zeroByte = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t x;
    std::memcpy(&x, text.data() + i, 8);
    uint64_t below20 = (x - kOnes * 0x20) & ~x & kHighs;  // exact for bytes below 0x80; above, ~x clears it
    if (below20 | zeroByte(x ^ (kOnes * 0x7F)) | (also ? zeroByte(x ^ (kOnes * uint8_t(also))) : 0)) return true;
  }
  for (; i < text.size(); ++i)
    if (Control(text[i]) || (also && text[i] == also)) return true;
  return false;
}

bool LooksLikeNumber(const std::string& text) {
  static const std::regex number(R"(^\s*[+-]?(\d[\d,]*(\.\d*)?|\.\d+)([eE][+-]?\d+)?\s*$)");
  return std::regex_match(text, number);
}

int FullYear(int twoDigitYear, int thisYear) {
  int year = thisYear - thisYear % 100 + twoDigitYear;
  if (year > thisYear + 20) year -= 100;
  else if (year <= thisYear - 80) year += 100;
  return year;
}

int FullYear(int twoDigitYear) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return FullYear(twoDigitYear, local.tm_year + 1900);
}

}  // namespace dv
