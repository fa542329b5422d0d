// Values assigned to fields take the field's own kind, as a data-aware field converts them.
#include <gtest/gtest.h>

#include "schema/Calendar.h"
#include "schema/FieldCoercion.h"
#include "schema/Table.h"

namespace kvt {
namespace {

const FieldDef kAlpha4{"Code", FieldType::Alpha, 4};
const FieldDef kShort{"Kind", FieldType::Short, 0};
const FieldDef kLong{"FormNo", FieldType::Long, 0};
const FieldDef kNumber{"Width", FieldType::Number, 0};
const FieldDef kLogical{"DoIt", FieldType::Logical, 0};
const FieldDef kMemo{"Formular", FieldType::Memo, 1};

ErrorKind coercionError(const FieldDef& f, Value v) {
  try {
    coerceToField(f, std::move(v));
  } catch (const EngineError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no error for field " << f.name;
  return ErrorKind::State;
}

TEST(FieldCoercion, EmptyTextIsNullInEveryFieldKind) {
  for (const FieldDef& f : {kAlpha4, kShort, kLong, kNumber, kLogical, kMemo}) {
    EXPECT_TRUE(coerceToField(f, Value("")).isNull()) << f.name;
    EXPECT_TRUE(coerceToField(f, Value::null()).isNull()) << f.name;
  }
  EXPECT_TRUE(coerceToField(kLong, Value("   ")).isNull());
}

TEST(FieldCoercion, AlphaTakesTheTextOfAnyValueCutToItsWidth) {
  EXPECT_EQ(coerceToField(kAlpha4, Value(15100)), Value("1510"));
  EXPECT_EQ(coerceToField(kAlpha4, Value(42)), Value("42"));
  EXPECT_EQ(coerceToField(kAlpha4, Value(true)), Value("T"));
  EXPECT_EQ(coerceToField(kAlpha4, Value(2.5)), Value("2.5"));
  EXPECT_EQ(coerceToField(kAlpha4, Value("ABCDEFG")), Value("ABCD"));
  // Memo text has no width.
  const std::string longText(5000, 'x');
  EXPECT_EQ(coerceToField(kMemo, Value(longText)), Value(longText));
}

TEST(FieldCoercion, CuttingNeverSplitsADoubleByteCharacter) {
  const std::string zhong = "\xA4\xA4", wen = "\xA4\xE5";  // two Big5 characters
  // "A" + two characters is 5 bytes: the second character would be split at 4, so it goes.
  EXPECT_EQ(coerceToField(kAlpha4, Value("A" + zhong + wen)), Value("A" + zhong));
  EXPECT_EQ(coerceToField(kAlpha4, Value(zhong + wen + "B")), Value(zhong + wen));
  EXPECT_EQ(cutToWidth("AB" + zhong, 3), "AB");
  // A trail byte that looks like an ASCII letter (0x40-0x7E) still belongs to its lead.
  const std::string gong = "\xA5\x5C";  // its trail byte is a backslash
  EXPECT_EQ(cutToWidth("ABC" + gong, 4), "ABC");
  EXPECT_EQ(cutToWidth(gong + gong + gong, 5), gong + gong);
  // A lead byte without a valid trail byte counts alone.
  EXPECT_EQ(cutToWidth("AB\xA4"
                       "1Z",
                       3),
            "AB\xA4");
  // Nothing is left of a character wider than the field: the value becomes null.
  EXPECT_TRUE(coerceToField({"T", FieldType::Alpha, 1}, Value(zhong)).isNull());
}

TEST(FieldCoercion, AWidthInCharactersHoldsThatManyDoubleByteCharacters) {
  const std::string zhong = "\xA4\xA4", wen = "\xA4\xE5";
  FieldDef chars{"T", FieldType::Alpha, 3};
  chars.sizeInCharacters = true;
  EXPECT_EQ(coerceToField(chars, Value(zhong + wen + "B")), Value(zhong + wen + "B"));
  EXPECT_EQ(coerceToField(chars, Value(zhong + wen + zhong + "B")), Value(zhong + wen + zhong));
  EXPECT_TRUE(fitsField(chars, Value(zhong + wen + "B")));
  EXPECT_FALSE(fitsField(chars, Value(zhong + wen + "BC")));
  EXPECT_FALSE(fitsField(kAlpha4, Value("A" + zhong + wen)));
  EXPECT_TRUE(fitsField(kAlpha4, Value(zhong + wen)));
  EXPECT_TRUE(fitsField(kAlpha4, Value(1234)));
  EXPECT_FALSE(fitsField(kAlpha4, Value(12345)));
}

TEST(FieldCoercion, IntegerFieldsParseTextAndCheckTheirRange) {
  EXPECT_EQ(coerceToField(kLong, Value(" 15100 ")), Value(15100));
  EXPECT_EQ(coerceToField(kLong, Value(2.5)), Value(2));
  EXPECT_EQ(coerceToField(kLong, Value(true)), Value(1));
  EXPECT_EQ(coercionError(kLong, Value("15x")), ErrorKind::Conversion);
  EXPECT_EQ(coercionError(kLong, Value("1.5")), ErrorKind::Conversion);
  EXPECT_EQ(coercionError(kLong, Value(int64_t{1} << 31)), ErrorKind::Conversion);
  EXPECT_EQ(coerceToField(kShort, Value(-32768)), Value(-32768));
  EXPECT_EQ(coercionError(kShort, Value(32768)), ErrorKind::Conversion);
  EXPECT_EQ(coercionError(kLong, Value(*makeDate(2000, 1, 1))), ErrorKind::Conversion);
}

TEST(FieldCoercion, NumberAndDecimalFields) {
  EXPECT_EQ(coerceToField(kNumber, Value("12.5")), Value(12.5));
  EXPECT_EQ(coerceToField(kNumber, Value(3)), Value(3.0));
  EXPECT_EQ(coercionError(kNumber, Value("twelve")), ErrorKind::Conversion);
  const FieldDef bcd{"Amount", FieldType::Bcd, 2};
  EXPECT_EQ(coerceToField(bcd, Value(" +12.340 ")), Value(Decimal{"12.340"}));
  EXPECT_EQ(coerceToField(bcd, Value(7)), Value(Decimal{"7"}));
  EXPECT_EQ(coerceToField(bcd, Value(0.25)), Value(Decimal{"0.25"}));
  EXPECT_EQ(coercionError(bcd, Value("1,5")), ErrorKind::Conversion);
}

TEST(FieldCoercion, LogicalFieldsTakeBooleansAndTheirWords) {
  for (const char* yes : {"T", "t", "True", "TRUE", " Y ", "yes", "1"}) {
    EXPECT_EQ(coerceToField(kLogical, Value(yes)), Value(true)) << yes;
  }
  for (const char* no : {"F", "False", "n", "NO", "0"}) {
    EXPECT_EQ(coerceToField(kLogical, Value(no)), Value(false)) << no;
  }
  EXPECT_EQ(coerceToField(kLogical, Value(false)), Value(false));
  EXPECT_EQ(coerceToField(kLogical, Value(5)), Value(true));
  EXPECT_EQ(coercionError(kLogical, Value("maybe")), ErrorKind::Conversion);
}

TEST(FieldCoercion, CalendarFieldsParseTheirText) {
  const FieldDef date{"D", FieldType::Date, 0}, time{"T", FieldType::Time, 0},
      stamp{"S", FieldType::Timestamp, 0};
  EXPECT_EQ(coerceToField(date, Value("2013-09-05")), Value(*makeDate(2013, 9, 5)));
  EXPECT_EQ(coerceToField(date, Value("2013-09-05 10:00:00")), Value(*makeDate(2013, 9, 5)));
  EXPECT_EQ(coerceToField(time, Value("10:00:01")), Value(Time{36001000}));
  EXPECT_EQ(coerceToField(stamp, Value(*makeDate(2013, 9, 5))).asString(), "2013-09-05 00:00:00");
  EXPECT_EQ(coercionError(date, Value("2013-02-30")), ErrorKind::Conversion);
  EXPECT_EQ(coercionError(time, Value(12)), ErrorKind::Conversion);
}

TEST(FieldCoercion, BinaryFieldsHoldBytes) {
  const FieldDef blob{"Pic", FieldType::Graphic, 10};
  EXPECT_EQ(coerceToField(blob, Value(std::string("\0\1\2", 3))),
            Value(Bytes{std::string("\0\1\2", 3)}));
  EXPECT_TRUE(coerceToField(blob, Value(Bytes{})).isNull());
  EXPECT_EQ(coercionError(blob, Value(3)), ErrorKind::Conversion);
}

TEST(FieldCoercion, SearchValuesAreNotCut) {
  EXPECT_EQ(coerceForSearch(kAlpha4, Value("ABCDE")), Value("ABCDE"));
  EXPECT_EQ(coerceForSearch(kLong, Value("12")), Value(12));
}

}  // namespace
}  // namespace kvt
