#pragma once
// Saving a directory report as the user names the file: the one "save by extension" of the directory printer
// window and of `dorvane-cli report --save`. The report is read a piece at a time, so a report of any size is
// saved in little memory, and the file is written beside its target and renamed into place (AtomicFile), so a
// failure, a full disk or a stop never costs the user the file that was there.
#include <string>

#include "export/html_export.h"
#include "export/report_lines.h"
#include "platform/text_stream.h"

namespace dv {

enum class SaveKind { RichText, WebPage, PlainText };

// By the end of the name, any case: "rtf" rich text; "htm" (or the last four characters "html") a web page;
// anything else, "csv" and no extension included, plain text.
SaveKind SaveKindOf(const std::string& path);
// The name that titles a web page: the file name up to its first "." unless that "." is its first character.
std::string SaveBaseName(const std::string& path);

// Writes the export of `report` for `target` to `out`: by SaveKindOf(target) rich text, a web page titled by
// SaveBaseName(target) (HTML-escaped: it comes from the user's file name), or the report's bytes exactly. For a
// caller that holds the AtomicFile itself. Throws dv::Error.
void ExportReport(ReportLines& report, const std::string& target, const HtmlSettings& settings, TextStream& out);

// ExportReport into an AtomicFile of `target`, committed when complete. Throws dv::Error; the target is then as
// it was.
void SaveReport(ReportLines& report, const std::string& target, const HtmlSettings& settings);

}  // namespace dv
