#include "common/json_text.h"

#include "common/text_rules.h"

namespace dv {

void AppendJsonString(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  size_t i = 0;
  while (i < text.size()) {
    // Plain characters go in runs: most text has nothing to escape.
    size_t plain = i;
    while (plain < text.size()) {
      const unsigned char p = static_cast<unsigned char>(text[plain]);
      if (p < 0x20 || p >= 0x7F || p == '"' || p == '\\') break;
      ++plain;
    }
    if (plain > i) {
      out.append(text.substr(i, plain - i));
      i = plain;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      char32_t cp;
      size_t n = DecodeUtf8(text.substr(i), cp);
      if (n == 0) {
        out += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no valid character
        ++i;
      } else {
        out.append(text.substr(i, n));
        i += n;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
}

}  // namespace dv
