// Date texts in local time. The era is that of the Republic of China: year 1 is 1912.
#include "platform/LocalDate.h"

#include <cstdio>

#include "platform/LocalClock.h"

namespace kvt::platform {

std::string formatEraYymmdd(FileTime t) {
  const LocalParts p = localParts(t);
  // Before 1912 there is no era year; the Gregorian year's last two digits stand in, so the
  // stamp still has its usual shape.
  const int eraYear = p.year > 1911 ? p.year - 1911 : p.year % 100;
  char text[64];
  std::snprintf(text, sizeof text, "%02d%02d%02d", eraYear, p.month, p.day);
  return text;
}

std::string formatDateTimeDashed(FileTime t) {
  const LocalParts p = localParts(t);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d-%02d-%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return text;
}

std::string formatDateSlashed(FileTime t) {
  const LocalParts p = localParts(t);
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", p.year, p.month, p.day);
  return text;
}

FileTime localDate(int year, int month, int day) {
  return localMidnight(year, month, day);
}

}  // namespace kvt::platform
