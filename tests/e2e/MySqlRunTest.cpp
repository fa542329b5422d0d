// A run of the program's logic with its real steps on the demonstration installation with its
// database on the MariaDB test server: the same files, the tables altered by statements, and
// a second run that changes neither a file nor a table.
#include <gtest/gtest.h>

#include <memory>

#include "DemoInstallation.h"
#include "RunChecks.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::e2e {
namespace {

// Every table a run may touch.
std::vector<std::string> TableNames() {
  std::vector<std::string> names = {"Company", "XIDPSW", "X602base"};
  for (const auto& t : demo::InstallationTables()) names.push_back(t.name);
  for (const auto& t : demo::ReleaseTables()) names.push_back(t.name);
  return names;
}

class MySqlRun : public ::testing::Test {
 protected:
  struct Runs {
    DemoInstallation inst{DemoInstallation::OnMySql{}};
    FileSnapshot before, afterFirst, afterSecond;
    DatabaseImage tablesBefore;
    std::map<std::string, std::string> tablesAfterFirst, tablesAfterSecond;
    RunResult first, second;
  };
  static inline std::unique_ptr<Runs> runs_;

  static void SetUpTestSuite() {
    runs_ = std::make_unique<Runs>();
    Runs& r = *runs_;
    r.before = r.inst.Snapshot();
    r.tablesBefore = CaptureInstalledTables(r.inst);
    r.first = r.inst.Run();
    r.afterFirst = r.inst.Snapshot();
    r.tablesAfterFirst = r.inst.Dump(TableNames());
    WaitForNextSecond();
    r.second = r.inst.Run();
    r.afterSecond = r.inst.Snapshot();
    r.tablesAfterSecond = r.inst.Dump(TableNames());
  }
  static void TearDownTestSuite() { runs_.reset(); }
};

TEST_F(MySqlRun, FilesAreUpgradedAsOnParadox) {
  ExpectProgramsUpgraded(runs_->before, runs_->afterFirst);
  ExpectFilesCopied(runs_->before, runs_->afterFirst);
}

TEST_F(MySqlRun, TablesAreAlteredCreatedAndRefilledWithoutLosingRows) {
  ExpectTablesUpgraded(runs_->inst);
  // Altered in place by a statement: the rows stay.
  EXPECT_EQ(runs_->inst.RowsOf("X102Base").size(),
            demo::Find(demo::InstallationTables(), "X102Base").rows.size());
}

TEST_F(MySqlRun, FormFilesAreUpgradedWithBackups) {
  ExpectFormFilesUpgraded(runs_->inst, runs_->first, runs_->before, runs_->afterFirst);
}

TEST_F(MySqlRun, LogFollowsTheRunOrder) {
  EXPECT_EQ(runs_->first.log.front(), "使用 MySQL 資料庫。");
  ExpectLogInRunOrder(runs_->first, "更新了 MySQL 資料表 X202Base。");
  // The SourceDB tables are refilled on the server, not copied as files.
  EXPECT_GE(FindLine(runs_->first.log, "更新了 MySQL 的資料表 X101_6。"), 0);
  EXPECT_EQ(CountLines(runs_->first.log, "\\Database\\"), 0);
}

TEST_F(MySqlRun, SecondRunChangesNeitherFilesNorTables) {
  ExpectNothingChangedBySecondRun(runs_->second, runs_->afterFirst, runs_->afterSecond);
  EXPECT_EQ(runs_->tablesAfterSecond, runs_->tablesAfterFirst);
  EXPECT_GE(FindLine(runs_->second.log, "資料表 X102Base 已是新的。"), 0);
}

TEST_F(MySqlRun, NoRowAndNoValueIsLostOverTwoRuns) {
  ExpectNoValueLost(runs_->tablesBefore, runs_->inst);
}

}  // namespace
}  // namespace kvt::e2e
