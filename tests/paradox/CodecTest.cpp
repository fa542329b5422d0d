// The stored forms of single fields, headers and blob files.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "engine/paradox/BcdCodec.h"
#include "engine/paradox/BlobFile.h"
#include "engine/paradox/FieldCodec.h"
#include "engine/paradox/FileHeader.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

std::string encode(FieldType type, int size, const Value& v, int width) {
  std::string out(width, '\x55');
  encodeField(type, size, v, out.data(), width);
  return out;
}

Value roundTrip(FieldType type, int size, const Value& v, int width) {
  const std::string bytes = encode(type, size, v, width);
  return decodeField(type, size, bytes.data(), width);
}

TEST(FieldCodec, NumbersSortByTheirStoredBytes) {
  // The stored bytes of increasing values increase, blank lowest of all.
  const std::vector<int64_t> longs = {-2147483647, -65536, -1, 0, 1, 255, 256, 2147483647};
  std::string previous = encode(FieldType::Long, 0, Value::null(), 4);
  EXPECT_EQ(previous, std::string(4, '\0'));
  for (int64_t v : longs) {
    const std::string bytes = encode(FieldType::Long, 0, Value(v), 4);
    EXPECT_LT(std::memcmp(previous.data(), bytes.data(), 4), 0) << v;
    EXPECT_EQ(roundTrip(FieldType::Long, 0, Value(v), 4), Value(v));
    previous = bytes;
  }
  EXPECT_EQ(encode(FieldType::Short, 0, Value(1), 2), std::string("\x80\x01", 2));
  EXPECT_EQ(encode(FieldType::Short, 0, Value(-2), 2), std::string("\x7F\xFE", 2));

  const std::vector<double> doubles = {-1e300, -200.0, -1.5,  -1e-300, 0.0,
                                       1e-300, 1.0,    100.5, 1e300};
  previous = encode(FieldType::Number, 0, Value::null(), 8);
  for (double d : doubles) {
    const std::string bytes = encode(FieldType::Number, 0, Value(d), 8);
    EXPECT_LT(std::memcmp(previous.data(), bytes.data(), 8), 0) << d;
    EXPECT_EQ(roundTrip(FieldType::Money, 0, Value(d), 8), Value(d));
    previous = bytes;
  }
  EXPECT_EQ(encode(FieldType::Number, 0, Value(100.5), 8),
            std::string("\xC0\x59\x20\x00\x00\x00\x00\x00", 8));
  // An integer given for a number field is stored as a number.
  EXPECT_EQ(roundTrip(FieldType::Number, 0, Value(7), 8), Value(7.0));
}

TEST(FieldCodec, RangesAndKindsAreChecked) {
  auto kindOf = [](FieldType type, const Value& v, int width) {
    try {
      encode(type, 0, v, width);
    } catch (const EngineError& e) {
      return e.kind();
    }
    return ErrorKind::State;
  };
  // The lowest value of each width would be stored as blank.
  EXPECT_EQ(kindOf(FieldType::Short, Value(-32768), 2), ErrorKind::Conversion);
  EXPECT_EQ(kindOf(FieldType::Short, Value(32768), 2), ErrorKind::Conversion);
  EXPECT_EQ(kindOf(FieldType::Long, Value(int64_t{-2147483648LL}), 4), ErrorKind::Conversion);
  EXPECT_EQ(kindOf(FieldType::Short, Value("12"), 2), ErrorKind::Conversion);
  EXPECT_EQ(kindOf(FieldType::Logical, Value(1), 1), ErrorKind::Conversion);
  EXPECT_EQ(kindOf(FieldType::Date, Value(3), 4), ErrorKind::Conversion);
  EXPECT_EQ(kindOf(FieldType::Short, Value(-32767), 2), ErrorKind::State);
}

TEST(FieldCodec, TextLogicalAndCalendarFields) {
  EXPECT_EQ(encode(FieldType::Alpha, 5, Value("ab"), 5), std::string("ab\0\0\0", 5));
  EXPECT_EQ(roundTrip(FieldType::Alpha, 3, Value("abcdef"), 3), Value("abc"));
  EXPECT_TRUE(roundTrip(FieldType::Alpha, 3, Value(""), 3).isNull());
  // A zero byte would end the text; what follows it is not stored.
  EXPECT_EQ(roundTrip(FieldType::Alpha, 6, Value(std::string("ab\0cd", 5)), 6), Value("ab"));
  EXPECT_EQ(encode(FieldType::Logical, 0, Value(true), 1), "\x81");
  EXPECT_EQ(encode(FieldType::Logical, 0, Value(false), 1), "\x80");
  EXPECT_TRUE(roundTrip(FieldType::Logical, 0, Value::null(), 1).isNull());
  EXPECT_EQ(roundTrip(FieldType::Date, 0, Value(Date{736695}), 4), Value(Date{736695}));
  EXPECT_EQ(roundTrip(FieldType::Time, 0, Value(Time{0}), 4), Value(Time{0}));
  const Value ts(Timestamp{63716115601000.0});
  EXPECT_EQ(roundTrip(FieldType::Timestamp, 0, ts, 8), ts);
  // The stored count starts a day earlier than the value's.
  EXPECT_EQ(encode(FieldType::Timestamp, 0, Value(Timestamp{0}), 8),
            encode(FieldType::Number, 0, Value(86400000.0), 8));
  EXPECT_EQ(roundTrip(FieldType::Bytes, 4, Value(Bytes{std::string("\x01\x00\x02", 3)}), 4),
            Value(Bytes{std::string("\x01\x00\x02", 3)}));
}

