// The connection and the database-level operations of the MySQL engine.
#include <gtest/gtest.h>

#include "MySqlTestServer.h"

namespace kvt::mysql::testing {
namespace {

using Database = MySqlTest;

template <class F>
EngineError caught(F&& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e;
  }
  ADD_FAILURE() << "no engine error";
  return EngineError(ErrorKind::Unsupported, "none");
}

TEST(Connection, ARefusedLoginIsAServerErrorWithTheServersMessage) {
  MySqlConnectionParams p = serverParams();
  p.password += "wrong";
  EngineError e = caught([&] { MySqlDatabase::connect(p); });
  EXPECT_EQ(e.kind(), ErrorKind::Server);
  EXPECT_NE(std::string(e.what()).find("Access denied"), std::string::npos) << e.what();

  MySqlConnectionParams unknownDatabase = serverParams();
  unknownDatabase.database = "no_such_database";
  e = caught([&] { MySqlDatabase::connect(unknownDatabase); });
  EXPECT_EQ(e.kind(), ErrorKind::Server);
  EXPECT_NE(std::string(e.what()).find("no_such_database"), std::string::npos) << e.what();
}

TEST(Connection, ThePasswordGoesBracedAndNeverIntoAnError) {
  MySqlConnectionParams p = serverParams();
  p.password = "pw;x}{=";
  p.driver = "drv";
  EXPECT_EQ(connectionText(p).find("DRIVER=drv;"), 0u);
  EXPECT_NE(connectionText(p).find(";PWD={pw;x}}{=};"), std::string::npos) << connectionText(p);

  // A login whose password needs the braces works; refused ones never show the password.
  MySqlConnectionParams good = serverParams();
  const std::string user = "odd_" + std::to_string(std::hash<std::string>{}(good.password) % 9973);
  auto admin = MySqlConnection::open(good);
  admin->execute("DROP USER IF EXISTS '" + user + "'@'%'");
  admin->execute("CREATE USER '" + user + "'@'%' IDENTIFIED BY 'pw;x}{= 1'");
  good.user = user;
  good.database.clear();
  good.password = "pw;x}{= 1";
  EXPECT_GT(MySqlConnection::open(good)->threadId(), 0u);
  MySqlConnectionParams wrong = good;
  wrong.password = "pw;x}{= 2";
  MySqlConnectionParams noDriver = good;
  noDriver.driver = "/no/such/driver-" + good.password + ".so";
  for (const MySqlConnectionParams& bad : {wrong, noDriver}) {
    EngineError e = caught([&] { MySqlConnection::open(bad); });
    EXPECT_EQ(e.kind(), ErrorKind::Server);
    EXPECT_FALSE(std::string(e.what()).empty());
    EXPECT_EQ(std::string(e.what()).find("pw;x"), std::string::npos) << e.what();
  }
  admin->execute("DROP USER '" + user + "'@'%'");
}

TEST_F(Database, SessionsTalkBig5UnderTheLegacyMode) {
  EXPECT_EQ(db_->kind(), DatabaseKind::MySQL);
  EXPECT_EQ(db_->name(), "MyKVT");
  auto rows = db_->connection().query(
      "SELECT @@SESSION.sql_mode, @@character_set_client, @@character_set_results");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].value_or("NULL"), "");
  EXPECT_EQ(rows[0][1].value_or("NULL"), "big5");
  EXPECT_EQ(rows[0][2].value_or("NULL"), "big5");
}

TEST_F(Database, ValuesTheServerCutUnderTheLenientModeAreCounted) {
  db_->execSql("CREATE TABLE `T` (`K` int NOT NULL, `A` char(4), PRIMARY KEY (`K`))");
  db_->execSql("INSERT INTO T VALUES (1, 'abcdef'), (2, 'ab'), (3, 'abcde')");
  EXPECT_EQ(db_->cutsOfLastStatement(), 2u);
  db_->execSql("UPDATE T SET A = 'xy'");
  EXPECT_EQ(db_->cutsOfLastStatement(), 0u);
}

TEST_F(Database, StatementTextReachesTheServerAsWritten) {
  // Big5 trail bytes "{" and "\\", braces of the ODBC escape forms and a "?" in quotes:
  // nothing is rewritten on the way.
  const std::string text = "\xA4\x7B\xB3\x5C{fn UCASE('a')}{d '2001-01-01'}?";
  db_->execSql("CREATE TABLE `T` (`K` int NOT NULL, `A` varchar(60), PRIMARY KEY (`K`))");
  db_->execSql("INSERT INTO T VALUES (1, '" + text.substr(0, 4) + "{fn UCASE(''a'')}" +
               "{d ''2001-01-01''}?') -- {fn NOW()}?");
  EXPECT_EQ(serverRows("SELECT A FROM T"), std::vector<std::string>{text});
}

