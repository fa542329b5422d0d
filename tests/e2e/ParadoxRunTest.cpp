// A run of the program's logic with its real steps on the demonstration installation (Paradox
// tables): programs replaced with dated backups, trade-facilitation files copied, tables
// altered, created and refilled, shared files copied, every part in the log in the run's
// order; a second run over the same installation finds everything already new and changes
// no byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "DemoInstallation.h"
#include "RunChecks.h"
#include "app/AliasSource.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::e2e {
namespace {

namespace fs = std::filesystem;

// Tables whose rows every run deletes and inserts again: the same rows, not always the same
// bytes in the table file.
const std::vector<std::string> kRefreshedTables = {"DS43Port", "XMLApp", "XNoMap2"};

class ParadoxRun : public ::testing::Test {
 protected:
  struct Runs {
    DemoInstallation inst;
    FileSnapshot before, afterFirst, afterSecond;
    DatabaseImage tablesBefore;
    std::map<std::string, std::string> tablesAfterFirst, tablesAfterSecond;
    RunResult first, second;
  };
  static inline std::unique_ptr<Runs> runs_;

  static void SetUpTestSuite() {
    runs_ = std::make_unique<Runs>();
    Runs& r = *runs_;
    // A read-only table file, as a copy from a CD leaves it: the run clears the flag.
    fs::permissions(r.inst.local("C:\\Velmor\\KVT\\Database\\Company.DB"),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    r.before = r.inst.Snapshot();
    r.tablesBefore = CaptureInstalledTables(r.inst);
    r.first = r.inst.Run();
    r.afterFirst = r.inst.Snapshot();
    r.tablesAfterFirst = r.inst.Dump(kRefreshedTables);
    WaitForNextSecond();
    r.second = r.inst.Run();
    r.afterSecond = r.inst.Snapshot();
    r.tablesAfterSecond = r.inst.Dump(kRefreshedTables);
  }
  static void TearDownTestSuite() { runs_.reset(); }

  DemoInstallation& inst() { return runs_->inst; }
  const RunResult& first() { return runs_->first; }
};

TEST_F(ParadoxRun, ProgramsAreReplacedWithDatedBackupsAndTheRestLeftAlone) {
  ExpectProgramsUpgraded(runs_->before, runs_->afterFirst);
}

TEST_F(ParadoxRun, TradeFacilitationAndSharedFilesAreCopied) {
  ExpectFilesCopied(runs_->before, runs_->afterFirst);
}

TEST_F(ParadoxRun, TablesAreAlteredCreatedAndRefilledWithoutLosingRows) {
  ExpectTablesUpgraded(inst());
  // X102Base is replaced by the release's table with its rows carried over; the old table
  // stays whole under its dated backup name.
  std::vector<std::string> backups;
  const std::string dir = "Velmor/KVT/Database/";
  for (const auto& [path, bytes] : runs_->afterFirst) {
    if (path.rfind(dir + "X102Base", 0) == 0 && path.ends_with(".DB") && !runs_->before.count(path))
      backups.push_back(path.substr(dir.size(), path.size() - dir.size() - 3));
  }
  ASSERT_EQ(backups.size(), 1u);
  std::vector<std::string> keptIds, oldIds;
  for (const Row& row : inst().RowsOf(backups[0])) keptIds.push_back(row[0].asString());
  const auto installed = demo::InstallationTables();
  for (const Row& row : demo::Find(installed, "X102Base").rows) oldIds.push_back(row[0].asString());
  EXPECT_EQ(keptIds, oldIds);
  std::vector<std::string> ids;
  for (const Row& row : inst().RowsOf("X102Base")) ids.push_back(row[0].asString());
  EXPECT_EQ(ids, oldIds);
  // The read-only flag of the database directory's files was cleared.
  const auto perms =
      fs::status(inst().local("C:\\Velmor\\KVT\\Database\\Company.DB")).permissions();
  EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
}

TEST_F(ParadoxRun, FormFilesAreUpgradedWithBackups) {
  ExpectFormFilesUpgraded(inst(), first(), runs_->before, runs_->afterFirst);
}

TEST_F(ParadoxRun, LogFollowsTheRunOrder) {
  // Where the alias was looked up opens the log where the platform has more than one place.
  const std::string source = app::InstalledAliasSource(inst().fs())->lookup("KVT").sourceLine;
  ASSERT_GE(first().log.size(), 2u);
  EXPECT_EQ(first().log[source.empty() ? 0 : 1], "KVT Alias 路徑 [C:\\Velmor\\KVT\\Database\\]。");
  if (!source.empty()) EXPECT_EQ(first().log[0], source);
  ExpectLogInRunOrder(first(), "更新了 Paradox 資料表 X202Base。");
  // The Paradox directory gets the release's table files of the SourceDB list.
  EXPECT_GE(FindLine(first().log, "找到 C:\\Velmor\\KVT\\Database\\X101_6.DB 並更新完成。"), 0);
}

TEST_F(ParadoxRun, SecondRunFindsEverythingNewAndChangesNoByte) {
  std::vector<std::string> refreshed;
  for (const std::string& table : kRefreshedTables)
    for (const char* ext : {".DB", ".PX", ".MB"})
      refreshed.push_back("Velmor/KVT/Database/" + table + ext);
  ExpectNothingChangedBySecondRun(runs_->second, runs_->afterFirst, runs_->afterSecond, refreshed);
  EXPECT_EQ(runs_->tablesAfterSecond, runs_->tablesAfterFirst);
  EXPECT_EQ(runs_->tablesAfterFirst.size(), kRefreshedTables.size());
  EXPECT_GE(FindLine(runs_->second.log, "資料表 X102Base 已是新的。"), 0);
  EXPECT_GE(FindLine(runs_->second.log, "資料表 X901_5th 已存在。"), 0);
}

TEST_F(ParadoxRun, NoRowAndNoValueIsLostOverTwoRuns) {
  ExpectNoValueLost(runs_->tablesBefore, inst());
}

}  // namespace
}  // namespace kvt::e2e
