#pragma once
// The codes a scan's settings are made of. Each enum keeps the number the named properties take, so a front end
// that holds a code (a stored setting, a list position) converts it with a cast; a number outside the list stays
// what it was and is treated as the properties say ("any other code").
#include <cstdint>

#include "common/compare_operators.h"

namespace dv {

// Report views. The CSV and the sortable view write the same text. Json is dorvane-cli's alone: one JSON
// document for scripts, with the rows of the CSV view as typed values.
enum class ReportView : long { Hierarchical = 0, Dos = 1, Csv = 2, Sortable = 3, Json = 4 };

// Detail columns, in the codes ShowColumns takes. FileCount is named in the heading only; it makes no column.
enum class ReportColumn : long {
  Size = 1,
  Attribute = 2,
  FileType = 3,
  Created = 4,
  Modified = 5,
  Accessed = 6,
  FileCount = 7,
};

// Comparison operators of the size and date restrictions: ">", "<", "=", ">=", "<=".
enum class CompareOp : long { Greater = 0, Less = 1, Equal = 2, GreaterOrEqual = 3, LessOrEqual = 4 };
// Its text; "?" for a code outside the list.
inline const char* CompareOpText(CompareOp op) {
  const auto at = static_cast<long>(op);
  return at >= 0 && at < kCompareOperatorCount ? kCompareOperators[at] : "?";
}

// Units of sizes, shown and compared.
enum class SizeUnit : long { Bytes = 0, KB = 1, MB = 2 };

// Which time of a file the date restriction tests.
enum class DateType : long { Created = 0, Modified = 1, Accessed = 2 };

// How the name patterns are written.
enum class PatternKind : long { Wildcards = 1, RegularExpression = 2 };

// DirLevelsDeep's "every level".
inline constexpr int16_t kAllLevels = 32000;

}  // namespace dv
