// Rows of an open MySQL table: every change is a statement on the server first, and the
// rows held afterwards are what the server keeps.
#include <gtest/gtest.h>
#include <unistd.h>

#include "MySqlTestServer.h"

namespace kvt::mysql::testing {
namespace {

class RowStoreTest : public MySqlTest {
 protected:
  std::shared_ptr<RowStore> open(const std::string& table) {
    auto store = db_->openTable(table, OpenMode::ReadWrite);
    opened_.push_back(store);
    return store;
  }
  void TearDown() override {
    for (auto& s : opened_) db_->closeTable(s, OpenMode::ReadWrite);
    opened_.clear();
    MySqlTest::TearDown();
  }
  std::vector<std::shared_ptr<RowStore>> opened_;
};

std::string text(const Value& v) {
  const auto* s = v.get<std::string>();
  return s ? *s : "<not text>";
}

// 報單 (declaration form), 許功蓋 (trail byte 0x5C, the backslash), 碁 (an extension
// character of code page 950) and the full-width space.
const std::string kBig5 =
    "\xB3\xF8\xB3\xE6"
    "\xB3\x5C\xA5\x5C\xBB\x5C"
    "\xF9\xD6"
    "\xA1\x40";
const char* kBig5Hex = "B3F8B3E6B35CA55CBB5CF9D6A140";

TEST_F(RowStoreTest, KeyedRowsAreWrittenOnThePrimaryKeyAndKeptInKeyOrder) {
  db_->execSql(
      "CREATE TABLE `Goods` (`Code` varchar(5) NOT NULL default \"\", `Name` char(18), "
      "`Qty` int(11), PRIMARY KEY (`Code`)) TYPE=MyISAM;");
  auto store = open("Goods");
  ASSERT_EQ(store->size(), 0u);
  const uint64_t before = store->changeCount();

  EXPECT_EQ(store->insert({Value("B"), Value("bee"), Value(2)}), 0u);
  EXPECT_EQ(store->insert({Value("D"), Value("dee"), Value(4)}), 1u);
  EXPECT_EQ(store->insert({Value("A"), Value("ay"), Value(1)}), 0u);
  EXPECT_EQ(store->insert({Value("C"), Value("see"), Value(3)}), 2u);
  EXPECT_EQ(serverRows("SELECT * FROM Goods ORDER BY Code"),
            (std::vector<std::string>{"A|ay|1", "B|bee|2", "C|see|3", "D|dee|4"}));
  EXPECT_EQ(text(store->row(3)[0]), "D");

  // A changed key moves the row to its new place.
  EXPECT_EQ(store->update(0, {Value("E"), Value("ay"), Value(10)}), 3u);
  EXPECT_EQ(text(store->row(3)[0]), "E");
  EXPECT_EQ(text(store->row(0)[0]), "B");
  EXPECT_EQ(serverRows("SELECT * FROM Goods ORDER BY Code"),
            (std::vector<std::string>{"B|bee|2", "C|see|3", "D|dee|4", "E|ay|10"}));

  store->remove(1);
  EXPECT_EQ(serverRows("SELECT Code FROM Goods ORDER BY Code"),
            (std::vector<std::string>{"B", "D", "E"}));
  EXPECT_EQ(store->size(), 3u);
  EXPECT_EQ(store->changeCount(), before + 6);

  // Rows read when the table is opened again come in key order too.
  db_->closeTable(store, OpenMode::ReadWrite);
  opened_.clear();
  otherSession()->execute("INSERT INTO Goods VALUES ('A0', 'x', 0)");
  auto again = open("Goods");
  ASSERT_EQ(again->size(), 4u);
  EXPECT_EQ(text(again->row(0)[0]), "A0");
  EXPECT_EQ(text(again->row(3)[0]), "E");
}

TEST_F(RowStoreTest, ADuplicateKeyRefusesThePostAndChangesNothing) {
  db_->execSql(
      "CREATE TABLE `Port` (`Code` varchar(5) NOT NULL default \"\", `SEQ` char(1) NOT NULL "
      "default \"\", `Name` varchar(20), PRIMARY KEY (`Code`,`SEQ`)) TYPE=MyISAM;");
  auto store = open("Port");
  store->insert({Value("TWKEL"), Value("1"), Value("Keelung")});
  store->insert({Value("TWTPE"), Value("1"), Value("Taipei")});
  const uint64_t changes = store->changeCount();

  auto expectDuplicate = [&](auto&& write) {
    try {
      write();
      ADD_FAILURE() << "a duplicate key was taken";
    } catch (const EngineError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::DuplicateKey) << e.what();
      EXPECT_NE(std::string(e.what()).find("Duplicate"), std::string::npos) << e.what();
    }
  };
  expectDuplicate([&] { store->insert({Value("TWKEL"), Value("1"), Value("again")}); });
  // The server's collation ignores letter case, so this key is taken too.
  expectDuplicate([&] { store->insert({Value("twkel"), Value("1"), Value("again")}); });
  expectDuplicate([&] { store->update(1, {Value("TWKEL"), Value("1"), Value("moved")}); });

