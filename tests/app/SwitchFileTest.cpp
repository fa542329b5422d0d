// The switch text: comments, list numbering and capacities, YES in any case, field splitting,
// and the round trip of the memo text through the temporary file.
#include <gtest/gtest.h>

#include "TestPrefix.h"
#include "app/UpgradeSwitchFile.h"
#include "platform/ProfileFile.h"
#include "support/FaultyFileSystem.h"

namespace kvt::app {
namespace {

using testing::TestPrefix;

SectionValues sectionOf(const std::string& lines) {
  return platform::ProfileFile::parse("[System]\n" + lines).sectionValues("System");
}

TEST(StripComment, CutsAtFirstSemicolonAndTrimsOnlyThen) {
  EXPECT_EQ(StripComment("a, b, c, d ;comment"), "a, b, c, d");
  EXPECT_EQ(StripComment("YES;x;y"), "YES");
  EXPECT_EQ(StripComment("\t YES \t; x"), "YES");
  EXPECT_EQ(StripComment("; all comment"), "");
  // Without ";" the value is left exactly as it is, blanks included.
  EXPECT_EQ(StripComment("  a  b  "), "  a  b  ");
  // Chinese text keeps its bytes (no byte of a UTF-8 character is taken for a blank).
  EXPECT_EQ(StripComment("主表單 ;註解"), "主表單");
}

TEST(ReadSwitch, OnOnlyForYesInAnyCase) {
  SectionValues v = sectionOf(
      "A=yes\nB=YES ;on\nC=Y\nD=1\nE=NO\nF=Yes\nG=YESS\nH= yes \nI=;YES\n"
      "X101目的國家用15766及15768=YES\n");
  EXPECT_TRUE(ReadSwitch(v, "A"));
  EXPECT_TRUE(ReadSwitch(v, "B"));
  EXPECT_FALSE(ReadSwitch(v, "C"));
  EXPECT_FALSE(ReadSwitch(v, "D"));
  EXPECT_FALSE(ReadSwitch(v, "E"));
  EXPECT_TRUE(ReadSwitch(v, "F"));
  EXPECT_FALSE(ReadSwitch(v, "G"));
  EXPECT_TRUE(ReadSwitch(v, "H"));  // the profile file trims values
  EXPECT_FALSE(ReadSwitch(v, "I"));
  EXPECT_FALSE(ReadSwitch(v, "Absent"));
  EXPECT_TRUE(ReadSwitch(v, "x101目的國家用15766及15768"));  // keys ignore ASCII case
}

TEST(ReadList, GapsAreSkippedAndOrderFollowsNumbers) {
  SectionValues v = sectionOf(
      "SourceDBL003=C.DBL\nSourceDBL002=B.DBL\nSourceDBL005= ;only a comment\n"
      "SourceDBL007=G.DBL ; new\n");
  EXPECT_EQ(ReadList(v, "SourceDBL", 200), (std::vector<std::string>{"B.DBL", "C.DBL", "G.DBL"}));
}

TEST(ReadList, KeysBeyondTheCapacityAreNeverLookedAt) {
  std::string lines;
  for (int i = 1; i <= 12; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "SourceDBT%03d=F%d\n", i, i);
    lines += key;
  }
  std::vector<std::string> list = ReadList(sectionOf(lines), "SourceDBT", 10);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.front(), "F1");
  EXPECT_EQ(list.back(), "F10");
  // SourceDBT011 alone still counts for nothing.
  EXPECT_TRUE(ReadList(sectionOf("SourceDBT011=X\n"), "SourceDBT", 10).empty());
  // Three-digit numbers: "SourceDB1" or "SourceDB01" is not an entry.
  EXPECT_TRUE(ReadList(sectionOf("SourceDB1=X\nSourceDB01=Y\n"), "SourceDB", 200).empty());
}

TEST(SplitEntryFields, FourTrimmedFields) {
  auto f = SplitEntryFields(StripComment("a, b, c, d ;comment"));
  EXPECT_EQ(f[0], "a");
  EXPECT_EQ(f[1], "b");
  EXPECT_EQ(f[2], "c");
  EXPECT_EQ(f[3], "d");

  f = SplitEntryFields("E,*,[KVT]KVTE.DBT");
  EXPECT_EQ(f[2], "[KVT]KVTE.DBT");
  EXPECT_EQ(f[3], "");

  f = SplitEntryFields(" 1 ,\t2\t, 3 , 4 , 5 , 6");
  EXPECT_EQ(f[3], "4");  // pieces after the fourth are dropped

  f = SplitEntryFields("");
  for (const auto& field : f) EXPECT_EQ(field, "");
  f = SplitEntryFields(",,");
  for (const auto& field : f) EXPECT_EQ(field, "");
}

TEST(ParseUpgradeSwitches, EveryKeyReachesItsOwnField) {
  // Each switch on alone sets exactly one field; together they set all of them.
  UpgradeSwitches probe;
  std::vector<std::string> keys;
  ForEachSwitch(probe, [&](std::string_view key, bool&) { keys.emplace_back(key); });
  ASSERT_EQ(keys.size(), 95u);
  for (const std::string& key : keys) {
    UpgradeSwitches s = ParseUpgradeSwitches(sectionOf(key + "=YES\n"));
    int on = 0;
    std::string which;
    ForEachSwitch(s, [&](std::string_view k, bool& flag) {
      if (flag) {
        ++on;
        which = k;
      }
    });
    EXPECT_EQ(on, 1) << key;
    EXPECT_EQ(which, key);
  }

  std::vector<std::string> listKeys;
  ForEachList(probe, [&](std::string_view key, std::vector<std::string>&, std::size_t) {
    listKeys.emplace_back(key);
  });
  ASSERT_EQ(listKeys.size(), 13u);
  for (const std::string& key : listKeys) {
    UpgradeSwitches s = ParseUpgradeSwitches(sectionOf(key + "001=entry of " + key + "\n"));
    int filled = 0;
    ForEachList(s, [&](std::string_view k, std::vector<std::string>& list, std::size_t) {
      if (!list.empty()) {
        ++filled;
        EXPECT_EQ(k, key);
        EXPECT_EQ(list, std::vector<std::string>{"entry of " + key});
      }
    });
    EXPECT_EQ(filled, 1) << key;
  }
}

