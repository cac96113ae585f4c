#pragma once
// The sortable list written back as a fixed-width text report: a title naming the sort column and whether only
// highlighted rows are kept, the column, filter and starting-folder lines, a header line, then one line per row
// in the list's current order. Saving and printing in the sortable view work from this report.
#include <string>
#include <vector>

#include <QString>

#include "scan/scan_codes.h"

class QItemSelectionModel;

namespace dv {

class clsDirProcessing;
class SortableListModel;

// What the report's third and fourth lines say about the scan that filled the list.
struct SortableReportScan {
  std::string startingDirectory;
  int dirLevelsDeep = kAllLevels;
  bool filtersActive = false;
};

// Filters count as active when a size, date or extension restriction is on or a name pattern is set.
SortableReportScan SortableReportScanOf(const clsDirProcessing& engine);

// "Dorvane [Sorted By <header> ]" followed by "& Row-Selected Data Directory Report" (sorted, highlighted only),
// "Row-Selected Data Directory Report" (highlighted only) or "Data Directory Report".
QString SortableReportTitle(const SortableListModel& list, bool onlyHighlighted);

// Width in characters (code points) per column: 20 for a header beginning "File", 50 for one beginning "Name",
// else 12; the name column then widened to its longest value among all rows.
std::vector<int> SortableReportWidths(const SortableListModel& list);

// Per row of the current order: whether any cell of it is selected. No selection model: none.
std::vector<bool> HighlightedRows(const QItemSelectionModel* selection, int rowCount);

// The whole report, UTF-8, every line ending in CR LF. `highlighted` (per row of the current order) is only
// read when `onlyHighlighted` is true; missing entries count as not highlighted.
std::string SortableReportText(const SortableListModel& list, const SortableReportScan& scan, bool onlyHighlighted,
                               const std::vector<bool>& highlighted);

// Rewrites the report file at `reportPath` (created or emptied) from the list and returns its text, which the
// caller loads into the preview. `selection` is the list view's selection. Throws dv::Error.
std::string WriteSortableReport(bool onlyHighlighted, const SortableListModel& list,
                                const QItemSelectionModel* selection, const clsDirProcessing& engine,
                                const std::string& reportPath);

}  // namespace dv