  EXPECT_EQ(store->size(), 2u);
  EXPECT_EQ(store->changeCount(), changes);
  EXPECT_EQ(text(store->row(1)[2]), "Taipei");
  EXPECT_EQ(serverRows("SELECT * FROM Port ORDER BY Code"),
            (std::vector<std::string>{"TWKEL|1|Keelung", "TWTPE|1|Taipei"}));

  // The same row with the second key part changed goes in, as the port refresh relies on.
  store->insert({Value("TWKEL"), Value("2"), Value("Keelung 2")});
  EXPECT_EQ(store->size(), 3u);
}

TEST_F(RowStoreTest, Big5TextIsStoredAndReadBackByteForByte) {
  db_->execSql(
      "CREATE TABLE `Company` (`ID` int(11) NOT NULL, `Name` char(18), `Note` text, "
      "`Raw` blob, PRIMARY KEY (`ID`)) TYPE=MyISAM;");
  auto store = open("Company");
  // 18 two-byte characters fill a char(18) column: its width is in characters.
  std::string eighteen;
  for (int i = 0; i < 9; ++i) eighteen += "\xB3\xF8\xB3\xE6";
  const std::string binary("\x00\x5C\x27\xFF\x00", 5);
  store->insert(
      {Value(1), Value(kBig5), Value(kBig5 + "'); DROP TABLE Company; --"), Value(Bytes{binary})});
  store->insert({Value(2), Value(eighteen), Value::null(), Value::null()});

  EXPECT_EQ(serverRows("SELECT HEX(Name), CHAR_LENGTH(Name) FROM Company WHERE ID = 1"),
            std::vector<std::string>{std::string(kBig5Hex) + "|7"});
  EXPECT_EQ(serverRows("SELECT HEX(Raw) FROM Company WHERE ID = 1"),
            std::vector<std::string>{"005C27FF00"});
  EXPECT_EQ(serverRows("SELECT CHAR_LENGTH(Name), LENGTH(Name) FROM Company WHERE ID = 2"),
            std::vector<std::string>{"18|36"});

  db_->closeTable(store, OpenMode::ReadWrite);
  opened_.clear();
  auto again = open("Company");
  ASSERT_EQ(again->size(), 2u);
  EXPECT_EQ(text(again->row(0)[1]), kBig5);
  EXPECT_EQ(text(again->row(0)[2]), kBig5 + "'); DROP TABLE Company; --");
  ASSERT_NE(again->row(0)[3].get<Bytes>(), nullptr);
  EXPECT_EQ(again->row(0)[3].get<Bytes>()->data, binary);
  EXPECT_EQ(text(again->row(1)[1]), eighteen);
  EXPECT_EQ(again->schema().fields[1].size, 18);

  // A key of Big5 text with a backslash trail byte finds its row.
  db_->execSql("CREATE TABLE `Names` (`Name` varchar(10) NOT NULL, `N` int, PRIMARY KEY (`Name`))");
  auto names = open("Names");
  names->insert({Value(std::string("\xB3\x5C")), Value(1)});
  names->insert({Value(std::string("\xA5\x5C")), Value(2)});
  names->update(1, {Value(std::string("\xB3\x5C")), Value(9)});
  EXPECT_EQ(serverRows("SELECT HEX(Name), N FROM Names ORDER BY N"),
            (std::vector<std::string>{"A55C|2", "B35C|9"}));
}

TEST_F(RowStoreTest, HeldRowsAreWhatTheServerStored) {
  db_->execSql(
      "CREATE TABLE `Fill` (`Code` char(6) NOT NULL default \"\", `Kind` varchar(3) NOT NULL "
      "default \"K\", `Note` varchar(10) default \"n\", `Rate` double(16,4), `Amount` "
      "decimal(10,2), `Seen` date NOT NULL default \"0000-00-00\", PRIMARY KEY (`Code`)) "
      "TYPE=MyISAM;");
  auto store = open("Fill");
  // Blank padding of a char column is dropped, a null for a NOT NULL column takes the
  // column's default, a null elsewhere stays null, numbers take the column's scale.
  const size_t pos = store->insert({Value("AB    "), Value::null(), Value::null(), Value(1.23456),
                                    Value(Decimal{"7.5"}), Value::null()});
  const Row& row = store->row(pos);
  EXPECT_EQ(text(row[0]), "AB");
  EXPECT_EQ(text(row[1]), "K");
  EXPECT_TRUE(row[2].isNull());
  ASSERT_NE(row[3].get<double>(), nullptr);
  EXPECT_DOUBLE_EQ(*row[3].get<double>(), 1.2346);
  ASSERT_NE(row[4].get<Decimal>(), nullptr);
  EXPECT_EQ(row[4].get<Decimal>()->text, "7.50");
  ASSERT_NE(row[5].get<Date>(), nullptr);
  EXPECT_EQ(row[5].get<Date>()->days, 0);
  EXPECT_EQ(serverRows("SELECT * FROM Fill"),
            std::vector<std::string>{"AB|K|NULL|1.2346|7.50|0000-00-00"});

  // An update that sets a NOT NULL column to null leaves the type's empty value there.
  store->update(pos, {Value("AB"), Value::null(), Value("x"), Value(2.0), Value::null(),
                      Value(Date{735116})});
  EXPECT_EQ(text(store->row(0)[1]), "");
  EXPECT_EQ(serverRows("SELECT * FROM Fill"),
            std::vector<std::string>{"AB||x|2.0000|NULL|2013-09-05"});
}

TEST_F(RowStoreTest, BooleansAndTimesKeepTheirKinds) {
  db_->execSql(
      "CREATE TABLE `Kinds` (`ID` int NOT NULL, `Flag` tinyint(1), `Bit` bit(1), "
      "`Letter` char(1), `Day` date, `At` time, `Stamp` datetime, PRIMARY KEY (`ID`))");
  auto store = open("Kinds");
  const auto& fields = store->schema().fields;
  EXPECT_EQ(fields[1].type, FieldType::Logical);
  EXPECT_EQ(fields[2].type, FieldType::Logical);
  EXPECT_EQ(fields[3].type, FieldType::Alpha);

  const Timestamp stamp{(735116 - 1) * 86'400'000.0 + (8 * 3600 + 30 * 60) * 1000.0};
  // A Boolean for a char(1) column is written as the letter T or F.
  store->insert({Value(1), Value(true), Value(true), Value(true), Value(Date{735116}),
                 Value(Time{(23 * 3600 + 59 * 60 + 58) * 1000}), Value(stamp)});
  store->insert({Value(2), Value(false), Value(false), Value("F"), Value::null(), Value::null(),
                 Value::null()});
  EXPECT_EQ(serverRows("SELECT ID, Flag, Bit + 0, Letter, Day, At, Stamp FROM Kinds ORDER BY ID"),
            (std::vector<std::string>{"1|1|1|T|2013-09-05|23:59:58|2013-09-05 08:30:00",
                                      "2|0|0|F|NULL|NULL|NULL"}));

  db_->closeTable(store, OpenMode::ReadWrite);
  opened_.clear();
  auto again = open("Kinds");
  const Row& one = again->row(0);
  EXPECT_EQ(one[1], Value(true));
  EXPECT_EQ(one[2], Value(true));
  EXPECT_EQ(one[3], Value("T"));
  EXPECT_EQ(one[4], Value(Date{735116}));
  EXPECT_EQ(one[5], Value(Time{(23 * 3600 + 59 * 60 + 58) * 1000}));
  EXPECT_EQ(one[6], Value(stamp));
  EXPECT_EQ(again->row(1)[1], Value(false));
  EXPECT_EQ(again->row(1)[2], Value(false));
}

TEST_F(RowStoreTest, ATableWithoutKeyIsWrittenOnAllOldValuesOneRowAtATime) {
  db_->execSql(
      "CREATE TABLE `Log` (`Who` varchar(10), `What` varchar(10), `N` int, "
      "`Ratio` float) TYPE=MyISAM;");
  auto store = open("Log");
  store->insert({Value("a"), Value("x"), Value(1), Value(0.1)});
  store->insert({Value("a"), Value("x"), Value(1), Value(0.1)});
  store->insert({Value("A"), Value("x"), Value(1), Value(0.1)});
  store->insert({Value("b"), Value::null(), Value::null(), Value::null()});
  // Insertion order, not key order.
  EXPECT_EQ(text(store->row(2)[0]), "A");

  // Of two equal rows exactly one changes; "A" is not taken for "a".
  store->update(1, {Value("a"), Value("y"), Value(2), Value(0.1)});
  EXPECT_EQ(serverRows("SELECT Who, What, N FROM Log ORDER BY BINARY Who, What"),
            (std::vector<std::string>{"A|x|1", "a|x|1", "a|y|2", "b|NULL|NULL"}));
  EXPECT_EQ(text(store->row(1)[1]), "y");

  // Rows with nulls are found too.
  store->update(3, {Value("b"), Value("z"), Value::null(), Value::null()});
  EXPECT_EQ(serverRows("SELECT Who, What FROM Log WHERE Who = 'b'"),
            std::vector<std::string>{"b|z"});

  store->remove(0);
  EXPECT_EQ(serverRows("SELECT Who, What, N FROM Log ORDER BY BINARY Who, What"),
            (std::vector<std::string>{"A|x|1", "a|y|2", "b|z|NULL"}));
  EXPECT_EQ(store->size(), 3u);
  store->clear();
  EXPECT_TRUE(serverRows("SELECT * FROM Log").empty());
  EXPECT_EQ(store->size(), 0u);
}

TEST_F(RowStoreTest, AnUnkeyedRowTheServerChangedIsReadBack) {
  db_->execSql(
      "CREATE TABLE `Notes` (`Kind` varchar(3) NOT NULL default \"K\", "
      "`Text` varchar(4), `N` int)");
  auto store = open("Notes");
  store->insert({Value("A"), Value("keep"), Value(1)});
  // A default filled in and a text cut to the column's width: the held row is the stored one.
  const size_t pos = store->insert({Value::null(), Value("too long"), Value(2)});
  EXPECT_EQ(pos, 1u);
  EXPECT_EQ(text(store->row(pos)[0]), "K");
  EXPECT_EQ(text(store->row(pos)[1]), "too ");
  // ...so it can be found again by its values.
  store->update(pos, {Value("B"), Value("new"), Value(3)});
  EXPECT_EQ(serverRows("SELECT * FROM Notes ORDER BY N"),
            (std::vector<std::string>{"A|keep|1", "B|new|3"}));
  store->remove(1);
  EXPECT_EQ(serverRows("SELECT * FROM Notes"), std::vector<std::string>{"A|keep|1"});
}

TEST_F(RowStoreTest, ARowGoneFromTheServerCannotBeChanged) {
  db_->execSql("CREATE TABLE `T` (`K` int NOT NULL, `V` varchar(5), PRIMARY KEY (`K`))");
  auto store = open("T");
  store->insert({Value(1), Value("one")});
  store->insert({Value(2), Value("two")});
  otherSession()->execute("DELETE FROM T WHERE K = 1");

  try {
    store->update(0, {Value(1), Value("uno")});
    ADD_FAILURE() << "an update of a deleted row went through";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::State) << e.what();
  }
  EXPECT_EQ(text(store->row(0)[1]), "one");
  EXPECT_TRUE(serverRows("SELECT * FROM T WHERE K = 1").empty());
  // Removing it succeeds: the row is gone either way.
  store->remove(0);
  EXPECT_EQ(store->size(), 1u);
}

