#include "export/save_report.h"

#include <cctype>

#include "platform/atomic_file.h"
#include "export/rtf_writer.h"

namespace dv {

namespace {

std::string UpperTail(const std::string& text, size_t count) {
  std::string tail = text.size() > count ? text.substr(text.size() - count) : text;
  for (char& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return tail;
}

}  // namespace

SaveKind SaveKindOf(const std::string& path) {
  if (UpperTail(path, 3) == "RTF") return SaveKind::RichText;
  if (UpperTail(path, 3) == "HTM" || UpperTail(path, 4) == "HTML") return SaveKind::WebPage;
  return SaveKind::PlainText;
}

std::string SaveBaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = title.find('.');
  return dot == std::string::npos || dot == 0 ? title : title.substr(0, dot);
}

void ExportReport(ReportLines& report, const std::string& target, const HtmlSettings& settings, TextStream& out) {
  switch (SaveKindOf(target)) {
    case SaveKind::RichText: WriteRtf(report, out); break;
    case SaveKind::WebPage: ConvertReportToHtml(report, HtmlEscape(SaveBaseName(target)), settings, out); break;
    case SaveKind::PlainText:
      for (std::string_view piece = report.ReadChunk(); !piece.empty(); piece = report.ReadChunk())
        out.Write(std::string(piece));
      break;
  }
}

void SaveReport(ReportLines& report, const std::string& target, const HtmlSettings& settings) {
  AtomicFile file(target);
  ExportReport(report, target, settings, file.Out());
  file.Commit();
}

}  // namespace dv
