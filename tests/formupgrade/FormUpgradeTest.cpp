// Whole form-file entries: files read, changed as the switches and the entry's kind ask,
// written back, and the log lines on the way; files that are missing or not form files.
#include <gtest/gtest.h>

#include "UpgradeTestSupport.h"
#include "forms/FormFileVersion.h"
#include "forms/upgrade/FormUpgrade.h"
#include "support/FaultyFileSystem.h"

namespace kvt::forms {
namespace {

using namespace testing;

constexpr const char* kRelease = "C:\\KVT更新\\";
constexpr const char* kForms = "C:\\Velmor\\KVT\\Forms\\";
const std::string kExport = std::string(kForms) + "KVTE.DBT";

// An export form file: two forms, entries with lists, fields, placements, a block, codes.
const std::string kExportTables = R"({
  "CB20": [{"FormNo": 100, "FormName": "F100", "Class": "標準"},
           {"FormNo": 200, "FormName": "F200", "Class": "標準"}],
  "CB21": [{"EntryNo": 10, "EntryName": "舊名稱", "FormularMode": "N", "Formular": "A+B", "LookupMode": "N"},
           {"EntryNo": 11, "EntryName": "十一", "FormularMode": "N", "Formular": "C", "LookupMode": "N"},
           {"EntryNo": 13090, "EntryName": "出口商", "LookupMode": "K", "LookupTable": "T",
            "ListField1": "A", "ListEntryNo1": 1, "ListField2": "B", "ListEntryNo2": 2},
           {"EntryNo": 15706, "EntryName": "國家", "LookupMode": "N"}],
  "CB22": [{"Type": "X", "FieldNo": 30, "FieldName": "Amount", "FieldLength": 10, "GridWidth": 8, "LookupMode": "N"},
           {"Type": "I", "FieldNo": 31, "FieldName": "Qty", "FieldLength": 6, "GridWidth": 6, "LookupMode": "N"}],
  "CB23": [{"FormNo": 100, "SEQ": 10, "EntryNo": 10, "EntryName": "舊名稱"},
           {"FormNo": 100, "SEQ": 20, "EntryNo": 11, "EntryName": "十一"}],
  "CB24": [{"FormNo": 100, "EntryNo": 10, "SEQ": 10, "Type": "X", "FieldNo": 30, "Part": "A"}],
  "CB25": [{"BlockName": "HEAD", "Memo": "表頭"}],
  "CB2F0": [{"Code": "AB01", "Type": "I", "FieldType": "F", "FieldNo": 5, "DoIt": true},
            {"Code": "AB02", "Type": "I", "FieldType": "F", "FieldNo": 6, "DoIt": false}]
})";

class FormUpgradeTest : public ::testing::Test {
 protected:
  FormUpgradeTest() : faults(drive.fs()), ctx(log, ui, faults) {
    ctx.ReleaseDir = kRelease;
    ctx.FormDir = kForms;
    drive.mkdir(kRelease);
    writeFormFile(drive, kExport, "1020905", kExportTables);
  }

