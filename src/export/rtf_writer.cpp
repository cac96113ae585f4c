#include "export/rtf_writer.h"

#include <cstdint>

#include "common/text_rules.h"

namespace dv {
namespace {

// \uN takes a signed 16-bit number; the "?" is what a reader without Unicode shows (\uc1: one character).
void AppendUnit(std::string& out, uint16_t unit) {
  out += "\\u";
  out += std::to_string(static_cast<int16_t>(unit));
  out += '?';
}

void AppendCodePoint(std::string& out, char32_t cp) {
  if (cp > 0xFFFF) {
    cp -= 0x10000;
    AppendUnit(out, static_cast<uint16_t>(0xD800 + (cp >> 10)));
    AppendUnit(out, static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    AppendUnit(out, static_cast<uint16_t>(cp));
  }
}

constexpr char kHex[] = "0123456789abcdef";

}  // namespace

std::string RtfEscapeLine(std::string_view line) {
  std::string out;
  out.reserve(line.size() + line.size() / 8);
  for (size_t i = 0; i < line.size();) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x80) {
      if (c == '\\' || c == '{' || c == '}') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c == '\t') {
        out += "\\tab ";
      } else if (c < 0x20 || c == 0x7F) {
        out += "\\'";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    char32_t cp;
    const size_t n = DecodeUtf8(line.substr(i), cp);
    if (n == 0) {
      AppendCodePoint(out, c);  // not UTF-8: the byte as its Latin-1 character
      ++i;
    } else {
      AppendCodePoint(out, cp);
      i += n;
    }
  }
  return out;
}

namespace {

constexpr const char* kRtfHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
    "{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 Courier New;}}\r\n"
    "\\viewkind4\\pard\\plain\\f0\\fs20\r\n";
constexpr const char* kRtfEnd = "}\r\n";

// One paragraph per line; the source's own line break ends the control word, so a line's leading spaces stay
// text.
template <class Sink>
void WriteDocument(ReportLines& in, Sink&& write) {
  write(kRtfHead);
  while (!in.AtEnd()) {
    std::string paragraph = RtfEscapeLine(in.ReadLine());
    paragraph += "\\par\r\n";
    write(paragraph);
  }
  write(kRtfEnd);
}

}  // namespace

std::string RtfDocument(std::string_view reportText) {
  ReportLines in = ReportLines::FromText(reportText);
  std::string out;
  out.reserve(reportText.size() + reportText.size() / 8 + 160);
  WriteDocument(in, [&](const std::string& piece) { out += piece; });
  return out;
}

void WriteRtf(ReportLines& in, TextStream& out) {
  WriteDocument(in, [&](const std::string& piece) { out.Write(piece); });
}

}  // namespace dv
