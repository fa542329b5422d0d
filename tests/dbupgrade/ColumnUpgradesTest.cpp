// The column upgrades on both database kinds, each run twice: the first run changes the
// table and says so, the second changes nothing and says the table is already new.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/LocalDate.h"
#include "schema/upgrade/ColumnUpgrades.h"
#include "tests/dbupgrade/KindTest.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::testing {
namespace {

using namespace kvt::upgrade;

struct SizeCase {
  const char* table;
  void (*step)(RunContext&);
  const char* oldLayout;
  const char* newLayout;
  const char* column;
  int newSize;
  std::vector<std::string> dropped;
};

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Kind, SizeCase>>& info) {
  return std::string(std::get<1>(info.param).table) + "_" + KindName(std::get<0>(info.param));
}

class SizeTested : public ::testing::TestWithParam<std::tuple<Kind, SizeCase>> {
 protected:
  void SetUp() override {
    if (kind() == Kind::MySql) {
      std::string why;
      if (!TestServer(&why)) GTEST_SKIP() << why;
    }
    inst = std::make_unique<Installation>(kind());
  }
  Kind kind() const { return std::get<0>(GetParam()); }
  const SizeCase& c() const { return std::get<1>(GetParam()); }
  std::unique_ptr<Installation> inst;
};

