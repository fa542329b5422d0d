// Filling a table with whole rows: values converted exactly as a handle's set converts them,
// rows refused without a trace, the cursor left alone, and a store filled in key order that
// still refuses keys it already holds.
#include <gtest/gtest.h>

#include <limits>

#include "TestTables.h"
#include "schema/KeyedRowStore.h"

namespace kvt::testing {
namespace {

using Keys = std::vector<std::string>;

Row appRow(Value mode, Value seq, Value name = {}, Value flag = {}) {
  return {std::move(mode), std::move(seq), std::move(name), std::move(flag)};
}

class TableAddRow : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.createTable("XMLApp", xmlAppSchema());
    t_.open();
  }
  // The row as a handle that walks to it reads it back.
  Row rowOf(const std::string& mode, int seq) {
    Table reader(db_, "XMLApp");
    reader.open(OpenMode::ReadOnly);
    EXPECT_TRUE(reader.locate("Mode;SEQ", {Value(mode), Value(seq)})) << mode << "/" << seq;
    Row row;
    for (int i = 0; i < reader.fieldCount(); ++i) row.push_back(reader.get(i));
    return row;
  }
  MemoryDatabase db_;
  Table t_{db_, "XMLApp"};
};

TEST_F(TableAddRow, ConvertsValuesAsSetDoes) {
  // Text for a number, a Boolean given as text, a name wider than its field, an empty text.
  ASSERT_TRUE(
      t_.addRow(appRow(Value("X102"), Value("7"), Value(std::string(25, 'n')), Value("T"))));
  ASSERT_TRUE(t_.addRow(appRow(Value("X102"), Value(8.0), Value(""), Value(int64_t{0}))));

  Table viaSet(db_, "XMLApp");
  viaSet.open();
  viaSet.append();
  viaSet.set("Mode", Value("X602"));
  viaSet.set("SEQ", Value("7"));
  viaSet.set("Name", Value(std::string(25, 'n')));
  viaSet.set("Flag", Value("T"));
  viaSet.post();
  viaSet.close();

  const Row added = rowOf("X102", 7);
  Row set = rowOf("X602", 7);
  set[0] = added[0];
  EXPECT_EQ(added, set);
  EXPECT_EQ(added[1], Value(int64_t{7}));
  EXPECT_EQ(added[2].asString(), std::string(18, 'n'));
  EXPECT_EQ(added[3], Value(true));

  const Row second = rowOf("X102", 8);
  EXPECT_EQ(second[1], Value(int64_t{8}));
  EXPECT_TRUE(second[2].isNull());
  EXPECT_EQ(second[3], Value(false));
}

TEST_F(TableAddRow, RefusedRowsLeaveTheTableAsItWas) {
  ASSERT_TRUE(t_.addRow(appRow(Value("X102"), Value(1), Value("first"))));
  EXPECT_FALSE(t_.addRow(appRow(Value("X102"), Value(1), Value("again"))));  // key taken
  EXPECT_FALSE(t_.addRow(appRow(Value("X102"), Value("one"))));              // not a number
  EXPECT_FALSE(t_.addRow(appRow(Value("X102"), Value(int64_t{1} << 40))));   // beyond a Long
  EXPECT_EQ(walkKeys(t_), (Keys{"X102/1"}));
  EXPECT_EQ(rowOf("X102", 1)[2].asString(), "first");
  // A row of the wrong width is a caller's mistake, not a refused row.
  EXPECT_THROW(t_.addRow(Row{Value("X102")}), EngineError);
}

TEST_F(TableAddRow, ManyRowsAtOnceCountTheRefusedOnesAndStoreTheRest) {
  ASSERT_TRUE(t_.addRow(appRow(Value("X102"), Value(1), Value("first"))));
  EXPECT_EQ(t_.addRows({appRow(Value("X102"), Value("3"), Value(std::string(25, 'n'))),
                        appRow(Value("X102"), Value(1), Value("again")),  // key taken
                        appRow(Value("X102"), Value("one")),              // not a number
                        appRow(Value("X102"), Value(2)),
                        appRow(Value("X102"), Value(2))}),  // key taken by the row before
            3u);
  EXPECT_EQ(walkKeys(t_), (Keys{"X102/1", "X102/2", "X102/3"}));
  EXPECT_EQ(rowOf("X102", 3)[2].asString(), std::string(18, 'n'));
  EXPECT_EQ(rowOf("X102", 1)[2].asString(), "first");
  EXPECT_THROW(t_.addRows({Row{Value("X102")}}), EngineError);
}

TEST_F(TableAddRow, KeepsTheCursorAndSettlesAPendingChange) {
  addApp(t_, "X102", 5, "five");
  t_.first();
  t_.append();
  t_.set("Mode", Value("X102"));
  t_.set("SEQ", Value(9));
  ASSERT_TRUE(t_.addRow(appRow(Value("X001"), Value(1))));
  EXPECT_EQ(t_.state(), Table::State::Browse);
  // The pending row was posted first, and the cursor stays on it.
  EXPECT_EQ(t_.getString("Mode") + "/" + std::to_string(t_.getInt("SEQ")), "X102/9");
  EXPECT_EQ(walkKeys(t_), (Keys{"X001/1", "X102/5", "X102/9"}));
}

