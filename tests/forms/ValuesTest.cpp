// The value encodings of form files and the padding helpers.
#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "forms/FormFileValues.h"
#include "forms/TextPadding.h"

namespace kvt::forms {
namespace {

using testing::FileBytes;

TEST(FormFileValues, StrLengthsOfZeroOrLessAreEmptyAndConsumeOnlyTheLength) {
  for (const char* bytes : {"\x00\x00"
                            "AB",
                            "\xFF\xFF"
                            "AB",
                            "\x00\x80"
                            "AB"}) {
    const std::string b(bytes, 4);
    ValueReader in(b);
    EXPECT_EQ(in.ReadStr(), "");
    EXPECT_EQ(in.position(), 2u);
    EXPECT_FALSE(in.overrun());
  }
}

TEST(FormFileValues, StrCutShortIsPaddedWithSpacesAndMarksTheOverrun) {
  const std::string b(
      "\x05\x00"
      "AB",
      4);
  ValueReader in(b);
  EXPECT_EQ(in.ReadStr(), "AB   ");
  EXPECT_TRUE(in.overrun());
  EXPECT_EQ(in.remaining(), 0u);
  // Without a copy there is nothing to pad: the text is empty.
  ValueReader view(b);
  EXPECT_EQ(view.ReadStrView(), "");
  EXPECT_TRUE(view.overrun());
}

TEST(FormFileValues, ReadsPastTheEndYieldEmptyValuesAndMarkTheOverrun) {
  const std::string one("\x01", 1);
  ValueReader a(one);
  EXPECT_EQ(a.ReadStr(), "");
  EXPECT_TRUE(a.overrun());
  ValueReader b(one);
  EXPECT_EQ(b.ReadInt(), 0);
  EXPECT_TRUE(b.overrun());
  ValueReader c("");
  EXPECT_EQ(c.ReadByte(), 0);
  EXPECT_TRUE(c.overrun());
}

TEST(FormFileValues, WritesLittleEndianNumbersAndLengthPrefixedText) {
  std::string out;
  ValueWriter w(out);
  w.WriteStr("");
  w.WriteStr("AB");
  w.WriteInt(-2);
  w.WriteFloat(1.5);
  w.WriteByte(7);
  w.WriteBool(true);
  const std::string expected(
      "\x00\x00"
      "\x02\x00"
      "AB"
      "\xFE\xFF\xFF\xFF"
      "\x00\x00\x00\x00\x00\x00\xF8\x3F"
      "\x07\x01",
      20);
  EXPECT_EQ(out, expected);

  ValueReader in(out);
  EXPECT_EQ(in.ReadStr(), "");
  const std::string_view ab = ValueReader(out, 2).ReadStrView();
  EXPECT_EQ(ab, "AB");
  EXPECT_EQ(ab.data(), out.data() + 4);  // the text where it stands in the bytes
  EXPECT_EQ(in.ReadStr(), "AB");
  EXPECT_EQ(in.ReadInt(), -2);
  EXPECT_EQ(in.ReadFloat(), 1.5);
  EXPECT_EQ(in.ReadByte(), 7);
  EXPECT_TRUE(in.ReadBool());
  EXPECT_FALSE(in.overrun());
  EXPECT_EQ(in.remaining(), 0u);
}

TEST(FormFileValues, AnyNonZeroByteIsTrue) {
  const std::string b("\x00\x02\xFF", 3);
  ValueReader in(b);
  EXPECT_FALSE(in.ReadBool());
  EXPECT_TRUE(in.ReadBool());
  EXPECT_TRUE(in.ReadBool());
}

TEST(FormFileValues, NullableBooleansCarryAPresenceByte) {
  std::string out;
  ValueWriter w(out);
  w.WriteNullableBool(Value::null());
  w.WriteNullableBool(Value(false));
  w.WriteNullableBool(Value(true));
  EXPECT_EQ(out, std::string("\x00\x01\x00\x01\x01", 5));

  const std::string b("\x00\x05\x00\x07\x03", 5);
  ValueReader in(b);
  EXPECT_TRUE(in.ReadNullableBool().isNull());
  EXPECT_EQ(in.ReadNullableBool(), Value(false));
  EXPECT_EQ(in.ReadNullableBool(), Value(true));
  EXPECT_EQ(in.remaining(), 0u);
}

TEST(FormFileValues, MemosGoInChunksOf2048Bytes) {
  struct Case {
    size_t length;
    std::vector<size_t> chunks;
  };
  for (const Case& c :
       {Case{0, {}}, Case{2048, {2048}}, Case{2049, {2048, 1}}, Case{5000, {2048, 2048, 904}}}) {
    std::string text;
    for (size_t i = 0; i < c.length; ++i) text.push_back(char('a' + i % 26));
    std::string out;
    ValueWriter(out).WriteMemo(text);

    FileBytes expected;
    expected.i32(int32_t(c.length));
    size_t at = 0;
    for (size_t n : c.chunks) {
      expected.str(std::string_view(text).substr(at, n));
      at += n;
    }
    EXPECT_EQ(out, expected.bytes()) << c.length;

    ValueReader in(out);
    EXPECT_EQ(in.ReadMemo(), text) << c.length;
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_FALSE(in.overrun());
  }
}

TEST(FormFileValues, MemoReaderCountsChunksByTheTotalNotByTheirOwnLengths) {
  // 3000 bytes announced: the first chunk counts 2048 whatever it holds, the second ends the
  // memo; what follows is not part of it.
  FileBytes b;
  b.i32(3000).str("first").str("second").str("after");
  ValueReader in(b.bytes());
  EXPECT_EQ(in.ReadMemo(), "firstsecond");
  EXPECT_EQ(in.ReadStr(), "after");

  FileBytes negative;
  negative.i32(-5).str("x");
  ValueReader n(negative.bytes());
  EXPECT_EQ(n.ReadMemo(), "");
  EXPECT_EQ(n.ReadStr(), "x");
}

TEST(FormFileValues, AMemoLongerThanTheRestOfTheFileIsAnOverrun) {
  // Two billion bytes would need a million chunks; four bytes remain.
  FileBytes b;
  b.i32(2000000000).str("ab");
  ValueReader in(b.bytes());
  in.ReadMemo();
  EXPECT_TRUE(in.overrun());
}

TEST(FormFileValues, TextLongerThanAStrCanSayIsRefused) {
  std::string out;
  ValueWriter w(out);
  EXPECT_THROW(w.WriteStr(std::string(40000, 'x')), std::length_error);
  EXPECT_NO_THROW(w.WriteStr(std::string(32767, 'x')));
}

TEST(TextPadding, PadRightFillsWithSpacesAndNeverCuts) {
  EXPECT_EQ(PadRight("AB", 5), "AB   ");
  EXPECT_EQ(PadRight("ABCDEF", 5), "ABCDEF");
  EXPECT_EQ(PadRight("", 3), "   ");
  EXPECT_EQ(PadRight("AB", -1), "AB");
  // Widths count bytes, as the tables do: a two-byte character takes two.
  EXPECT_EQ(PadRight("\xA4\xA4", 3), "\xA4\xA4 ");
  EXPECT_EQ(Spaces(3), "   ");
  EXPECT_EQ(Spaces(0), "");
  EXPECT_EQ(Spaces(-4), "");
}

}  // namespace
}  // namespace kvt::forms
