// Dates and times of table values as text: "yyyy-mm-dd", "hh:mm:ss", "yyyy-mm-dd hh:mm:ss".
#pragma once

#include <string>

#include "schema/Value.h"

namespace kvt::tableinfo {

std::string dateText(Date d);            // day 1 is 0001-01-01
std::string timeText(Time t);            // milliseconds are dropped
std::string timestampText(Timestamp t);  // counted from the start of day 1

}  // namespace kvt::tableinfo
