#include "scan/restrictions.h"

#include <algorithm>

#include "common/shared_utils.h"
#include "platform/path.h"

namespace dv {

bool CompareAccepts(long op, int64_t value, int64_t limit) {
  switch (op) {
    case 0: return value > limit;
    case 1: return value < limit;
    case 2: return value == limit;
    case 3: return value >= limit;
    case 4: return value <= limit;
    default: return true;
  }
}

int64_t UnitBytes(long unit) {
  switch (unit) {
    case 1: return 1024;
    case 2: return 1048576;
    default: return 1;
  }
}

int64_t RoundToUnit(int64_t bytes, long unit) {
  int64_t d = UnitBytes(unit);
  if (d == 1) return bytes;
  int64_t q = bytes / d, r = bytes % d;
  if (r < 0) {  // sizes are never negative, but a limit could be
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1))) ++q;
  return q;
}

void SizeRestriction::Set(bool on, long value, long op, long unit, long displayUnit) {
  on_ = on;
  value_ = value;
  op_ = op;
  unit_ = unit;
  int64_t bytes = int64_t(value) * UnitBytes(unit);
  limit_ = truncateLimit_ ? bytes / UnitBytes(displayUnit) : RoundToUnit(bytes, displayUnit);
}

bool SizeRestriction::Restricts(int64_t sizeBytes, long displayUnit) const {
  return !CompareAccepts(op_, RoundToUnit(sizeBytes, displayUnit), limit_);
}

void DateRestriction::Set(bool on, const LocalTime& day, long op, long dateType) {
  on_ = on;
  op_ = op;
  dateType_ = dateType;
  LocalTime limit = day;
  limit.hour = limit.minute = limit.second = 0;
  if (op == 0 || op == 4) {
    limit.hour = 23;
    limit.minute = 59;
    limit.second = 59;
  }
  limit_ = DateTime::FromLocal(limit);
}

bool DateRestriction::Restricts(DateTime itemDate) const {
  if (op_ == 2) return itemDate.StartOfLocalDay() != limit_;
  switch (op_) {
    case 0: return !(itemDate > limit_);
    case 1: return !(itemDate < limit_);
    case 3: return !(itemDate >= limit_);
    case 4: return !(itemDate <= limit_);
    default: return false;
  }
}

void ExtensionList::Set(std::string& commaSeparated, long restrictType) {
  if (commaSeparated.empty()) commaSeparated = "*.*";
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= commaSeparated.size()) {
    size_t comma = commaSeparated.find(',', start);
    if (comma == std::string::npos) comma = commaSeparated.size();
    std::string part = TrimBlanks(commaSeparated.substr(start, comma - start), " \t");
    start = comma + 1;
    if (part == "*.*") {
      entries_.clear();
      return;
    }
    if (part.size() > 2 && part.compare(0, 2, "*.") == 0) entries.push_back(UpperAscii(part.substr(2)));
  }
  entries_ = std::move(entries);
  restrictType_ = restrictType;
}

bool ExtensionList::Restricts(const std::string& fileName) const {
  std::string ext = UpperAscii(ExtensionOf(fileName));
  bool match = !ext.empty() && std::find(entries_.begin(), entries_.end(), ext) != entries_.end();
  return restrictType_ == 2 ? match : !match;
}

}  // namespace dv
