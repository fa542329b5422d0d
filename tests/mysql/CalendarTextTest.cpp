#include "engine/mysql/CalendarText.h"

#include <gtest/gtest.h>

namespace kvt::mysql {
namespace {

constexpr double kDay = 86'400'000.0;

TEST(CalendarText, DaysCountFromTheFirstOfJanuaryOfYearOne) {
  // Day numbers as the proleptic Gregorian ordinal counts them (1 January 1 is day 1).
  struct Case {
    CivilDate civil;
    int32_t days;
  } cases[] = {{{1, 1, 1}, 1},          {{1900, 3, 1}, 693655}, {{1970, 1, 1}, 719163},
               {{2000, 2, 29}, 730179}, {{2013, 9, 5}, 735116}, {{9999, 12, 31}, 3652059}};
  for (const Case& c : cases) {
    EXPECT_EQ(dateFromCivil(c.civil).days, c.days) << c.civil.year;
    const CivilDate back = civilFromDate(Date{c.days});
    EXPECT_EQ(back.year, c.civil.year);
    EXPECT_EQ(back.month, c.civil.month);
    EXPECT_EQ(back.day, c.civil.day);
  }
}

TEST(CalendarText, TheZeroDateIsDayZeroBothWays) {
  EXPECT_EQ(dateFromCivil({0, 0, 0}).days, 0);
  EXPECT_EQ(dateText(Date{0}), "0000-00-00");
  EXPECT_EQ(timestampFromParts({0, 0, 0}, 0, 0, 0, 0).ms, -kDay);
  EXPECT_EQ(timestampText(Timestamp{-kDay}), "0000-00-00 00:00:00");
}

TEST(CalendarText, TextsAreTheServersFormats) {
  EXPECT_EQ(dateText(Date{735116}), "2013-09-05");
  EXPECT_EQ(timeText(Time{(13 * 3600 + 45 * 60 + 7) * 1000}), "13:45:07");
  EXPECT_EQ(timeText(Time{1234}), "00:00:01.234");
  EXPECT_EQ(timeText(Time{-(100 * 3600) * 1000}), "-100:00:00");
  const Timestamp ts = timestampFromParts({2013, 9, 5}, 13, 45, 7, 250000);
  EXPECT_EQ(ts.ms, (735116 - 1) * kDay + (13 * 3600 + 45 * 60 + 7) * 1000 + 250);
  EXPECT_EQ(timestampText(ts), "2013-09-05 13:45:07.250");
  EXPECT_EQ(timestampText(Timestamp{0}), "0001-01-01 00:00:00");
}

TEST(CalendarText, ServerTextsAreReadBackIntoTheirParts) {
  auto parts = [](std::string_view text) {
    const std::optional<CalendarParts> p = partsFromText(text);
    if (!p) return std::string("none");
    return std::to_string(p->date.year) + "-" + std::to_string(p->date.month) + "-" +
           std::to_string(p->date.day) + (p->negative ? " -" : " ") + std::to_string(p->hours) +
           ":" + std::to_string(p->minutes) + ":" + std::to_string(p->seconds) + "." +
           std::to_string(p->microseconds);
  };
  EXPECT_EQ(parts("2013-09-05"), "2013-9-5 0:0:0.0");
  EXPECT_EQ(parts("0000-00-00 00:00:00"), "0-0-0 0:0:0.0");
  EXPECT_EQ(parts("2013-09-05 13:45:07.25"), "2013-9-5 13:45:7.250000");
  EXPECT_EQ(parts("-838:59:59.000001"), "0-0-0 -838:59:59.1");
  EXPECT_EQ(parts("00:00:01.234"), "0-0-0 0:0:1.234000");
  for (std::string_view bad : {"", "2013-09", "2013-09-05 13:45", "12:3x:00", "1:2:3 "})
    EXPECT_EQ(parts(bad), "none") << bad;
}

}  // namespace
}  // namespace kvt::mysql