// Rows keyed by the first column, with Chinese text in the last one.
std::vector<Row> SampleRows(const TableSchema& schema) {
  std::vector<Row> rows;
  const char* names[] = {"威摩貿易股份有限公司", "台灣測試公司", "收貨人甲"};
  for (int r = 0; r < 3; ++r) {
    Row row;
    for (const FieldDef& f : schema.fields) {
      if (f.type == FieldType::Long) {
        row.push_back(Value(r + 1));
      } else if (f.type == FieldType::Memo) {
        row.push_back(Value(Big5("備註內容，第") + std::to_string(r) + Big5("段。")));
      } else if (&f == &schema.fields.front()) {
        row.push_back(Value("P00000000000" + std::to_string(r)));
      } else if (f.size <= 3) {
        row.push_back(Value(std::string(1, static_cast<char>('A' + r))));
      } else {
        row.push_back(Value(Big5(names[r])));
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

TEST_P(SizeTested, FirstRunChangesTheTableAndTheSecondFindsItNew) {
  const TableSchema oldSchema = demo::Layout(c().oldLayout);
  inst->makePackageTable(c().table, c().oldLayout, SampleRows(oldSchema));
  // The rows as stored (text is cut to the field widths).
  const std::vector<Row> rows = Installation::rowsOf(inst->package(), c().table);
  ASSERT_EQ(rows.size(), 3u);
  inst->makeReleaseTable(c().table, c().newLayout);

  c().step(inst->ctx());
  const std::string changed = std::string("更新了 ") +
                              (kind() == Kind::MySql ? "MySQL" : "Paradox") + " 資料表 " +
                              c().table + "。";
  EXPECT_EQ(inst->log(), std::vector<std::string>{changed});

  Database& db = inst->package();
  EXPECT_EQ(Installation::sizeOf(db, c().table, c().column), c().newSize);
  const auto names = FieldNames(db, c().table);
  for (const auto& gone : c().dropped)
    EXPECT_EQ(std::count(names.begin(), names.end(), gone), 0) << gone;
  // Every kept column keeps every value, byte for byte.
  for (size_t i = 0; i < oldSchema.fields.size(); ++i) {
    const std::string& field = oldSchema.fields[i].name;
    if (std::count(c().dropped.begin(), c().dropped.end(), field)) continue;
    std::vector<Value> expected;
    for (const Row& row : rows) expected.push_back(row[i]);
    EXPECT_EQ(Column(db, c().table, field), expected) << field;
  }

  inst->newRun();
  const auto before = Installation::rowsOf(inst->package(), c().table);
  c().step(inst->ctx());
  EXPECT_EQ(inst->log(),
            std::vector<std::string>{"資料表 " + std::string(c().table) + " 已是新的。"});
  EXPECT_EQ(Installation::rowsOf(inst->package(), c().table), before);

  inst->newRun();
  inst->ctx().ShowUpgradeOnly = true;
  c().step(inst->ctx());
  EXPECT_TRUE(inst->log().empty()) << inst->logText();
}

const SizeCase kSizeCases[] = {
    {"X202Base",
     UpgradeX202Base,
     "ProcessingNo A14 *; ApplicantType A1; AgentType A1; ApplicantName A40",
     "ProcessingNo A18 *; ApplicantName A40",
     "ProcessingNo",
     18,
     {"ApplicantType", "AgentType"}},
    {"X202Memo",
     UpgradeX202Memo,
     "ProcessingNo A14 *; SEQ I *; Memo M10",
     "ProcessingNo A18 *; SEQ I *; Memo M10",
     "ProcessingNo",
     18,
     {}},
    {"XS02Base",
     UpgradeXS02Base,
     "MsgID A20 *; SNo A10 *; PremiumNo A12; ResponseRemark M10",
     "MsgID A20 *; SNo A10 *; PremiumNo A14; ResponseRemark M10",
     "PremiumNo",
     14,
     {}},
    {"X402Base",
     UpgradeX402Base,
     "ProcessingNo A14 *; TransitCountry A2; Consignee A40",
     "ProcessingNo A18 *; Consignee A40",
     "ProcessingNo",
     18,
     {"TransitCountry"}},
    {"X901Base",
     UpgradeX901Base,
     "ProcessingNo A20 *; Status A2",
     "ProcessingNo A18 *; Status A2",
     "ProcessingNo",
     18,
     {}},
    {"X901_2nd",
     UpgradeX901_2nd,
     "ProcessingNo A18 *; ErrorCode A3 *; Note A40",
     "ProcessingNo A18 *; ErrorCode A4 *; Note A40",
     "ErrorCode",
     4,
     {}},
    {"X902Base",
     UpgradeX902Base,
     "ProcessingNo A14 *; Status A2",
     "ProcessingNo A18 *; Status A2",
     "ProcessingNo",
     18,
     {}},
};

INSTANTIATE_TEST_SUITE_P(Steps, SizeTested,
                         ::testing::Combine(::testing::ValuesIn(TestedKinds()),
                                            ::testing::ValuesIn(kSizeCases)),
                         CaseName);

class ColumnUpgrade : public KindTest {};
KVT_BOTH_KINDS(ColumnUpgrade);

TEST_P(ColumnUpgrade, SizeTestedStepOnAMissingTableChangesNothing) {
  UpgradeX202Base(ctx());
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"資料表 X202Base 不存在 !", "資料表 X202Base 已是新的。"}));
  EXPECT_FALSE(inst->package().tableExists("X202Base"));
}

// Statements the server refuses.
class ServerColumnUpgrade : public KindTest {};
INSTANTIATE_TEST_SUITE_P(Server, ServerColumnUpgrade, ::testing::Values(Kind::MySql),
                         KindParamName);

TEST_P(ServerColumnUpgrade, RefusedStatementsLeaveTheTableAndTheRunGoesOn) {
  inst->makePackageTable("X202Base",
                         "ProcessingNo A14 *; ApplicantType A1; AgentType A1; ApplicantName A40",
                         {{Value("P1"), Value("1"), Value("2"), Value(Big5("威摩"))}});
  inst->makePackageTable("X901Base", "ProcessingNo A14 *; Status A2", {{Value("P1"), Value("01")}});
  auto refusing = std::make_unique<RefusingDatabase>(std::move(ctx().packageDb), "X202Base");
  ctx().packageDb = std::move(refusing);
  ctx().switches.DoUpgradeX202Base = ctx().switches.DoUpgradeX901Base = true;
  RunColumnUpgrades(ctx());
  // Every X202Base statement was refused: no line for it, the table as it was; X901Base
  // still ran.
  EXPECT_EQ(inst->log(), std::vector<std::string>{"更新了 MySQL 資料表 X901Base。"});
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X202Base"),
            (std::vector<Row>{{Value("P1"), Value("1"), Value("2"), Value(Big5("威摩"))}}));
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X202Base", "ProcessingNo"), 14);
}

