// The SourceDB tables: refilled from the release on MySQL (with the repairs of old layouts),
// copied as files on Paradox.
#include <gtest/gtest.h>

#include "schema/upgrade/ReleaseRefill.h"
#include "tests/dbupgrade/KindTest.h"

namespace kvt::testing {
namespace {

using namespace kvt::upgrade;

class Refill : public KindTest {};
KVT_BOTH_KINDS(Refill);

TEST_P(Refill, SourceDbEntriesReplaceTheInstalledRows) {
  inst->makePackageTable("X201_6", "Code A3 *; Description A40; Note A20",
                         {{Value("009"), Value("old"), Value("")}});
  inst->makeReleaseTable("X201_6", "Code A3 *; Description A40; Note A20",
                         {{Value("001"), Value(Big5("說明")), Value(Big5("附註"))},
                          {Value("002"), Value(Big5("第二")), Value("")}});
  ctx().switches.SourceDB = {"X201_6"};
  RunSourceDbStep(ctx());
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X201_6"),
            (std::vector<Row>{{Value("001"), Value(Big5("說明")), Value(Big5("附註"))},
                              {Value("002"), Value(Big5("第二")), Value()}}));
  if (mysql()) {
    EXPECT_EQ(inst->log(), std::vector<std::string>{"更新了 MySQL 的資料表 X201_6。"});
  } else {
    const std::string db = Installation::kDatabaseDir;
    EXPECT_EQ(inst->log(), (std::vector<std::string>{"找到 " + db + "X201_6.DB 並更新完成。",
                                                     "找到 " + db + "X201_6.PX 並更新完成。"}));
  }
}

TEST_P(Refill, AMissingReleaseTableLeavesThePackageTableAsItWas) {
  inst->makePackageTable("X101_6", "Code A3 *; Description A40", {{Value("001"), Value("keep")}});
  ctx().switches.SourceDB = {"X101_6"};
  RunSourceDbStep(ctx());
  if (mysql()) {
    EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到來源資料表 X101_6。"});
  } else {
    EXPECT_TRUE(
        inst->logged(std::string("找不到來源檔 ") + Installation::kReleaseDir + "X101_6.DB。"));
  }
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X101_6"),
            (std::vector<Row>{{Value("001"), Value("keep")}}));
}

TEST_P(Refill, StopFlagEndsTheList) {
  inst->makeReleaseTable("X201_6", "Code A3 *; Description A40", {{Value("001"), Value("x")}});
  ctx().switches.SourceDB = {"X201_6"};
  ctx().StopFlag = true;
  RunSourceDbStep(ctx());
  EXPECT_TRUE(inst->log().empty());
}

class ServerRefill : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!TestServer(&why)) GTEST_SKIP() << why;
    inst = std::make_unique<Installation>(Kind::MySql);
  }
  void sql(const std::string& statement) { inst->package().execSql(statement); }
  std::unique_ptr<Installation> inst;
};

TEST_F(ServerRefill, AReleaseTableThatCannotBeOpenedLeavesThePackageRows) {
  inst->makePackageTable("X201_6", "Code A3 *; Description A40", {{Value("001"), Value("keep")}});
  auto& fs = inst->ctx().fs;
  ASSERT_TRUE(
      fs.writeFile(std::string(Installation::kReleaseDir) + "X201_6.DB", std::string(64, '\x55')));
  RefreshTableFromRelease(inst->ctx(), "X201_6");
  EXPECT_EQ(inst->log(), std::vector<std::string>{"開啟來源資料表 X201_6 時失敗。"});
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X201_6"),
            (std::vector<Row>{{Value("001"), Value("keep")}}));
}

TEST_F(ServerRefill, AMissingPackageTableIsReported) {
  inst->makeReleaseTable("X201_6", "Code A3 *; Description A40", {{Value("001"), Value("x")}});
  RefreshTableFromRelease(inst->ctx(), "X201_6");
  EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到目的資料表 X201_6。"});
}

TEST_F(ServerRefill, ReleaseValuesTooLongForThePackageColumnAreCountedAndNamed) {
  inst->makePackageTable("X201_6", "Code A3 *; Description A4", {{Value("001"), Value("old")}});
  inst->makeReleaseTable("X201_6", "Code A3 *; Description A40",
                         {{Value("001"), Value("fits")},
                          {Value("002"), Value("too long")},
                          {Value("003"), Value(Big5("高雄國際機場"))}});
  RefreshTableFromRelease(inst->ctx(), "X201_6");
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{
                "增加 MySQL X201_6 的 Note char(20)。",
                "資料表 X201_6 的 Description 欄位有 2 筆資料被截短，原來的資料保留在 " +
                    std::string(Installation::kReleaseDir) + "X201_6.DB。",
                "更新了 MySQL 的資料表 X201_6。"}));
  EXPECT_EQ(Column(inst->package(), "X201_6", "Description"),
            (std::vector<Value>{Value("fits"), Value("too "), Value(Big5("高雄國際"))}));
}

