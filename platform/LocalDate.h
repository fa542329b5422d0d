// Local date and time texts. The era year is that of the Republic-of-China calendar
// (year minus 1911), written with at least two digits.
#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace kvt::platform {

std::string formatEraYymmdd(FileTime t);       // 15 July 2005 -> "940715"
std::string formatDateTimeDashed(FileTime t);  // "2013-09-05 14-30-00"
std::string formatDateSlashed(FileTime t);     // "2013/09/05"
// Local midnight of a calendar date.
FileTime localDate(int year, int month, int day);

}  // namespace kvt::platform