  void run(std::vector<std::string> entries) {
    ctx.switches.SourceDBT = std::move(entries);
    UpgradeFormFiles(ctx);
    EXPECT_EQ(ctx.FormDir, kForms);
    EXPECT_TRUE(drive.namesIn(std::string(kRelease) + "Table\\").empty());
  }
  static std::vector<std::string> savedLines(const std::string& path) {
    return {"讀入主表單檔 [" + path + "]。", "儲存主表單檔 [" + path + "]。",
            "主表單檔 [" + path + "] 更改完成。"};
  }
  // Every switch and list of both kinds, each with something to change in the export file.
  void switchEverythingOn() {
    UpgradeSwitches& s = ctx.switches;
    s.IAddition = {"10,輸入名,I,I1"};
    s.EAddition = {"10,輸出名,E,E1"};
    s.IFormClass = {"100,I類"};
    s.EFormClass = {"100,E類"};
    s.IAlterBodyFieldSizeList = {"X30,11"};
    s.EAlterBodyFieldSizeList = {"X30,12"};
    s.IAlterBigFormularList = {"AB01,7,NO"};
    s.EAlterBigFormularList = {"AB01,8,NO"};
    s.DoIFormClass = s.DoEFormClass = true;
    s.IAlterBodyFieldSize = s.EAlterBodyFieldSize = true;
    s.IAlterBigFormular = s.EAlterBigFormular = true;
    s.SetE15735Clear = s.SetE15706Lookup = s.SetE13090Clear = true;
    s.X101DestinationCountry15766And15768 = s.X101Country15766Mode = true;
    s.DisableOldX101Form = s.InvisibleF15104 = true;
    s.EAlterX191Lookup = s.EAlterX198Lookup = s.EAlterX198FieldLen = true;
    s.EAlterX6And7Trans = s.EAlterECFAFormular = s.EAlterFR16Formular = true;
    s.EAlterFI05Formular = s.EAlterFI36Formular = s.EAlterEZ84EZ86 = true;
  }
  Value value(Database& db, FormTable t, const std::vector<Value>& key, const char* name) {
    const auto rows = rowsOf(db, t);
    const Row* row = findRow(rows, t, key);
    return row == nullptr ? Value("<no row>") : field(*row, t, name);
  }

  ScratchDrive drive;
  platform::FaultyFileSystem faults;
  RecordingUi ui;
  LogLines log;
  RunContext ctx;
};

TEST_F(FormUpgradeTest, ExportEntryInTheFormDirectoryGetsItsAdditionsAndTheirPatches) {
  ctx.switches.EAddition = {"10, 新名稱 , S , X*2", "11,,,", "12,無此項,S,F"};
  ctx.switches.IAddition = {"10,輸入名,I,I1"};
  ctx.switches.SetE15735Clear = ctx.switches.SetE13090Clear = true;
  run({"E, *, [KVT]KVTE.DBT, yes"});

  EXPECT_EQ(log.lines, savedLines(kExport));
  const ReadBack back = readFormFile(drive, kExport);
  Database& db = *back.db;
  EXPECT_EQ(value(db, FormTable::CB21, {Value(10)}, "EntryName"), text("新名稱"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(10)}, "FormularMode"), Value("S"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(10)}, "Formular"), Value("X*2"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(11)}, "EntryName"), Value::null());
  EXPECT_EQ(value(db, FormTable::CB21, {Value(11)}, "Formular"), Value("C"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(15735)}, "ListField1"), Value("<Clear>"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(13090)}, "ListField1"), text("{出口商簡稱}"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(13090)}, "ListField2"), Value::null());
  // Switched off: the lookup of 15706 stays as it was.
  EXPECT_EQ(value(db, FormTable::CB21, {Value(15706)}, "LookupMode"), Value("N"));
  EXPECT_EQ(drive.namesIn(std::string(kForms) + "Backup").size(), 1u);
}

TEST_F(FormUpgradeTest, AFormDirectoryOnANetworkShareIsUpgradedInPlace) {
  // KVTHostPath of a network installation; the share lies below the prefix's dosdevices/unc.
  const std::string share = "\\\\FileSrv\\KVT\\";
  writeFormFile(drive, share + "KVTE.DBT", "1020905", kExportTables);
  ctx.FormDir = share;
  ctx.switches.EAddition = {"10,新名稱,S,X*2"};
  ctx.switches.SourceDBT = {"E,*,[KVT]KVTE.DBT,YES"};
  UpgradeFormFiles(ctx);
  EXPECT_EQ(log.lines, savedLines(share + "KVTE.DBT"));
  EXPECT_EQ(
      value(*readFormFile(drive, share + "KVTE.DBT").db, FormTable::CB21, {Value(10)}, "EntryName"),
      text("新名稱"));
  EXPECT_EQ(drive.namesIn(share + "Backup").size(), 1u);
  EXPECT_TRUE(drive.namesIn(std::string(kRelease) + "Table\\").empty());
}

