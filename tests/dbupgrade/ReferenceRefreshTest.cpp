// Reference rows merged from the release: Mode rows upserted, the port list merged.
#include <gtest/gtest.h>

#include "schema/upgrade/ReferenceRefresh.h"
#include "tests/dbupgrade/KindTest.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::testing {
namespace {

using namespace kvt::upgrade;

class Refresh : public KindTest {
 protected:
  void demoTables(const std::string& table) {
    demo::BuildTable(inst->package(), demo::Find(demo::InstallationTables(), table));
    demo::BuildTable(inst->release(), demo::Find(demo::ReleaseTables(), table));
  }
  // The rows of a table as "Mode/key/third column" texts, in table order.
  std::vector<std::string> rows(const std::string& table) {
    std::vector<std::string> out;
    for (const Row& r : Installation::rowsOf(inst->package(), table))
      out.push_back(r[0].asString() + "/" + r[1].asString() + "/" + r[2].asString() + "/" +
                    r[3].asString());
    return out;
  }
};
KVT_BOTH_KINDS(Refresh);

TEST_P(Refresh, XMLAppRowsOfTheModeAreUpsertedAndOthersLeftAlone) {
  demoTables("XMLApp");
  RefreshFromReleaseByMode(ctx(), XMLAppRefresh("X102"));
  EXPECT_EQ(inst->log(),
            std::vector<std::string>{"更新了 " + kindWord() + " 的資料表 XMLApp(X102)。"});
  EXPECT_EQ(rows("XMLApp"),
            (std::vector<std::string>{
                "X102/1/NewTag/" + Big5("新的"), "X102/2/Added/" + Big5("新增"),
                "X102/99/Local/" + Big5("自訂列"), "X201/1/Other/" + Big5("其他模式")}));
  // A second run finds the same rows and changes nothing.
  inst->newRun();
  RefreshFromReleaseByMode(ctx(), XMLAppRefresh("X102"));
  EXPECT_EQ(rows("XMLApp").size(), 4u);
}

TEST_P(Refresh, X602AndX903TakeTheirNoModesToo) {
  demoTables("XMLApp");
  RefreshFromReleaseByMode(ctx(), XMLAppRefresh("X602"));
  RefreshFromReleaseByMode(ctx(), XMLAppRefresh("X903"));
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{"更新了 " + kindWord() + " 的資料表 XMLApp(X602)。",
                                      "更新了 " + kindWord() + " 的資料表 XMLApp(X903)。"}));
  auto all = rows("XMLApp");
  for (const char* mode : {"X602/", "X602No/", "X903/", "X903No/"})
    EXPECT_EQ(std::count_if(all.begin(), all.end(),
                            [&](const std::string& r) { return r.rfind(mode, 0) == 0; }),
              1)
        << mode;
  EXPECT_EQ(all.size(), 7u);
}

TEST_P(Refresh, X101CountryCodesOverrideTheCopiedValueOnlyWhenAsked) {
  demoTables("XNoMap2");
  RefreshFromReleaseByMode(ctx(), XNoMap2Refresh("X101"));
  EXPECT_EQ(
      Column(inst->package(), "XNoMap2", "FNo"),
      (std::vector<Value>{Value("E00001"), Value("E15730"), Value("E15732"), Value("E00005")}));

  inst->newRun();
  ctx().switches.X101DestinationCountry15766And15768 = true;
  RefreshFromReleaseByMode(ctx(), XNoMap2Refresh("X101"));
  EXPECT_EQ(
      Column(inst->package(), "XNoMap2", "FNo"),
      (std::vector<Value>{Value("E00001"), Value("E15766"), Value("E15768"), Value("E00005")}));
  EXPECT_TRUE(inst->logged("更新了 XNoMap2(X101230) 的 15766。"));
  EXPECT_TRUE(inst->logged("更新了 XNoMap2(X101232) 的 15768。"));
  EXPECT_EQ(inst->log().back(), "更新了 " + kindWord() + " 的資料表 XNoMap2(X101)。");

  // Other Modes never get the override.
  inst->newRun();
  RefreshFromReleaseByMode(ctx(), XNoMap2Refresh("X201"));
  EXPECT_EQ(inst->countLogged("15766"), 0);
  EXPECT_EQ(Column(inst->package(), "XNoMap2", "FNo").back(), Value("E20005"));
}