TEST_F(ServerRefill, ReleaseRowsThatMeetOnAShortenedKeyKeepTheFirstAndTheRest) {
  inst->makePackageTable("X201_6", "Code A2 *; Description A40", {{Value("99"), Value("old")}});
  inst->makeReleaseTable("X201_6", "Code A3 *; Description A40",
                         {{Value("001"), Value("a")},
                          {Value("002"), Value("b")},  // "00" again: refused
                          {Value("011"), Value("c")}});
  RefreshTableFromRelease(inst->ctx(), "X201_6");
  EXPECT_EQ(inst->log(), (std::vector<std::string>{
                             "增加 MySQL X201_6 的 Note char(20)。",
                             "資料表 X201_6 的 Code 欄位有 3 筆資料被截短，原來的資料保留在 " +
                                 std::string(Installation::kReleaseDir) + "X201_6.DB。",
                             "更新了 MySQL 的資料表 X201_6。"}));
  EXPECT_EQ(Column(inst->package(), "X201_6", "Description"),
            (std::vector<Value>{Value("a"), Value("c")}));
}

TEST_F(ServerRefill, X101_1WithFifteenColumnsGetsTheCodeColumns) {
  sql("CREATE TABLE X101_1 (Code char(8) NOT NULL, CName char(40), EName char(40), C01 char(1), "
      "C03 char(1), C10 char(1), A1 char(1), A2 char(1), A3 char(1), A4 char(1), A5 char(1), "
      "A6 char(1), A7 char(1), A8 char(1), A9 char(1), PRIMARY KEY (Code))");
  inst->makeReleaseTable(
      "X101_1", "Code A8 *; CName A40; EName A40; C02 A1; TelNo A30",
      {{Value("12345678"), Value(Big5("報關行")), Value("Broker"), Value("Y"), Value("02-1234")}});
  RefreshTableFromRelease(inst->ctx(), "X101_1");
  std::vector<std::string> expected;
  for (const char* c :
       {"C02", "C04", "C05", "C06", "C07", "C08", "C09", "C11", "C12", "C13", "C14", "C15", "C16"})
    expected.push_back(std::string("增加 MySQL X101_1 的 ") + c + " char(1)。");
  expected.push_back("更新了 MySQL 的資料表 X101_1。");
  EXPECT_EQ(inst->log(), expected);
  const auto names = FieldNames(inst->package(), "X101_1");
  ASSERT_EQ(names.size(), 28u);
  EXPECT_EQ(names[3], "C02");
  EXPECT_EQ(names[15], "C16");
  EXPECT_EQ(Column(inst->package(), "X101_1", "CName"), std::vector<Value>{Value(Big5("報關行"))});
  EXPECT_EQ(Column(inst->package(), "X101_1", "C02"), std::vector<Value>{Value("Y")});
}

TEST_F(ServerRefill, X101_1WithNineteenColumnsGetsOnlyTheContactColumns) {
  std::string create = "CREATE TABLE X101_1 (Code char(8) NOT NULL, CName char(40), EName char(40)";
  for (int i = 1; i <= 16; ++i) create += ", K" + std::to_string(i) + " char(1)";
  sql(create + ", PRIMARY KEY (Code))");
  inst->makeReleaseTable("X101_1", "Code A8 *; EName A40; Address M10",
                         {{Value("1"), Value("E"), Value(Big5("台北市中正區"))}});
  RefreshTableFromRelease(inst->ctx(), "X101_1");
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{
                "增加 MySQL X101_1 的 TelNo char(30)。", "增加 MySQL X101_1 的 FaxNo char(30)。",
                "增加 MySQL X101_1 的 Contacter char(20)。",
                "增加 MySQL X101_1 的 Address (Text)。", "更新了 MySQL 的資料表 X101_1。"}));
  const auto names = FieldNames(inst->package(), "X101_1");
  EXPECT_EQ(std::vector<std::string>(names.begin() + 2, names.begin() + 7),
            (std::vector<std::string>{"EName", "TelNo", "FaxNo", "Contacter", "Address"}));
  EXPECT_EQ(Column(inst->package(), "X101_1", "Address"),
            std::vector<Value>{Value(Big5("台北市中正區"))});
}