TEST(BcdCodec, DigitsSignAndScale) {
  char out[kBcdWidth];
  encodeBcd("1.23", 2, out);
  EXPECT_EQ(std::string(out, 17), std::string("\xC2\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x01\x23", 17));
  EXPECT_EQ(decodeBcd(out, 2), "1.23");
  encodeBcd("-1.23", 2, out);
  EXPECT_EQ(static_cast<uint8_t>(out[0]), 0x42);
  EXPECT_EQ(static_cast<uint8_t>(out[16]), 0xDC);
  EXPECT_EQ(decodeBcd(out, 2), "-1.23");
  encodeBcd("2.345", 2, out);  // rounds half away from zero
  EXPECT_EQ(decodeBcd(out, 2), "2.35");
  encodeBcd("-0.004", 2, out);
  EXPECT_EQ(decodeBcd(out, 2), "0.00");
  encodeBcd("99999999999999999999999999999999", 0, out);
  EXPECT_EQ(decodeBcd(out, 0), "99999999999999999999999999999999");
  EXPECT_THROW(encodeBcd("1", 32, out), EngineError);  // no room for an integer digit
  EXPECT_THROW(encodeBcd("1.2.3", 2, out), EngineError);
  EXPECT_THROW(encodeBcd("abc", 2, out), EngineError);
  std::memset(out, 0, sizeof out);
  EXPECT_EQ(decodeBcd(out, 2), std::nullopt);
}

TEST(FileHeader, NewHeaderLaysOutAndReadsBack) {
  FileHeader h;
  h.fileType = 0;
  h.fileVersion = 0x0B;
  h.keyFieldCount = 1;
  h.codePage = 950;
  h.sortOrderName = "ascii";
  h.tableName = "CB2F0.DB";
  h.fields = {{0x01, 4}, {0x01, 1}, {0x04, 4}, {0x06, 8}};
  h.recordSize = 4 + 1 + 4 + 8;
  h.fieldNames = {"Code", "Type", "FieldNo", "Num"};
  layOutHeader(h);
  const std::string bytes = encodeHeader(h);
  EXPECT_EQ(bytes.size(), 2048u);
  EXPECT_EQ(h.headerEnd, 0x78 + 4 * 2 + 4 + 4 * 4 + 79 + 22 + 8 + 6);
  const FileHeader back = parseHeader(bytes);
  EXPECT_EQ(back.fields, h.fields);
  EXPECT_EQ(back.fieldNames, h.fieldNames);
  EXPECT_EQ(back.fieldNumbers, (std::vector<uint16_t>{1, 2, 3, 4}));
  EXPECT_EQ(back.sortOrderName, "ascii");
  EXPECT_EQ(back.tableName, "CB2F0.DB");
  EXPECT_EQ(back.codePage, 950u);
  EXPECT_EQ(back.namesEnd + 0x58, h.headerEnd - 8 - 6);
}

TEST(BlobFile, SharedAndOwnBlocksReadBack) {
  BlobFileWriter w;
  std::vector<std::pair<BlobPointer, std::string>> blobs;
  for (int i = 0; i < 70; ++i) {  // more than one shared block's 64 slots
    const std::string data(1 + i * 7 % 300, static_cast<char>('a' + i % 26));
    blobs.emplace_back(w.add(data), data);
  }
  const std::string big(10000, 'Z');
  blobs.emplace_back(w.add(big), big);
  const std::string file = w.finish();
  EXPECT_EQ(file.size() % 4096, 0u);
  const BlobFileReader r(file);
  for (const auto& [p, data] : blobs) EXPECT_EQ(r.read(p), data);
  EXPECT_EQ(blobs[0].first.location, 0x1000u | 63);  // slots are handed out from the top
  EXPECT_EQ(blobs.back().first.location & 0xFF, 0xFFu);
  BlobPointer wrongLength = blobs[3].first;
  ++wrongLength.length;
  EXPECT_THROW(r.read(wrongLength), EngineError);
}

}  // namespace
}  // namespace kvt::paradox
