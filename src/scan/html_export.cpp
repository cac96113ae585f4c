#include "scan/html_export.h"

#include "common/shared_utils.h"

#include <regex>
#include <vector>

#include "common/setting_defaults.h"
#include "platform/temp_folder.h"

namespace dv {

namespace {

const std::string Q = "\"";

struct Column {
  std::string name;
  size_t width;  // characters; 0 means the rest of the line
};

size_t CharCount(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// The byte offset `chars` characters (UTF-8 code points) after `from`, or the end.
size_t Advance(const std::string& text, size_t from, size_t chars) {
  size_t i = from;
  while (i < text.size()) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == 0) break;
      --chars;
    }
    ++i;
  }
  return i;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// The same grammar the settings windows accept as a number.
bool IsNumeric(const std::string& text) {
  static const std::regex number(R"(^\s*[+-]?(\d[\d,]*(\.\d*)?|\.\d+)([eE][+-]?\d+)?\s*$)");
  return std::regex_match(text, number);
}

std::string OrDefault(const std::string& value, const char* key) {
  return value.empty() ? SettingDefault(key) : value;
}

std::string Colour(const std::string& value, const char* key, const char* fallback) {
  std::string hex = OrDefault(value, key);
  hex = hex.substr(0, hex.find(','));
  return CharCount(hex) == 6 ? hex : fallback;
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

class Converter {
 public:
  Converter(TextStream& in, TextStream& out, const HtmlSettings& s) : in_(in), out_(out), s_(s) {}

  void Run(const std::string& baseName) {
    out_.WriteLine("<HTML><HEAD><TITLE>Dorvane Directory Report - " + baseName + "</TITLE>");
    out_.WriteLine("<style type=\"text/css\">");
    out_.WriteLine("<!--");
    out_.WriteLine("td  {font-family: \"Courier New\", Courier, mono; font-size: " + s_.fontSize + "px}");
    out_.WriteLine("-->");
    out_.WriteLine("</style>");
    out_.WriteLine("</HEAD><BODY bgcolor=" + Q + "#" + s_.backgroundColour + Q + " text=" + Q + "#" +
                   s_.textColour + Q + ">");

    std::string title = Next();
    enum { None, Hier, Flat } kind = None;
    if (title.find("Dorvane Hierarchical Directory Report") != std::string::npos) kind = Hier;
    else if (title.find("Dorvane DOS Style Directory Report") != std::string::npos ||
             title.find("Data Directory Report") != std::string::npos)
      kind = Flat;
    out_.WriteLine("<p align=center><b>" + HtmlEscape(title) + "</b></p>");
    if (kind == None) {
      while (!in_.AtEndOfStream()) Br(in_.ReadLine());
      out_.WriteLine("</BODY></HTML>");
      return;
    }

    std::string shown = Next();
    Br(shown);
    columns_ = ColumnTable(shown);
    n_ = std::to_string(columns_.size());

    // When no line holds the first column's name, the header row stays empty.
    std::string header;
    while (!in_.AtEndOfStream()) {
      std::string line = in_.ReadLine();
      if (line.find(columns_.front().name) != std::string::npos) {
        header = line;
        break;
      }
      Br(line);
    }

    out_.WriteLine("<hr>");
    out_.WriteLine("<TABLE border=" + Q + s_.tableBorder + Q + ">");
    out_.WriteLine("<TR>");
    std::vector<std::string> cells = Cut(header, columns_);
    for (size_t i = 0; i < columns_.size(); ++i) Cell(columns_[i], HtmlEscape(cells[i]));
    out_.WriteLine("</TR>");

    while (!in_.AtEndOfStream()) {
      std::string line = in_.ReadLine();
      std::string trimmed = TrimBlanks(line);
      if (kind == Flat && trimmed.empty()) {
        Spacer();
        if (in_.AtEndOfStream()) continue;
        std::string next = in_.ReadLine();
        if (next.rfind("==", 0) == 0) {
          if (s_.tableBorder == "0") Ruling("<HR SIZE=" + Q + "3" + Q + ">");
        } else {
          FullWidth(next);
        }
        continue;
      }
      std::string t = trimmed.substr(0, 2);
      if (t == "**" || t.empty()) FullWidth(line);
      else if (t == "==") {
        if (s_.tableBorder == "0") Ruling("<HR SIZE=" + Q + "3" + Q + ">");
      } else if (t == "--") {
        if (s_.tableBorder == "0") Ruling("<HR>");
      } else {
        DataRow(line);
      }
    }
    out_.WriteLine("</TABLE>");
    out_.WriteLine("</BODY></HTML>");
  }

 private:
  std::string Next() { return in_.AtEndOfStream() ? std::string() : in_.ReadLine(); }
  void Br(const std::string& line) { out_.WriteLine("<br>" + HtmlEscape(line)); }
  void Cell(const Column& c, const std::string& html) {
    out_.WriteLine("<TD WIDTH=" + Q + Width(c) + Q + ">" + html + "</TD>");
  }
  void Spacer() { out_.WriteLine("<TR><TD colspan=" + Q + n_ + Q + ">&nbsp;</TD></TR>"); }
  void FullWidth(const std::string& line) {
    out_.WriteLine("<TR><TD colspan=" + Q + n_ + Q + ">" + HtmlEscape(line) + "</TD></TR>");
  }
  void Ruling(const std::string& rule) {
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

  TextStream& in_;
  TextStream& out_;
  HtmlSettings s_;
  std::vector<Column> columns_;
  std::string n_;
};

}  // namespace

bool HtmlSettingsStored(UserSettings& settings) { return !settings.GetSetting(setting::HTMLbc, "").empty(); }

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

std::string HtmlWorkFilePath() { return PrivateTempFolder() + "/DVhtmltemp"; }

void ConvertReportLinesToHtml(TextStream& in, const std::string& baseName, const HtmlSettings& settings,
                              TextStream& out) {
  Converter(in, out, ResolveHtmlSettings(settings)).Run(baseName);
}

void ConvertReportToHtml(const std::string& reportText, const std::string& baseName, const HtmlSettings& settings,
                         TextStream& out) {
  std::string path = HtmlWorkFilePath();
  {
    TextStream work = TextStream::Open(path, IOMode::ForWriting, true);
    work.Write(reportText);
    work.Close();
  }
  TextStream in = TextStream::Open(path, IOMode::ForReading, false);
  ConvertReportLinesToHtml(in, baseName, settings, out);
  in.Close();
}

void SaveReportAsHtml(const std::string& reportText, const std::string& targetPath, const std::string& baseName,
                      const HtmlSettings& settings) {
  TextStream out = TextStream::Open(targetPath, IOMode::ForWriting, true);
  ConvertReportToHtml(reportText, baseName, settings, out);
  out.Close();
}

}  // namespace dv
