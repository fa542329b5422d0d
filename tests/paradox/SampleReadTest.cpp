// Reading the sample tables (levels 3 to 7, every field type) against what is known of
// their contents, and against pxlib for the field types it reads.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/paradox/FileOps.h"
#include "engine/paradox/IndexFile.h"
#include "engine/paradox/TableStorage.h"
#include "tests/paradox/TestSupport.h"

namespace kvt::paradox {
namespace {

using test::samplesDir;

StoredTable load(const std::string& subdir, const std::string& table) {
  return loadTable(defaultFileOps(), samplesDir() / subdir, table, false);
}

double decimalValue(const Value& v) {
  return std::stod(v.get<Decimal>()->text);
}

TEST(SampleRead, EveryTableAgreesWithPxlibOnTheTypesItReads) {
  KVT_REQUIRE_SAMPLES();
  const auto tables = test::sampleTables();
  ASSERT_GT(tables.size(), 50u);
  for (const auto& [subdir, stem] : tables) {
    SCOPED_TRACE(subdir + "/" + stem);
    const StoredTable t = load(subdir, stem);
    EXPECT_EQ(t.image.rows.size(), t.image.format.db.recordCount);
    test::expectPxlibAgrees(t);
  }
}

TEST(SampleRead, TableLevelsAndLayouts) {
  KVT_REQUIRE_SAMPLES();
  const StoredTable films = load("mtdemo", "FILMS");
  EXPECT_EQ(tableLevel(films.image.format.db), 3);
  EXPECT_EQ(films.image.rows.size(), 36u);  // its chain skips a free block
  EXPECT_EQ(films.image.format.db.headerSize, 305u);
  const StoredTable date35 = load("fields", "date35");
  EXPECT_EQ(tableLevel(date35.image.format.db), 35);
  const StoredTable county = load("geog", "County");
  EXPECT_EQ(tableLevel(county.image.format.db), 7);
  EXPECT_EQ(county.image.format.db.blockSize(), 16384u);
  EXPECT_EQ(county.image.rows.size(), 3218u);
  const StoredTable general = load("db", "GENERAL");
  EXPECT_EQ(general.image.format.db.codePage, 936u);
  EXPECT_EQ(general.image.format.db.sortOrderName, "china");
  const StoredTable server = load("db", "server.db");  // any case, with or without .DB
  ASSERT_EQ(server.image.schema.indexes.size(), 1u);
  EXPECT_EQ(server.image.schema.indexes[0].fields, (std::vector<std::string>{"REQTYPE", "URI"}));
}

TEST(SampleRead, KeyedTablesComeInPrimaryIndexOrder) {
  KVT_REQUIRE_SAMPLES();
  for (const auto& [subdir, stem] : test::sampleTables()) {
    const StoredTable t = load(subdir, stem);
    if (t.image.format.db.keyFieldCount == 0 || !t.files.px) continue;
    SCOPED_TRACE(subdir + "/" + stem);
    // Each block of the table starts with the key its index entry holds.
    const auto leaves = readIndexLeaves(test::readFile(*t.files.px));
    const std::string db = test::readFile(t.files.db);
    const uint32_t perBlockHead = t.image.format.db.headerSize;
    for (const auto& e : leaves) {
      const size_t at = perBlockHead + (e.block - 1) * size_t{t.image.format.db.blockSize()} + 6;
      EXPECT_EQ(db.substr(at, e.key.size()), e.key);
    }
  }
}

TEST(SampleRead, BcdValuesAsStored) {
  KVT_REQUIRE_SAMPLES();
  const auto rows = load("fields", "bcd").image.rows;
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0].get<Decimal>()->text, "1.23");
  EXPECT_EQ(rows[0][1].get<Decimal>()->text, "1");
  EXPECT_NEAR(decimalValue(rows[0][2]), 0.123, 0.001);
  EXPECT_EQ(rows[1][0].get<Decimal>()->text, "-1.23");
  EXPECT_EQ(rows[1][1].get<Decimal>()->text, "-1");
  EXPECT_NEAR(decimalValue(rows[1][2]), -0.123, 0.001);
  EXPECT_EQ(rows[2][0].get<Decimal>()->text, "0.00");
  EXPECT_TRUE(rows[2][1].isNull());
  EXPECT_NEAR(decimalValue(rows[2][2]), 0.9999, 0.001);
}

