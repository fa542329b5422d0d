// A column narrowed by an upgrade cuts no value unseen: values that fit go over as they are;
// when some do not, the original rows stay whole in a dated copy and the log says so.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/LocalDate.h"
#include "schema/upgrade/ColumnUpgrades.h"
#include "tests/dbupgrade/KindTest.h"

namespace kvt::testing {
namespace {

class Narrowing : public KindTest {
 protected:
  std::string dated(const std::string& table) {
    return table + platform::formatEraYymmdd(std::chrono::system_clock::now());
  }
  std::string keptIn(const std::string& copy) { return mysql() ? "資料表 " + copy : copy + ".DB"; }
};

TEST_P(Narrowing, ValuesThatFitGoOverWholeWithoutACopy) {
  const Row row{Value("P0000000000000001"), Value(Big5("高雄國際機場貨運站"))};
  inst->makePackageTable("X202Memo", "ProcessingNo A20 *; Name A20", {row});
  inst->makeReleaseTable("X202Memo", "ProcessingNo A18 *; Name A20");
  upgrade::UpgradeX202Memo(ctx());
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X202Memo", "ProcessingNo"), 18);
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X202Memo"), std::vector<Row>{row});
  EXPECT_FALSE(inst->package().tableExists(dated("X202Memo")));
  EXPECT_EQ(inst->countLogged("截短"), 0) << inst->logText();
}

TEST_P(Narrowing, ValuesThatDoNotFitKeepTheOriginalRowsInADatedCopy) {
  const std::vector<Row> rows{{Value("P00000000000000001AB"), Value("a")},
                              {Value("P00000000000000002C"), Value("b")},
                              {Value("P3"), Value("c")}};
  inst->makePackageTable("X902Base", "ProcessingNo A20 *; Name A10", rows);
  inst->makeReleaseTable("X902Base", "ProcessingNo A18 *; Name A10");
  upgrade::UpgradeX902Base(ctx());

  EXPECT_EQ(Installation::sizeOf(inst->package(), "X902Base", "ProcessingNo"), 18);
  EXPECT_EQ(
      Column(inst->package(), "X902Base", "ProcessingNo"),
      (std::vector<Value>{Value("P00000000000000001"), Value("P00000000000000002"), Value("P3")}));
  const std::string copy = dated("X902Base");
  ASSERT_TRUE(inst->package().tableExists(copy)) << inst->logText();
  EXPECT_EQ(Installation::rowsOf(inst->package(), copy), rows);
  EXPECT_TRUE(
      inst->logged("資料表 X902Base 的 ProcessingNo 欄位有 2 筆資料被截短，原來的資料保留在 " +
                   keptIn(copy) + "。"))
      << inst->logText();
}

TEST_P(Narrowing, WithoutACopyOfTheOriginalRowsNothingIsNarrowed) {
  if (!mysql()) GTEST_SKIP() << "the Paradox rebuild keeps the old table itself";
  const std::vector<Row> rows{{Value("P00000000000000001AB"), Value("a")}};
  inst->makePackageTable("X902Base", "ProcessingNo A20 *; Name A10", rows);
  ctx().packageDb = std::make_unique<RefusingDatabase>(std::move(ctx().packageDb), " LIKE ");
  upgrade::UpgradeX902Base(ctx());
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X902Base", "ProcessingNo"), 20);
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X902Base"), rows);
  EXPECT_EQ(inst->log(),
            std::vector<std::string>{"資料表 X902Base 的 ProcessingNo 欄位有 1 筆資料太長，"
                                     "無法先保留原來的資料，沒有更新。"});
}

KVT_BOTH_KINDS(Narrowing);

}  // namespace
}  // namespace kvt::testing