TEST_P(ServerColumnUpgrade, OneStatementThroughIsEnoughForTheLine) {
  inst->makePackageTable("X402Base", "ProcessingNo A14 *; TransitCountry A2; Consignee A40",
                         {{Value("P1"), Value("JP"), Value(Big5("收貨人"))}});
  ctx().packageDb = std::make_unique<RefusingDatabase>(std::move(ctx().packageDb), "Modify");
  UpgradeX402Base(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"更新了 MySQL 資料表 X402Base。"});
  EXPECT_EQ(FieldNames(inst->package(), "X402Base"),
            (std::vector<std::string>{"ProcessingNo", "Consignee"}));
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X402Base", "ProcessingNo"), 14);
}

TEST_P(ColumnUpgrade, OnlySwitchedStepsRunAndAStopEndsThem) {
  inst->makePackageTable("X202Base", "ProcessingNo A18 *");
  inst->makePackageTable("X901Base", "ProcessingNo A18 *");
  ctx().switches.DoUpgradeX901Base = true;
  RunColumnUpgrades(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X901Base 已是新的。"});
  inst->newRun();
  ctx().StopFlag = true;
  RunColumnUpgrades(ctx());
  EXPECT_TRUE(inst->log().empty());
}

TEST_P(ColumnUpgrade, X102BaseWidensMsgIdAddsValidationCodeAndReturnsReplies) {
  const std::vector<Row> rows = {{Value("BX10200000001"), Value("1"), Value(Big5("已放行"))},
                                 {Value("BX10200000002"), Value("1"), Value(Big5("待審"))}};
  inst->makePackageTable("X102Base", "MsgID A14 *; SNo A10 *; Remark A40", rows);
  inst->makeReleaseTable("X102Base", "MsgID A20 *; SNo A10 *; Remark A40; ValidationCode A8");
  auto& fs = ctx().fs;
  const std::string backup = std::string(Installation::kAskDir) + "backup\\";
  ASSERT_TRUE(fs.forceDirectories(backup));
  ASSERT_TRUE(fs.writeFile(backup + "X102R1.TXT", "reply"));
  // The installed table files are newer than the release's, so the replaced ones are kept.
  const std::string db = Installation::kDatabaseDir, rel = Installation::kReleaseDir;
  for (const char* ext : {".DB", ".PX"})
    ASSERT_TRUE(fs.setModificationTime(rel + "X102Base" + ext, platform::localDate(2012, 1, 2)));

  UpgradeX102Base(ctx());

  EXPECT_EQ(Installation::sizeOf(inst->package(), "X102Base", "MsgID"), 20);
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X102Base", "ValidationCode"), 8);
  EXPECT_TRUE(inst->logged("移回 " + std::string(Installation::kAskDir) + "X102R1.TXT 訊息。"));
  EXPECT_TRUE(ctx().TradeRepliesMoved);
  if (mysql()) {
    EXPECT_TRUE(inst->logged("更新了 MySQL 資料表 X102Base。")) << inst->logText();
    EXPECT_EQ(Column(inst->package(), "X102Base", "Remark"),
              (std::vector<Value>{rows[0][2], rows[1][2]}));
  } else {
    EXPECT_TRUE(inst->logged("找到 " + db + "X102Base.DB 並更新完成。")) << inst->logText();
    EXPECT_TRUE(inst->logged("找到 " + db + "X102Base.PX 並更新完成。")) << inst->logText();
    // The replies are read again into the new table; the old rows stay in the dated backup.
    std::string kept;
    for (const auto& e : std::filesystem::directory_iterator(inst->databaseLocal())) {
      const std::string name = e.path().filename().string();
      if (name != "X102Base.DB" && name.rfind("X102Base", 0) == 0 && e.path().extension() == ".DB")
        kept = e.path().stem().string();
    }
    ASSERT_FALSE(kept.empty());
    // The backup was taken after ValidationCode had been added to the old table.
    std::vector<Row> expected = rows;
    for (Row& row : expected) row.push_back(Value());
    EXPECT_EQ(Installation::rowsOf(inst->package(), kept), expected);
  }

  inst->newRun();
  UpgradeX102Base(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X102Base 已是新的。"});
  EXPECT_FALSE(ctx().TradeRepliesMoved);
}

TEST_P(ColumnUpgrade, X102BaseGetsValidationCodeEvenWhenMsgIdIsWide) {
  const std::vector<Row> rows = {{Value("BX10200000001"), Value("1"), Value(Big5("已放行"))}};
  inst->makePackageTable("X102Base", "MsgID A20 *; SNo A10 *; Remark A40", rows);
  UpgradeX102Base(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X102Base 已是新的。"});
  EXPECT_EQ(FieldNames(inst->package(), "X102Base"),
            (std::vector<std::string>{"MsgID", "SNo", "Remark", "ValidationCode"}));
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X102Base", "ValidationCode"), 8);
  EXPECT_EQ(Column(inst->package(), "X102Base", "Remark"), std::vector<Value>{rows[0][2]});
}

TEST_P(ColumnUpgrade, X102BaseWithoutTheTableStopsAfterSayingSo) {
  UpgradeX102Base(ctx());
  EXPECT_EQ(inst->countLogged("找不到目的資料表 X102Base。"), 2) << inst->logText();
  EXPECT_FALSE(inst->package().tableExists("X102Base"));
}

TEST_P(ColumnUpgrade, X802BaseDropsBoxNumberKeepingRowsAndBooleans) {
  const std::vector<Row> rows = {{Value("X80200000001"), Value("1"), Value("B01"), Value("T")},
                                 {Value("X80200000002"), Value("1"), Value("B02"), Value("F")}};
  inst->makePackageTable("X802Base", "MsgID A20 *; SNo A10 *; BoxNumber A10; Checked A1", rows);
  inst->makeReleaseTable("X802Base", "MsgID A20 *; SNo A10 *; Checked A1");

  UpgradeX802Base(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"更新了 " + kindWord() + " 資料表 X802Base。"});
  EXPECT_EQ(FieldNames(inst->package(), "X802Base"),
            (std::vector<std::string>{"MsgID", "SNo", "Checked"}));
  EXPECT_EQ(Column(inst->package(), "X802Base", "Checked"),
            (std::vector<Value>{Value("T"), Value("F")}));

  inst->newRun();
  UpgradeX802Base(ctx());
  if (mysql()) {
    EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X802Base 已是新的。"});
  } else {
    // The release's files are compared with the installed ones, which are not older.
    EXPECT_EQ(inst->log(),
              (std::vector<std::string>{"找到 " + std::string(Installation::kDatabaseDir) +
                                            "X802Base.DB，但這個檔案已是新的。",
                                        "找到 " + std::string(Installation::kDatabaseDir) +
                                            "X802Base.PX，但這個檔案已是新的。"}));
  }
  EXPECT_EQ(Installation::rowsOf(inst->package(), "X802Base").size(), 2u);
}

TEST_P(ColumnUpgrade, X802_3rdAddsTheMissingErrorDescriptionAfterVerifiedQuantity) {
  const std::vector<Row> rows = {
      {Value("X80200000001"), Value("1"), Value(1), Value(12.5), Value(Big5("數量相符"))}};
  inst->makePackageTable(
      "X802_3rd", "MsgID A20 *; SNo A10 *; ItemNo I *; VerifiedQuantity N; Remark A40", rows);
  inst->makeReleaseTable("X802_3rd",
                         "MsgID A20 *; SNo A10 *; ItemNo I *; VerifiedQuantity N; "
                         "ErrorCodeDescription A150; Remark A40");

  UpgradeX802_3rd(ctx());
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"找不到目的資料表 X802_3rd 的 ErrorCodeDescription 欄位。",
                                      "更新了 " + kindWord() + " 資料表 X802_3rd。"}));
  EXPECT_EQ(FieldNames(inst->package(), "X802_3rd"),
            (std::vector<std::string>{"MsgID", "SNo", "ItemNo", "VerifiedQuantity",
                                      "ErrorCodeDescription", "Remark"}));
  EXPECT_EQ(Installation::sizeOf(inst->package(), "X802_3rd", "ErrorCodeDescription"), 150);
  EXPECT_EQ(Column(inst->package(), "X802_3rd", "Remark"), std::vector<Value>{rows[0][4]});
  EXPECT_EQ(Column(inst->package(), "X802_3rd", "VerifiedQuantity").at(0).asFloat(), 12.5);

  inst->newRun();
  UpgradeX802_3rd(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X802_3rd 已是新的。"});
}

