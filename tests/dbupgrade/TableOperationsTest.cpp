// The shared table operations of the database steps, on both database kinds.
#include <gtest/gtest.h>

#include "schema/upgrade/MessageMoveBack.h"
#include "schema/upgrade/TableOperations.h"
#include "tests/dbupgrade/KindTest.h"

namespace kvt::testing {
namespace {

using namespace kvt::upgrade;

class TableOperations : public KindTest {};
KVT_BOTH_KINDS(TableOperations);

TEST_P(TableOperations, GetFieldSizeTellsAMissingColumnFromAMissingTable) {
  inst->makePackageTable("X202Base", "ProcessingNo A14 *; ApplicantName A40");

  FieldSize found = GetFieldSize(ctx(), "X202Base", "ProcessingNo", true);
  EXPECT_EQ(found.size, 14);
  EXPECT_FALSE(found.missing);
  EXPECT_TRUE(inst->log().empty());

  FieldSize quietMissing = GetFieldSize(ctx(), "X202Base", "ErrorCode", false);
  EXPECT_TRUE(quietMissing.missing);
  EXPECT_FALSE(quietMissing.tableMissing);
  EXPECT_EQ(quietMissing.size, -1);
  EXPECT_TRUE(inst->log().empty());

  GetFieldSize(ctx(), "X202Base", "ErrorCode", true);
  EXPECT_TRUE(inst->logged("找不到目的資料表 X202Base 的 ErrorCode 欄位。")) << inst->logText();

  inst->clearLog();
  FieldSize noTable = GetFieldSize(ctx(), "X999Base", "ErrorCode", false);
  EXPECT_TRUE(noTable.missing);
  EXPECT_TRUE(noTable.tableMissing);
  EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到目的資料表 X999Base。"});
}

TEST_P(TableOperations, CheckFieldSizeAsksForExactlyTheWantedWidth) {
  inst->makePackageTable("X901Base", "ProcessingNo A14 *; Status A2");
  inst->makePackageTable("X902Base", "ProcessingNo A20 *; Status A2");
  inst->makePackageTable("X402Base", "ProcessingNo A18 *; Status A2");

  EXPECT_FALSE(CheckFieldSize(ctx(), "X901Base", "ProcessingNo", 18));  // narrower
  EXPECT_FALSE(CheckFieldSize(ctx(), "X902Base", "ProcessingNo", 18));  // wider
  EXPECT_TRUE(inst->log().empty()) << inst->logText();

  EXPECT_TRUE(CheckFieldSize(ctx(), "X402Base", "ProcessingNo", 18));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X402Base 已是新的。"});

  inst->clearLog();
  EXPECT_TRUE(CheckFieldSize(ctx(), "X202Memo", "ProcessingNo", 18));
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"資料表 X202Memo 不存在 !", "資料表 X202Memo 已是新的。"}));

  inst->clearLog();
  EXPECT_TRUE(CheckFieldSize(ctx(), "X402Base", "Missing", 18));
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"資料表 X402Base 無法開啟 !", "資料表 X402Base 已是新的。"}));

  inst->clearLog();
  ctx().ShowUpgradeOnly = true;
  EXPECT_TRUE(CheckFieldSize(ctx(), "X402Base", "ProcessingNo", 18));
  EXPECT_TRUE(CheckFieldSize(ctx(), "X9", "ProcessingNo", 18));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 X9       不存在 !"});
}

TEST_P(TableOperations, TableExistsReportsUnlessQuiet) {
  inst->makePackageTable("XIDPSW", "XID A10 *");
  EXPECT_TRUE(TableExists(ctx(), "XIDPSW"));
  EXPECT_FALSE(TableExists(ctx(), "EMailLog"));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"資料表 XIDPSW   已存在。"});
  inst->clearLog();
  ctx().switches.ShowUpgradeOnly = true;
  EXPECT_TRUE(TableExists(ctx(), "XIDPSW"));
  EXPECT_TRUE(inst->log().empty());
}

TEST_P(TableOperations, CopyRecordFieldsMatchesColumnsByNameAndSpellsBooleansForMySql) {
  // The release table (always Paradox) has a Boolean and a column the package lacks.
  inst->makeReleaseTable("XFlags", "Note A40; Flag L; Code A3; Extra A5",
                         {{Value(Big5("中文說明")), Value(true), Value("001"), Value("xx")},
                          {Value(Big5("第二列")), Value(false), Value("002"), Value("yy")}});
  inst->makePackageTable("XFlags",
                         mysql() ? "Code A3 *; Flag A1; Note A40" : "Code A3 *; Flag L; Note A40");
  Table source(inst->release(), "XFlags");
  Table target(inst->package(), "XFlags");
  const size_t refused = CopyAllRows(ctx(), source, target);
  target.close();
  EXPECT_EQ(refused, 0u);

  auto rows = Installation::rowsOf(inst->package(), "XFlags");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], Value("001"));
  EXPECT_EQ(rows[0][2], Value(Big5("中文說明")));
  EXPECT_EQ(rows[1][2], Value(Big5("第二列")));
  if (mysql()) {
    EXPECT_EQ(rows[0][1], Value("T"));
    EXPECT_EQ(rows[1][1], Value("F"));
  } else {
    EXPECT_EQ(rows[0][1], Value(true));
    EXPECT_EQ(rows[1][1], Value(false));
  }
}

