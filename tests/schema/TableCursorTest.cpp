// Walking, filtering and locating with table handles, alone and beside other handles of the
// same table.
#include <gtest/gtest.h>

#include "TestTables.h"

namespace kvt::testing {
namespace {

using Keys = std::vector<std::string>;

class TableCursor : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.createTable("XMLApp.DB", xmlAppSchema());
    Table t(db_, "XMLApp");
    t.open();
    addApp(t, "X903", 1, "d");
    addApp(t, "X602No", 1, "c");
    addApp(t, "X602", 2, "b2");
    addApp(t, "X102", 1, "a");
    addApp(t, "X602", 1, "b1");
    t.close();
  }
  MemoryDatabase db_;
};

TEST_F(TableCursor, WalksInKeyOrderAndThroughAFilter) {
  Table t(db_, "xmlapp.db");
  t.open(OpenMode::ReadOnly);
  EXPECT_EQ(walkKeys(t), (Keys{"X102/1", "X602/1", "X602/2", "X602No/1", "X903/1"}));
  EXPECT_EQ(t.recordCount(), 5);

  t.setFilter("([Mode] = 'X602') or ([Mode] = 'X602No')");
  EXPECT_EQ(t.recordCount(), 5);  // not yet applied
  t.setFiltered(true);
  EXPECT_EQ(t.getString("Mode"), "X602");  // turning the filter on goes to the first row
  EXPECT_EQ(t.recordCount(), 3);
  EXPECT_EQ(walkKeys(t), (Keys{"X602/1", "X602/2", "X602No/1"}));

  t.setFilter("[SEQ] = 2");
  EXPECT_EQ(walkKeys(t), (Keys{"X602/2"}));
  t.setFilter("[Mode] = 'none'");
  t.first();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recordCount(), 0);
  EXPECT_TRUE(t.isNull("Mode"));  // no current row reads as blank
  t.setFiltered(false);
  EXPECT_EQ(t.recordCount(), 5);
}

TEST_F(TableCursor, AFilterSetBeforeOpeningAppliesFromTheStart) {
  Table t(db_, "XMLApp");
  t.setFilter("[Mode] = 'X903'");
  t.setFiltered(true);
  t.open();
  EXPECT_FALSE(t.eof());
  EXPECT_EQ(t.getString("Name"), "d");
  // A filter naming a missing field refuses the open and leaves the table closed.
  Table bad(db_, "XMLApp");
  bad.setFilter("[Missing] = 1");
  bad.setFiltered(true);
  EXPECT_THROW(bad.open(), EngineError);
  EXPECT_FALSE(bad.isOpen());
  EXPECT_EQ(db_.openHandles("XMLApp"), 1);
  EXPECT_THROW(t.setFilter("[Mode] = "), EngineError);
}

// A table filled in key order, most of it held packed: filtered walks, counts and locates on
// other fields see every row, and edits made during the walk stay.
TEST(TableCursorLarge, FilteredWalksOfAFilledTableSeeEveryRow) {
  MemoryDatabase db;
  db.createTable("XMLApp.DB", xmlAppSchema());
  Table t(db, "XMLApp");
  t.open();
  for (int i = 0; i < 6000; ++i)
    addApp(t, "M" + std::to_string(10000 + i / 3), i % 3, i % 97 ? "x" : "hit");
  t.setFilter("[Name] = 'hit'");
  t.setFiltered(true);
  EXPECT_EQ(t.recordCount(), 62);
  int walked = 0;
  for (t.first(); !t.eof(); t.next()) {
    ++walked;
    t.edit();
    t.set("Name", Value("done" + std::to_string(walked)));
    t.post();
  }
  EXPECT_EQ(walked, 62);
  EXPECT_EQ(t.recordCount(), 0);
  t.setFiltered(false);
  ASSERT_TRUE(t.locate("Name", {Value("done62")}));
  EXPECT_EQ(t.getString("Mode"), "M11972");  // row 5917, the last hit
  EXPECT_EQ(t.getInt("SEQ"), 1);
  t.setFilter("[SEQ] = 2");
  t.setFiltered(true);
  EXPECT_EQ(t.recordCount(), 2000);
  EXPECT_EQ(t.getString("Mode"), "M10000");
}

