#pragma once
// The restriction tests of a scan: file and folder size, file date and the extension list. Each keeps what its
// setter stored and answers "restricted" (reject) or not. Sizes are 64-bit throughout, so a file of 2 GB or more
// is measured by its real size.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "scan/scan_codes.h"

namespace dv {

// `value` compared with `limit`; an operator outside the list accepts everything.
bool CompareAccepts(CompareOp op, int64_t value, int64_t limit);

// Bytes in one `unit`: 1024 for KB, 1048576 for MB; any other code counts in bytes.
int64_t UnitBytes(SizeUnit unit);
// `bytes` in `unit`, rounded to the nearest whole number with halves to even.
int64_t RoundToUnit(int64_t bytes, SizeUnit unit);

class SizeRestriction {
 public:
  // `truncateLimit`: the folder restriction converts its limit by dropping the remainder, the file restriction
  // by rounding.
  explicit SizeRestriction(bool truncateLimit) : truncateLimit_(truncateLimit) {}
  // Stores the setting and converts the limit into `displayUnit` (the scan's SetSizeType at the time of the call).
  void Set(bool on, long value, CompareOp op, SizeUnit unit, SizeUnit displayUnit);
  bool On() const { return on_; }
  CompareOp Op() const { return op_; }
  // The limit in the display unit it was converted into.
  int64_t Limit() const { return limit_; }
  // True when an item of `sizeBytes` is rejected; `displayUnit` is the scan's current unit.
  bool Restricts(int64_t sizeBytes, SizeUnit displayUnit) const;

 private:
  bool truncateLimit_;
  bool on_ = false;
  long value_ = 0;
  CompareOp op_ = CompareOp::Greater;
  SizeUnit unit_ = SizeUnit::Bytes;
  int64_t limit_ = 0;
};

class DateRestriction {
 public:
  // `day` is a calendar day; ">" and "<=" compare with the end of that day (23:59:59).
  void Set(bool on, const LocalTime& day, CompareOp op, DateType type);
  bool On() const { return on_; }
  CompareOp Op() const { return op_; }
  DateType Type() const { return type_; }
  DateTime Limit() const { return limit_; }
  // "=" compares local calendar days; the other operators compare the full time.
  bool Restricts(DateTime itemDate) const;

 private:
  bool on_ = false;
  CompareOp op_ = CompareOp::Greater;
  DateType type_ = DateType::Created;
  DateTime limit_;
};

class ExtensionList {
 public:
  // Parses "*.txt, *.doc": an empty text becomes "*.*" (also in the caller's variable); "*.*" clears the list
  // (leaving the kind as it was); parts that do not start with "*." and run longer are skipped. Entries are the
  // whole text after "*.", upper-cased.
  void Set(std::string& commaSeparated, long restrictType);
  bool InForce() const { return restrictType_ != 0 && !entries_.empty(); }
  const std::vector<std::string>& Entries() const { return entries_; }
  long RestrictType() const { return restrictType_; }
  // A file matches when the text after the last "." of its name, upper-cased, equals an entry; kind 2 rejects
  // matches, any other kind rejects the rest.
  bool Restricts(const std::string& fileName) const;

 private:
  std::vector<std::string> entries_;
  long restrictType_ = 0;
};

}  // namespace dv
