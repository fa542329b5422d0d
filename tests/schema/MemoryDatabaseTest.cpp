// The in-memory database: names ignoring case and extension, and the table operations that
// a handle in use must block.
#include <gtest/gtest.h>

#include "TestTables.h"

namespace kvt::testing {
namespace {

ErrorKind errorOf(auto&& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no error raised";
  return ErrorKind::State;
}

TEST(MemoryDatabase, TablesAreNamedIgnoringCaseAndExtension) {
  MemoryDatabase db;
  EXPECT_EQ(db.kind(), DatabaseKind::Standard);
  db.createTable("CB20.DB", xmlAppSchema());
  EXPECT_TRUE(db.tableExists("CB20"));
  EXPECT_TRUE(db.tableExists("cb20.db"));
  EXPECT_FALSE(db.tableExists("CB2"));
  EXPECT_EQ(errorOf([&] { db.createTable("cb20", logSchema()); }), ErrorKind::State);
  EXPECT_EQ(db.tableNames(), std::vector<std::string>{"CB20"});
  EXPECT_EQ(errorOf([&] { db.deleteTable("CB99"); }), ErrorKind::MissingTable);
}

TEST(MemoryDatabase, DeleteEmptyAndRenameWaitForTheHandlesToClose) {
  MemoryDatabase db;
  db.createTable("XMLApp", xmlAppSchema());
  Table t(db, "XMLApp");
  t.open();
  addApp(t, "X102", 1, "a");
  EXPECT_EQ(errorOf([&] { db.deleteTable("XMLApp"); }), ErrorKind::Locked);
  EXPECT_EQ(errorOf([&] { db.emptyTable("XMLApp"); }), ErrorKind::Locked);
  EXPECT_EQ(errorOf([&] { db.renameTable("XMLApp", "Old"); }), ErrorKind::Locked);
  EXPECT_EQ(t.recordCount(), 1);
  t.close();

  db.renameTable("XMLApp", "OldApp.DB");
  EXPECT_FALSE(db.tableExists("XMLApp"));
  t.setTableName("OldApp");
  t.open();
  EXPECT_EQ(t.getString("Name"), "a");
  // A duplicate key message names the table by its new name.
  t.append();
  t.set("Mode", Value("X102"));
  t.set("SEQ", Value(1));
  try {
    t.post();
    FAIL() << "duplicate posted";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("OldApp"), std::string::npos) << e.what();
  }
  t.cancel();
  t.close();

  db.createTable("Other", logSchema());
  EXPECT_EQ(errorOf([&] { db.renameTable("OldApp", "other.db"); }), ErrorKind::State);
  db.emptyTable("OldApp");
  t.open();
  EXPECT_EQ(t.recordCount(), 0);
  t.close();
  db.deleteTable("oldapp.db");
  EXPECT_FALSE(db.tableExists("OldApp"));
  // A name may change only its letter case.
  db.renameTable("Other", "OTHER");
  EXPECT_EQ(db.tableNames(), std::vector<std::string>{"OTHER"});
}

}  // namespace
}  // namespace kvt::testing