// A filter on an integer leading key field walks only the rows of that key, found by the
// order: what it sees must be what a look at every row sees, through edits, deletes and a
// change of filter.
TEST(TableCursorLarge, AFilterOnTheLeadingKeySeesTheRowsOfThatKey) {
  MemoryDatabase db;
  TableSchema s;
  s.fields = {
      {"FormNo", FieldType::Long, 0}, {"SEQ", FieldType::Short, 0}, {"Name", FieldType::Alpha, 10}};
  s.indexes = {{"", {"FormNo", "SEQ"}, true, true, false}};
  db.createTable("CB23.DB", s);
  Table t(db, "CB23");
  t.open();
  for (int i = 0; i < 6000; ++i)
    ASSERT_TRUE(t.addRow({Value(100 + i / 50), Value(i % 50), Value("x")}));
  const auto countWhere = [&](const std::string& filter) {
    t.setFilter(filter);
    t.setFiltered(true);
    int64_t n = 0;
    for (t.first(); !t.eof(); t.next()) ++n;
    EXPECT_EQ(t.recordCount(), n) << filter;
    return n;
  };
  EXPECT_EQ(countWhere("[FormNo] = 150"), 50);
  for (t.first(); !t.eof(); t.next()) {
    t.edit();
    t.set("Name", Value("edited"));
    t.post();
  }
  EXPECT_EQ(countWhere("151 = [FormNo]"), 50);
  EXPECT_EQ(t.getInt("FormNo"), 151);
  EXPECT_EQ(countWhere("[Name] = 'edited'"), 50);
  EXPECT_EQ(countWhere("[FormNo] = 5"), 0);
  EXPECT_TRUE(t.eof());
  // The last key's rows deleted in a walk.
  countWhere("[FormNo] = 219");
  for (t.first(); !t.eof();) t.deleteRow();
  EXPECT_EQ(t.recordCount(), 0);
  t.setFiltered(false);
  EXPECT_EQ(t.recordCount(), 5950);
  EXPECT_FALSE(t.locate("FormNo", {Value(219)}));
  EXPECT_TRUE(t.locate("FormNo;SEQ", {Value(218), Value(49)}));
}

TEST_F(TableCursor, NextPastTheEndStaysOnTheLastRow) {
  Table t(db_, "XMLApp");
  t.open();
  while (!t.eof()) t.next();
  EXPECT_EQ(t.getString("Mode"), "X903");
  t.next();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.getString("Mode"), "X903");
  t.first();
  EXPECT_FALSE(t.eof());
  EXPECT_EQ(t.getString("Mode"), "X102");
}

TEST_F(TableCursor, LocateOnTwoFieldsFindsTheRowOrStays) {
  Table t(db_, "XMLApp");
  t.open();
  ASSERT_TRUE(t.locate("Mode;SEQ", {Value("X602"), Value(2)}));
  EXPECT_EQ(t.getString("Name"), "b2");
  // Fields in another order, values in other kinds: the values take the fields' types.
  ASSERT_TRUE(t.locate("SEQ;Mode", {Value("1"), Value("X602")}));
  EXPECT_EQ(t.getString("Name"), "b1");
  ASSERT_TRUE(t.locate(" Mode ; SEQ ", {Value("X903"), Value(1.0)}));
  EXPECT_EQ(t.getString("Name"), "d");

  // Not found: the cursor stays, and the walk goes on from there.
  EXPECT_FALSE(t.locate("Mode;SEQ", {Value("X602"), Value(3)}));
  EXPECT_FALSE(t.locate("Mode;SEQ", {Value("x602"), Value(1)}));     // exact letter case
  EXPECT_FALSE(t.locate("Mode;SEQ", {Value("X602No1"), Value(1)}));  // wider than the field
  EXPECT_EQ(t.getString("Name"), "d");

  // A field outside the key is searched row by row; the first match wins.
  ASSERT_TRUE(t.locate("SEQ", {Value(1)}));
  EXPECT_EQ(t.getString("Mode"), "X102");
  ASSERT_TRUE(t.locate("Name", {Value("c")}));
  EXPECT_EQ(t.getString("Mode"), "X602No");
  t.next();
  EXPECT_EQ(t.getString("Mode"), "X903");
}

