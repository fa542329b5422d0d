// New code and message tables on both database kinds.
#include <gtest/gtest.h>

#include "schema/upgrade/CreateStatements.h"
#include "schema/upgrade/NewTables.h"
#include "schema/upgrade/UpgradeSupport.h"
#include "tests/dbupgrade/KindTest.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::testing {
namespace {

using namespace kvt::upgrade;

class NewTables : public KindTest {
 protected:
  void release(const std::string& table) {
    demo::BuildTable(inst->release(), demo::Find(demo::ReleaseTables(), table));
  }
  // Puts a database in front of the package's that refuses statements containing `text`.
  RefusingDatabase& refuse(const std::string& text) {
    auto refusing = std::make_unique<RefusingDatabase>(std::move(ctx().packageDb), text);
    RefusingDatabase& r = *refusing;
    ctx().packageDb = std::move(refusing);
    return r;
  }
};
KVT_BOTH_KINDS(NewTables);

TEST_P(NewTables, CodeTableIsCreatedOnceAndThenFoundExisting) {
  release("X101_16");
  CreateCodeTable(ctx(), "X101_16", 2, "", 140);
  EXPECT_EQ(inst->log(), std::vector<std::string>{"已建立 X101_16 資料表。"});
  EXPECT_EQ(FieldNames(inst->package(), "X101_16"),
            (std::vector<std::string>{"Type", "Code", "Description"}));
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X101_16", "Description"), 140);
  // Paradox takes the release's table with its rows; MySQL starts empty.
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X101_16").size(), mysql() ? 0u : 1u);

  inst->newRun();
  CreateCodeTable(ctx(), "X101_16", 2, "", 140);
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X101_16  已存在。"});
  inst->newRun();
  ctx().ShowUpgradeOnly = true;
  CreateCodeTable(ctx(), "X101_16", 2, "", 140);
  EXPECT_TRUE(inst->log().empty());
}

TEST_P(NewTables, ECFAUnitIsMadeAfreshOnEveryRun) {
  release("ECFAUnit");
  for (int run = 0; run < 2; ++run) {
    inst->newRun();
    CreateCodeTable(ctx(), "ECFAUnit", 3, "Unit", 20);
    EXPECT_EQ(inst->log(), std::vector<std::string>{"已建立 ECFAUnit 資料表。"}) << run;
    EXPECT_EQ(FieldNames(inst->package(), "ECFAUnit"),
              (std::vector<std::string>{"SEQ", "Code", "Unit", "Note"}));
    // A row added by hand does not survive the next run.
    Table t(inst->package(), "ECFAUnit");
    t.open();
    t.append();
    t.set("SEQ", Value(7));
    t.set("Code", Value("999"));
    t.post();
  }
}

TEST_P(NewTables, AFailedCreateIsReported) {
  if (mysql()) {
    refuse("CREATE TABLE `PortCN`");
  }  // on Paradox the release simply lacks the table
  CreateCodeTable(ctx(), "PortCN", 5, "CName", 30);
  EXPECT_TRUE(inst->logged("建立 PortCN 資料表時失敗 !")) << inst->logText();
  EXPECT_EQ(inst->countLogged("已建立"), 0);
  if (!mysql())
    EXPECT_TRUE(
        inst->logged(std::string("找不到來源檔 ") + Installation::kReleaseDir + "PortCN.DB。"));
  EXPECT_FALSE(inst->package().tableExists("PortCN"));
}

TEST_P(NewTables, ScriptedTablesAndTheirFailureLines) {
  release("X903_2nd");
  EXPECT_TRUE(CreateScriptedTable(ctx(), "X903_2nd"));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"已建立 X903_2nd 資料表。"});
  EXPECT_EQ(FieldNames(inst->package(), "X903_2nd"),
            (std::vector<std::string>{"MsgID", "SNo", "SEQ", "ErrorType", "Description"}));
  inst->newRun();
  EXPECT_FALSE(CreateScriptedTable(ctx(), "X903_2nd"));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X903_2nd 已存在。"});

  if (!mysql()) return;
  inst->newRun();
  refuse("CREATE TABLE");
  EXPECT_FALSE(CreateScriptedTable(ctx(), "X901_5th"));
  EXPECT_TRUE(inst->log().empty()) << inst->logText();
  EXPECT_FALSE(CreateScriptedTable(ctx(), "X602_2nd"));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"建立 X602_2nd 資料表時發生錯誤 !"});
}

TEST_P(NewTables, XIDPSWIsCreatedAndFilledFromTheRelease) {
  release("XIDPSW");
  AddXIDPSW(ctx());
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"已建立 XIDPSW 資料表。", "更新了 XIDPSW 資料表。"}));
  const auto expected = demo::Find(demo::ReleaseTables(), "XIDPSW").rows;
  auto rows = Installation::rowsOf(inst->package(), "XIDPSW");
  ASSERT_EQ(rows.size(), expected.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r][0], expected[r][0]);
    EXPECT_EQ(rows[r][1], expected[r][1]);  // Chinese name, byte for byte
  }
  inst->newRun();
  AddXIDPSW(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 XIDPSW   已存在。"});
}

