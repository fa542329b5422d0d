// The whole database part of a run on the demonstration installation, on both kinds.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "schema/upgrade/DatabaseSteps.h"
#include "tests/dbupgrade/KindTest.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::testing {
namespace {

using kvt::upgrade::RunDatabaseSteps;

class DatabaseSteps : public KindTest {
 protected:
  std::map<std::string, std::vector<Row>> snapshot(const std::vector<std::string>& tables) {
    std::map<std::string, std::vector<Row>> rows;
    for (const auto& t : tables) rows[t] = Installation::rowsOf(inst->package(), t);
    return rows;
  }
};
KVT_BOTH_KINDS(DatabaseSteps);

TEST_P(DatabaseSteps, DemoInstallationIsUpgradedOnceAndThenFoundNew) {
  demo::BuildTables(inst->package(), demo::InstallationTables());
  demo::BuildTables(inst->release(), demo::ReleaseTables());
  AllDatabaseSwitches(ctx().switches);

  RunDatabaseSteps(ctx());
  const std::string first = inst->logText();
  Database& db = inst->package();
  EXPECT_EQ(Installation::sizeOf(db, "X102Base", "MsgID"), 20) << first;
  EXPECT_EQ(Installation::sizeOf(db, "X202Base", "ProcessingNo"), 18);
  EXPECT_EQ(Installation::sizeOf(db, "X202Memo", "ProcessingNo"), 18);
  EXPECT_EQ(Installation::sizeOf(db, "XS02Base", "PremiumNo"), 14);
  EXPECT_EQ(Installation::sizeOf(db, "X901_2nd", "ErrorCode"), 4);
  EXPECT_EQ(Installation::sizeOf(db, "X802_3rd", "ErrorCodeDescription"), 150);
  EXPECT_EQ(Installation::sizeOf(db, "X802Base", "BoxNumber"), -1);
  for (const char* t : {"X101_9", "X101_16", "PortTW", "X901_5th", "XIDPSW", "EMailLog", "X903_2nd",
                        "CNCode", "X601_1", "X601_15", "X602_3", "X101_6", "X201_6"})
    EXPECT_TRUE(db.tableExists(t)) << t << "\n" << first;
  const auto installed = demo::InstallationTables();
  auto installedColumn = [&](const char* table, size_t field) {
    std::vector<Value> values;
    for (const Row& row : demo::Find(installed, table).rows) values.push_back(row[field]);
    return values;
  };
  EXPECT_EQ(Column(db, "X202Base", "ApplicantName"), installedColumn("X202Base", 3));
  EXPECT_EQ(Column(db, "X202Memo", "Memo"), installedColumn("X202Memo", 2));
  EXPECT_EQ(Installation::rowsOf(db, "EMailFTP"), demo::Find(installed, "EMailFTP").rows);

  const std::vector<std::string> kept = {"X202Base", "X202Memo", "XS02Base", "X402Base",
                                         "X802Base", "X802_3rd", "X901Base", "X901_2nd",
                                         "X902Base", "X202_4",   "X101_12",  "XIDPSW",
                                         "EMailFTP", "XMLApp",   "XNoMap2",  "DS43Port"};
  const auto afterFirst = snapshot(kept);

  inst->newRun();
  AllDatabaseSwitches(ctx().switches);
  RunDatabaseSteps(ctx());
  const std::string second = inst->logText();
  EXPECT_EQ(inst->countLogged(" 資料表 X"), 0) << second;  // no "更新了 <kind> 資料表 X..."
  EXPECT_EQ(inst->countLogged("已建立 X"), 0) << second;
  EXPECT_EQ(inst->countLogged("時發生錯誤"), 0) << second;
  EXPECT_EQ(inst->countLogged("時失敗"), 0) << second;
  for (const char* line :
       {"資料表 X202Base 已是新的。", "資料表 X802_3rd 已是新的。", "資料表 X101_16  已存在。",
        "資料表 XIDPSW   已存在。", "資料表 X602Base 已存在。"})
    EXPECT_TRUE(inst->logged(line)) << line << "\n" << second;
  EXPECT_EQ(snapshot(kept), afterFirst);

  inst->newRun();
  AllDatabaseSwitches(ctx().switches);
  ctx().ShowUpgradeOnly = true;
  RunDatabaseSteps(ctx());
  EXPECT_EQ(inst->countLogged("已是新的"), 0) << inst->logText();
  EXPECT_EQ(inst->countLogged("已存在"), 0) << inst->logText();
}

TEST_P(DatabaseSteps, NothingHappensWithoutADatabaseOrAfterAStop) {
  AllDatabaseSwitches(ctx().switches);
  ctx().StopFlag = true;
  RunDatabaseSteps(ctx());
  EXPECT_TRUE(inst->log().empty()) << inst->logText();

  inst->newRun();
  ctx().DatabaseDir.clear();
  RunDatabaseSteps(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"沒有找到資料庫的路徑 !"});
}

}  // namespace
}  // namespace kvt::testing