TEST_F(TableCursor, LocateKeepsToTheFilterAndItsFields) {
  Table t(db_, "XMLApp");
  t.setFilter("[Mode] = 'X602'");
  t.setFiltered(true);
  t.open();
  EXPECT_FALSE(t.locate("Mode;SEQ", {Value("X102"), Value(1)}));
  EXPECT_TRUE(t.locate("SEQ", {Value(2)}));
  EXPECT_EQ(t.getString("Mode"), "X602");
  EXPECT_THROW(t.locate("Mode;SEQ", {Value("X602")}), EngineError);
  try {
    t.locate("Mode;BoxNumber", {Value("X602"), Value(1)});
    FAIL() << "a missing field was located";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingField);
  }
  try {
    t.locate("SEQ", {Value("one")});
    FAIL() << "a text was located in an integer field";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Conversion);
  }
}

TEST_F(TableCursor, LocateOnTheLeadingKeyFieldFindsTheFirstRowThatPasses) {
  Table t(db_, "XMLApp");
  t.open();
  for (int seq = 3; seq <= 400; ++seq) addApp(t, "X602", seq, "n" + std::to_string(seq));
  ASSERT_TRUE(t.locate("Mode", {Value("X602")}));
  EXPECT_EQ(t.getInt("SEQ"), 1);
  t.setFilter("[SEQ] > 250 and [Name] <> 'n251'");
  t.setFiltered(true);
  ASSERT_TRUE(t.locate("Mode", {Value("X602")}));
  EXPECT_EQ(t.getInt("SEQ"), 252);
  EXPECT_FALSE(t.locate("Mode;SEQ", {Value("X602"), Value(251)}));
  EXPECT_FALSE(t.locate("Mode", {Value("X60")}));
  EXPECT_FALSE(t.locate("Mode", {Value("X602No")}));
}

TEST_F(TableCursor, LocateComparesNumbersByValue) {
  TableSchema s;
  s.fields = {
      {"Code", FieldType::Alpha, 4}, {"Rate", FieldType::Number, 0}, {"Amount", FieldType::Bcd, 2}};
  db_.createTable("Rates", s);
  Table t(db_, "Rates");
  t.open();
  t.append();
  t.set("Code", Value("A"));
  t.set("Rate", Value(2));
  t.set("Amount", Value("12.50"));
  t.post();
  t.append();
  t.set("Code", Value("B"));
  t.set("Rate", Value(2.5));
  t.set("Amount", Value(7));
  t.post();
  ASSERT_TRUE(t.locate("Rate", {Value("2.5")}));
  EXPECT_EQ(t.getString("Code"), "B");
  ASSERT_TRUE(t.locate("Amount", {Value(12.5)}));
  EXPECT_EQ(t.getString("Code"), "A");
  ASSERT_TRUE(t.locate("Amount", {Value("7.00")}));
  EXPECT_EQ(t.getString("Code"), "B");
}

TEST_F(TableCursor, LocateFindsBlankValuesByEmptyText) {
  Table t(db_, "XMLApp");
  t.open();
  addApp(t, "X999", 1, "");
  t.first();
  ASSERT_TRUE(t.locate("Name", {Value("")}));
  EXPECT_EQ(t.getString("Mode"), "X999");
  ASSERT_TRUE(t.locate("Flag", {Value::null()}));
  EXPECT_EQ(t.getString("Mode"), "X102");
}

TEST_F(TableCursor, DeletingWhileWalkingVisitsEveryRowOnce) {
  Table t(db_, "XMLApp");
  t.open();
  std::vector<std::string> seen;
  for (t.first(); !t.eof();) {
    seen.push_back(t.getString("Name"));
    if (t.getString("Mode").starts_with("X602")) {
      t.deleteRow();
    } else {
      t.next();
    }
  }
  EXPECT_EQ(seen, (Keys{"a", "b1", "b2", "c", "d"}));
  EXPECT_EQ(walkKeys(t), (Keys{"X102/1", "X903/1"}));

  // Deleting the last rows of a filtered walk ends it.
  t.setFilter("[Mode] = 'X903'");
  t.setFiltered(true);
  t.first();
  t.deleteRow();
  EXPECT_TRUE(t.eof());
  t.setFiltered(false);
  EXPECT_EQ(walkKeys(t), (Keys{"X102/1"}));
  t.first();
  t.deleteRow();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recordCount(), 0);
  EXPECT_THROW(t.deleteRow(), EngineError);  // nothing left to delete
}

