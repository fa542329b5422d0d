// Calendar arithmetic and text for the Date, Time and Timestamp values of a row.
//
// Dates count days from 1 January of year 1 (that day is 1) on the Gregorian calendar
// carried back before its introduction, as the Paradox format does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "schema/Value.h"

namespace kvt {

struct CivilDate {
  int year = 1;
  int month = 1;
  int day = 1;
};

// Nullopt for a day that does not exist (31 April, month 13, year 0 ...).
std::optional<Date> makeDate(int year, int month, int day);
CivilDate civilOf(Date date);

// "yyyy-mm-dd", "hh:mm:ss" and "yyyy-mm-dd hh:mm:ss".
std::string dateText(Date date);
std::string timeText(Time time);
std::string timestampText(Timestamp stamp);

// Parse the forms above; dates may also use "/" between their parts, times may leave out
// the seconds or carry milliseconds ("hh:mm", "hh:mm:ss.zzz"). Surrounding blanks are allowed.
std::optional<Date> parseDate(std::string_view text);
std::optional<Time> parseTime(std::string_view text);
std::optional<Timestamp> parseTimestamp(std::string_view text);

// Splitting a timestamp into its day and its time of day, and joining them.
Date dateOf(Timestamp stamp);
Time timeOf(Timestamp stamp);
Timestamp makeTimestamp(Date date, Time time);

}  // namespace kvt
