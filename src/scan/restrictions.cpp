#include "scan/restrictions.h"

#include <algorithm>

#include "common/shared_utils.h"
#include "platform/path.h"

namespace dv {

bool CompareAccepts(CompareOp op, int64_t value, int64_t limit) {
  switch (op) {
    case CompareOp::Greater: return value > limit;
    case CompareOp::Less: return value < limit;
    case CompareOp::Equal: return value == limit;
    case CompareOp::GreaterOrEqual: return value >= limit;
    case CompareOp::LessOrEqual: return value <= limit;
  }
  return true;
}

int64_t UnitBytes(SizeUnit unit) {
  switch (unit) {
    case SizeUnit::KB: return 1024;
    case SizeUnit::MB: return 1048576;
    default: return 1;
  }
}

int64_t RoundToUnit(int64_t bytes, SizeUnit unit) {
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

void SizeRestriction::Set(bool on, long value, CompareOp op, SizeUnit unit, SizeUnit displayUnit) {
  on_ = on;
  value_ = value;
  op_ = op;
  unit_ = unit;
  int64_t bytes = int64_t(value) * UnitBytes(unit);
  limit_ = truncateLimit_ ? bytes / UnitBytes(displayUnit) : RoundToUnit(bytes, displayUnit);
}

bool SizeRestriction::Restricts(int64_t sizeBytes, SizeUnit displayUnit) const {
  return !CompareAccepts(op_, RoundToUnit(sizeBytes, displayUnit), limit_);
}

void DateRestriction::Set(bool on, const LocalTime& day, CompareOp op, DateType type) {
  on_ = on;
  op_ = op;
  type_ = type;
  LocalTime limit = day;
  limit.hour = limit.minute = limit.second = 0;
  if (op == CompareOp::Greater || op == CompareOp::LessOrEqual) {
    limit.hour = 23;
    limit.minute = 59;
    limit.second = 59;
  }
  limit_ = DateTime::FromLocal(limit);
}

bool DateRestriction::Restricts(DateTime itemDate) const {
  switch (op_) {
    case CompareOp::Equal: return itemDate.StartOfLocalDay() != limit_;
    case CompareOp::Greater: return !(itemDate > limit_);
    case CompareOp::Less: return !(itemDate < limit_);
    case CompareOp::GreaterOrEqual: return !(itemDate >= limit_);
    case CompareOp::LessOrEqual: return !(itemDate <= limit_);
  }
  return false;
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