TEST_F(TableCursor, HandlesSeeEachOthersChanges) {
  Table a(db_, "XMLApp"), b(db_, "XMLApp");
  a.open();
  b.open();
  ASSERT_TRUE(a.locate("Mode;SEQ", {Value("X602"), Value(2)}));

  // b adds rows before and after a's row; a stays on its row and walks on from it.
  addApp(b, "X000", 1, "first");
  addApp(b, "X602", 3, "b3");
  EXPECT_EQ(a.getString("Name"), "b2");
  EXPECT_EQ(a.recordCount(), 7);
  a.next();
  EXPECT_EQ(a.getString("Name"), "b3");

  // b changes a's row: a reads the new values.
  ASSERT_TRUE(b.locate("Mode;SEQ", {Value("X602"), Value(3)}));
  b.edit();
  b.set("Name", Value("changed"));
  b.post();
  EXPECT_EQ(a.getString("Name"), "changed");

  // b deletes a's row: a stands on the row that followed and does not skip it.
  b.deleteRow();
  EXPECT_EQ(a.getString("Mode"), "X602No");
  a.next();
  EXPECT_EQ(a.getString("Mode"), "X602No");
  a.next();
  EXPECT_EQ(a.getString("Mode"), "X903");
  a.next();
  EXPECT_TRUE(a.eof());

  // b deletes the last row while a stands on it at the end.
  ASSERT_TRUE(b.locate("Mode", {Value("X903")}));
  b.deleteRow();
  EXPECT_TRUE(a.eof());
  EXPECT_EQ(a.getString("Mode"), "X602No");
  EXPECT_EQ(walkKeys(a), (Keys{"X000/1", "X102/1", "X602/1", "X602/2", "X602No/1"}));
}

TEST_F(TableCursor, ChangesThroughAnotherHandleReachAFilteredCount) {
  Table a(db_, "XMLApp"), b(db_, "XMLApp");
  a.setFilter("[Mode] = 'X602'");
  a.setFiltered(true);
  a.open(OpenMode::ReadOnly);
  b.open();
  EXPECT_EQ(a.recordCount(), 2);
  addApp(b, "X602", 9, "new");
  EXPECT_EQ(a.recordCount(), 3);
}

TEST_F(TableCursor, UnkeyedTablesKeepTheOrderRowsWereAdded) {
  db_.createTable("Log", logSchema());
  Table t(db_, "Log");
  t.open();
  for (int line : {3, 1, 2}) {
    t.insert();
    t.set("Line", Value(line));
    t.post();
  }
  std::vector<int64_t> lines;
  for (t.first(); !t.eof(); t.next()) lines.push_back(t.getInt("Line"));
  EXPECT_EQ(lines, (std::vector<int64_t>{3, 1, 2}));
}

TEST_F(TableCursor, MissingTablesAndFieldsRaise) {
  Table missing(db_, "Nope");
  EXPECT_FALSE(missing.exists());
  try {
    missing.open();
    FAIL() << "a missing table opened";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingTable);
  }
  EXPECT_FALSE(missing.isOpen());

  Table t(db_, "XMLApp");
  t.open(OpenMode::ReadOnly);
  EXPECT_FALSE(t.hasField("BoxNumber"));
  EXPECT_FALSE(t.hasField("mode"));  // field names keep their letter case
  try {
    t.getString("BoxNumber");
    FAIL() << "a missing field was read";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingField);
    EXPECT_NE(std::string(e.what()).find("BoxNumber"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("XMLApp"), std::string::npos);
  }
  EXPECT_EQ(t.fieldCount(), 4);
  EXPECT_EQ(t.fieldDef(2).name, "Name");
  EXPECT_EQ(t.fieldDef(t.fieldIndex("Name")).size, 18);
  EXPECT_EQ(t.fieldDef(t.fieldIndex("Flag")).type, FieldType::Logical);
  EXPECT_THROW(t.fieldDef(4), EngineError);
  t.close();
  EXPECT_THROW(t.fieldCount(), EngineError);  // a closed handle has no fields
  EXPECT_TRUE(t.eof());
}

}  // namespace
}  // namespace kvt::testing