TEST_F(FormUpgradeTest, WithoutTheAdditionsFlagNeitherTheListNorItsPatchesApply) {
  ctx.switches.EAddition = {"10,新名稱,S,X*2"};
  ctx.switches.SetE15735Clear = ctx.switches.SetE15706Lookup = ctx.switches.SetE13090Clear = true;
  const std::string before = contentOf(*readFormFile(drive, kExport).db);
  run({"E,*,[KVT]KVTE.DBT,NO"});
  EXPECT_EQ(log.lines, savedLines(kExport));
  EXPECT_EQ(contentOf(*readFormFile(drive, kExport).db), before);
}

TEST_F(FormUpgradeTest, AKindOtherThanIOrEIsOnlyReadAndRewritten) {
  switchEverythingOn();
  const std::string before = contentOf(*readFormFile(drive, kExport).db);
  run({"e,*,[KVT]KVTE.DBT,YES", "i,*,[KVT]KVTE.DBT,YES", " ,*,[KVT]KVTE.DBT,YES"});
  EXPECT_EQ(log.lines.size(), 9u);
  const ReadBack back = readFormFile(drive, kExport);
  EXPECT_EQ(contentOf(*back.db), before);
  EXPECT_EQ(back.version, "1020905");
  EXPECT_FALSE(drive.namesIn(std::string(kForms) + "Backup").empty());
}

TEST_F(FormUpgradeTest, ImportKindTakesTheImportListsAndNoExportChange) {
  switchEverythingOn();
  run({"I,*,[KVT]KVTE.DBT,YES"});
  EXPECT_EQ(log.lines, savedLines(kExport));
  const ReadBack back = readFormFile(drive, kExport);
  Database& db = *back.db;
  EXPECT_EQ(value(db, FormTable::CB21, {Value(10)}, "EntryName"), text("輸入名"));
  EXPECT_EQ(value(db, FormTable::CB20, {Value(100)}, "Class"), text("I類"));
  EXPECT_EQ(value(db, FormTable::CB22, {Value("X"), Value(30)}, "FieldLength"), Value(11));
  EXPECT_EQ(value(db, FormTable::CB2F0, {Value("AB01")}, "FieldNo"), Value(7));
  EXPECT_EQ(value(db, FormTable::CB2F0, {Value("AB01")}, "DoIt"), Value(false));
  // None of the export patches ran.
  EXPECT_EQ(value(db, FormTable::CB21, {Value(15735)}, "EntryName"), Value("<no row>"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(15766)}, "EntryName"), Value("<no row>"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(13090)}, "ListField1"), Value("A"));
}

TEST_F(FormUpgradeTest, ExportKindTakesTheExportListsAndPatchesInOrder) {
  switchEverythingOn();
  run({"E,*,[KVT]KVTE.DBT,YES"});
  // The upserts of the destination-country patches report between reading and saving.
  ASSERT_GE(log.lines.size(), 5u);
  EXPECT_EQ(log.lines.front(), savedLines(kExport)[0]);
  EXPECT_EQ(std::vector<std::string>(log.lines.begin() + 1, log.lines.end() - 2),
            (std::vector<std::string>{"更新了 CB21 的 15766", "更新了 CB21 的 15768",
                                      "更新了 CB21 的 15766"}));
  const ReadBack back = readFormFile(drive, kExport);
  Database& db = *back.db;
  EXPECT_EQ(value(db, FormTable::CB21, {Value(10)}, "EntryName"), text("輸出名"));
  EXPECT_EQ(value(db, FormTable::CB20, {Value(100)}, "Class"), text("E類"));
  EXPECT_EQ(value(db, FormTable::CB22, {Value("X"), Value(30)}, "FieldLength"), Value(12));
  EXPECT_EQ(value(db, FormTable::CB2F0, {Value("AB01")}, "FieldNo"), Value(8));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(15735)}, "ListField1"), Value("<Clear>"));
  EXPECT_EQ(value(db, FormTable::CB21, {Value(15706)}, "LookupTable"), Value("X101_1"));
  // Country mode ran after the destination-country entries and has the last word on 15766.
  EXPECT_EQ(value(db, FormTable::CB21, {Value(15766)}, "EntryName"), text("目的地國家代碼"));
}

