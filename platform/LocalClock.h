// The machine's local calendar: a time as local date and clock parts, and back. Times before
// 1970 convert too.
#pragma once

#include "platform/FileSystem.h"

namespace kvt::platform {

struct LocalParts {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

LocalParts localParts(FileTime t);
// Local midnight of a calendar date, by the zone's rules of that date.
FileTime localMidnight(int year, int month, int day);

}  // namespace kvt::platform
