#include "tools/tableinfo/CalendarText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace kvt::tableinfo {
namespace {

constexpr int64_t kMsPerDay = 86400000;

// Proleptic Gregorian calendar from a count of days where 0001-01-01 is day 1 (the era
// arithmetic of the civil calendar, with 400-year cycles of 146097 days).
void civilFromDay(int64_t day, int64_t& y, int& m, int& d) {
  const int64_t z = day + 305;  // days since 0000-03-01
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

std::string dayText(int64_t day) {
  int64_t y;
  int m, d;
  civilFromDay(day, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d", static_cast<long long>(y), m, d);
  return buf;
}

std::string clockText(int64_t ms) {
  const int64_t s = ms / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  return buf;
}

}  // namespace

std::string dateText(Date d) {
  return dayText(d.days);
}

std::string timeText(Time t) {
  return clockText(t.ms);
}

std::string timestampText(Timestamp t) {
  const auto ms = static_cast<int64_t>(std::floor(t.ms));
  const int64_t day = (ms >= 0 ? ms / kMsPerDay : (ms - kMsPerDay + 1) / kMsPerDay) + 1;
  const int64_t rest = ms - (day - 1) * kMsPerDay;
  return dayText(day) + " " + clockText(rest);
}

}  // namespace kvt::tableinfo
