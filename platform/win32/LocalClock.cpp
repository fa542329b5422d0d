// The system's zone rules through SYSTEMTIME: the C runtime's localtime refuses times before
// 1970, and file times of old programs go back further.
#include "platform/LocalClock.h"

#include "platform/win32/WideText.h"

namespace kvt::platform {

LocalParts localParts(FileTime t) {
  const FILETIME utc = win32::toFiletime(std::chrono::floor<std::chrono::seconds>(t));
  SYSTEMTIME u{}, local{};
  if (!::FileTimeToSystemTime(&utc, &u) || !::SystemTimeToTzSpecificLocalTime(nullptr, &u, &local))
    return {};
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

FileTime localMidnight(int year, int month, int day) {
  SYSTEMTIME local{};
  local.wYear = WORD(year);
  local.wMonth = WORD(month);
  local.wDay = WORD(day);
  SYSTEMTIME u{};
  FILETIME ft{};
  if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &u) || !::SystemTimeToFileTime(&u, &ft))
    return {};
  return win32::fromFiletime(ft);
}

}  // namespace kvt::platform
