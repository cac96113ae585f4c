#pragma once
// The web-page export of a directory report: the plain text of a report (CR LF lines, as the report writer or
// the sortable view writes it) becomes an HTML page with a table whose cells follow the report's fixed-width
// columns. Every text taken from the report is HTML-escaped, so no file name can inject markup into the page.
#include <string>

#include "common/user_settings.h"
#include "export/report_lines.h"
#include "platform/text_stream.h"

namespace dv {

// The four HTML settings. Each field holds a stored value ("FFFFFF,16777215", "12", "0") or, from the HTML
// settings window, a bare hex colour; an empty field means the setting's default.
struct HtmlSettings {
  std::string backgroundColour, textColour, fontSize, tableBorder;
};

// The text of the please-wait window shown while converting.
inline constexpr const char* kHtmlConvertingMessage =
    "Converting to HTML format.\r\n\r\nThis may take a few moments.";

// The four settings as stored, with their defaults when missing.
HtmlSettings StoredHtmlSettings(UserSettings& settings);
// The values the page uses: colours as six characters (the part before the first ",", "FFFFFF"/"000000"
// unless exactly six characters long), the font size and border ("12"/"0" unless numeric).
HtmlSettings ResolveHtmlSettings(const HtmlSettings& settings);

// & < > and " as character references.
std::string HtmlEscape(const std::string& text);

// Reads the report from `in` and writes the page to `out` (left open), a line at a time. `baseName` goes into the
// page title as it is given. Throws dv::Error on file failures.
//
// Only the report's own lines are taken as rulings and summaries; every other line after the header is a row,
// whatever it starts with (a file named "--x", "==x" or "** x" is a row like any other):
// - the ruling under the header of the hierarchical view: the line right after the header, '-' repeated the
//   header's length;
// - a folder summary of the DOS view: that same ruling as the last but one line of a folder's section (before
//   the blank line of the next folder or the final summary), followed by the summary row, which ends in the
//   folder's name or its "N File(s)" count;
// - the final summary: a '=' rule, "** Summary:", "** Folders Shown: N  Files Shown:M **" and the rule again,
//   of one length, as the last lines of the report or just before a cancelled report's two blank lines and
//   marker.
// In the flat views (DOS, sortable) an empty line is a spacer and the line after it the next folder's heading.
void ConvertReportToHtml(ReportLines& in, const std::string& baseName, const HtmlSettings& settings,
                         TextStream& out);

}  // namespace dv
