// Reading values as another kind, and the calendar text behind dates and times.
#include <gtest/gtest.h>

#include <cmath>

#include "schema/Calendar.h"
#include "schema/EngineError.h"
#include "schema/Value.h"

namespace kvt {
namespace {

ErrorKind kindOf(auto&& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no error raised";
  return ErrorKind::State;
}

TEST(Value, SettersChangeKindAndTextKeepsItsStorage) {
  Value v(int64_t{7});
  v.setText("a text longer than the short-string buffer");
  const char* storage = v.get<std::string>()->data();
  v.setText("short");
  EXPECT_EQ(v, Value("short"));
  EXPECT_EQ(v.get<std::string>()->data(), storage);  // no new allocation for the shorter text
  v.setFloat(1.5);
  EXPECT_EQ(v, Value(1.5));
  v.setBool(false);
  EXPECT_EQ(v, Value(false));
  v.setInt(-3);
  EXPECT_EQ(v, Value(int64_t{-3}));
  v.setNull();
  EXPECT_TRUE(v.isNull());
}

TEST(Value, NullReadsAsEmptyZeroAndFalse) {
  const Value v = Value::null();
  EXPECT_EQ(v.asString(), "");
  EXPECT_EQ(v.asInt(), 0);
  EXPECT_EQ(v.asFloat(), 0.0);
  EXPECT_FALSE(v.asBool());
}

TEST(Value, TextReadsAsIntegerOnlyWhenItIsOne) {
  EXPECT_EQ(Value("  -15 ").asInt(), -15);
  EXPECT_EQ(Value("+7").asInt(), 7);
  EXPECT_EQ(Value("9223372036854775807").asInt(), INT64_MAX);
  for (const char* bad : {"", " ", "1.5", "12a", "a12", "1 2", "99999999999999999999", "--1"}) {
    EXPECT_EQ(kindOf([&] { Value(bad).asInt(); }), ErrorKind::Conversion) << bad;
  }
  EXPECT_EQ(Value(" 2.5e1 ").asFloat(), 25.0);
  EXPECT_EQ(kindOf([] { Value("abc").asFloat(); }), ErrorKind::Conversion);
}

TEST(Value, FloatsPrintInTheirShortestExactForm) {
  EXPECT_EQ(Value(0.1).asString(), "0.1");
  EXPECT_EQ(Value(15.0).asString(), "15");
  EXPECT_EQ(Value(-0.0).asString(), "0");
  EXPECT_EQ(Value(1.0 / 3).asString(), "0.3333333333333333");
  for (double d : {0.1, 1.0 / 3, 123456.789, 1e-7, 2.5e300, -42.125}) {
    EXPECT_EQ(std::stod(Value(d).asString()), d);
  }
}

TEST(Value, FloatsReadAsIntegersRoundHalvesToEven) {
  EXPECT_EQ(Value(2.5).asInt(), 2);
  EXPECT_EQ(Value(3.5).asInt(), 4);
  EXPECT_EQ(Value(-1.2).asInt(), -1);
  EXPECT_EQ(kindOf([] { Value(1e30).asInt(); }), ErrorKind::Conversion);
  EXPECT_EQ(Value(Decimal{"12.000"}).asInt(), 12);
}

TEST(Value, BooleansReadAsLettersAndTextAsBoolean) {
  EXPECT_EQ(Value(true).asString(), "T");
  EXPECT_EQ(Value(false).asString(), "F");
  EXPECT_EQ(Value(true).asInt(), 1);
  EXPECT_TRUE(Value("T").asBool());
  EXPECT_TRUE(Value("yes").asBool());
  EXPECT_TRUE(Value("1").asBool());
  EXPECT_FALSE(Value("F").asBool());
  EXPECT_FALSE(Value("0").asBool());
  EXPECT_FALSE(Value("").asBool());
  EXPECT_TRUE(Value(int64_t{-3}).asBool());
}

TEST(Value, CalendarValuesReadAsText) {
  EXPECT_EQ(Value(*makeDate(2013, 9, 5)).asString(), "2013-09-05");
  EXPECT_EQ(Value(Time{((13 * 60 + 4) * 60 + 9) * 1000 + 250}).asString(), "13:04:09");
  const Timestamp ts = makeTimestamp(*makeDate(1999, 12, 31), Time{(23 * 3600 + 59 * 60) * 1000});
  EXPECT_EQ(Value(ts).asString(), "1999-12-31 23:59:00");
  EXPECT_EQ(kindOf([&] { Value(ts).asInt(); }), ErrorKind::Conversion);
}

TEST(Calendar, DayOneIsTheFirstOfJanuaryOfYearOne) {
  EXPECT_EQ(makeDate(1, 1, 1)->days, 1);
  EXPECT_EQ(makeDate(1, 12, 31)->days, 365);
  EXPECT_EQ(makeDate(2, 1, 1)->days, 366);
  // 1 January 1900 is day 693596 of this count (the Paradox epoch for dates).
  EXPECT_EQ(makeDate(1900, 1, 1)->days, 693596);
  for (int days : {1, 59, 60, 693596, 730120, 3652059}) {
    const CivilDate c = civilOf(Date{days});
    EXPECT_EQ(makeDate(c.year, c.month, c.day)->days, days);
  }
  EXPECT_FALSE(makeDate(2013, 2, 29));
  EXPECT_TRUE(makeDate(2012, 2, 29));
  EXPECT_FALSE(makeDate(2013, 13, 1));
  EXPECT_FALSE(makeDate(0, 1, 1));
}

TEST(Calendar, TextIsReadInTheFormsItIsWritten) {
  EXPECT_EQ(parseDate(" 2013-09-05 ")->days, makeDate(2013, 9, 5)->days);
  EXPECT_EQ(parseDate("2013/9/5")->days, makeDate(2013, 9, 5)->days);
  EXPECT_FALSE(parseDate("2013-09-31"));
  EXPECT_FALSE(parseDate("2013-09/05"));
  EXPECT_FALSE(parseDate("05.09.2013"));
  EXPECT_EQ(parseTime("08:30")->ms, (8 * 60 + 30) * 60000);
  EXPECT_EQ(parseTime("08:30:15.5")->ms, ((8 * 60 + 30) * 60 + 15) * 1000 + 500);
  EXPECT_FALSE(parseTime("24:00:00"));
  const auto ts = parseTimestamp("2013-09-05 08:30:15");
  ASSERT_TRUE(ts);
  EXPECT_EQ(timestampText(*ts), "2013-09-05 08:30:15");
  EXPECT_EQ(dateOf(*ts).days, makeDate(2013, 9, 5)->days);
  EXPECT_EQ(timeText(timeOf(*ts)), "08:30:15");
  EXPECT_EQ(timestampText(*parseTimestamp("2013-09-05")), "2013-09-05 00:00:00");
}

}  // namespace
}  // namespace kvt