TEST(SampleRead, MemoAndFormattedMemoContents) {
  KVT_REQUIRE_SAMPLES();
  const auto memo = load("fields", "memo").image.rows;
  ASSERT_EQ(memo.size(), 2u);
  EXPECT_EQ(memo[0][0], Value(1));
  EXPECT_EQ(memo[0][1].get<std::string>()->size(), 555u);  // in the blob file
  EXPECT_EQ(memo[1][1], Value("01234567890\n"));           // in the leader alone
  const auto fmemo = load("fields", "fmemo").image.rows;
  ASSERT_EQ(fmemo.size(), 2u);
  EXPECT_EQ(fmemo[0][1].get<std::string>()->size(), 169u);
  EXPECT_EQ(fmemo[1][1].get<std::string>()->size(), 726u);
  EXPECT_NE(fmemo[0][1].get<std::string>()->find("Arial"), std::string::npos);

  const auto customer = load("db", "CUSTOMER").image.rows;
  const int comments = 8;
  EXPECT_EQ(customer[0][comments], Value("Small comment (less 100 symbols)"));
  const std::string second = *customer[1][comments].get<std::string>();
  EXPECT_EQ(second.size(), 518u);
  EXPECT_EQ(second.rfind("\tThe length of the", 0), 0u);
  EXPECT_TRUE(second.ends_with("later in this document."));
  EXPECT_EQ(customer[2][comments].get<std::string>()->size(), 318u);
  EXPECT_EQ(customer[2][comments].get<std::string>()->rfind("mvn", 0), 0u);
  EXPECT_EQ(customer[3][comments].get<std::string>()->size(), 56864u);  // a block of its own
  EXPECT_EQ(customer[4][comments].get<std::string>()->size(), 426u);
}

TEST(SampleRead, GraphicIsTheWholePicture) {
  KVT_REQUIRE_SAMPLES();
  const auto rows = load("fields", "graphic240").image.rows;
  ASSERT_EQ(rows.size(), 1u);
  const std::string& bmp = rows[0][1].get<Bytes>()->data;
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  // The picture's own header gives its file size, and its pixel rows fill the rest.
  const uint32_t declared = static_cast<uint8_t>(bmp[2]) | static_cast<uint8_t>(bmp[3]) << 8 |
                            static_cast<uint8_t>(bmp[4]) << 16 | static_cast<uint8_t>(bmp[5]) << 24;
  EXPECT_EQ(declared, bmp.size());
  EXPECT_EQ(bmp.size(), 20078u);
}

TEST(SampleRead, CalendarAndLogicalValues) {
  KVT_REQUIRE_SAMPLES();
  const auto date7 = load("fields", "date7").image.rows;
  ASSERT_EQ(date7.size(), 5u);
  EXPECT_EQ(date7[0][0], Value(Date{736695}));  // 2018-01-01
  EXPECT_EQ(date7[0][1], Value(Time{10 * 3600000}));
  EXPECT_TRUE(date7[3][0].isNull());
  EXPECT_TRUE(date7[4][1].isNull());
  const auto ts = load("fields", "timestamp").image.rows;
  ASSERT_EQ(ts.size(), 2u);
  EXPECT_TRUE(ts[0][0].isNull());
  // 2020-02-01 01:00:01 counted from the start of 0001-01-01.
  EXPECT_EQ(ts[1][0], Value(Timestamp{(737456.0 - 1) * 86400000 + 3601000}));
  const auto logical = load("fields", "logical").image.rows;
  ASSERT_EQ(logical.size(), 4u);
  EXPECT_EQ(logical[0][0], Value(true));
  EXPECT_EQ(logical[1][0], Value(false));
  const auto bytes = load("fields", "bytes").image.rows;
  EXPECT_EQ(bytes[0][0], Value(Bytes{std::string("1\0"
                                                 "2\0"
                                                 "3",
                                                 5)}));
  const auto decimal = load("db", "DECIMAL").image.rows;
  EXPECT_EQ(decimal[0][0], Value(-200.0));
  EXPECT_EQ(decimal[3][0], Value(1.0));
}

TEST(SampleRead, SecondaryIndexDefinitions) {
  KVT_REQUIRE_SAMPLES();
  const auto c = load("joins", "C").image.schema;
  ASSERT_EQ(c.indexes.size(), 3u);
  EXPECT_TRUE(c.indexes[0].primary);
  EXPECT_EQ(c.indexes[1].name, "A");
  EXPECT_EQ(c.indexes[2].fields, std::vector<std::string>{"B"});
  const auto fk4 = load("joins", "fk4").image.schema;
  ASSERT_EQ(fk4.indexes.size(), 2u);
  EXPECT_EQ(fk4.indexes[1].name, "reference");
  EXPECT_EQ(fk4.indexes[1].fields, (std::vector<std::string>{"FK1", "FK"}));
}

}  // namespace
}  // namespace kvt::paradox
