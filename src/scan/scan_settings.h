#pragma once
// A scan's settings as one typed value: what the walk and the report writer read. clsDirProcessing's named
// properties are a thin layer over it (they convert patterns and size limits when set, as their callers expect).
#include <cstdint>
#include <string>
#include <vector>

#include "scan/restrictions.h"
#include "scan/scan_codes.h"

namespace dv {

struct ScanSettings {
  std::string startingDirectory;
  ReportView view = ReportView::Hierarchical;
  std::vector<ReportColumn> columns;  // in report order; codes outside the list are kept and ignored
  int16_t levels = 0;                 // subfolder levels below the starting folder; kAllLevels for all
  SizeUnit sizeUnit = SizeUnit::KB;
  bool showHidden = false, dirsOnly = false, excludeEmpty = false;
  bool fullPath = false;       // DOS view: full paths in file lines
  bool fileCounts = false;     // DOS view with folder details: file counts in the folder summaries
  bool folderDetails = false;  // detail columns on folder lines, and folder summaries in the DOS view
  long patternOption = 0;      // how the patterns were written when they were set (PatternKind)
  std::string filePattern, folderPattern;  // converted; empty matches everything
  SizeRestriction fileSize{false}, folderSize{true};
  DateRestriction date;
  ExtensionList extensions;

  bool AllLevels() const { return levels >= kAllLevels; }
  bool CommaSeparated() const { return view == ReportView::Csv || view == ReportView::Sortable; }
  bool Shows(ReportColumn column) const;
  // The filters that decide which files are listed: with one of them on, a folder none of whose files is
  // listed has no row.
  bool FileFiltersActive() const;
  // Every filter, as the report heading's "Filter(s) Active" counts them.
  bool FiltersActive() const;
};

}  // namespace dv