TEST_F(Database, MissingTablesAndFieldsHaveTheirOwnErrors) {
  db_->execSql("CREATE TABLE `T` (`K` int NOT NULL, PRIMARY KEY (`K`))");
  EXPECT_FALSE(db_->tableExists("Nope"));
  EXPECT_TRUE(db_->tableExists("T"));
  EXPECT_TRUE(db_->tableExists("T.DB"));
  EXPECT_EQ(caught([&] { db_->openTable("Nope", OpenMode::ReadOnly); }).kind(),
            ErrorKind::MissingTable);
  EXPECT_EQ(caught([&] { db_->deleteTable("Nope"); }).kind(), ErrorKind::MissingTable);
  EXPECT_EQ(caught([&] { db_->emptyTable("Nope"); }).kind(), ErrorKind::MissingTable);
  EXPECT_EQ(caught([&] { db_->execSql("ALTER TABLE Nope Modify Column `A` char(3)"); }).kind(),
            ErrorKind::MissingTable);
  EngineError e = caught([&] { db_->execSql("ALTER TABLE T Drop Column `BoxNumber`"); });
  EXPECT_NE(e.kind(), ErrorKind::DuplicateKey);
  EXPECT_NE(std::string(e.what()).find("BoxNumber"), std::string::npos) << e.what();
  EXPECT_EQ(caught([&] { db_->selectCount("SELECT Nope FROM T"); }).kind(),
            ErrorKind::MissingField);
}

TEST_F(Database, NamedParametersAreBoundAsIntegers) {
  db_->execSql(
      "CREATE TABLE `CB21` (`FormNo` int NOT NULL, `Note` varchar(20), "
      "PRIMARY KEY (`FormNo`))");
  db_->execSql("INSERT INTO CB21 VALUES (1, ':iFormNo'), (2, 'b'), (3, 'c')");
  EXPECT_EQ(db_->selectCount("SELECT * FROM CB21 WHERE FormNo >= :iFrom", {{"iFrom", 2}}), 2);
  db_->execSql("DELETE FROM CB21\r\nWHERE FormNo = :iFormNo OR Note = ':iFormNo'",
               {{"iFormNo", 3}});
  EXPECT_EQ(serverRows("SELECT FormNo FROM CB21 ORDER BY FormNo"), std::vector<std::string>{"2"});

  // A parameter without a value stops the statement before the server sees it.
  EXPECT_THROW(db_->execSql("DELETE FROM CB21 WHERE FormNo = :iOther", {{"iFormNo", 2}}),
               EngineError);
  EXPECT_EQ(db_->selectCount("SELECT * FROM CB21"), 1);
  // Without parameters the text goes as written, colons and all.
  db_->execSql("UPDATE CB21 SET Note = 'a:b'");
  EXPECT_EQ(serverRows("SELECT Note FROM CB21"), std::vector<std::string>{"a:b"});
}

TEST_F(Database, TablesAreCreatedEmptiedRenamedAndDeleted) {
  TableSchema schema;
  schema.fields = {{"Mode", FieldType::Alpha, 10}, {"SEQ", FieldType::Long, 0},
                   {"Text", FieldType::Memo, 0},   {"OK", FieldType::Logical, 0},
                   {"Amount", FieldType::Bcd, 2},  {"When", FieldType::Timestamp, 0}};
  schema.indexes = {{"", {"Mode", "SEQ"}, true, true, false}};
  db_->createTable("XMLApp.DB", schema);
  EXPECT_TRUE(db_->tableExists("XMLApp"));
  EXPECT_THROW(db_->createTable("XMLApp", schema), EngineError);

  auto store = db_->openTable("XMLApp", OpenMode::ReadWrite);
  TableSchema asServed = schema;
  asServed.fields[0].sizeInCharacters = true;  // the server counts a text width in characters
  EXPECT_EQ(store->schema().fields, asServed.fields);
  ASSERT_FALSE(store->schema().indexes.empty());
  EXPECT_TRUE(store->schema().indexes[0].primary);
  EXPECT_EQ(store->schema().indexes[0].fields, (std::vector<std::string>{"Mode", "SEQ"}));
  store->insert(
      {Value("X102"), Value(1), Value("t"), Value(true), Value(Decimal{"1.25"}), Value::null()});
  store->insert(
      {Value("X102"), Value(2), Value::null(), Value(false), Value::null(), Value::null()});

  // An open table cannot be deleted or renamed; emptying it empties what the handles see.
  EXPECT_EQ(caught([&] { db_->deleteTable("XMLApp"); }).kind(), ErrorKind::Locked);
  EXPECT_EQ(caught([&] { db_->renameTable("XMLApp", "Old"); }).kind(), ErrorKind::Locked);
  db_->emptyTable("XMLApp");
  EXPECT_EQ(store->size(), 0u);
  EXPECT_EQ(db_->selectCount("SELECT * FROM XMLApp"), 0);
  store->insert(
      {Value("X602"), Value(1), Value::null(), Value::null(), Value::null(), Value::null()});
  db_->closeTable(store, OpenMode::ReadWrite);

  db_->renameTable("XMLApp", "TempXMLApp.DB");
  EXPECT_FALSE(db_->tableExists("XMLApp"));
  EXPECT_EQ(db_->selectCount("SELECT * FROM TempXMLApp"), 1);
  db_->emptyTable("TempXMLApp");
  EXPECT_EQ(db_->selectCount("SELECT * FROM TempXMLApp"), 0);
  db_->deleteTable("TempXMLApp");
  EXPECT_FALSE(db_->tableExists("TempXMLApp"));
}

