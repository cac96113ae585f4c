#include "scan/scan_settings.h"

#include <algorithm>

namespace dv {

bool ScanSettings::Shows(ReportColumn column) const {
  return std::find(columns.begin(), columns.end(), column) != columns.end();
}

bool ScanSettings::FileFiltersActive() const {
  return extensions.InForce() || date.On() || fileSize.On() || !filePattern.empty();
}

bool ScanSettings::FiltersActive() const {
  return FileFiltersActive() || folderSize.On() || !folderPattern.empty();
}

}  // namespace dv