TEST_P(TableOperations, CopyAllRowsCountsTheRowsTheTargetRefuses) {
  inst->makeReleaseTable("XDup", "Code A3; Note A40",
                         {{Value("001"), Value(Big5("甲"))},
                          {Value("001"), Value(Big5("乙"))},
                          {Value("002"), Value(Big5("丙"))}});
  inst->makePackageTable("XDup", "Code A3 *; Note A40");
  Table source(inst->release(), "XDup");
  Table target(inst->package(), "XDup");
  EXPECT_EQ(CopyAllRows(ctx(), source, target), 1u);
  target.close();
  EXPECT_EQ(Column(inst->package(), "XDup", "Note"),
            (std::vector<Value>{Value(Big5("甲")), Value(Big5("丙"))}));
}

TEST_P(TableOperations, CopyAllRowsRaisesForATableThatCannotBeOpened) {
  inst->makePackageTable("XDup", "Code A3 *; Note A40");
  Table source(inst->release(), "NoSuchTable");
  Table target(inst->package(), "XDup");
  EXPECT_THROW(CopyAllRows(ctx(), source, target), EngineError);
}

TEST_P(TableOperations, AddColumnBySqlSwallowsAFailure) {
  inst->makePackageTable("X102Base", "MsgID A14 *");
  AddColumnBySql(ctx(), "X102Base", "ValidationCode", "Char(8)");
  if (mysql()) EXPECT_EQ(Installation::sizeOf(inst->package(), "X102Base", "ValidationCode"), 8);
  // Adding it again fails on the server and is ignored.
  EXPECT_NO_THROW(AddColumnBySql(ctx(), "X102Base", "ValidationCode", "Char(8)"));
  EXPECT_NO_THROW(AddColumnBySql(ctx(), "NoSuchTable", "ValidationCode", "Char(8)"));
  EXPECT_TRUE(inst->log().empty());
}

TEST(ClearReadOnlyFlags, ClearsEveryReadOnlyFileOfTheDatabaseDirectory) {
  Installation inst(Kind::Paradox);
  inst.makePackageTable("X202Base", "ProcessingNo A14 *");
  auto& fs = inst.ctx().fs;
  const std::string dir = Installation::kDatabaseDir;
  ASSERT_TRUE(fs.writeFile(dir + "NOTES.TXT", "x"));
  for (const char* name : {"X202Base.DB", "X202Base.PX", "NOTES.TXT"})
    ASSERT_TRUE(fs.setReadOnly(dir + name, true)) << name;
  ClearReadOnlyFlags(inst.ctx());
  for (const char* name : {"X202Base.DB", "X202Base.PX", "NOTES.TXT"})
    EXPECT_FALSE(fs.isReadOnly(dir + name)) << name;
  EXPECT_TRUE(inst.log().empty());
}

class MoveBack : public ::testing::Test {
 protected:
  MoveBack() : inst(Kind::Paradox), fs(inst.ctx().fs) {}
  void put(const std::string& path) { ASSERT_TRUE(fs.writeFile(path, "reply " + path)); }
  Installation inst;
  platform::FileSystem& fs;
  const std::string ask = Installation::kAskDir;
  const std::string backup = ask + "backup\\";
};

TEST_F(MoveBack, ReturnsTheX102RepliesThatAreNotInTheAskDirectory) {
  ASSERT_TRUE(fs.forceDirectories(backup));
  put(backup + "X102A.TXT");
  put(backup + "X102B.TXT");
  put(backup + "BX102C.TXT");
  put(backup + "X201D.TXT");
  put(ask + "X102B.TXT");  // already back: stays as it is
  inst.ctx().VanId = "";
  MoveBackMessages(inst.ctx());
  EXPECT_EQ(inst.log(), std::vector<std::string>{"移回 " + ask + "X102A.TXT 訊息。"});
  EXPECT_TRUE(inst.ctx().TradeRepliesMoved);
  EXPECT_TRUE(fs.fileExists(ask + "X102A.TXT"));
  EXPECT_FALSE(fs.fileExists(backup + "X102A.TXT"));
  EXPECT_TRUE(fs.fileExists(backup + "X102B.TXT"));
  EXPECT_EQ(*fs.readFile(ask + "X102B.TXT"), "reply " + ask + "X102B.TXT");
  EXPECT_TRUE(fs.fileExists(backup + "BX102C.TXT"));
  EXPECT_TRUE(fs.fileExists(backup + "X201D.TXT"));
}

TEST_F(MoveBack, NetworkOneUsesTheBPrefixAndUpperCasesTheName) {
  ASSERT_TRUE(fs.forceDirectories(backup));
  put(backup + "bx102c.txt");
  put(backup + "X102A.TXT");
  inst.ctx().VanId = "1";
  MoveBackMessages(inst.ctx());
  EXPECT_EQ(inst.log(), std::vector<std::string>{"移回 " + ask + "BX102C.TXT 訊息。"});
  EXPECT_TRUE(fs.fileExists(ask + "BX102C.TXT"));
  EXPECT_TRUE(fs.fileExists(backup + "X102A.TXT"));
}

TEST_F(MoveBack, NothingHappensWithoutABackupDirectoryOrAskDirectory) {
  MoveBackMessages(inst.ctx());
  inst.ctx().AskDir = "";
  MoveBackMessages(inst.ctx());
  EXPECT_TRUE(inst.log().empty());
  EXPECT_FALSE(inst.ctx().TradeRepliesMoved);
}

}  // namespace
}  // namespace kvt::testing
