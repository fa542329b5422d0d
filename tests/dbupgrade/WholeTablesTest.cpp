// Steps that put a release's table in place of an installed one: the installed table is kept
// whole, its rows go into the new table, and nothing is deleted before its replacement is
// there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/AsciiText.h"
#include "schema/upgrade/ColumnUpgrades.h"
#include "schema/upgrade/NewTables.h"
#include "schema/upgrade/ReleaseRefill.h"
#include "tests/dbupgrade/KindTest.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::testing {
namespace {

namespace fs = std::filesystem;
using namespace kvt::upgrade;

// The file names of the database directory that begin with `stem`, sorted.
std::vector<std::string> FilesOf(Installation& inst, const std::string& stem) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(inst.databaseLocal())) {
    const std::string name = e.path().filename().string();
    if (platform::UpperAscii(name).rfind(platform::UpperAscii(stem), 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The one table named stem + a date, as the replaced table is kept.
std::string DatedTable(Installation& inst, const std::string& stem) {
  std::string found;
  for (const std::string& name : FilesOf(inst, stem)) {
    const std::string table = name.substr(0, name.find('.'));
    if (table != stem && name.ends_with(".DB")) {
      EXPECT_TRUE(found.empty()) << "two backups: " << found << ", " << table;
      found = table;
    }
  }
  return found;
}

class WholeTables : public KindTest {
 protected:
  void releaseNewerThanPackage(const std::string& table) {
    for (const char* ext : {".DB", ".PX"}) {
      const std::string path = Installation::kReleaseDir + table + ext;
      if (ctx().fs.fileExists(path))
        ctx().fs.setModificationTime(path,
                                     std::chrono::system_clock::now() + std::chrono::hours(1));
    }
  }
};
KVT_BOTH_KINDS(WholeTables);

TEST_P(WholeTables, X802BaseWithoutBoxNumberTakesTheNewerReleaseTableWithItsRows) {
  const std::vector<Row> rows = {
      {Value("X80200000001"), Value("1"), Value("T"), Value(Big5("甲"))},
      {Value("X80200000002"), Value("1"), Value("F"), Value(Big5("乙"))}};
  inst->makePackageTable("X802Base", "MsgID A20 *; SNo A10 *; Checked A1; Note A20", rows);
  inst->makeReleaseTable("X802Base", "MsgID A20 *; SNo A10 *; Checked A1; Note A20; Added A8");
  releaseNewerThanPackage("X802Base");

  UpgradeX802Base(ctx());
  std::vector<Row> expected = rows;
  if (!mysql()) {
    for (Row& row : expected) row.push_back(Value());
    EXPECT_EQ(Installation::rowsOf(inst->package(), DatedTable(*inst, "X802Base")), rows);
    EXPECT_TRUE(inst->logged("找到 " + std::string(Installation::kDatabaseDir) +
                             "X802Base.DB 並更新完成。"))
        << inst->logText();
  }
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X802Base"), expected);
}

TEST_P(WholeTables, X102BaseKeepsItsRowsWhenMsgIdIsWidened) {
  const std::vector<Row> rows = {{Value("BX10200000001"), Value("1"), Value(Big5("已放行"))},
                                 {Value("BX10200000002"), Value("2"), Value(Big5("待審"))}};
  inst->makePackageTable("X102Base", "MsgID A14 *; SNo A10 *; Remark A40", rows);
  inst->makeReleaseTable("X102Base", "MsgID A20 *; SNo A10 *; Remark A40; ValidationCode A8");
  UpgradeX102Base(ctx());
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X102Base", "MsgID"), 20);
  EXPECT_EQ(Column(inst->package(), "X102Base", "Remark"),
            (std::vector<Value>{rows[0][2], rows[1][2]}));
  EXPECT_EQ(Column(inst->package(), "X102Base", "MsgID"),
            (std::vector<Value>{rows[0][0], rows[1][0]}));
  if (!mysql()) {
    std::vector<Row> kept = rows;
    for (Row& row : kept) row.push_back(Value());
    EXPECT_EQ(Installation::rowsOf(inst->package(), DatedTable(*inst, "X102Base")), kept);
  }
}

TEST_P(WholeTables, ECFAUnitStaysWhenTheReleaseCannotMakeItAgain) {
  const demo::DemoTable release = demo::Find(demo::ReleaseTables(), "ECFAUnit");
  demo::DemoTable installed = release;
  installed.rows = {Row{Value(7), Value("999"), Value(Big5("公斤")), Value(Big5("自訂"))}};
  demo::BuildTable(inst->package(), installed);
  ctx().switches.DoAddECFAUnit = true;

  RunCodeTableSteps(ctx());
  EXPECT_EQ(inst->log(), (std::vector<std::string>{"找不到來源資料表 ECFAUnit。",
                                                   "建立 ECFAUnit 資料表時失敗 !"}));
  EXPECT_EQ(Installation::rowsOf(inst->package(), "ECFAUnit"), installed.rows);

  // A release table that cannot be read.
  inst->newRun();
  ASSERT_TRUE(ctx().fs.writeFile(std::string(Installation::kReleaseDir) + "ECFAUnit.DB",
                                 std::string(300, '\x7f')));
  RunCodeTableSteps(ctx());
  EXPECT_EQ(inst->log(), (std::vector<std::string>{"開啟來源資料表 ECFAUnit 時失敗。",
                                                   "建立 ECFAUnit 資料表時失敗 !"}));
  EXPECT_EQ(Installation::rowsOf(inst->package(), "ECFAUnit"), installed.rows);

  // With the release's table it is made again, and nothing of the old one is left.
  inst->newRun();
  fs::remove(inst->releaseLocal() / "ECFAUnit.DB");
  demo::BuildTable(inst->release(), release);
  RunCodeTableSteps(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"已建立 ECFAUnit 資料表。"});
  EXPECT_EQ(Installation::rowsOf(inst->package(), "ECFAUnit").size(), mysql() ? 0u : 1u);
  if (!mysql()) {
    EXPECT_EQ(FilesOf(*inst, "ECFAUnit"), (std::vector<std::string>{"ECFAUnit.DB", "ECFAUnit.PX"}));
  } else {
    EXPECT_FALSE(inst->package().tableExists("TempECFAUnit"));
    EXPECT_FALSE(inst->package().tableExists("OldECFAUnit"));
  }
}

TEST(ServerECFAUnitMySql, ARefusedCreateLeavesTheInstalledTable) {
  std::string why;
  if (!TestServer(&why)) GTEST_SKIP() << why;
  Installation inst(Kind::MySql);
  const demo::DemoTable release = demo::Find(demo::ReleaseTables(), "ECFAUnit");
  demo::BuildTable(inst.release(), release);
  demo::DemoTable installed = release;
  installed.rows = {Row{Value(7), Value("999"), Value(Big5("公斤")), Value(Big5("自訂"))}};
  demo::BuildTable(inst.package(), installed);
  auto refusing =
      std::make_unique<RefusingDatabase>(std::move(inst.ctx().packageDb), "CREATE TABLE");
  inst.ctx().packageDb = std::move(refusing);

  CreateCodeTable(inst.ctx(), "ECFAUnit", 3, "Unit", 20);
  EXPECT_EQ(inst.log(), std::vector<std::string>{"建立 ECFAUnit 資料表時失敗 !"});
  EXPECT_EQ(Installation::rowsOf(inst.package(), "ECFAUnit"), installed.rows);
}

// A real engine-made table with a memo file, secondary indexes (decimal and hexadecimal
// numbers) and validity checks, replaced from a release that has only .DB and .PX.
TEST(WholeFamily, TheReplacedTableIsKeptWholeAndStillOpens) {
  const fs::path samples = fs::path(KVT_PARADOX_SAMPLES) / "db";
  if (!fs::is_directory(samples)) GTEST_SKIP() << "no sample tables in " << samples;
  Installation inst(Kind::Paradox);
  const fs::path db = inst.databaseLocal();
  auto copy = [&](const std::string& from, const std::string& to) {
    fs::copy_file(samples / from, db / to);
    fs::permissions(db / to, fs::perms::owner_write, fs::perm_options::add);
  };
  for (const std::string ext : {".DB", ".MB", ".PX", ".X06", ".Y06"})
    copy("CUSTOMER" + ext, "X101_6" + ext);
  copy("CUSTOMER.X06", "X101_6.X0A");
  copy("CUSTOMER.Y06", "X101_6.Y0A");
  copy("AREACODE.VAL", "x101_6.val");
  const std::vector<Row> before = Installation::rowsOf(inst.package(), "X101_6");
  ASSERT_FALSE(before.empty());
  demo::BuildTable(inst.release(), demo::Find(demo::ReleaseTables(), "X101_6"));
  inst.ctx().switches.SourceDB = {"X101_6"};

  RunSourceDbStep(inst.ctx());
  const std::string kept = DatedTable(inst, "X101_6");
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(FilesOf(inst, "X101_6."), (std::vector<std::string>{"X101_6.DB", "X101_6.PX"}));
  std::vector<std::string> keptFiles;
  for (const char* ext : {".DB", ".MB", ".PX", ".X06", ".X0A", ".Y06", ".Y0A"})
    keptFiles.push_back(kept + ext);
  keptFiles.push_back("x101_6" + kept.substr(6) + ".val");
  std::sort(keptFiles.begin(), keptFiles.end());
  EXPECT_EQ(FilesOf(inst, kept), keptFiles);
  EXPECT_EQ(Installation::rowsOf(inst.package(), kept), before);
  EXPECT_EQ(Installation::rowsOf(inst.package(), "X101_6"),
            demo::Find(demo::ReleaseTables(), "X101_6").rows);
}

}  // namespace
}  // namespace kvt::testing