TEST_F(TableAddRow, ReadOnlyHandlesRefuse) {
  t_.close();
  t_.open(OpenMode::ReadOnly);
  try {
    t_.addRow(appRow(Value("X102"), Value(1)));
    ADD_FAILURE() << "a read-only handle stored a row";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Locked);
  }
}

// storedAsIs lets values skip the conversion; whatever it lets through, converting would not
// have changed.
TEST(StoredAsIs, NeverSkipsAConversionThatWouldChangeTheValue) {
  const std::vector<FieldDef> fields = {
      {"A", FieldType::Alpha, 4},  {"W", FieldType::Alpha, 0}, {"M", FieldType::Memo, 0},
      {"S", FieldType::Short, 0},  {"L", FieldType::Long, 0},  {"I", FieldType::AutoInc, 0},
      {"N", FieldType::Number, 0}, {"$", FieldType::Money, 0}, {"B", FieldType::Logical, 0},
      {"D", FieldType::Date, 0},   {"C", FieldType::Bcd, 0},   {"Y", FieldType::Bytes, 2}};
  const std::vector<Value> values = {Value(),
                                     Value(""),
                                     Value("abcd"),
                                     Value("abcde"),
                                     Value("\xA4\x40\xA4\x40\xA4"),
                                     Value("12"),
                                     Value(true),
                                     Value(int64_t{0}),
                                     Value(int64_t{32767}),
                                     Value(int64_t{32768}),
                                     Value(int64_t{-32769}),
                                     Value(int64_t{std::numeric_limits<int32_t>::max()} + 1),
                                     Value(2.5),
                                     Value(Date{700000}),
                                     Value(Decimal{"1.50"}),
                                     Value(Bytes{"xyz"})};
  int skipped = 0;
  for (const FieldDef& field : fields) {
    for (const Value& v : values) {
      if (!storedAsIs(field, v)) continue;
      ++skipped;
      EXPECT_EQ(coerceToField(field, v), v) << field.name << " " << v.asString();
    }
  }
  // Values of the field's own kind are the ones that skip.
  EXPECT_TRUE(storedAsIs(fields[0], Value("abcd")));
  EXPECT_FALSE(storedAsIs(fields[0], Value("abcde")));
  EXPECT_FALSE(storedAsIs(fields[0], Value("")));
  EXPECT_TRUE(storedAsIs(fields[3], Value(int64_t{32767})));
  EXPECT_FALSE(storedAsIs(fields[3], Value(int64_t{32768})));
  EXPECT_FALSE(storedAsIs(fields[4], Value(2.5)));
  EXPECT_GT(skipped, 10);
}

TableSchema keyedSchema() {
  TableSchema s;
  s.fields = {{"K", FieldType::Long, 0}, {"V", FieldType::Alpha, 10}};
  s.indexes = {{"", {"K"}, true, true, false}};
  return s;
}

Row kv(int64_t k, std::string v = "v") {
  return {Value(k), Value(std::move(v))};
}

TEST(KeyedRowStoreInOrder, RowsAfterTheLastStillMeetEveryRule) {
  KeyedRowStore store("T", keyedSchema());
  for (int64_t k = 1; k <= 2000; ++k) EXPECT_EQ(store.insert(kv(k * 2)), size_t(k - 1));
  // The same key as the last row, and one inside, are still refused.
  EXPECT_THROW(store.insert(kv(4000, "again")), EngineError);
  EXPECT_THROW(store.insert(kv(1000, "again")), EngineError);
  EXPECT_EQ(store.insert(kv(999)), 499u);
  EXPECT_EQ(store.insert(kv(5000)), 2001u);
  ASSERT_EQ(store.size(), 2002u);
  for (size_t i = 1; i < store.size(); ++i) {
    ASSERT_LT(store.row(i - 1)[0].asInt(), store.row(i)[0].asInt()) << i;
  }
  EXPECT_EQ(store.row(2000)[0].asInt(), 4000);
  EXPECT_EQ(store.row(2000)[1].asString(), "v");
}

TEST(KeyedRowStoreInOrder, ATableReadOutOfOrderStillRefusesItsKeys) {
  // Rows of a file written under another order: the largest key is not the last row.
  KeyedRowStore store("T", keyedSchema(), {kv(1), kv(9), kv(3)});
  EXPECT_THROW(store.insert(kv(9, "again")), EngineError);
  EXPECT_NO_THROW(store.insert(kv(4)));
  EXPECT_THROW(store.insert(kv(4, "again")), EngineError);
  EXPECT_EQ(store.size(), 4u);
}

}  // namespace
}  // namespace kvt::testing
