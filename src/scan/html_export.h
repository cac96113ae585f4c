#pragma once
// The web-page export of a directory report: the plain text of a report (CR LF lines, as the report writer or
// the sortable view writes it) becomes an HTML page with a table whose cells follow the report's fixed-width
// columns. Every text taken from the report is HTML-escaped, so no file name can inject markup into the page.
#include <string>

#include "common/user_settings.h"
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

// False when "HTMLbc" is empty or missing: the caller then asks the HTML settings window for the values.
bool HtmlSettingsStored(UserSettings& settings);
// The four settings as stored, with their defaults when missing.
HtmlSettings StoredHtmlSettings(UserSettings& settings);
// The values the page uses: colours as six characters (the part before the first ",", "FFFFFF"/"000000"
// unless exactly six characters long), the font size and border ("12"/"0" unless numeric).
HtmlSettings ResolveHtmlSettings(const HtmlSettings& settings);

// & < > and " as character references.
std::string HtmlEscape(const std::string& text);

// The working copy of the report made for the conversion, in the private temporary folder. Left in place.
std::string HtmlWorkFilePath();

// Writes `reportText` to the working file, reads it back line by line and writes the page to `out` (left open).
// `baseName` goes into the page title as it is. Throws dv::Error on file failures.
void ConvertReportToHtml(const std::string& reportText, const std::string& baseName, const HtmlSettings& settings,
                         TextStream& out);
// The conversion proper, reading the report lines from `in`.
void ConvertReportLinesToHtml(TextStream& in, const std::string& baseName, const HtmlSettings& settings,
                              TextStream& out);
// Creates or empties `targetPath` and writes the page of `reportText` into it.
void SaveReportAsHtml(const std::string& reportText, const std::string& targetPath, const std::string& baseName,
                      const HtmlSettings& settings);

}  // namespace dv