TEST_F(FormUpgradeTest, AnEntryWithItsOwnDirectoryDoesNotMoveTheNextOne) {
  const std::string other = "C:\\Other Place\\KVTX.DBT";
  writeFormFile(drive, other, "1020905", kExportTables);
  ctx.switches.EAddition = {"10,新名稱,S,X*2"};
  run({"E,*,[KVT] C:\\Other Place\\KVTX.DBT ,YES", "E,*,[KVT]KVTE.DBT,NO"});
  std::vector<std::string> expected = savedLines(other);
  for (const auto& line : savedLines(kExport)) expected.push_back(line);
  EXPECT_EQ(log.lines, expected);
  EXPECT_EQ(value(*readFormFile(drive, other).db, FormTable::CB21, {Value(10)}, "EntryName"),
            text("新名稱"));
  EXPECT_EQ(value(*readFormFile(drive, kExport).db, FormTable::CB21, {Value(10)}, "EntryName"),
            text("舊名稱"));
}

TEST_F(FormUpgradeTest, ClassesRaiseAnOldVersionSoThatTheyAreWritten) {
  writeFormFile(drive, kExport, "0890401", kExportTables);
  ctx.switches.DoEFormClass = true;
  ctx.switches.EFormClass = {"100,新類", "200, 乙類"};
  run({"E,*,[KVT]KVTE.DBT,NO"});
  const ReadBack back = readFormFile(drive, kExport);
  EXPECT_EQ(back.version, "0950209");
  EXPECT_EQ(value(*back.db, FormTable::CB20, {Value(100)}, "Class"), text("新類"));
  EXPECT_EQ(value(*back.db, FormTable::CB20, {Value(200)}, "Class"), text("乙類"));
}

TEST_F(FormUpgradeTest, ANewerVersionIsKeptAndTheOtherKindsSwitchRaisesNothing) {
  const std::string old = std::string(kForms) + "KVTI.DBT";
  writeFormFile(drive, old, "0890401", kExportTables);
  ctx.switches.DoEFormClass = true;
  ctx.switches.EFormClass = {"100,新類"};
  run({"E,*,[KVT]KVTE.DBT,NO", "I,*,[KVT]KVTI.DBT,NO"});
  const ReadBack newer = readFormFile(drive, kExport);
  EXPECT_EQ(newer.version, "1020905");
  EXPECT_EQ(value(*newer.db, FormTable::CB20, {Value(100)}, "Class"), text("新類"));
  EXPECT_EQ(readFormFile(drive, old).version, "0890401");
}

TEST_F(FormUpgradeTest, ADestinationThatIsNoFormFileIsLeftAsItWas) {
  const std::string bad = std::string(kForms) + "BAD.DBT";
  const std::string bytes = "not a form file\r\n\x01\x02";
  drive.put(bad, bytes);
  ctx.switches.EAddition = {"10,新名稱,S,X*2"};
  run({"E,*,[KVT]BAD.DBT,YES"});
  EXPECT_EQ(log.lines, (std::vector<std::string>{"讀入主表單檔 [" + bad + "]。",
                                                 "主表單檔 [" + bad + "] 讀取失敗。"}));
  EXPECT_EQ(drive.get(bad), bytes);
  EXPECT_TRUE(drive.namesIn(std::string(kForms) + "Backup").empty());
  EXPECT_FALSE(ui.boxes.empty());
}

