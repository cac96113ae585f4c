#include "export/html_export.h"

#include "common/text_rules.h"

#include <deque>
#include <regex>
#include <vector>

#include "common/setting_defaults.h"
#include "common/shared_utils.h"
#include "platform/path.h"
#include "scan/report_texts.h"

namespace dv {

namespace {

const std::string Q = "\"";

struct Column {
  std::string name;
  size_t width;  // characters; 0 means the rest of the line
};

// The byte offset `chars` characters (UTF-8 code points) after `from`, or the end.
size_t Advance(const std::string& text, size_t from, size_t chars) {
  return from + Utf8PrefixBytes(std::string_view(text).substr(std::min(from, text.size())), chars);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// The same grammar the settings windows accept as a number.
bool IsNumeric(const std::string& text) { return LooksLikeNumber(text); }

std::string OrDefault(const std::string& value, const char* key) {
  return value.empty() ? SettingDefault(key) : value;
}

std::string Colour(const std::string& value, const char* key, const char* fallback) {
  std::string hex = OrDefault(value, key);
  hex = hex.substr(0, hex.find(','));
  return Utf8Length(hex) == 6 ? hex : fallback;
}

std::vector<Column> ColumnTable(const std::string& shownLine) {
  size_t colon = shownLine.find(':');
  std::string list = colon == std::string::npos ? shownLine : shownLine.substr(colon + 1);
  std::vector<Column> columns;
  for (size_t start = 0;;) {
    size_t at = list.find(", ", start);
    std::string name = list.substr(start, at == std::string::npos ? std::string::npos : at - start);
    if (columns.empty()) name = TrimBlanks(name);
    // The literal widths, not the report's own ("File Type" is 20 wide there).
    size_t width = name == "File Type" ? 19 : name == "Name" ? 0 : 12;
    columns.push_back({name, width});
    if (at == std::string::npos) break;
    start = at + 2;
  }
  return columns;
}

// The pieces of `line`, one per column, cut from its first character on.
std::vector<std::string> Cut(const std::string& line, const std::vector<Column>& columns) {
  std::vector<std::string> pieces;
  size_t pos = 0;
  for (const Column& c : columns) {
    size_t end = c.width ? Advance(line, pos, c.width) : line.size();
    pieces.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return pieces;
}

std::string Width(const Column& c) { return c.width ? std::to_string(c.width * 7) : "*"; }

// The report's own texts that the page treats apart from rows (header-only: the export needs no engine).
using report::kCancelledMarker;
using report::kStartingDirectory;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool AllOf(const std::string& text, char c) { return !text.empty() && text.find_first_not_of(c) == std::string::npos; }

// The report's lines with a few of them read ahead: its own structures are recognised by what follows them, and
// at most eight lines are ever held.
class Lookahead {
 public:
  explicit Lookahead(ReportLines& in) : in_(in) {}
  // The line `k` places ahead (0: the next one), or null past the end. Stays valid until taken.
  const std::string* Peek(size_t k) {
    while (ahead_.size() <= k && !in_.AtEnd()) ahead_.push_back(in_.ReadLine());
    return k < ahead_.size() ? &ahead_[k] : nullptr;
  }
  bool AtEnd() { return Peek(0) == nullptr; }
  // The next line; empty past the end.
  std::string Take() {
    if (AtEnd()) return {};
    std::string line = std::move(ahead_.front());
    ahead_.pop_front();
    return line;
  }

 private:
  ReportLines& in_;
  std::deque<std::string> ahead_;  // a deque: reading more never moves the lines already held
};

class Converter {
 public:
  Converter(ReportLines& in, TextStream& out, const HtmlSettings& s) : in_(in), out_(out), s_(s) {}

  void Run(const std::string& baseName) {
    // Standards mode and a declared encoding: names are UTF-8 bytes, and a browser must not guess.
    out_.WriteLine("<!DOCTYPE html>");
    out_.WriteLine("<HTML><HEAD><meta charset=\"utf-8\"><TITLE>Dorvane Directory Report - " + baseName + "</TITLE>");
    out_.WriteLine("<style type=\"text/css\">");
    out_.WriteLine("<!--");
    out_.WriteLine("td  {font-family: \"Courier New\", Courier, mono; font-size: " + s_.fontSize + "px}");
    out_.WriteLine("-->");
    out_.WriteLine("</style>");
    out_.WriteLine("</HEAD><BODY bgcolor=" + Q + "#" + s_.backgroundColour + Q + " text=" + Q + "#" +
                   s_.textColour + Q + ">");

    std::string title = in_.Take();
    enum { None, Hier, Flat } kind = None;
    if (title.find(report::kHierarchicalTitle) != std::string::npos) kind = Hier;
    else if (title.find(report::kDosTitle) != std::string::npos ||
             title.find("Data Directory Report") != std::string::npos)
      kind = Flat;
    out_.WriteLine("<p align=center><b>" + HtmlEscape(title) + "</b></p>");
    if (kind == None) {
      while (!in_.AtEnd()) Br(in_.Take());
      out_.WriteLine("</BODY></HTML>");
      return;
    }

    std::string shown = in_.Take();
    Br(shown);
    columns_ = ColumnTable(shown);
    n_ = std::to_string(columns_.size());

    // When no line holds the first column's name, the header row stays empty. The starting folder's line is
    // never the header, whatever its path holds.
    std::string header;
    bool found = false;
    while (!in_.AtEnd()) {
      std::string line = in_.Take();
      if (StartsWith(line, kStartingDirectory)) {
        section_ = NameOfPath(line.substr(std::char_traits<char>::length(kStartingDirectory)));
      } else if (line.find(columns_.front().name) != std::string::npos) {
        header = line;
        found = true;
        break;
      }
      Br(line);
    }
    rule_ = found ? std::string(header.size(), '-') : std::string();

    out_.WriteLine("<hr>");
    out_.WriteLine("<TABLE border=" + Q + s_.tableBorder + Q + ">");
    out_.WriteLine("<TR>");
    std::vector<std::string> cells = Cut(header, columns_);
    for (size_t i = 0; i < columns_.size(); ++i) Cell(columns_[i], HtmlEscape(cells[i]));
    out_.WriteLine("</TR>");

    if (kind == Hier && found && in_.Peek(0) && *in_.Peek(0) == rule_) {
      in_.Take();
      Ruling("<HR>");
    }
    while (!in_.AtEnd()) {
      if (SummaryBlockAt(0)) {
        in_.Take();
        Ruling("<HR SIZE=" + Q + "3" + Q + ">");
        FullWidth(in_.Take());
        FullWidth(in_.Take());
        in_.Take();
        Ruling("<HR SIZE=" + Q + "3" + Q + ">");
        continue;
      }
      std::string line = in_.Take();
      if (line.empty()) {
        if (kind == Flat) {
          // A spacer, then the next folder's heading.
          Spacer();
          if (in_.AtEnd()) continue;
          std::string heading = in_.Take();
          FullWidth(heading);
          section_ = NameOfPath(heading);
        } else {
          FullWidth(line);
        }
        continue;
      }
      if (kind == Flat && found && line == rule_ && FolderSummaryFollows()) Ruling("<HR>");
      else if (line == kCancelledMarker && in_.AtEnd()) FullWidth(line);
      else DataRow(line);
    }
    out_.WriteLine("</TABLE>");
    out_.WriteLine("</BODY></HTML>");
  }

 private:
  // The final summary block starting `k` lines ahead: exact in shape, and the end of the report.
  bool SummaryBlockAt(size_t k) {
    static const std::regex shownLine(R"(\*\* Folders Shown: \d+  Files Shown:\d+ \*\*)");
    const std::string* rule = in_.Peek(k);
    if (!rule || !AllOf(*rule, '=') || rule->size() < 14) return false;
    const std::string* summary = in_.Peek(k + 1);
    const std::string* shown = in_.Peek(k + 2);
    const std::string* closing = in_.Peek(k + 3);
    if (!closing || *closing != *rule || shown->size() != rule->size() ||
        *summary != report::kSummary + std::string(rule->size() - 14, ' ') + " **" ||
        !std::regex_match(*shown, shownLine))
      return false;
    // The last lines of the report, or followed only by a cancelled report's two blank lines and marker.
    const std::string* next = in_.Peek(k + 4);
    if (!next) return true;
    const std::string* blank = in_.Peek(k + 5);
    const std::string* marker = in_.Peek(k + 6);
    return next->empty() && blank && blank->empty() && marker && *marker == kCancelledMarker && !in_.Peek(k + 7);
  }

  // After a ruling line in a flat view: whether it is the ruling of a folder summary, i.e. one more line (the
  // summary row, ending in the folder's name or its file count) closes the folder's section.
  bool FolderSummaryFollows() {
    static const std::regex countTail(R"((^|\s)\d+ File\(s\)( \{\d+ File\(s\) Filtered\})?$)");
    const std::string* row = in_.Peek(0);
    if (!row || row->empty()) return false;
    const std::string* after = in_.Peek(1);
    if (after && !after->empty() && !SummaryBlockAt(1)) return false;
    return EndsWith(*row, section_) || std::regex_search(*row, countTail);
  }

  void Br(const std::string& line) { out_.WriteLine("<br>" + HtmlEscape(line)); }
  void Cell(const Column& c, const std::string& html) {
    out_.WriteLine("<TD WIDTH=" + Q + Width(c) + Q + ">" + html + "</TD>");
  }
  void Spacer() { out_.WriteLine("<TR><TD colspan=" + Q + n_ + Q + ">&nbsp;</TD></TR>"); }
  void FullWidth(const std::string& line) {
    out_.WriteLine("<TR><TD colspan=" + Q + n_ + Q + ">" + HtmlEscape(line) + "</TD></TR>");
  }
  // Ruling rows only without borders; a bordered table shows its own lines.
  void Ruling(const std::string& rule) {
    if (s_.tableBorder != "0") return;
    out_.WriteLine("<TR><TD colspan=" + Q + n_ + Q + ">" + rule + "</TD></TR>");
    Spacer();
  }
  void DataRow(const std::string& line) {
    out_.WriteLine("<TR>");
    std::vector<std::string> pieces = Cut(line, columns_);
    for (size_t i = 0; i < columns_.size(); ++i) {
      std::string html = HtmlEscape(TrimBlanks(pieces[i]));
      // Escaped first, so the markup added here is never escaped itself.
      if (columns_[i].width == 0) html = ReplaceAll(html, "  ", "&nbsp;&nbsp;");
      Cell(columns_[i], html);
    }
    out_.WriteLine("</TR>");
    out_.WriteLine();
  }

  Lookahead in_;
  TextStream& out_;
  HtmlSettings s_;
  std::vector<Column> columns_;
  std::string n_;
  std::string rule_;     // '-' repeated the header's length
  std::string section_;  // the name of the folder whose lines are being read (flat views)
};

}  // namespace

HtmlSettings StoredHtmlSettings(UserSettings& settings) {
  return {SettingOrDefault(settings, setting::HTMLbc), SettingOrDefault(settings, setting::HTMLfc),
          SettingOrDefault(settings, setting::HTMLfsize), SettingOrDefault(settings, setting::HTMLtborder)};
}

HtmlSettings ResolveHtmlSettings(const HtmlSettings& s) {
  HtmlSettings r;
  r.backgroundColour = Colour(s.backgroundColour, setting::HTMLbc, "FFFFFF");
  r.textColour = Colour(s.textColour, setting::HTMLfc, "000000");
  std::string size = OrDefault(s.fontSize, setting::HTMLfsize);
  r.fontSize = IsNumeric(size) ? size : "12";
  std::string border = OrDefault(s.tableBorder, setting::HTMLtborder);
  r.tableBorder = IsNumeric(border) ? border : "0";
  // Six arbitrary characters still must not break the attribute they go into; hex digits are unchanged.
  r.backgroundColour = HtmlEscape(r.backgroundColour);
  r.textColour = HtmlEscape(r.textColour);
  return r;
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

void ConvertReportToHtml(ReportLines& in, const std::string& baseName, const HtmlSettings& settings,
                         TextStream& out) {
  Converter(in, out, ResolveHtmlSettings(settings)).Run(baseName);
}

}  // namespace dv
