#pragma once
// A point in time to the nanosecond (seconds since 1970 UTC), with conversions to and from local calendar time.
#include <compare>
#include <cstdint>
#include <ctime>
#include <string>

namespace dv {

struct LocalTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

struct DateTime {
  int64_t seconds = 0;
  int32_t nanoseconds = 0;

  auto operator<=>(const DateTime&) const = default;

  static DateTime Now();
  static DateTime FromTimespec(const struct timespec& ts) { return {ts.tv_sec, static_cast<int32_t>(ts.tv_nsec)}; }
  // The local time given, with the daylight-saving state in force on that date.
  static DateTime FromLocal(const LocalTime& t);
  struct timespec ToTimespec() const { return {static_cast<time_t>(seconds), nanoseconds}; }
  LocalTime ToLocal() const;
  // The same calendar day at 00:00:00 local time.
  DateTime StartOfLocalDay() const;
  // General date text, month first: "12/7/2026 7:46:28 PM".
  std::string GeneralDate() const;
};

}  // namespace dv