TEST_F(FormUpgradeTest, MissingFilesAreReportedAndTheNextEntryStillRuns) {
  run({"E,NEW.DBT,[KVT]KVTE.DBT,YES", "E,*,[KVT]NONE.DBT,YES", "E,*,[KVT]KVTE.DBT,NO"});
  std::vector<std::string> expected{"找不到來源主表單檔 [" + std::string(kRelease) + "NEW.DBT]。",
                                    "找不到目的主表單檔 [" + std::string(kForms) + "NONE.DBT]。"};
  for (const auto& line : savedLines(kExport)) expected.push_back(line);
  EXPECT_EQ(log.lines, expected);
}

TEST_F(FormUpgradeTest, AWorkDirectoryThatCannotBeMadeEndsTheEntry) {
  faults.failOn(platform::FsOp::ForceDirectories, "Table");
  run({"E,*,[KVT]KVTE.DBT,NO"});
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"建立目錄 [" + std::string(kRelease) + "Table\\] 失敗。"}));
}

TEST_F(FormUpgradeTest, AFailedSaveIsNotReportedAsAChange) {
  const std::string before = drive.get(kExport);
  ctx.switches.EAddition = {"10,新名稱,S,X*2"};
  faults.failOn(platform::FsOp::WriteFile, "$x$");
  run({"E,*,[KVT]KVTE.DBT,YES"});
  EXPECT_EQ(log.lines, (std::vector<std::string>{"讀入主表單檔 [" + kExport + "]。",
                                                 "儲存主表單檔 [" + kExport + "]。",
                                                 "主表單檔 [" + kExport + "] 沒有更改。"}));
  EXPECT_EQ(drive.get(kExport), before);
  ASSERT_EQ(ui.boxes.size(), 1u);
}

TEST_F(FormUpgradeTest, TwoEntriesOnOneFileTheSecondStartsFromTheFirstsResult) {
  ctx.switches.EAddition = {"10,輸出名,E,E1"};
  ctx.switches.IAddition = {"11,輸入名,I,I1"};
  run({"E,*,[KVT]KVTE.DBT,YES", "I,*,[KVT]KVTE.DBT,YES"});
  const ReadBack back = readFormFile(drive, kExport);
  EXPECT_EQ(value(*back.db, FormTable::CB21, {Value(10)}, "EntryName"), text("輸出名"));
  EXPECT_EQ(value(*back.db, FormTable::CB21, {Value(11)}, "EntryName"), text("輸入名"));
}

TEST_F(FormUpgradeTest, ImportedFormsComeFromTheReleaseAndTheFileKeepsItsVersion) {
  writeFormFile(drive, kExport, "0990101", kExportTables);
  const std::string source = std::string(kRelease) + "NEWE.DBT";
  writeFormFile(drive, source, "1020905", R"({
    "CB20": [{"FormNo": 300, "FormName": "F300"}],
    "CB21": [{"EntryNo": 30, "EntryName": "新項", "LookupMode": "N"}],
    "CB23": [{"FormNo": 300, "SEQ": 10, "EntryNo": 30}]
  })");
  ctx.switches.EAddition = {"30,改名,S,F"};
  run({"E,NEWE.DBT,[KVT]KVTE.DBT,YES"});
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{
                "讀入主表單檔 [" + kExport + "]。", "匯入主表單檔 [" + source + "]。",
                "儲存主表單檔 [" + kExport + "]。", "主表單檔 [" + kExport + "] 更改完成。"}));
  const ReadBack back = readFormFile(drive, kExport);
  EXPECT_EQ(back.version, "0990101");
  EXPECT_EQ(value(*back.db, FormTable::CB20, {Value(300)}, "FormName"), Value("F300"));
  EXPECT_EQ(value(*back.db, FormTable::CB20, {Value(100)}, "FormName"), Value("F100"));
  // The additions apply to what the import brought.
  EXPECT_EQ(value(*back.db, FormTable::CB21, {Value(30)}, "EntryName"), text("改名"));
  EXPECT_EQ(value(*back.db, FormTable::CB23, {Value(300), Value(10)}, "EntryNo"), Value(30));
  EXPECT_FALSE(drive.exists(std::string(kRelease) + "SrcTable1"));
}

}  // namespace
}  // namespace kvt::forms
