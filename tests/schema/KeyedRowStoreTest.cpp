// The in-memory row store: key order however rows arrive, duplicate keys refused without
// change, rows moved when their key changes, and tables read in an order of their own.
#include <gtest/gtest.h>

#include <memory>

#include <algorithm>
#include <random>
#include <set>

#include "schema/EngineError.h"
#include "schema/KeyedRowStore.h"

namespace kvt {
namespace {

TableSchema keyedSchema() {
  TableSchema s;
  s.fields = {
      {"Mode", FieldType::Alpha, 10}, {"SEQ", FieldType::Long, 0}, {"Name", FieldType::Alpha, 10}};
  s.indexes = {{"", {"Mode", "SEQ"}, true, true, false}};
  return s;
}

Row appRow(Value mode, int64_t seq, std::string name = "") {
  return {std::move(mode), Value(seq), name.empty() ? Value() : Value(name)};
}

std::vector<std::pair<std::string, int64_t>> keysOf(const KeyedRowStore& s) {
  std::vector<std::pair<std::string, int64_t>> keys;
  for (size_t i = 0; i < s.size(); ++i) {
    keys.emplace_back(s.row(i)[0].asString(), s.row(i)[1].asInt());
  }
  return keys;
}

TEST(CompareStoredValues, NullFirstThenByKind) {
  EXPECT_LT(compareStoredValues(Value(), Value("")), 0);
  EXPECT_LT(compareStoredValues(Value(), Value(int64_t{-5})), 0);
  EXPECT_EQ(compareStoredValues(Value(), Value()), 0);
  EXPECT_LT(compareStoredValues(Value("Z"), Value("a")), 0);         // bytes
  EXPECT_LT(compareStoredValues(Value("z"), Value("\xA4\x40")), 0);  // 0xA4 > 'z'
  EXPECT_LT(compareStoredValues(Value("ab"), Value("abc")), 0);
  EXPECT_LT(compareStoredValues(Value(int64_t{9}), Value(int64_t{10})), 0);
  EXPECT_LT(compareStoredValues(Value(int64_t{-10}), Value(int64_t{-9})), 0);
  EXPECT_LT(compareStoredValues(Value(2.5), Value(10.0)), 0);
  EXPECT_LT(compareStoredValues(Value(false), Value(true)), 0);
  EXPECT_LT(compareStoredValues(Value(Date{100}), Value(Date{200})), 0);
  EXPECT_LT(compareStoredValues(Value(Decimal{"9.5"}), Value(Decimal{"10"})), 0);
  EXPECT_EQ(compareStoredValues(Value(Decimal{"1.0"}), Value(Decimal{"1.00"})), 0);
  // Large integers are compared exactly, not through doubles.
  EXPECT_LT(compareStoredValues(Value(int64_t{(1LL << 60) + 1}), Value(int64_t{(1LL << 60) + 2})),
            0);
}

TEST(KeyedRowStore, RandomInsertsEndInKeyOrder) {
  KeyedRowStore store("XMLApp", keyedSchema());
  std::vector<std::pair<std::string, int64_t>> expected;
  const char* modes[] = {"X102", "X602", "X602No", "X903", "\xA4\xA4"};
  for (const char* m : modes) {
    for (int64_t seq = -50; seq < 1950; ++seq) expected.emplace_back(m, seq);
  }
  std::vector<size_t> order(expected.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  for (size_t i : order) {
    const size_t pos = store.insert(appRow(Value(expected[i].first), expected[i].second));
    // The returned position holds the row just added.
    ASSERT_EQ(store.row(pos)[1].asInt(), expected[i].second);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(keysOf(store), expected);
}

TEST(KeyedRowStore, DuplicateKeysAreRefusedAndChangeNothing) {
  KeyedRowStore store("XMLApp", keyedSchema());
  store.insert(appRow(Value("X102"), 1, "one"));
  store.insert(appRow(Value("X102"), 2, "two"));
  const uint64_t before = store.changeCount();
  try {
    store.insert(appRow(Value("X102"), 1, "again"));
    FAIL() << "a duplicate key was stored";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::DuplicateKey);
    EXPECT_NE(std::string(e.what()).find("XMLApp"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("SEQ=1"), std::string::npos) << e.what();
  }
  // Moving a row onto another row's key is refused the same way.
  EXPECT_THROW(store.update(1, appRow(Value("X102"), 1, "moved")), EngineError);
  EXPECT_EQ(store.changeCount(), before);
  EXPECT_EQ(store.size(), 2u);
  EXPECT_EQ(store.row(0)[2], Value("one"));
  EXPECT_EQ(store.row(1)[2], Value("two"));
  // Null key values are values too: a second null key is a duplicate.
  store.insert(appRow(Value(), 1));
  EXPECT_THROW(store.insert(appRow(Value(), 1)), EngineError);
  EXPECT_EQ(store.row(0)[0], Value());
}

TEST(KeyedRowStore, AChangedKeyMovesTheRow) {
  KeyedRowStore store("T", keyedSchema());
  for (int64_t seq : {10, 20, 30, 40}) store.insert(appRow(Value("A"), seq));
  EXPECT_EQ(store.update(3, appRow(Value("A"), 15, "moved")), 1u);
  EXPECT_EQ(store.row(1)[2], Value("moved"));
  // An unchanged key keeps its place.
  EXPECT_EQ(store.update(0, appRow(Value("A"), 10, "same")), 0u);
  EXPECT_EQ(keysOf(store), (std::vector<std::pair<std::string, int64_t>>{
                               {"A", 10}, {"A", 15}, {"A", 20}, {"A", 30}}));
}

TEST(KeyedRowStore, UnkeyedRowsKeepTheirOrder) {
  TableSchema s;
  s.fields = {{"Line", FieldType::Long, 0}};
  KeyedRowStore store("Log", s);
  size_t expectedPos = 0;
  for (int64_t v : {3, 1, 2, 1}) EXPECT_EQ(store.insert({Value(v)}), expectedPos++);
  store.remove(1);
  store.update(0, {Value(int64_t{9})});
  std::vector<int64_t> seen;
  for (size_t i = 0; i < store.size(); ++i) seen.push_back(store.row(i)[0].asInt());
  EXPECT_EQ(seen, (std::vector<int64_t>{9, 2, 1}));
}

TEST(KeyedRowStore, ManyRemovalsKeepPositionsRight) {
  // Enough rows for many chunks; remove every third, then check every position.
  KeyedRowStore store("T", keyedSchema());
  for (int64_t i = 0; i < 5000; ++i) store.insert(appRow(Value("M"), i));
  std::vector<int64_t> expected;
  for (int64_t i = 0; i < 5000; ++i) {
    if (i % 3 != 0) expected.push_back(i);
  }
  for (size_t pos = 0; pos < store.size();) {
    if (store.row(pos)[1].asInt() % 3 == 0) {
      store.remove(pos);
    } else {
      ++pos;
    }
  }
  // Walking backwards and jumping about reads the same rows.
  ASSERT_EQ(store.size(), expected.size());
  for (size_t pos = store.size(); pos-- > 0;) ASSERT_EQ(store.row(pos)[1].asInt(), expected[pos]);
  std::mt19937 rng(3);
  for (int k = 0; k < 2000; ++k) {
    const size_t pos = rng() % store.size();
    ASSERT_EQ(store.row(pos)[1].asInt(), expected[pos]);
  }
  while (store.size() > 0) store.remove(store.size() / 2);
  store.insert(appRow(Value("M"), 1));
  EXPECT_EQ(store.size(), 1u);
}

TEST(KeyedRowStore, FindAndSeekUseTheKeyOrder) {
  KeyedRowStore store("T", keyedSchema());
  for (const char* m : {"A", "B", "C"}) {
    for (int64_t i = 1; i <= 3; ++i) store.insert(appRow(Value(m), i));
  }
  EXPECT_EQ(store.seekKey({Value("B")}), 3u);
  EXPECT_EQ(store.seekKey({Value("B"), Value(int64_t{3})}), 5u);
  EXPECT_EQ(store.seekKey({Value("BB")}), 6u);
  EXPECT_EQ(store.seekKey({Value("Z")}), 9u);
  EXPECT_EQ(store.find(appRow(Value("C"), 2, "whatever"), 0), 7u);
  EXPECT_EQ(store.find(appRow(Value("C"), 9), 0), std::nullopt);
}

// A table read from its file, its rows handed over whole or one at a time (packed as they come).
std::unique_ptr<KeyedRowStore> readStore(const std::vector<Row>& rows, bool walked) {
  if (!walked) return std::make_unique<KeyedRowStore>("T", keyedSchema(), rows);
  return std::make_unique<KeyedRowStore>("T", keyedSchema(), [&](const auto& add) {
    for (const Row& r : rows) add(r);
  });
}

TEST(KeyedRowStore, ATableReadOutOfKeyOrderKeepsItsOrderAndItsKeys) {
  for (const bool walked : {false, true}) {
    SCOPED_TRACE(walked ? "walked" : "whole");
    // As a table written under another sort order: lower case before upper case.
    const auto owned =
        readStore({appRow(Value("a"), 1), appRow(Value("B"), 1), appRow(Value("c"), 1)}, walked);
    KeyedRowStore& store = *owned;
    EXPECT_FALSE(store.dirty());
    EXPECT_EQ(store.row(0)[0], Value("a"));
    EXPECT_EQ(store.row(1)[0], Value("B"));
    EXPECT_THROW(store.insert(appRow(Value("a"), 1)), EngineError);
    EXPECT_THROW(store.insert(appRow(Value("c"), 1)), EngineError);
    store.insert(appRow(Value("D"), 1));
    EXPECT_EQ(store.size(), 4u);
    EXPECT_TRUE(store.dirty());
    // After the row with "a" goes, its key is free again.
    store.remove(*store.find(appRow(Value("a"), 1), 0));
    EXPECT_NO_THROW(store.insert(appRow(Value("a"), 1)));
    EXPECT_THROW(store.update(*store.find(appRow(Value("c"), 1), 0), appRow(Value("D"), 1)),
                 EngineError);
    // The key of a row that changed its key is free again.
    const size_t at = *store.find(appRow(Value("B"), 1), 0);
    store.update(at, appRow(Value("B"), 2));
    EXPECT_NO_THROW(store.insert(appRow(Value("B"), 1)));
  }
}

TEST(KeyedRowStore, ReadRowsThatAreInOrderStaySearchable) {
  std::vector<Row> rows;
  for (int64_t i = 0; i < 1000; ++i) rows.push_back(appRow(Value("K"), i * 2));
  for (const bool walked : {false, true}) {
    SCOPED_TRACE(walked ? "walked" : "whole");
    const auto store = readStore(rows, walked);
    Row scratch;
    EXPECT_EQ(store->rowInto(999, scratch), rows[999]);
    EXPECT_EQ(store->insert(appRow(Value("K"), 501)), 251u);
    EXPECT_THROW(store->insert(appRow(Value("K"), 998)), EngineError);
    EXPECT_EQ(store->seekKey({Value("K"), Value(int64_t{1000})}), 501u);
    EXPECT_EQ(store->row(0), rows[0]);
  }
}

TEST(KeyedRowStore, ChangesAreCountedAndMarkTheStoreDirty) {
  KeyedRowStore store("T", keyedSchema());
  EXPECT_FALSE(store.dirty());
  const uint64_t c0 = store.changeCount();
  store.insert(appRow(Value("A"), 1));
  EXPECT_TRUE(store.dirty());
  store.markClean();
  EXPECT_FALSE(store.dirty());
  store.update(0, appRow(Value("A"), 1, "x"));
  store.remove(0);
  store.clear();
  EXPECT_EQ(store.changeCount(), c0 + 4);
  EXPECT_TRUE(store.dirty());
}

TEST(KeyedRowStore, RowsOfTheWrongShapeAreRefused) {
  KeyedRowStore store("T", keyedSchema());
  EXPECT_THROW(store.insert({Value("A")}), EngineError);
  EXPECT_THROW(store.row(0), EngineError);
  EXPECT_THROW(store.remove(0), EngineError);
}

// A fill in key order packs the chunks it passes: every kind of value comes back as it went
// in, through rowInto (chunk left packed) and row (chunk unpacked), and a packed chunk still
// takes removals, updates and inserts in its midst.
TEST(KeyedRowStore, PackedChunksGiveBackEveryValue) {
  TableSchema schema;
  schema.fields = {{"K", FieldType::Long, 0}, {"V", FieldType::Alpha, 40}};
  schema.indexes = {{"", {"K"}, true, true, false}};
  const std::vector<Value> kinds{
      Value(),
      Value(true),
      Value(int64_t{-1} << 40),
      Value(-0.25),
      Value(std::string("\xA4\x40 long enough to leave the string") + '\0'),
      Value(Date{738000}),
      Value(Time{-7}),
      Value(Timestamp{1.5e12}),
      Value(Decimal{"-12.3400"}),
      Value(Bytes{std::string("\0\xFF", 2)})};
  const auto made = [&](int64_t k) { return Row{Value(k), kinds[size_t(k) % kinds.size()]}; };
  KeyedRowStore store("T", schema);
  constexpr int64_t n = 3000;
  for (int64_t k = 0; k < n; k += 2) store.insert(made(k));
  Row scratch;
  for (size_t i = 0; i < store.size(); ++i) {
    ASSERT_EQ(store.rowInto(i, scratch), made(int64_t(i) * 2)) << i;
  }
  store.remove(10);
  store.update(20, made(43));  // the row of key 42 takes key 43
  for (int64_t k = 1; k < n; k += 200) store.insert(made(k));
  std::set<int64_t> expected;
  for (int64_t k = 0; k < n; k += 2) expected.insert(k);
  expected.erase(20);
  expected.erase(42);
  expected.insert(43);
  for (int64_t k = 1; k < n; k += 200) expected.insert(k);
  ASSERT_EQ(store.size(), expected.size());
  size_t i = 0;
  for (int64_t k : expected) {
    EXPECT_EQ(store.rowInto(i, scratch), made(k)) << k;
    EXPECT_EQ(store.row(i), made(k)) << k;
    ++i;
  }
}

// A fill at the end packs its rows as they come; looks, changes and a refused duplicate in the
// middle of it leave every row where and as it was added.
TEST(KeyedRowStore, AFillWithLooksBetweenItsRowsKeepsEveryRow) {
  TableSchema schema;
  schema.fields = {
      {"Form", FieldType::Alpha, 6}, {"SEQ", FieldType::Long, 0}, {"Text", FieldType::Alpha, 30}};
  schema.indexes = {{"", {"Form", "SEQ"}, true, true, false}};
  const auto made = [](int i, const std::string& text) {
    return Row{Value("F" + std::to_string(1000 + i / 50)), Value(i % 50), Value(text)};
  };
  KeyedRowStore store("T", schema);
  std::vector<Row> expected;
  for (int i = 0; i < 4000; ++i) {
    expected.push_back(made(i, "t" + std::to_string(i)));
    // Rows given as copies and rows the caller keeps go the same way.
    ASSERT_EQ(i % 2 ? store.insert(expected.back()) : store.insertCopy(expected.back()), size_t(i));
    if (i % 450 == 7) {
      EXPECT_EQ(store.row(size_t(i)), expected.back());  // unpacks the chunk being filled
      EXPECT_THROW(store.insert(made(i, "again")), EngineError);
      EXPECT_THROW(store.insertCopy(made(i, "again")), EngineError);
      expected[size_t(i) / 2][2] = Value("changed");
      store.update(size_t(i) / 2, expected[size_t(i) / 2]);
    }
  }
  ASSERT_EQ(store.size(), expected.size());
  Row scratch;
  for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(store.rowInto(i, scratch), expected[i]);
  for (size_t i = 0; i < expected.size(); i += 97) ASSERT_EQ(store.row(i), expected[i]);
}

}  // namespace
}  // namespace kvt
