#include "platform/datetime.h"

#include <cstdio>

namespace dv {

DateTime DateTime::Now() {
  struct timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return FromTimespec(ts);
}

DateTime DateTime::FromLocal(const LocalTime& t) {
  struct tm tm = {};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;  // let the zone rules of that date decide
  return {static_cast<int64_t>(::mktime(&tm)), 0};
}

LocalTime DateTime::ToLocal() const {
  time_t s = static_cast<time_t>(seconds);
  struct tm tm = {};
  ::localtime_r(&s, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

DateTime DateTime::StartOfLocalDay() const {
  LocalTime t = ToLocal();
  t.hour = t.minute = t.second = 0;
  return FromLocal(t);
}

std::string DateTime::GeneralDate() const {
  LocalTime t = ToLocal();
  int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", t.month, t.day, t.year, hour12, t.minute, t.second,
                t.hour < 12 ? "AM" : "PM");
  return buf;
}

}  // namespace dv
