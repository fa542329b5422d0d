// The local calendar in whatever zone the machine has: dates before 1970 and the era stamp
// of a date made in the same zone.
#include <gtest/gtest.h>

#include "platform/LocalDate.h"

namespace kvt::platform {
namespace {

TEST(LocalCalendar, DatesBeforeAndAfter1970KeepTheirCalendarDay) {
  const struct {
    int year, month, day;
    const char* era;
    const char* slashed;
  } cases[] = {{1965, 3, 2, "540302", "1965/03/02"},   {1969, 12, 31, "581231", "1969/12/31"},
               {1970, 1, 1, "590101", "1970/01/01"},   {2005, 7, 15, "940715", "2005/07/15"},
               {1911, 10, 10, "111010", "1911/10/10"}, {2024, 2, 29, "1130229", "2024/02/29"}};
  for (const auto& c : cases) {
    const FileTime midnight = localDate(c.year, c.month, c.day);
    EXPECT_EQ(formatEraYymmdd(midnight), c.era) << c.slashed;
    EXPECT_EQ(formatDateSlashed(midnight), c.slashed);
    EXPECT_EQ(formatDateTimeDashed(midnight + std::chrono::seconds(3599)).substr(10), " 00-59-59")
        << c.slashed;
  }
  // One day on, the stamp moves on by one day, across the year and the epoch.
  EXPECT_EQ(formatEraYymmdd(localDate(1969, 12, 31) + std::chrono::hours(24)), "590101");
}

}  // namespace
}  // namespace kvt::platform
