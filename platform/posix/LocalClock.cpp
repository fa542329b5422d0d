// The C library's zone rules; time_t is signed here, so times before 1970 work.
#include "platform/LocalClock.h"

#include <ctime>

namespace kvt::platform {

LocalParts localParts(FileTime t) {
  const std::time_t secs =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(t));
  std::tm p{};
  localtime_r(&secs, &p);
  return {p.tm_year + 1900, p.tm_mon + 1, p.tm_mday, p.tm_hour, p.tm_min, p.tm_sec};
}

FileTime localMidnight(int year, int month, int day) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_isdst = -1;  // let the zone rules decide
  return std::chrono::system_clock::from_time_t(std::mktime(&parts));
}

}  // namespace kvt::platform