TEST_F(Database, HandlesOfOneTableShareItsRowsUntilTheLastCloses) {
  db_->execSql("CREATE TABLE `T` (`K` int NOT NULL, PRIMARY KEY (`K`))");
  auto a = db_->openTable("T", OpenMode::ReadWrite);
  auto b = db_->openTable("T.DB", OpenMode::ReadOnly);
  EXPECT_EQ(a, b);
  EXPECT_EQ(caught([&] { db_->openTable("T", OpenMode::Exclusive); }).kind(), ErrorKind::Locked);
  a->insert({Value(1)});
  EXPECT_EQ(b->size(), 1u);
  db_->closeTable(a, OpenMode::ReadWrite);
  db_->closeTable(b, OpenMode::ReadOnly);

  // Reopened, the rows are read again: a change made elsewhere shows.
  otherSession()->execute("INSERT INTO T VALUES (2)");
  auto c = db_->openTable("T", OpenMode::Exclusive);
  EXPECT_EQ(c->size(), 2u);
  EXPECT_EQ(caught([&] { db_->openTable("T", OpenMode::ReadOnly); }).kind(), ErrorKind::Locked);
  db_->closeTable(c, OpenMode::Exclusive);
}

TEST_F(Database, AFlushMakesTheNextOpenSeeAnAlteredTable) {
  db_->execSql(
      "CREATE TABLE `X202_4` (`Code` char(3) NOT NULL, `Description` char(100), "
      "PRIMARY KEY (`Code`)) TYPE=MyISAM;");
  auto sizeOf = [&](int pos) {
    auto store = db_->openTable("X202_4", OpenMode::ReadOnly);
    const int size = store->schema().fields.at(pos).size;
    db_->closeTable(store, OpenMode::ReadOnly);
    return size;
  };
  EXPECT_EQ(sizeOf(1), 100);
  // Altered through the engine: seen at once.
  db_->execSql("ALTER TABLE X202_4 Modify Column `Description` char(150)");
  EXPECT_EQ(sizeOf(1), 150);
  // Altered behind the engine's back: seen once the table's cached columns are flushed.
  otherSession()->execute("ALTER TABLE X202_4 Modify Column `Description` char(160)");
  db_->flushSchema("X202_4.DB");
  EXPECT_EQ(sizeOf(1), 160);
  // A column added elsewhere does not fit the cached columns; they are read again.
  otherSession()->execute("ALTER TABLE X202_4 ADD COLUMN `Extra` char(7)");
  EXPECT_EQ(sizeOf(2), 7);
}

TEST_F(Database, ALostConnectionIsAServerErrorWithTheServersMessage) {
  db_->execSql("CREATE TABLE `T` (`K` int NOT NULL, PRIMARY KEY (`K`))");
  auto store = db_->openTable("T", OpenMode::ReadWrite);
  store->insert({Value(1)});

  otherSession()->execute("KILL CONNECTION " + std::to_string(db_->connection().threadId()));

  EngineError e = caught([&] { store->insert({Value(2)}); });
  EXPECT_EQ(e.kind(), ErrorKind::Server);
  EXPECT_FALSE(std::string(e.what()).empty());
  EXPECT_EQ(store->size(), 1u);
  // Every later call says so too; none pretends the table is simply missing.
  EXPECT_EQ(caught([&] { db_->tableExists("T"); }).kind(), ErrorKind::Server);
  e = caught([&] { db_->execSql("ALTER TABLE T ADD COLUMN `V` char(1)"); });
  EXPECT_EQ(e.kind(), ErrorKind::Server);
  EXPECT_FALSE(std::string(e.what()).empty());
  db_->closeTable(store, OpenMode::ReadWrite);
  EXPECT_EQ(serverRows("SELECT K FROM T"), std::vector<std::string>{"1"});
}

}  // namespace
}  // namespace kvt::mysql::testing