TEST_F(ServerRefill, SmallCodeTablesAreRepaired) {
  sql("CREATE TABLE X101_6 (Code char(3) NOT NULL, Description char(40), PRIMARY KEY (Code))");
  sql("CREATE TABLE X201_6 (Code char(3) NOT NULL, Description char(40), PRIMARY KEY (Code))");
  sql("CREATE TABLE X101_13 (Type char(2) NOT NULL, CName char(10) NOT NULL, Code char(2) NOT "
      "NULL, Description char(200), PrintText char(3), PRIMARY KEY (Type, CName, Code))");
  inst->makeReleaseTable("X101_6", "Code A3 *; Type A12; Description A200",
                         {{Value("001"), Value("A"), Value(std::string(60, 'x'))}});
  inst->makeReleaseTable("X201_6", "Code A3 *; Description A40; Note A20",
                         {{Value("001"), Value(Big5("說明")), Value(Big5("附註"))}});
  inst->makeReleaseTable(
      "X101_13", "Type A2 *; CName A10 *; Code A2 *; Description A200; PrintText A4",
      {{Value("01"), Value(Big5("甲")), Value("01"), Value("d"), Value("ABCD")}});
  inst->ctx().switches.SourceDB = {"X101_6", "X201_6", "X101_13"};
  RunSourceDbStep(inst->ctx());
  EXPECT_EQ(
      inst->log(),
      (std::vector<std::string>{
          "增加 MySQL X101_6 的 Type char(12)。", "更改 MySQL X101_6 的 Description 為 char(200)。",
          "更新了 MySQL 的資料表 X101_6。", "增加 MySQL X201_6 的 Note char(20)。",
          "更新了 MySQL 的資料表 X201_6。", "更改 MySQL X101_13 的 PrintText 為 char(4)。",
          "更新了 MySQL 的資料表 X101_13。"}));
  EXPECT_EQ(Column(inst->package(), "X101_6", "Description").at(0).asString().size(), 60u);
  EXPECT_EQ(Column(inst->package(), "X201_6", "Note"), std::vector<Value>{Value(Big5("附註"))});
  EXPECT_EQ(Column(inst->package(), "X101_13", "PrintText"), std::vector<Value>{Value("ABCD")});

  // The repaired layouts are left alone the next time.
  inst->newRun();
  RunSourceDbStep(inst->ctx());
  EXPECT_EQ(inst->log(), (std::vector<std::string>{"更新了 MySQL 的資料表 X101_6。",
                                                   "更新了 MySQL 的資料表 X201_6。",
                                                   "更新了 MySQL 的資料表 X101_13。"}));
}

TEST_F(ServerRefill, OnlyTheUpperCaseEntryRepairsThePortTables) {
  const std::string portColumns =
      "Code char(5) NOT NULL, Name char(30), C1 char(1), C2 char(1), C3 char(1), C4 char(1), "
      "C5 char(1), C6 char(1), C7 char(1), HWay char(1), C9 char(1), PRIMARY KEY (Code)";
  sql("CREATE TABLE Port (" + portColumns + ")");
  inst->makeReleaseTable("Port", "Code A5 *; SEQ A1 *; Name A30",
                         {{Value("TWKEL"), Value("1"), Value(Big5("基隆"))},
                          {Value("TWKEL"), Value("2"), Value(Big5("基隆二"))}});
  inst->ctx().switches.SourceDB = {"Port"};
  RunSourceDbStep(inst->ctx());
  // No repair: the table keeps its key on Code, so the second row is refused.
  EXPECT_EQ(inst->log(), std::vector<std::string>{"更新了 MySQL 的資料表 Port。"});
  EXPECT_EQ(FieldNames(inst->package(), "Port").size(), 11u);
  EXPECT_EQ(Column(inst->package(), "Port", "Name"), std::vector<Value>{Value(Big5("基隆"))});

  inst->newRun();
  inst->ctx().switches.SourceDB = {"PORT"};
  RunSourceDbStep(inst->ctx());
  if (!inst->serverFoldsCase()) {
    // A server that tells "PORT" from "Port" has no table PORT to refill: nothing is lost.
    EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到目的資料表 PORT。"});
    EXPECT_EQ(Column(inst->package(), "Port", "Name"), std::vector<Value>{Value(Big5("基隆"))});
    return;
  }
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{
                "增加 MySQL Port 的 SEQ char(1)。", "增加 MySQL Port 的 Status char(2)。",
                "增加 MySQL Port 的 CDate char(4)。", "增加 MySQL Port 的 IATA char(6)。",
                "更新了 MySQL 的資料表 PORT。"}));
  EXPECT_EQ(Column(inst->package(), "Port", "Name"),
            (std::vector<Value>{Value(Big5("基隆")), Value(Big5("基隆二"))}));
  const TableSchema schema = Installation::schemaOf(inst->package(), "Port");
  EXPECT_EQ(schema.indexes.at(0).fields, (std::vector<std::string>{"Code", "SEQ"}));
}

TEST_F(ServerRefill, DS43PortGetsItsSequenceColumnAndKey) {
  sql("CREATE TABLE DS43Port (Code char(5) NOT NULL, Name char(30), Type char(1), "
      "CountryCode char(2), PRIMARY KEY (Code))");
  inst->makeReleaseTable(
      "DS43PORT", "Code A5 *; SEQ A1 *; Name A30; Type A1; CountryCode A2",
      {{Value("TWKEL"), Value("1"), Value(Big5("基隆")), Value("L"), Value("TW")},
       {Value("TWKEL"), Value("2"), Value(Big5("基隆二")), Value("L"), Value("TW")}});
  RefreshTableFromRelease(inst->ctx(), "DS43PORT");
  if (!inst->serverFoldsCase()) {
    EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到目的資料表 DS43PORT。"});
    return;
  }
  EXPECT_EQ(inst->log(), (std::vector<std::string>{"增加 MySQL DS43Port 的 SEQ char(1)。",
                                                   "更新了 MySQL 的資料表 DS43PORT。"}));
  EXPECT_EQ(Installation::rowsOf(inst->package(), "DS43Port").size(), 2u);
}

}  // namespace
}  // namespace kvt::testing