TEST(ParseUpgradeSwitches, CapacitiesOfTheLists) {
  std::string lines;
  UpgradeSwitches probe;
  ForEachList(probe, [&](std::string_view key, std::vector<std::string>&, std::size_t) {
    for (int i = 1; i <= 205; ++i) {
      char number[8];
      std::snprintf(number, sizeof number, "%03d", i);
      lines += std::string(key) + number + "=v" + number + "\n";
    }
  });
  UpgradeSwitches s = ParseUpgradeSwitches(sectionOf(lines));
  EXPECT_EQ(s.SourceDBT.size(), 10u);
  EXPECT_EQ(s.SourceDBL.size(), 200u);
  EXPECT_EQ(s.SourceDB.size(), 200u);
  EXPECT_EQ(s.EFormClass.size(), 200u);
  EXPECT_EQ(s.IAlterBodyFieldSizeList.size(), 50u);
  EXPECT_EQ(s.EAlterBigFormularList.size(), 50u);
  EXPECT_EQ(s.EAlterBigFormularList.back(), "v050");
}

TEST(ParseUpgradeSwitches, AlterKeysAreBothListAndSwitch) {
  UpgradeSwitches s = ParseUpgradeSwitches(
      sectionOf("IAlterBodyFieldSize=YES\nIAlterBodyFieldSize001=CB21,F1,20\n"));
  EXPECT_TRUE(s.IAlterBodyFieldSize);
  EXPECT_EQ(s.IAlterBodyFieldSizeList, std::vector<std::string>{"CB21,F1,20"});
  EXPECT_FALSE(s.EAlterBodyFieldSize);
}

class ReadUpgradeSwitchesTest : public ::testing::Test {
 protected:
  TestPrefix prefix;
  const std::string releaseDir = "C:\\KVT更新版\\";
  void SetUp() override { prefix.mkdir(releaseDir); }
};

TEST_F(ReadUpgradeSwitchesTest, MemoTextThroughTheTemporaryFile) {
  const std::string memo =
      ";更新設定\n[System]\nX101目的國家用15766及15768=yes ;目的國家\nUpgradeKVTEXE=YES\n"
      "SourceDBT001=E, *, [KVT]KVTE.DBT, 主表單 ;說明\nSourceDBL001=KVTE 副表單.DBL\n";
  UpgradeSwitches s = ReadUpgradeSwitches(prefix.fs(), releaseDir, memo);
  EXPECT_TRUE(s.X101DestinationCountry15766And15768);
  EXPECT_TRUE(s.UpgradeKVTEXE);
  EXPECT_FALSE(s.DependOnMainEXE);
  EXPECT_EQ(s.SourceDBT, std::vector<std::string>{"E, *, [KVT]KVTE.DBT, 主表單"});
  EXPECT_EQ(s.SourceDBL, std::vector<std::string>{"KVTE 副表單.DBL"});
  EXPECT_FALSE(prefix.exists(releaseDir + "KVTTemp.INI"));
}

TEST_F(ReadUpgradeSwitchesTest, ExistingTemporaryFileIsReplacedAndRemoved) {
  prefix.put(releaseDir + "KVTTemp.INI", "[System]\r\nUpgradeKVTEXE=YES\r\n");
  UpgradeSwitches s = ReadUpgradeSwitches(prefix.fs(), releaseDir, "[System]\nShowUpgradeOnly=Yes");
  EXPECT_FALSE(s.UpgradeKVTEXE);
  EXPECT_TRUE(s.ShowUpgradeOnly);
  EXPECT_FALSE(prefix.exists(releaseDir + "KVTTemp.INI"));
}

TEST_F(ReadUpgradeSwitchesTest, TextWithoutTheSectionTurnsEverythingOff) {
  UpgradeSwitches s = ReadUpgradeSwitches(prefix.fs(), releaseDir, "UpgradeKVTEXE=YES\n");
  EXPECT_FALSE(s.UpgradeKVTEXE);
  s = ReadUpgradeSwitches(prefix.fs(), releaseDir, "");
  EXPECT_TRUE(s.SourceDBT.empty());
}

TEST_F(ReadUpgradeSwitchesTest, WriteOrReadFailureIsAnErrorAndLeavesNoFile) {
  platform::FaultyFileSystem faulty(prefix.fs());
  faulty.failOn(platform::FsOp::WriteFile, "KVTTemp");
  EXPECT_THROW(ReadUpgradeSwitches(faulty, releaseDir, "[System]\nUpgradeKVTEXE=YES\n"),
               SwitchFileError);
  EXPECT_FALSE(prefix.exists(releaseDir + "KVTTemp.INI"));

  faulty.clearFaults();
  faulty.failOn(platform::FsOp::ReadFile, "KVTTemp");
  EXPECT_THROW(ReadUpgradeSwitches(faulty, releaseDir, "[System]\nUpgradeKVTEXE=YES\n"),
               SwitchFileError);
  EXPECT_FALSE(prefix.exists(releaseDir + "KVTTemp.INI"));

  // A release directory that does not exist cannot take the file either.
  EXPECT_THROW(ReadUpgradeSwitches(prefix.fs(), "C:\\Missing\\", "[System]\n"), SwitchFileError);
}

}  // namespace
}  // namespace kvt::app