TEST_P(ColumnUpgrade, X802_3rdMissingTableTakesTheReleaseCopyOnParadox) {
  inst->makeReleaseTable("X802_3rd", "MsgID A20 *; SNo A10 *; ErrorCodeDescription A150");
  UpgradeX802_3rd(ctx());
  EXPECT_TRUE(inst->logged("找不到目的資料表 X802_3rd。"));
  EXPECT_EQ(inst->package().tableExists("X802_3rd"), !mysql());
}

TEST_P(ColumnUpgrade, X202_4AndX101_12WidenOnMySqlOnly) {
  inst->makePackageTable("X202_4", "Code A3 *; Description A100",
                         {{Value("001"), Value(Big5("說明"))}});
  inst->makePackageTable("X101_12", "Type A2 *; CName A10 *; Code A2 *; Description A200",
                         {{Value("01"), Value(Big5("甲")), Value("01"), Value(Big5("舊代碼"))}});
  UpgradeX202_4(ctx());
  UpgradeX101_12(ctx());
  if (mysql()) {
    EXPECT_EQ(inst->log(), (std::vector<std::string>{"更新了 MySQL 資料表 X202_4。",
                                                     "更新了 MySQL 資料表 X101_12。"}));
    EXPECT_EQ(Installation::sizeOf(inst->package(), "X202_4", "Description"), 150);
    EXPECT_EQ(Installation::sizeOf(inst->package(), "X101_12", "Code"), 3);
    inst->newRun();
    UpgradeX202_4(ctx());
    UpgradeX101_12(ctx());
    EXPECT_EQ(inst->log(), (std::vector<std::string>{"資料表 X202_4   已是新的。",
                                                     "資料表 X101_12   已是新的。"}));
  } else {
    EXPECT_TRUE(inst->log().empty()) << inst->logText();
    EXPECT_EQ(Installation::sizeOf(inst->package(), "X202_4", "Description"), 100);
  }
  EXPECT_EQ(Column(inst->package(), "X202_4", "Description"),
            std::vector<Value>{Value(Big5("說明"))});
  EXPECT_EQ(Column(inst->package(), "X101_12", "Description"),
            std::vector<Value>{Value(Big5("舊代碼"))});
}

TEST_P(ColumnUpgrade, X202_4WithoutItsColumnSaysSoAndStops) {
  inst->makePackageTable("X202_4", "Code A3 *; Note A100");
  UpgradeX202_4(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到目的資料表 X202_4 的 Description 欄位。"});
}

}  // namespace
}  // namespace kvt::testing
