#include "platform/LocalDate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace kvt::platform {
namespace {

using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

// Runs a test in a chosen time zone and puts the old one back afterwards.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ZoneGuard() {
    if (old_)
      ::setenv("TZ", old_->c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

// The instant of a UTC wall-clock time, computed without the code under test.
FileTime utc(int year, int month, int day, int hour = 0, int minute = 0) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  return std::chrono::system_clock::from_time_t(::timegm(&parts));
}

TEST(LocalDate, MidnightOfADateIsLocalMidnight) {
  ZoneGuard zone("Asia/Taipei");  // UTC+8, no daylight saving
  EXPECT_EQ(localDate(2005, 7, 15), utc(2005, 7, 14, 16));
  EXPECT_EQ(localDate(2013, 1, 1), utc(2012, 12, 31, 16));
  ZoneGuard west("America/New_York");
  EXPECT_EQ(localDate(2013, 7, 1), utc(2013, 7, 1, 4));  // summer time, UTC-4
  EXPECT_EQ(localDate(2013, 1, 1), utc(2013, 1, 1, 5));  // winter time, UTC-5
}

TEST(LocalDate, EraStampIsRepublicYearMonthDay) {
  ZoneGuard zone("Asia/Taipei");
  EXPECT_EQ(formatEraYymmdd(localDate(2005, 7, 15)), "940715");
  EXPECT_EQ(formatEraYymmdd(localDate(2013, 9, 5) + hours(14)), "1020905");
  EXPECT_EQ(formatEraYymmdd(localDate(1912, 1, 1)), "010101");
  // Era years 99 and 100 meet at the start of 2011: two digits become three.
  EXPECT_EQ(formatEraYymmdd(localDate(2011, 1, 1) - seconds(1)), "991231");
  EXPECT_EQ(formatEraYymmdd(localDate(2011, 1, 1)), "1000101");
}

TEST(LocalDate, StampsFollowTheLocalDateNotTheUtcDate) {
  ZoneGuard zone("Asia/Taipei");
  // 17:00 UTC on 31 December is already New Year's Day in Taipei.
  FileTime t = utc(2012, 12, 31, 17, 5);
  EXPECT_EQ(formatEraYymmdd(t), "1020101");
  EXPECT_EQ(formatDateSlashed(t), "2013/01/01");
  EXPECT_EQ(formatDateTimeDashed(t), "2013-01-01 01-05-00");
}

TEST(LocalDate, DashedAndSlashedTexts) {
  ZoneGuard zone("Asia/Taipei");
  FileTime t = localDate(2013, 9, 5) + hours(14) + minutes(30) + seconds(7);
  EXPECT_EQ(formatDateTimeDashed(t), "2013-09-05 14-30-07");
  EXPECT_EQ(formatDateSlashed(t), "2013/09/05");
  // Fractions of a second do not round up.
  EXPECT_EQ(formatDateTimeDashed(t + std::chrono::milliseconds(999)), "2013-09-05 14-30-07");
  EXPECT_EQ(formatDateTimeDashed(localDate(2005, 7, 15)), "2005-07-15 00-00-00");
}

}  // namespace
}  // namespace kvt::platform
