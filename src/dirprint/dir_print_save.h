#pragma once
// The pieces of saving a directory report that need no window: the suggested file name, the file types offered
// in the save dialog, and the save of the window's text through the shared save by extension.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "export/html_export.h"
#include "shell/save_dialog.h"

namespace dv {

inline constexpr const char* kSaveDialogTitle = "Save Directory Information";
// Where the state of chkAskWebPageSettings is remembered (off unless chosen).
inline constexpr const char* kAskWebPageSettingsKey = "Ask Web Page Settings";
inline constexpr const char* kInvalidPathTitle = "Invalid Path or Name";
inline constexpr const char* kInvalidPathQuestion =
    "Either the directory does not exist or the file name has invalid characters in it.\r\n\r\n"
    "Would you like to try to save again?";
inline constexpr const char* kSelectedOnlyTitle = "Save Selected Only?";
// The same question when printing, in printing words.
inline constexpr const char* kPrintSelectedOnlyTitle = "Print Selected Only?";
inline constexpr const char* kPrintSelectedOnlyQuestion =
    "Sortable view allows you to pick and choose which rows of data to print.\r\n\r\n"
    "Would you like to ONLY print items that are HIGHLIGHTED?";
inline constexpr const char* kSelectedOnlyQuestion =
    "Sortable view allows you to pick and choose which rows of data to save.\r\n\r\n"
    "Would you like to ONLY save items that are HIGHLIGHTED?";

// "DV_DirectoryInfo_" + month-day-two-digit-year + "_" + 12-hour hour-minutes + "-am" or "-pm", every number
// two digits (DV_DirectoryInfo_10-04-04_03-15-pm). Only one of "am" and "pm" is written, so no "/" appears.
QString DefaultSaveFileName(const QDateTime& now);

// The file types of the save dialog: rich text, plain text and web page, plus comma-separated values for a CSV
// report. Pairs of description and pattern, as the dialog's filter string lists them.
QString SaveFilterString(bool csvView);
// The same as Qt name filters, one per file type in the same order.
QStringList SaveNameFilters(bool csvView);

// The text with every line end (LF, CR LF or a lone CR) made CR LF, as UTF-8.
std::string WithCrLf(const QString& text);

// The window's work file for a save (the report as the preview gives it, read back by the export): DVhtmltemp in
// the private temporary folder.
std::string HtmlWorkFilePath();

// Saves the window's report text to `path` through the shared save by extension (export/save_report.h): written
// beside the file and renamed into place, so a failure leaves the file as it was. A web page is converted from
// the work file, which is removed when done, also after a failure. Throws dv::Error.
void SaveReportText(const QString& text, const std::string& path, const HtmlSettings& settings);

// The same for the report in the file at `reportPath`, read a piece at a time: the saved bytes are those that
// SaveReportText gives for the file's text decoded as UTF-8 (every line end made CR LF; a line holding more than
// ASCII decoded and encoded again, a no-break space made a space and the Unicode line and paragraph separators
// line ends, as the text preview always did). Throws dv::Error; 53 when the report cannot be opened.
void SaveReportFile(const std::string& reportPath, const std::string& path, const HtmlSettings& settings);

}  // namespace dv
