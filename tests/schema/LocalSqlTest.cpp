// The local Delete and Select statements, as the form import writes them.
#include <gtest/gtest.h>

#include "TestTables.h"
#include "schema/LocalSql.h"

namespace kvt::testing {
namespace {

class LocalSql : public ::testing::Test {
 protected:
  void SetUp() override {
    TableSchema s;
    s.fields = {{"FormNo", FieldType::Long, 0},
                {"EntryNo", FieldType::Long, 0},
                {"Name", FieldType::Alpha, 10}};
    s.indexes = {{"", {"FormNo", "EntryNo"}, true, true, false}};
    db_.createTable("CB23.DB", s);
    Table t(db_, "CB23.DB");
    t.open();
    for (int form : {15100, 15101, 15102}) {
      for (int entry : {1, 2, 3}) {
        t.append();
        t.set("FormNo", Value(form));
        t.set("EntryNo", Value(form == 15101 ? entry + 10 : entry));
        t.set("Name", Value(form == 15102 ? "it's" : "plain"));
        t.post();
      }
    }
  }
  MemoryDatabase db_;
};

TEST_F(LocalSql, DeleteTakesTheRowsOfTheParameter) {
  db_.execSql("Delete From CB23\r\nWhere FormNo = :iFormNo", {{"iFormNo", 15101}});
  EXPECT_EQ(db_.selectCount("Select * from CB23", {}), 6);
  EXPECT_EQ(db_.selectCount("Select * from CB23 Where (FormNo = :iFormNo)", {{"iFormNo", 15101}}),
            0);
  // Deleting nothing is no error.
  db_.execSql("Delete From CB23\nWhere FormNo = :iFormNo", {{"iFormNo", 1}});
  EXPECT_EQ(db_.selectCount("select * from cb23", {}), 6);
}

TEST_F(LocalSql, SelectCountsTheRowsOfItsCondition) {
  EXPECT_EQ(
      countLocalSql(db_, "Select * from CB23\r\nWhere (EntryNo = :iEntryNo)", {{"iEntryNo", 2}}),
      2);
  EXPECT_EQ(countLocalSql(db_, "SELECT *\n  FROM \"CB23.DB\"\n  WHERE EntryNo = 12;", {}), 1);
  EXPECT_EQ(countLocalSql(db_, "Select * From CB23 Where CB23.\"Name\" = 'it''s'", {}), 3);
  EXPECT_EQ(countLocalSql(db_, "Select * From CB23 Where FormNo = 15100 and EntryNo >= 2", {}), 2);
  EXPECT_EQ(countLocalSql(db_, "select * from cb23 where FormNo = -1 or Name <> 'plain'", {}), 3);
}

TEST_F(LocalSql, StatementsRunBesideOpenHandles) {
  Table t(db_, "CB23");
  t.open();
  ASSERT_TRUE(t.locate("FormNo;EntryNo", {Value(15100), Value(2)}));
  db_.execSql("Delete From CB23 Where FormNo = :iFormNo", {{"iFormNo", 15100}});
  // The handle's row went away; it now stands on the first row of the next form.
  EXPECT_EQ(t.getInt("FormNo"), 15101);
  EXPECT_EQ(t.recordCount(), 6);
  t.close();

  Table x(db_, "CB23");
  x.open(OpenMode::Exclusive);
  try {
    db_.execSql("Delete From CB23 Where FormNo = 15101", {});
    FAIL() << "rows deleted from a table in exclusive use";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Locked);
  }
  EXPECT_EQ(x.recordCount(), 6);
}

TEST_F(LocalSql, OtherStatementsAndMissingPartsAreRefused) {
  for (const char* sql :
       {"Update CB23 Set Name = 'x'", "Delete CB23 Where FormNo = 1", "Select FormNo from CB23",
        "Select * CB23", "Delete From CB23 Where FormNo like '1%'", "Delete From CB23 Where",
        "Delete From CB23 FormNo = 1", "Alter Table CB23 Add X char(2)", ""}) {
    try {
      db_.execSql(sql, {});
      ADD_FAILURE() << "ran: " << sql;
    } catch (const EngineError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Unsupported) << sql;
      EXPECT_NE(std::string(e.what()).find(sql), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(db_.selectCount("Select * from CB23", {}), 9);
  try {
    db_.execSql("Delete From CB23 Where FormNo = :iFormNo", {{"iOther", 1}});
    FAIL() << "ran without its parameter";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::State);
    EXPECT_NE(std::string(e.what()).find("iFormNo"), std::string::npos);
  }
  EXPECT_THROW(db_.execSql("Delete From CB99 Where FormNo = 1", {}), EngineError);
  EXPECT_THROW(db_.execSql("Delete From CB23 Where Missing = 1", {}), EngineError);
  EXPECT_THROW(db_.selectCount("Delete From CB23", {}), EngineError);
  EXPECT_EQ(db_.selectCount("Select * from CB23", {}), 9);
}

TEST_F(LocalSql, AParameterInsideQuotesIsText) {
  const LocalStatement st = parseLocalSql(
      "Select * from CB23 Where (Name = ':iFormNo') Or FormNo = :iFormNo", {{"iFormNo", 7}});
  EXPECT_EQ(st.kind, LocalStatement::Kind::Select);
  EXPECT_EQ(st.table, "CB23");
  EXPECT_EQ(st.condition, "(Name = ':iFormNo') Or FormNo = 7");
  EXPECT_EQ(parseLocalSql("DELETE FROM CB23", {}).condition, "");
}

}  // namespace
}  // namespace kvt::testing
