// Table handles on the MySQL engine behave as on the Paradox engine: append, edit, delete,
// locate, filter, field sizes, duplicate keys and missing tables and fields.
#include <gtest/gtest.h>

#include "MySqlTestServer.h"
#include "schema/Table.h"

namespace kvt::mysql::testing {
namespace {

class TableHandle : public MySqlTest {
 protected:
  void SetUp() override {
    MySqlTest::SetUp();
    db_->execSql(
        "CREATE TABLE `XMLApp` (\n"
        "  `Mode`  varchar(10) NOT NULL default \"\",\n"
        "  `SEQ`   int(11)     NOT NULL default \"0\",\n"
        "  `Name`  char(18)             default NULL,\n"
        "  `Ack`   char(1)              default NULL,\n"
        "  `Flag`  tinyint(1)           default NULL,\n"
        "  PRIMARY KEY  (`Mode`,`SEQ`)\n"
        ") TYPE=MyISAM;");
  }

  void add(Table& t, const std::string& mode, int seq, const std::string& name) {
    t.append();
    t.set("Mode", Value(mode));
    t.set("SEQ", Value(seq));
    t.set("Name", Value(name));
    t.post();
  }
};

TEST_F(TableHandle, AppendEditAndDeleteReachTheServer) {
  Table t(*db_, "XMLApp");
  ASSERT_TRUE(t.exists());
  t.open();
  add(t, "X602", 2, "two");
  add(t, "X102", 1, "one");
  add(t, "X602", 1, "first");
  EXPECT_EQ(t.recordCount(), 3);

  // Walked in key order.
  std::vector<std::string> seen;
  for (t.first(); !t.eof(); t.next()) {
    seen.push_back(t.getString("Mode") + "/" + std::to_string(t.getInt("SEQ")));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"X102/1", "X602/1", "X602/2"}));

  t.first();
  t.edit();
  t.set("Name", Value("uno"));
  t.post();
  t.next();
  t.deleteRow();
  t.close();
  EXPECT_EQ(serverRows("SELECT Mode, SEQ, Name FROM XMLApp ORDER BY Mode, SEQ"),
            (std::vector<std::string>{"X102|1|uno", "X602|2|two"}));
}

TEST_F(TableHandle, LocateFindsRowsOnSeveralKeyFields) {
  Table t(*db_, "XMLApp");
  t.open();
  add(t, "X102", 1, "a");
  add(t, "X602", 1, "b");
  add(t, "X602", 2, "c");

  ASSERT_TRUE(t.locate("Mode;SEQ", {Value("X602"), Value(2)}));
  EXPECT_EQ(t.getString("Name"), "c");
  t.edit();
  t.set("Name", Value("changed"));
  t.post();

  // Not found: the handle stays where it was, and the caller appends.
  EXPECT_FALSE(t.locate("Mode;SEQ", {Value("X602"), Value(3)}));
  EXPECT_EQ(t.getString("Name"), "changed");
  t.close();
  EXPECT_EQ(serverRows("SELECT Name FROM XMLApp WHERE Mode = 'X602' AND SEQ = 2"),
            std::vector<std::string>{"changed"});
}

TEST_F(TableHandle, AFilterShowsOnlyMatchingRows) {
  Table t(*db_, "XMLApp");
  t.open();
  add(t, "X102", 1, "a");
  add(t, "X602", 1, "b");
  add(t, "X602No", 1, "c");
  add(t, "X903", 1, "d");
  t.setFilter("([Mode] = 'X602') or ([Mode] = 'X602No')");
  t.setFiltered(true);
  std::vector<std::string> names;
  for (t.first(); !t.eof(); t.next()) names.push_back(t.getString("Name"));
  EXPECT_EQ(names, (std::vector<std::string>{"b", "c"}));
  t.setFiltered(false);
  names.clear();
  for (t.first(); !t.eof(); t.next()) names.push_back(t.getString("Name"));
  EXPECT_EQ(names.size(), 4u);
}