TEST_P(NewTables, XIDPSWWithoutItsReleaseTable) {
  AddXIDPSW(ctx());
  if (mysql()) {
    EXPECT_EQ(inst->log(), (std::vector<std::string>{"已建立 XIDPSW 資料表。",
                                                     "開啟來源資料表 XIDPSW 時失敗。"}));
    EXPECT_TRUE(inst->package().tableExists("XIDPSW"));
  } else {
    EXPECT_TRUE(inst->logged("建立 XIDPSW 資料表時失敗 !")) << inst->logText();
    EXPECT_FALSE(inst->package().tableExists("XIDPSW"));
  }
}

TEST_P(NewTables, EMailLogIsAddedBesideTheCustomersEMailFTP) {
  release("EMailFTP");
  release("EMailLog");
  const auto installed = demo::Find(demo::InstallationTables(), "EMailFTP");
  demo::BuildTable(inst->package(), installed);

  AddEMailFTP(ctx());
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"資料表 EMailFTP 已存在。", "已建立 EMailLog 資料表。"}));
  EXPECT_EQ(Installation::rowsOf(inst->package(), "EMailFTP"), installed.rows);
  EXPECT_TRUE(inst->package().tableExists("EMailLog"));

  inst->newRun();
  AddEMailFTP(ctx());
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"資料表 EMailFTP 已存在。", "資料表 EMailLog 已存在。"}));
}

TEST_P(NewTables, StepsFollowTheirSwitchesAndStopAtTheStopFlag) {
  for (const char* t : {"X101_9", "X101_10", "CargoDOC", "X601_15", "X602_3"}) release(t);
  auto& sw = ctx().switches;
  sw.DoAddX101_9 = true;
  sw.DoAddCargoDOC = true;
  sw.DoAddX601[14] = true;
  sw.DoAddX602_03 = true;
  RunCodeTableSteps(ctx());
  RunNewTableSteps(ctx());
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"已建立 X101_9 資料表。", "已建立 CargoDOC 資料表。",
                                      "已建立 X601_15 資料表。", "已建立 X602_3 資料表。"}));
  EXPECT_EQ(FieldNames(inst->package(), "X601_15"),
            (std::vector<std::string>{"Code", "Description", "CName"}));
  EXPECT_FALSE(inst->package().tableExists("X101_10"));

  inst->newRun();
  sw.DoAddX101_10 = true;
  ctx().StopFlag = true;
  RunCodeTableSteps(ctx());
  RunNewTableSteps(ctx());
  EXPECT_TRUE(inst->log().empty());
  EXPECT_FALSE(inst->package().tableExists("X101_10"));
}

// Every statement goes through on the server and gives the layout it spells out.
TEST(ServerStatements, EveryCreateStatementIsAccepted) {
  std::string why;
  if (!TestServer(&why)) GTEST_SKIP() << why;
  Installation inst(Kind::MySql);
  struct Code {
    const char* table;
    int code;
    const char* description;
    int width;
    std::vector<std::string> fields;
    std::vector<std::string> key;
  };
  const std::vector<Code> codes = {
      {"X101_16", 2, "", 140, {"Type", "Code", "Description"}, {"Type", "Code"}},
      {"X101_11", 1, "", 60, {"Code", "Type", "Description", "PrintText"}, {"Code"}},
      {"X101_12", 3, "", 200, {"Type", "CName", "Code", "Description"}, {"Type", "CName", "Code"}},
      {"X101_13",
       2,
       "",
       200,
       {"Type", "CName", "Code", "Description", "PrintText"},
       {"Type", "CName", "Code"}},
      {"ECFAUnit", 3, "Unit", 20, {"SEQ", "Code", "Unit", "Note"}, {"SEQ", "Code"}},
      {"PortCN", 5, "CName", 30, {"Code", "CName", "EName", "CodeCName"}, {"Code"}},
      {"X601_15", 5, "", 40, {"Code", "Description", "CName"}, {"Code"}},
      {"CNCode", 8, "", 200, {"Code", "Description"}, {"Code"}},
  };
  for (const auto& c : codes) {
    ASSERT_NO_THROW(inst.package().execSql(
        JoinStatement(CodeTableStatement(c.table, c.code, c.description, c.width))))
        << c.table;
    const TableSchema schema = Installation::schemaOf(inst.package(), c.table);
    EXPECT_EQ(FieldNames(inst.package(), c.table), c.fields) << c.table;
    ASSERT_FALSE(schema.indexes.empty()) << c.table;
    EXPECT_EQ(schema.indexes.front().fields, c.key) << c.table;
    EXPECT_EQ(Installation::sizeOf(inst.package(), c.table, "Code"), c.code) << c.table;
  }
  for (const char* table : {"X901_5th", "XIDPSW", "EMailFTP", "EMailLog", "X903Base", "X903_2nd",
                            "XS01Base", "XS02Base", "X602Base", "X602_2nd", "X602_3rd"}) {
    EXPECT_NO_THROW(inst.package().execSql(JoinStatement(ScriptedTableStatement(table)))) << table;
  }
  EXPECT_EQ(Installation::sizeOf(inst.package(), "XS02Base", "PremiumNo"), 12);
}

}  // namespace
}  // namespace kvt::testing
