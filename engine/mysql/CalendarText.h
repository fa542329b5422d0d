// Dates and times between the engine's day and millisecond counts and the server's
// calendar fields and texts ("2013-09-05", "13:45:00", "2013-09-05 13:45:00").
//
// The server's zero date "0000-00-00" is day 0 of the count, one day before 1 January of
// year 1, and its zero date-time is the start of that day, so both survive a round trip.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "schema/Value.h"

namespace kvt::mysql {

struct CivilDate {
  int year = 0, month = 0, day = 0;  // all 0 for the zero date
};

Date dateFromCivil(const CivilDate& d);
CivilDate civilFromDate(Date d);

Time timeFromParts(bool negative, unsigned hours, unsigned minutes, unsigned seconds,
                   unsigned long microseconds);
Timestamp timestampFromParts(const CivilDate& d, unsigned hours, unsigned minutes, unsigned seconds,
                             unsigned long microseconds);

// The fields of a server text: a date ("2013-09-05"), a time ("-100:00:00.25") or both,
// parts that a text lacks left 0.
struct CalendarParts {
  CivilDate date;
  bool negative = false;
  unsigned hours = 0, minutes = 0, seconds = 0;
  unsigned long microseconds = 0;
};
std::optional<CalendarParts> partsFromText(std::string_view text);

// Texts the server takes for DATE, TIME and DATETIME columns; milliseconds are written only
// when there are any.
std::string dateText(Date d);
std::string timeText(Time t);
std::string timestampText(Timestamp t);

}  // namespace kvt::mysql
