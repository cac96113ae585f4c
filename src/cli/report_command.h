#pragma once
// `dorvane-cli report`: a thin caller of the scanning engine's report mode.
#include <string>
#include <string_view>
#include <vector>

#include "scan/html_export.h"

namespace dv {

enum class SaveKind { RichText, WebPage, PlainText };

// The export the window's save chooses for `path`: its last three characters "RTF" (any case) give rich text,
// "HTM" or its last four "HTML" a web page, anything else plain text.
SaveKind SaveKindOf(const std::string& path);
// The name the page title carries: the file name up to its first "." unless that "." is its first character.
std::string SaveBaseName(const std::string& path);
// Exports `reportText` (CR LF lines) to `path` by SaveKindOf; plain text is the report's bytes. Throws dv::Error.
void SaveReport(std::string_view reportText, const std::string& path, const HtmlSettings& settings);

// Runs the command with the arguments after "report"; writes the report to `outFd` (or --output FILE; with
// --save alone standard output stays empty) and exports it to --save FILE, and writes messages, errors and
// progress to `errFd`. Returns the exit status: 0, 1 (item errors) or 2 (bad options, a
// missing folder, an unwritable output).
int RunReportCommand(const std::vector<std::string>& args, int outFd = 1, int errFd = 2);

}  // namespace dv