TEST_F(RowStoreTest, AnAutoIncrementKeyIsFilledInByTheServer) {
  db_->execSql(
      "CREATE TABLE `Seq` (`ID` int NOT NULL auto_increment, `V` varchar(5), "
      "PRIMARY KEY (`ID`))");
  auto store = open("Seq");
  EXPECT_EQ(store->schema().fields[0].type, FieldType::AutoInc);
  store->insert({Value::null(), Value("a")});
  const size_t pos = store->insert({Value::null(), Value("b")});
  EXPECT_EQ(pos, 1u);
  EXPECT_EQ(store->row(0)[0], Value(1));
  EXPECT_EQ(store->row(1)[0], Value(2));
}

TEST_F(RowStoreTest, ARowOfTheWrongWidthIsRefusedBeforeTheServerSeesIt) {
  db_->execSql("CREATE TABLE `T` (`K` int NOT NULL, `V` varchar(5), PRIMARY KEY (`K`))");
  auto store = open("T");
  EXPECT_THROW(store->insert({Value(1)}), EngineError);
  EXPECT_THROW(store->update(0, {Value(1), Value("x")}), EngineError);
  EXPECT_TRUE(serverRows("SELECT * FROM T").empty());
}

// Changes made together: in one joined statement, and one statement a row for a user who
// may not make temporary tables. Either way a change the server refuses (a unique name or a
// key another row has, a trigger's refusal on a table that keeps what a failed statement
// made) is told apart from the ones it made, which are all made.
TEST_F(RowStoreTest, ChangesMadeTogetherSayWhichTheServerRefused) {
  const std::string limited = "kvt_notemp_" + std::to_string(::getpid());
  otherSession()->execute("DROP USER IF EXISTS '" + limited + "'@'%'");
  otherSession()->execute("CREATE USER '" + limited + "'@'%' IDENTIFIED BY 'pw'");
  otherSession()->execute("GRANT SELECT, INSERT, UPDATE, DELETE, LOCK TABLES ON `" +
                          params_.database + "`.* TO '" + limited + "'@'%'");
  MySqlConnectionParams restricted = params_;
  restricted.user = limited;
  restricted.password = "pw";
  auto narrow = MySqlDatabase::connect(restricted);
  EXPECT_THROW(narrow->connection().execute("CREATE TEMPORARY TABLE `x` (`a` int)"), EngineError);

  auto row = [](const char* code, const char* name, int qty) {
    return Row{Value(code), Value(name), Value(qty)};
  };
  for (MySqlDatabase* db : {db_.get(), narrow.get()}) {
    SCOPED_TRACE(db == narrow.get() ? "one a row" : "joined");
    otherSession()->execute("DROP TABLE IF EXISTS `Goods`");
    otherSession()->execute(
        "CREATE TABLE `Goods` (`Code` varchar(5) NOT NULL, `Name` char(18), `Qty` int, "
        "PRIMARY KEY (`Code`), UNIQUE KEY (`Name`)) ENGINE=MyISAM");
    // A subquery of many rows fails the change to 13.
    otherSession()->execute(
        "CREATE TRIGGER `NoThirteen` BEFORE UPDATE ON `Goods` FOR EACH ROW SET NEW.Qty = "
        "IF(NEW.Qty = 13, (SELECT Code FROM Goods), NEW.Qty)");
    otherSession()->execute(
        "INSERT INTO Goods VALUES ('A','ay',1), ('B','bee',2), ('C','see',3), ('D','dee',4), "
        "('E','ee',5), ('F','ef',6), ('G','gee',7)");
    auto store = db->openTable("Goods", OpenMode::ReadWrite);
    const std::vector<bool> done = store->updateMany({
        {row("A", "ay", 1), row("A", "ay", 10)},
        {row("B", "bee", 2), row("B", "dee", 2)},  // D's name
        {row("C", "see", 3), row("CC", "see", 30)},
        {row("D", "dee", 4), row("D", "DEE", 4)},
        {row("E", "ee", 5), row("G", "ee", 5)},  // G's key
        {row("F", "ef", 6), row("F", "ef", 13)},
        {row("Z", "zed", 0), row("Z", "zed", 1)},  // no such row
    });
    EXPECT_EQ(done, (std::vector<bool>{true, false, true, true, false, false, false}));
    const std::vector<std::string> expected{"A|ay|10", "B|bee|2", "CC|see|30", "D|DEE|4",
                                            "E|ee|5",  "F|ef|6",  "G|gee|7"};
    EXPECT_EQ(serverRows("SELECT * FROM Goods ORDER BY Code"), expected);
    std::vector<std::string> held;
    for (size_t i = 0; i < store->size(); ++i) {
      held.push_back(text(store->row(i)[0]) + "|" + text(store->row(i)[1]) + "|" +
                     store->row(i)[2].asString());
    }
    EXPECT_EQ(held, expected);
    // A unique value refused with nothing else failing, then every change made.
    EXPECT_EQ(store->updateMany({{row("A", "ay", 10), row("A", "ay", 11)},
                                 {row("B", "bee", 2), row("B", "AY", 2)}}),
              (std::vector<bool>{true, false}));
    EXPECT_EQ(store->updateMany({{row("A", "ay", 11), row("A", "ay", 12)},
                                 {row("B", "bee", 2), row("B", "bee", 22)}}),
              (std::vector<bool>{true, true}));
    EXPECT_EQ(serverRows("SELECT Qty FROM Goods WHERE Code < 'C' ORDER BY Code"),
              (std::vector<std::string>{"12", "22"}));
    db->closeTable(store, OpenMode::ReadWrite);
  }
  narrow.reset();
  otherSession()->execute("DROP USER '" + limited + "'@'%'");
}

}  // namespace
}  // namespace kvt::mysql::testing
