#include "dirprint/dir_print_save.h"

#include <fcntl.h>
#include <unistd.h>

#include "export/save_report.h"
#include "platform/error.h"
#include "platform/temp_folder.h"
#include "platform/text_stream.h"

namespace dv {

QString DefaultSaveFileName(const QDateTime& now) {
  const QDate d = now.date();
  const QTime t = now.time();
  const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
  auto two = [](int n) { return QString::number(n).rightJustified(2, '0'); };
  return QStringLiteral("DV_DirectoryInfo_") + two(d.month()) + "-" + two(d.day()) + "-" + two(d.year() % 100) +
         "_" + two(hour12) + "-" + two(t.minute()) + "-" + (t.hour() < 12 ? "am" : "pm");
}

QString SaveFilterString(bool csvView) {
  QString filter = "Rich Text Files (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|Web Page (*.htm)|*.htm";
  if (csvView) filter += "|Comma Separated Values (*.csv)|*.csv";
  return filter;
}

QStringList SaveNameFilters(bool csvView) {
  // Each description already names its pattern in brackets, which is the form Qt reads.
  const QStringList parts = SaveFilterString(csvView).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
  return filters;
}

std::string WithCrLf(const QString& text) {
  QString t = text;
  t.replace("\r\n", "\n");
  t.replace('\r', '\n');
  t.replace("\n", "\r\n");
  return t.toStdString();
}

std::string HtmlWorkFilePath() { return PrivateTempFolder() + "/DVhtmltemp"; }

namespace {

// Saves from the work file, which is removed when done, also after a failure.
template <class Fill>
void SaveThroughWorkFile(const std::string& path, const HtmlSettings& settings, Fill fill) {
  const std::string work = HtmlWorkFilePath();
  struct Remover {
    const std::string& path;
    ~Remover() { ::unlink(path.c_str()); }
  } remover{work};
  TextStream copy = TextStream::Open(work, IOMode::ForWriting, true);
  fill(copy);
  copy.Close();
  const int fd = ::open(work.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) ThrowErrno(work);
  ReportLines lines = ReportLines::FromFd(UniqueFd(fd), work);
  SaveReport(lines, path, settings);
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// One line of the report (without its end, lone CRs included) appended as the text preview's text gave it.
void AppendAsPreviewed(std::string_view line, std::string& out) {
  if (IsAscii(line)) {
    for (size_t cr; (cr = line.find('\r')) != std::string_view::npos; line.remove_prefix(cr + 1))
      out.append(line.substr(0, cr)).append("\r\n");
    out.append(line);
    return;
  }
  QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
  for (QChar& c : text) {
    if (c == QChar::Nbsp) c = QLatin1Char(' ');
    else if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1))
      c = QLatin1Char('\n');
  }
  out += WithCrLf(text);
}

}  // namespace

void SaveReportText(const QString& text, const std::string& path, const HtmlSettings& settings) {
  const std::string report = WithCrLf(text);
  if (SaveKindOf(path) != SaveKind::WebPage) {
    ReportLines lines = ReportLines::FromText(report);
    SaveReport(lines, path, settings);
    return;
  }
  SaveThroughWorkFile(path, settings, [&](TextStream& copy) { copy.Write(report); });
}

void SaveReportFile(const std::string& reportPath, const std::string& path, const HtmlSettings& settings) {
  const int fd = ::open(reportPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error(err::FileNotFound, ErrorText(err::FileNotFound) + ": " + reportPath);
  ReportLines report = ReportLines::FromFd(UniqueFd(fd), reportPath);
  SaveThroughWorkFile(path, settings, [&](TextStream& copy) {
    std::string out, partial;
    for (std::string_view chunk; !(chunk = report.ReadChunk()).empty();) {
      for (size_t nl; (nl = chunk.find('\n')) != std::string_view::npos; chunk.remove_prefix(nl + 1)) {
        std::string_view line = chunk.substr(0, nl);
        if (!partial.empty()) line = partial.append(line);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        AppendAsPreviewed(line, out);
        out += "\r\n";
        partial.clear();
      }
      partial.append(chunk);
      if (out.size() >= (1u << 20)) {
        copy.Write(out);
        out.clear();
      }
    }
    AppendAsPreviewed(partial, out);  // a last line without its end keeps none
    copy.Write(out);
  });
}

}  // namespace dv
