// Rebuilding a Paradox table from the release's layout never loses a row.
#include <gtest/gtest.h>

#include <algorithm>

#include "schema/upgrade/ParadoxRebuild.h"
#include "tests/dbupgrade/KindTest.h"

namespace kvt::testing {
namespace {

using kvt::upgrade::RebuildParadoxTable;

class Rebuild : public ::testing::Test {
 protected:
  Rebuild() : inst(Kind::Paradox) {}
  // Names of the tables (.DB files) in the database directory.
  std::vector<std::string> tables() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(inst.databaseLocal()))
      if (e.path().extension() == ".DB") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  Installation inst;
};

TEST_F(Rebuild, CarriesRowsMemosAndChineseTextIntoTheNewLayout) {
  const std::string longMemo = Big5("第一段說明文字，內容較長以便存入備註檔，再多寫一些字。");
  inst.makePackageTable("X202Memo", "ProcessingNo A14 *; SEQ I *; Memo M10; Dropped A5",
                        {{Value("P0000000000001"), Value(1), Value(longMemo), Value("x")},
                         {Value("P0000000000002"), Value(2), Value(Big5("短")), Value("y")}});
  inst.makeReleaseTable("X202Memo", "ProcessingNo A18 *; SEQ I *; Memo M10; Added A8");

  EXPECT_TRUE(RebuildParadoxTable(inst.ctx(), "X202Memo"));

  EXPECT_EQ(FieldNames(inst.package(), "X202Memo"),
            (std::vector<std::string>{"ProcessingNo", "SEQ", "Memo", "Added"}));
  EXPECT_EQ(Installation::sizeOf(inst.package(), "X202Memo", "ProcessingNo"), 18);
  auto rows = Installation::rowsOf(inst.package(), "X202Memo");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (Row{Value("P0000000000001"), Value(1), Value(longMemo), Value()}));
  EXPECT_EQ(rows[1], (Row{Value("P0000000000002"), Value(2), Value(Big5("短")), Value()}));
  EXPECT_EQ(tables(), std::vector<std::string>{"X202Memo"});
  EXPECT_TRUE(inst.logged("更新了 Paradox 資料表 X202Memo。")) << inst.logText();
}

TEST_F(Rebuild, AMissingReleaseTablePutsTheOldTableBack) {
  inst.makePackageTable("X202Base", "ProcessingNo A14 *; Name A40",
                        {{Value("P1"), Value(Big5("威摩"))}});
  EXPECT_FALSE(RebuildParadoxTable(inst.ctx(), "X202Base"));
  EXPECT_EQ(Installation::sizeOf(inst.package(), "X202Base", "ProcessingNo"), 14);
  EXPECT_EQ(Column(inst.package(), "X202Base", "Name"), std::vector<Value>{Value(Big5("威摩"))});
  EXPECT_EQ(tables(), std::vector<std::string>{"X202Base"});
  EXPECT_TRUE(
      inst.logged(std::string("找不到來源檔 ") + Installation::kReleaseDir + "X202Base.DB。"))
      << inst.logText();
  EXPECT_TRUE(inst.logged("資料表 X202Base 沒有更新，已還原原來的資料表。")) << inst.logText();
  EXPECT_EQ(inst.countLogged("更新了 Paradox 資料表"), 0);
}

TEST_F(Rebuild, AReleaseTableThatCannotBeOpenedPutsTheOldTableBack) {
  inst.makePackageTable("X202Base", "ProcessingNo A14 *; Name A40",
                        {{Value("P1"), Value(Big5("威摩"))}});
  auto& fs = inst.ctx().fs;
  const std::string release = Installation::kReleaseDir;
  ASSERT_TRUE(fs.writeFile(release + "X202Base.DB", std::string(300, '\x7f')));
  ASSERT_TRUE(fs.writeFile(release + "X202Base.PX", std::string(20, '\x01')));

  EXPECT_FALSE(RebuildParadoxTable(inst.ctx(), "X202Base"));
  EXPECT_EQ(Installation::rowsOf(inst.package(), "X202Base"),
            (std::vector<Row>{{Value("P1"), Value(Big5("威摩"))}}));
  EXPECT_EQ(tables(), std::vector<std::string>{"X202Base"});
  EXPECT_TRUE(inst.logged("資料表 X202Base 沒有更新，已還原原來的資料表。")) << inst.logText();
}

TEST_F(Rebuild, RefusedRowsStayInTheOldTableUnderADatedName) {
  // The old table had no key; the new one is keyed on ProcessingNo.
  inst.makePackageTable(
      "X901Base", "ProcessingNo A14; Status A2",
      {{Value("P1"), Value("01")}, {Value("P1"), Value("02")}, {Value("P2"), Value("03")}});
  inst.makeReleaseTable("X901Base", "ProcessingNo A18 *; Status A2");

  EXPECT_TRUE(RebuildParadoxTable(inst.ctx(), "X901Base"));
  EXPECT_EQ(Column(inst.package(), "X901Base", "Status"),
            (std::vector<Value>{Value("01"), Value("03")}));
  auto names = tables();
  ASSERT_EQ(names.size(), 2u) << inst.logText();
  const std::string kept = names[0] == "X901Base" ? names[1] : names[0];
  EXPECT_EQ(kept.rfind("X901Base", 0), 0u);
  EXPECT_EQ(Installation::rowsOf(inst.package(), kept).size(), 3u);
  EXPECT_TRUE(inst.logged("更新了 Paradox 資料表 X901Base。"));
  EXPECT_TRUE(inst.logged("資料表 X901Base 有 1 筆資料無法移入新的資料表，舊的資料表保留為 " +
                          kept + ".DB。"))
      << inst.logText();
}

TEST_F(Rebuild, ALeftOverTempTableIsReplaced) {
  inst.makePackageTable("TempX902Base", "Junk A1", {{Value("j")}});
  inst.makePackageTable("X902Base", "ProcessingNo A14 *; Status A2", {{Value("P1"), Value("01")}});
  inst.makeReleaseTable("X902Base", "ProcessingNo A18 *; Status A2");
  EXPECT_TRUE(RebuildParadoxTable(inst.ctx(), "X902Base"));
  EXPECT_EQ(tables(), std::vector<std::string>{"X902Base"});
  EXPECT_EQ(Column(inst.package(), "X902Base", "Status"), std::vector<Value>{Value("01")});
}

}  // namespace
}  // namespace kvt::testing
