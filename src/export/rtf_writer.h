#pragma once
// Rich text for saving a report as .rtf. The report is fixed-width columns, so the document uses one fixed-pitch
// font ("Courier New") and keeps every character of every line, whatever bytes a file name holds.
#include <string>
#include <string_view>

#include "export/report_lines.h"
#include "platform/text_stream.h"

namespace dv {

// The report's lines as an RTF 1.x document (plain ASCII, CR LF line ends in the source).
// - Lines end at CR LF, LF or a lone CR; each becomes one paragraph ending in \par. A final line end adds no
//   empty paragraph; an empty text gives a document without paragraphs.
// - "\", "{" and "}" are escaped; a tab becomes \tab; other ASCII control characters become \'hh.
// - Other text is read as UTF-8 and each non-ASCII character written as \uN? (N the signed 16-bit value, \uc1);
//   characters above U+FFFF as a UTF-16 surrogate pair. A byte that is not part of valid UTF-8 (a name from a
//   Latin-1 file system) is taken as the Latin-1 character of the same value, so it still shows as a letter.
std::string RtfDocument(std::string_view reportText);

// The body of one line, escaped as above, without the paragraph mark.
std::string RtfEscapeLine(std::string_view line);

// The same document written to `out` as the lines are read, so that memory does not grow with the report.
// Throws dv::Error.
void WriteRtf(ReportLines& in, TextStream& out);

}  // namespace dv