TEST_F(TableHandle, FieldSizesAreTheDeclaredWidthsAndBooleansAreToldApart) {
  Table t(*db_, "XMLApp");
  t.open(OpenMode::ReadOnly);
  EXPECT_EQ(t.fieldCount(), 5);
  EXPECT_EQ(t.fieldDef(t.fieldIndex("Name")).size, 18);
  EXPECT_EQ(t.fieldDef(t.fieldIndex("Mode")).size, 10);
  EXPECT_EQ(t.fieldDef(t.fieldIndex("Ack")).type, FieldType::Alpha);
  EXPECT_EQ(t.fieldDef(t.fieldIndex("Flag")).type, FieldType::Logical);
}

TEST_F(TableHandle, TextWidthsCountCharactersOfTheColumnsCharacterSet) {
  db_->execSql(
      "CREATE TABLE DS43Port (Code char(5) NOT NULL, Name char(10), Latin char(4) CHARACTER SET "
      "latin1, PRIMARY KEY (Code))");
  // 高雄國際機場貨運站: nine characters, eighteen bytes in code page 950.
  const std::string airport =
      "\xB0\xAA\xB6\xAF\xB0\xEA\xBB\xDA\xBE\xF7\xB3\xF5\xB3\x66\xB9\x42\xAF\xB8";
  Table t(*db_, "DS43Port");
  t.open();
  const FieldDef& name = t.fieldDef(t.fieldIndex("Name"));
  EXPECT_EQ(name.size, 10);
  EXPECT_TRUE(name.sizeInCharacters);
  t.append();
  t.set("Code", Value("TWKHH"));
  t.set("Name", Value(airport + "\xA5\x5F\xA4\x40"));  // two more characters: one is cut
  t.set("Latin", Value("ABCDE"));
  t.post();
  t.append();
  t.set("Code", Value("TWKH2"));
  t.set("Name", Value(airport));
  t.post();
  t.close();
  EXPECT_EQ(serverRows("SELECT CHAR_LENGTH(Name), LENGTH(Name), Latin FROM DS43Port ORDER BY Code"),
            (std::vector<std::string>{"9|18|NULL", "10|20|ABCD"}));
  t.open(OpenMode::ReadOnly);
  ASSERT_TRUE(t.locate("Code", {Value("TWKH2")}));
  EXPECT_EQ(t.getString("Name"), airport);
}

TEST_F(TableHandle, BooleansWrittenAsLettersAndAsTruthValues) {
  Table t(*db_, "XMLApp");
  t.open();
  t.append();
  t.set("Mode", Value("X102"));
  t.set("SEQ", Value(1));
  t.set("Ack", Value("T"));  // a Boolean copied onto MySQL comes as its letter
  t.set("Flag", Value(true));
  t.post();
  t.close();
  EXPECT_EQ(serverRows("SELECT Ack, Flag FROM XMLApp"), std::vector<std::string>{"T|1"});
  t.open(OpenMode::ReadOnly);
  EXPECT_EQ(t.getString("Ack"), "T");
  EXPECT_TRUE(t.getBool("Flag"));
}

TEST_F(TableHandle, ADuplicateKeyRefusesThePostUntilTheKeyChanges) {
  Table t(*db_, "XMLApp");
  t.open();
  add(t, "X102", 1, "a");
  t.append();
  t.set("Mode", Value("X102"));
  t.set("SEQ", Value(1));
  t.set("Name", Value("again"));
  try {
    t.post();
    FAIL() << "a duplicate key was posted";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::DuplicateKey);
  }
  EXPECT_EQ(t.state(), Table::State::Insert);
  t.set("SEQ", Value(2));
  t.post();
  EXPECT_EQ(t.recordCount(), 2);
  t.close();
  EXPECT_EQ(serverRows("SELECT SEQ, Name FROM XMLApp ORDER BY SEQ"),
            (std::vector<std::string>{"1|a", "2|again"}));
}

TEST_F(TableHandle, MissingTablesAndFieldsRaise) {
  Table missing(*db_, "Nope");
  EXPECT_FALSE(missing.exists());
  try {
    missing.open();
    FAIL() << "a missing table opened";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingTable);
  }

  Table t(*db_, "XMLApp");
  t.open(OpenMode::ReadOnly);
  EXPECT_FALSE(t.hasField("BoxNumber"));
  try {
    t.fieldIndex("BoxNumber");
    FAIL() << "a missing field was named";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingField);
  }
}

}  // namespace
}  // namespace kvt::mysql::testing