TEST_P(Refresh, ReleaseRowsOfOneKeyEditTheRowTheFormerOneLeft) {
  const char* layout = "Mode A10 *; KVTNo I *; FNo A10; Name A40";
  inst->makePackageTable("XNoMap2", layout,
                         {{Value("X101"), Value(5), Value("E5"), Value("five")},
                          {Value("X101"), Value(230), Value("E230"), Value("old")},
                          {Value("X201"), Value(230), Value("E230"), Value("other")}});
  // Unkeyed, so a key comes twice: once for a row the package holds, once for one it lacks.
  inst->makeReleaseTable("XNoMap2", "Mode A10; KVTNo I; FNo A10; Name A40",
                         {{Value("X101"), Value(230), Value("E1"), Value("first")},
                          {Value("X101"), Value(7), Value("E7"), Value("new")},
                          {Value("X101"), Value(230), Value("E2"), Value::null()},
                          {Value("X101"), Value(7), Value("E8"), Value("again")},
                          {Value("X101"), Value(232), Value("E9"), Value("added")}});
  ctx().switches.X101DestinationCountry15766And15768 = true;
  RefreshFromReleaseByMode(ctx(), XNoMap2Refresh("X101"));
  const std::string row230 = "更新了 XNoMap2(X101230) 的 15766。";
  EXPECT_EQ(inst->log(),
            (std::vector<std::string>{row230, row230, "更新了 XNoMap2(X101232) 的 15768。",
                                      "更新了 " + kindWord() + " 的資料表 XNoMap2(X101)。"}));
  EXPECT_EQ(rows("XNoMap2"),
            (std::vector<std::string>{"X101/5/E5/five", "X101/7/E8/again", "X101/230/E15766/",
                                      "X101/232/E15768/added", "X201/230/E230/other"}));
}

// A unique index on the server refuses one edit; the others of the batch are made.
TEST_P(Refresh, AnEditTheTableRefusesLeavesItsRowAsItWas) {
  if (!mysql()) GTEST_SKIP() << "a Paradox table has no unique index but its key";
  const char* layout = "Mode A10 *; KVTNo I *; FNo A10; Name A40";
  inst->makePackageTable("XNoMap2", layout,
                         {{Value("X101"), Value(1), Value("E1"), Value("one")},
                          {Value("X101"), Value(2), Value("E2"), Value("two")},
                          {Value("X101"), Value(3), Value("E3"), Value("three")}});
  inst->package().execSql("ALTER TABLE `XNoMap2` ADD UNIQUE KEY (`FNo`)");
  inst->makeReleaseTable("XNoMap2", layout,
                         {{Value("X101"), Value(1), Value("E2"), Value("taken")},
                          {Value("X101"), Value(3), Value("E33"), Value("new")},
                          {Value("X101"), Value(4), Value("E4"), Value("added")}});
  RefreshFromReleaseByMode(ctx(), XNoMap2Refresh("X101"));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"更新了 MySQL 的資料表 XNoMap2(X101)。"});
  EXPECT_EQ(rows("XNoMap2"), (std::vector<std::string>{"X101/1/E1/one", "X101/2/E2/two",
                                                       "X101/3/E33/new", "X101/4/E4/added"}));
}

TEST_P(Refresh, MissingTablesAreReportedAndNothingChanges) {
  RefreshFromReleaseByMode(ctx(), XNoMap2Refresh("XSEA"));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到目的資料表 XNoMap2，XSEA 沒有更新。"});

  inst->newRun();
  demo::BuildTable(inst->package(), demo::Find(demo::InstallationTables(), "XMLApp"));
  const auto before = Installation::rowsOf(inst->package(), "XMLApp");
  RefreshFromReleaseByMode(ctx(), XMLAppRefresh("XS01"));
  EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到來源資料表 XMLApp。"});
  EXPECT_EQ(Installation::rowsOf(inst->package(), "XMLApp"), before);
}

TEST_P(Refresh, DS43PortMergesThePortListWithItsFixedColumns) {
  demoTables("DS43Port");
  demo::BuildTable(inst->release(), demo::Find(demo::ReleaseTables(), "KVT43"));
  RefreshDS43Port(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"更新了 " + kindWord() + " 的資料表 DS43Port。"});
  EXPECT_EQ(rows("DS43Port"), (std::vector<std::string>{"TWKEL/1/" + Big5("基隆") + "/L",
                                                        "TWKHH/1/" + Big5("高雄") + "/L",
                                                        "TWTPE/1/" + Big5("台北") + "/L"}));
  EXPECT_EQ(Column(inst->package(), "DS43Port", "CountryCode"),
            (std::vector<Value>{Value("TW"), Value("TW"), Value("TW")}));
}

TEST_P(Refresh, DS43PortRowWhosePostFailsIsRetriedWithSequenceTwo) {
  inst->makePackageTable("DS43Port", "Code A5 *; SEQ A1 *; Name A30; Type A1; CountryCode A2",
                         {{Value("TWKEL"), Value("0"), Value("zero"), Value("A"), Value("JP")},
                          {Value("TWKEL"), Value("1"), Value("one"), Value("A"), Value("JP")},
                          {Value("TWKHH"), Value("0"), Value("zero"), Value("A"), Value("JP")},
                          {Value("TWKHH"), Value("1"), Value("one"), Value("A"), Value("JP")},
                          {Value("TWKHH"), Value("2"), Value("two"), Value("A"), Value("JP")}});
  inst->makeReleaseTable(
      "KVT43", "Code A5 *; CName A30",
      {{Value("TWKEL"), Value(Big5("基隆"))}, {Value("TWKHH"), Value(Big5("高雄"))}});
  RefreshDS43Port(ctx());
  // TWKEL "0" is found first: SEQ 1 is taken, so it becomes SEQ 2. TWKHH has both taken:
  // the row is left as it was.
  EXPECT_EQ(rows("DS43Port"),
            (std::vector<std::string>{"TWKEL/1/one/A", "TWKEL/2/" + Big5("基隆") + "/L",
                                      "TWKHH/0/zero/A", "TWKHH/1/one/A", "TWKHH/2/two/A"}));
}

