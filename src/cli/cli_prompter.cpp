#include "cli/cli_prompter.h"

#include "common/text_rules.h"

namespace dv {

namespace {

// The characters a terminal shows two columns wide (East Asian wide and full-width forms, emoji); counting a
// few too many only shortens the line, counting too few would wrap it.
bool Wide(char32_t cp) {
  static const char32_t ranges[][2] = {
      {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23FA},   {0x25FD, 0x25FE},
      {0x2600, 0x27BF},   {0x2B1B, 0x2B55},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
      {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
      {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x18CFF},
      {0x1B000, 0x1B2FF}, {0x1F000, 0x1FAFF}, {0x20000, 0x3FFFD}};
  for (const auto& r : ranges)
    if (cp >= r[0] && cp <= r[1]) return true;
  return false;
}

}  // namespace

std::string ShownOnStderr(std::string_view text, bool terminal) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!terminal) {
      out += c == '\r' || c == '\n' ? '?' : static_cast<char>(c);
      ++i;
      continue;
    }
    char32_t cp;
    const size_t n = DecodeUtf8(text.substr(i), cp);
    if (n == 0 || cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
      out += '?';
      i += n == 0 ? 1 : n;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string FitToColumns(std::string_view text, size_t columns) {
  size_t used = 0, i = 0;
  while (i < text.size()) {
    char32_t cp;
    size_t n = DecodeUtf8(text.substr(i), cp);
    const size_t width = n != 0 && Wide(cp) ? 2 : 1;
    if (n == 0) n = 1;
    if (used + width > columns) break;
    used += width;
    i += n;
  }
  return std::string(text.substr(0, i));
}

void CliPrompter::Message(const std::string& text, const std::string& title) {
  // Message texts join their lines with CR LF, a terminal wants LF; any other line end inside a line belongs to
  // a name and is shown like the rest of it.
  std::string lines;
  for (size_t start = 0;;) {
    const size_t end = text.find("\r\n", start);
    lines += ShownOnStderr(std::string_view(text).substr(start, end - start), terminal_);
    if (end == std::string::npos) break;
    lines += '\n';
    start = end + 2;
  }
  const std::string shownTitle = ShownOnStderr(title.empty() ? kAppTitle : title, terminal_);
  std::fprintf(err_, "%s: %s\n", shownTitle.c_str(), lines.c_str());
}

bool CliPrompter::YesNo(const std::string& text, const std::string& title) {
  Message(text + " (answered No)", title);
  return false;
}

Answer CliPrompter::YesNoCancel(const std::string& text, const std::string& title) {
  Message(text + " (answered Cancel)", title);
  return Answer::Cancel;
}

std::optional<std::string> CliPrompter::Input(const std::string& prompt, const std::string& title,
                                              const std::string&) {
  Message(prompt + " (cancelled)", title);
  return std::nullopt;
}

}  // namespace dv
