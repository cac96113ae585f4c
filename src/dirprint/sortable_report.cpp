#include "dirprint/sortable_report.h"

#include <QItemSelectionModel>
#include <algorithm>
#include <cstdlib>

#include "dirprint/sortable_list.h"
#include "platform/text_stream.h"
#include "common/text_rules.h"
#include "scan/cls_dir_processing.h"
#include "scan/report_texts.h"

namespace dv {
namespace {

constexpr int kTypeWidth = 20, kNameWidth = 50, kOtherWidth = 12, kTypeCut = 19;

// Widths and cuts count characters, not UTF-16 units: an emoji is one character.
int Chars(const QString& s) {
  int n = 0;
  for (QChar c : s)
    if (!c.isLowSurrogate()) ++n;
  return n;
}

QString FirstChars(const QString& s, int count) {
  int n = 0;
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i].isLowSurrogate()) continue;
    if (n++ == count) return s.left(i);
  }
  return s;
}

bool IsTypeColumn(const QString& header) { return header.left(4) == QLatin1String("File"); }
bool IsNameColumn(const QString& header) { return header.left(4) == QLatin1String("Name"); }

bool IsSortedByColumn(const SortableListModel& list) {
  return list.Sorted() && list.SortColumn() >= 0 && list.SortColumn() < list.columnCount();
}

}  // namespace

SortableReportScan SortableReportScanOf(const clsDirProcessing& engine) {
  SortableReportScan scan;
  scan.startingDirectory = engine.StartingDirectory();
  scan.dirLevelsDeep = engine.DirLevelsDeep();
  scan.filtersActive = engine.Settings().FiltersActive();
  return scan;
}

QString SortableReportTitle(const SortableListModel& list, bool onlyHighlighted) {
  QString title = QStringLiteral("Dorvane ");
  const bool sorted = IsSortedByColumn(list);
  if (sorted) title += QStringLiteral("Sorted By ") + list.Header(list.SortColumn()) + QLatin1Char(' ');
  if (sorted && onlyHighlighted) title += QStringLiteral("& Row-Selected Data Directory Report");
  else if (onlyHighlighted) title += QStringLiteral("Row-Selected Data Directory Report");
  else title += QStringLiteral("Data Directory Report");
  return title;
}

std::vector<int> SortableReportWidths(const SortableListModel& list) {
  std::vector<int> widths;
  for (int c = 0; c < list.columnCount(); ++c) {
    const QString header = list.Header(c);
    int width = IsTypeColumn(header) ? kTypeWidth : IsNameColumn(header) ? kNameWidth : kOtherWidth;
    if (IsNameColumn(header))
      for (int r = 0; r < list.rowCount(); ++r) width = std::max(width, Chars(list.Text(r, c)));
    widths.push_back(width);
  }
  return widths;
}

std::vector<bool> HighlightedRows(const QItemSelectionModel* selection, int rowCount) {
  std::vector<bool> rows(size_t(std::max(0, rowCount)), false);
  if (!selection) return rows;
  // Ranges, not indexes: selecting 100,000 whole rows would otherwise list every cell.
  for (const QItemSelectionRange& range : selection->selection())
    for (int r = std::max(0, range.top()); r <= range.bottom() && r < rowCount; ++r) rows[size_t(r)] = true;
  return rows;
}

std::string SortableReportText(const SortableListModel& list, const SortableReportScan& scan, bool onlyHighlighted,
                               const std::vector<bool>& highlighted) {
  const QString crlf = QStringLiteral("\r\n");
  QString out = SortableReportTitle(list, onlyHighlighted) + crlf;

  QStringList headers;
  for (int c = 0; c < list.columnCount(); ++c) headers << list.Header(c);
  out += QString::fromLatin1(report::kColumnsShown) + QLatin1Char(' ') + headers.join(QStringLiteral(", ")) + crlf;
  out += QString::fromLatin1(report::kFilters) +
         QString::fromLatin1(scan.filtersActive ? report::kActive : report::kInactive) +
         (scan.dirLevelsDeep == kAllLevels ? QString::fromLatin1(report::kAllSubdirectories)
                                           : QString::fromLatin1(report::kLevelDepth) +
                                                 QString::number(scan.dirLevelsDeep)) +
         crlf;
  out += QString::fromLatin1(report::kStartingDirectory) +
         QString::fromStdString(ControlsShown(scan.startingDirectory)) + crlf + crlf;

  const std::vector<int> widths = SortableReportWidths(list);
  for (int c = 0; c < list.columnCount(); ++c)
    out += headers[c] + QString(std::max(0, widths[size_t(c)] - Chars(headers[c])), QLatin1Char(' '));
  out += crlf;

  for (int r = 0; r < list.rowCount(); ++r) {
    if (onlyHighlighted && (size_t(r) >= highlighted.size() || !highlighted[size_t(r)])) continue;
    for (int c = 0; c < list.columnCount(); ++c) {
      QString value = list.Text(r, c);
      if (IsTypeColumn(headers[c])) value = FirstChars(value, kTypeCut);
      // A value wider than its column is kept whole, followed by as many spaces as it overflows (not cut).
      out += value + QString(std::abs(widths[size_t(c)] - Chars(value)), QLatin1Char(' '));
    }
    out += crlf;
  }
  return out.toStdString();
}

std::string WriteSortableReport(bool onlyHighlighted, const SortableListModel& list,
                                const QItemSelectionModel* selection, const clsDirProcessing& engine,
                                const std::string& reportPath) {
  const std::vector<bool> highlighted =
      onlyHighlighted ? HighlightedRows(selection, list.rowCount()) : std::vector<bool>();
  std::string text = SortableReportText(list, SortableReportScanOf(engine), onlyHighlighted, highlighted);
  TextStream file = TextStream::Open(reportPath, IOMode::ForWriting, true);
  file.Write(text);
  file.Close();
  return text;
}

}  // namespace dv
