// Date texts in local time. The era is that of the Republic of China: year 1 is 1912.
#include "platform/LocalDate.h"

#include <cstdio>
#include <ctime>

namespace kvt::platform {
namespace {

std::tm localParts(FileTime t) {
  std::time_t secs =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(t));
  std::tm parts{};
  localtime_r(&secs, &parts);
  return parts;
}

}  // namespace

std::string formatEraYymmdd(FileTime t) {
  std::tm p = localParts(t);
  int year = p.tm_year + 1900;
  // Before 1912 there is no era year; the Gregorian year's last two digits stand in, so the
  // stamp still has its usual shape.
  int eraYear = year > 1911 ? year - 1911 : year % 100;
  char text[64];
  std::snprintf(text, sizeof text, "%02d%02d%02d", eraYear, p.tm_mon + 1, p.tm_mday);
  return text;
}

std::string formatDateTimeDashed(FileTime t) {
  std::tm p = localParts(t);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d-%02d-%02d", p.tm_year + 1900, p.tm_mon + 1,
                p.tm_mday, p.tm_hour, p.tm_min, p.tm_sec);
  return text;
}

std::string formatDateSlashed(FileTime t) {
  std::tm p = localParts(t);
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", p.tm_year + 1900, p.tm_mon + 1, p.tm_mday);
  return text;
}

FileTime localDate(int year, int month, int day) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_isdst = -1;  // let the zone rules decide
  return std::chrono::system_clock::from_time_t(std::mktime(&parts));
}

}  // namespace kvt::platform