TEST_P(Refresh, DS43PortRowsAppendedTogetherKeepTheOutcomesOfOnePostEach) {
  const Value one("1"), two("2"), a("A"), jp("JP");
  inst->makePackageTable("DS43Port", "Code A5 *; SEQ A1 *; Name A30; Type A1; CountryCode A2",
                         {{Value("TWKEL"), Value("0"), Value("zero"), a, jp},
                          {Value("TWKHH"), one, Value("one"), a, jp},
                          {Value("TWTXG"), one, Value("one"), a, jp},
                          {Value("TWTXG"), two, Value("two"), a, jp},
                          {Value("twtpe"), one, Value("one"), a, jp}});
  // Unkeyed, so a code comes twice; a six-letter code is cut to the five DS43Port holds, so
  // locate does not find the row its append then runs into.
  inst->makeReleaseTable("KVT43", "Code A6; CName A30",
                         {{Value("TWKHHX"), Value(Big5("高雄"))},
                          {Value("TWKEL"), Value(Big5("基隆"))},
                          {Value("TWNEW"), Value(Big5("新港"))},
                          {Value("TWNEW"), Value(Big5("新港二"))},
                          {Value("TWTXGX"), Value(Big5("台中"))},
                          {Value("TWKEL"), Value(Big5("基隆二"))},
                          {Value("TWTPE"), Value(Big5("台北"))},
                          {Value("twtpe"), Value(Big5("台北二"))}});
  RefreshDS43Port(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"更新了 " + kindWord() + " 的資料表 DS43Port。"});
  // TWKHH/1 is taken: the append becomes SEQ 2. The second TWNEW and TWKEL edit the rows the
  // first ones left. TWTXG has 1 and 2 taken: nothing is added. TWTPE does not find twtpe,
  // which the server's key takes for the same code (SEQ 2 then) and Paradox's does not.
  const std::string tpe = "TWTPE/" + std::string(mysql() ? "2" : "1") + "/" + Big5("台北") + "/L";
  const std::string lowTpe = "twtpe/1/" + Big5("台北二") + "/L";
  std::vector<std::string> expected{"TWKEL/1/" + Big5("基隆二") + "/L", "TWKHH/1/one/A",
                                    "TWKHH/2/" + Big5("高雄") + "/L",
                                    "TWNEW/1/" + Big5("新港二") + "/L"};
  if (mysql()) expected.insert(expected.end(), {lowTpe, tpe});
  if (!mysql()) expected.push_back(tpe);
  expected.insert(expected.end(), {"TWTXG/1/one/A", "TWTXG/2/two/A"});
  if (!mysql()) expected.push_back(lowTpe);
  EXPECT_EQ(rows("DS43Port"), expected);
}

TEST_P(Refresh, DS43PortWithoutItsTables) {
  RefreshDS43Port(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"找不到來源資料表 KVT43。"});
  inst->newRun();
  demo::BuildTable(inst->release(), demo::Find(demo::ReleaseTables(), "KVT43"));
  RefreshDS43Port(ctx());
  EXPECT_EQ(inst->log(), std::vector<std::string>{"開啟目的資料表 DS43Port 時失敗。"});
}

TEST_P(Refresh, RunOrderFollowsTheSwitches) {
  demoTables("XMLApp");
  demoTables("XNoMap2");
  demoTables("DS43Port");
  demo::BuildTable(inst->release(), demo::Find(demo::ReleaseTables(), "KVT43"));
  auto& sw = ctx().switches;
  sw.ChangeXNoMap2XSEA = sw.ChangeXMLAppXS02 = sw.ChangeDS43Port = sw.ChangeXMLAppX102 = true;
  RunReferenceRefreshes(ctx());
  const std::string k = kindWord();
  EXPECT_EQ(inst->log(), (std::vector<std::string>{"更新了 " + k + " 的資料表 DS43Port。",
                                                   "更新了 " + k + " 的資料表 XMLApp(X102)。",
                                                   "更新了 " + k + " 的資料表 XMLApp(XS02)。",
                                                   "更新了 " + k + " 的資料表 XNoMap2(XSEA)。"}));
}

}  // namespace
}  // namespace kvt::testing
