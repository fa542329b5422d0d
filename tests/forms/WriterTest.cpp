// Writing form files: the bytes, the rows left out, old code names and packed numbers, the
// temporary file, the backups, and every way the new file can fail to take the old one's place.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#ifdef KVT_TEST_HOLD_FILES
#include "HeldFiles.h"
#endif
#include "forms/FormFileCodec.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "platform/LocalDate.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"
#include "tools/formfile/FormJson.h"

namespace kvt::forms {
namespace {

using namespace testing;
using platform::FsOp;

constexpr const char* kTarget = "C:\\Forms\\KVTE.DBT";
constexpr const char* kTemp = "C:\\Forms\\KVTE$x$";
const std::string kNotSaved = "主表單檔 C:\\Forms\\KVTE.DBT\r\n存檔沒有成功 !";

platform::FileTime at(int h, int m, int s) {
  return platform::localDate(2013, 9, 5) + std::chrono::hours(h) + std::chrono::minutes(m) +
         std::chrono::seconds(s);
}

std::string backupName(platform::FileTime t) {
  return "KVTE.DBT " + platform::formatDateTimeDashed(t) + ".BAK備份";
}

class WriterTest : public ::testing::Test {
 protected:
  WriterTest() : faults(drive.fs()) {
    drive.mkdir("C:\\Forms");
    CreateFormTables(db);
    FormFileVersion = ProgramFormVersion;
  }

  bool save(platform::FileTime t = at(14, 30, 0)) {
    const bool ok = SaveFormFile(faults, ui, db, kTarget, t);
    EXPECT_EQ(ui.busy, 0);
    return ok;
  }
  // Fills the tables from the form-file tool's JSON.
  void load(const std::string& json) { FormFileVersion = formfile::loadFormTablesJson(json, db); }

  ScratchDrive drive;
  platform::FaultyFileSystem faults;
  RecordingUi ui;
  MemoryDatabase db;
};

TEST_F(WriterTest, EmptyTablesMakeThe48ByteFile) {
  FileBytes expected;
  expected.header("1020905").emptySections(7);
  ASSERT_TRUE(save());
  EXPECT_EQ(drive.get(kTarget), expected.bytes());
  EXPECT_EQ(drive.get(kTarget).size(), 48u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(WriterTest, APlacementWithoutFontImageOffsetMaskAndNoteEndsWithTheMark) {
  addRow(db, FormTable::CB23,
         {{"FormNo", Value(5)},
          {"SEQ", Value(10)},
          {"EntryNo", Value(6)},
          {"EntryName", Value("E")},
          {"VPos", Value(2.5)},
          {"Underline", Value(true)},
          {"Character", Value("C")}});
  FileBytes row;
  row.i32(5).i32(10).i32(6).str("E").str("").i32(0);
  row.f64(2.5).f64(0).f64(0).f64(0).str("").str("");
  row.b(false).b(false).b(false).b(true).b(false).str("C").str("NoMore");
  FileBytes expected;
  expected.header("1020905").emptySections(3).i32(1).raw(row.bytes()).emptySections(3);
  EXPECT_EQ(encodeFormFile(db, "1020905"), expected.bytes());

  // A note alone is enough to write the whole row.
  Table t(db, "CB23.DB");
  t.open();
  t.first();
  t.edit();
  t.set("Note", Value("n"));
  t.post();
  t.close();
  const std::string full = encodeFormFile(db, "1020905");
  EXPECT_EQ(full.find("NoMore"), std::string::npos);
  EXPECT_EQ(full.size(), expected.size() - 8 + 2 + 4 * 3 + 2 + 8 * 3 + 2 + 3);
}

TEST_F(WriterTest, APrintPlacementEndsWithTheMarkOnlyForPartAAndNothingAfter) {
  const NamedRow key{{"FormNo", Value(5)}, {"EntryNo", Value(6)}, {"Type", Value("I")}};
  auto with = [&](int seq, NamedRow extra) {
    NamedRow r = key;
    r.emplace_back("SEQ", Value(seq));
    r.insert(r.end(), extra.begin(), extra.end());
    addRow(db, FormTable::CB24, r);
  };
  with(10, {{"Part", Value("A")}});
  with(20, {{"Part", Value("B")}});
  with(30, {{"Part", Value("A")}, {"FixField", Value(2)}});
  with(40, {{"Part", Value("A")}, {"Condition", Value("C")}});
  with(50, {});
  const std::string bytes = encodeFormFile(db, "1020905");
  size_t marks = 0;
  for (size_t p = bytes.find("NoMore"); p != std::string::npos; p = bytes.find("NoMore", p + 1)) {
    ++marks;
  }
  EXPECT_EQ(marks, 1u);

  drive.put(kTarget, bytes);
  MemoryDatabase back;
  CreateFormTables(back);
  ASSERT_TRUE(ReadFormFile(drive.fs(), ui, kTarget, back));
  const auto rows = rowsOf(back, FormTable::CB24);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(field(rows[0], FormTable::CB24, "Part"), Value("A"));
  EXPECT_EQ(field(rows[1], FormTable::CB24, "Part"), Value("B"));
  EXPECT_EQ(field(rows[2], FormTable::CB24, "FixField"), Value(2));
  EXPECT_EQ(field(rows[3], FormTable::CB24, "Condition"), Value("C"));
  EXPECT_TRUE(field(rows[4], FormTable::CB24, "Part").isNull());
}

TEST_F(WriterTest, ScratchFormsAndDummyPlacementsAreLeftOutAndNotCounted) {
  load(R"({"version": "1020905", "tables": {
    "CB20": [{"FormNo": 1}, {"FormNo": 88888}, {"FormNo": 2}],
    "CB23": [{"FormNo": 88888, "SEQ": 10}, {"FormNo": 1, "SEQ": 10}],
    "CB24": [{"FormNo": 1, "EntryNo": 1, "SEQ": 10, "IsDummy": true},
             {"FormNo": 1, "EntryNo": 1, "SEQ": 20, "IsDummy": false},
             {"FormNo": 1, "EntryNo": 1, "SEQ": 30},
             {"FormNo": 88888, "EntryNo": 1, "SEQ": 10}]}})");
  ASSERT_TRUE(save());
  MemoryDatabase back;
  CreateFormTables(back);
  ASSERT_TRUE(ReadFormFile(drive.fs(), ui, kTarget, back));
  EXPECT_EQ(countRows(back, FormTable::CB20), 2u);
  EXPECT_EQ(countRows(back, FormTable::CB23), 1u);
  EXPECT_EQ(countRows(back, FormTable::CB24), 2u);
  EXPECT_FALSE(findRow(rowsOf(back, FormTable::CB20), FormTable::CB20, {Value(88888)}));
  // The counts in the file say so too.
  const std::string bytes = drive.get(kTarget);
  EXPECT_EQ(bytes.substr(20, 4), std::string("\x02\x00\x00\x00", 4));
}

TEST_F(WriterTest, Version0940404WritesOldCodeNamesAndOnePackedTransferValue) {
  load(R"({"version": "0940404", "tables": {
    "CB22": [{"Type": "E", "FieldNo": 1, "TransferNo": 3, "Transfer2ndNo": 2, "ToX1stNo": 9,
              "LookupMode": "N"}],
    "CB2F0": [{"Code": "FM41", "Type": "I", "FieldNo": 20, "DoIt": true}]}})");
  FileBytes def;
  def.str("E").i32(1).str("").i32(0).i32(0).i32(0).str("").str("").i32(0).str("").str("");
  def.i32(2003);                              // TransferNo + 1000 x Transfer2ndNo
  def.i32(0).str("").b(false);                // SourceNo LogicCheckMode Hide
  for (int i = 0; i < 10; ++i) def.b(false);  // SubTotal .. SumField
  def.str("").str("").str("N").str("");
  FileBytes expected;
  expected.header("0940404").emptySections(2).i32(1).raw(def.bytes()).emptySections(3).i32(1);
  expected.str("FI20").str("I").str("").str("").i32(20).b(true);
  ASSERT_TRUE(save());
  EXPECT_EQ(drive.get(kTarget), expected.bytes());

  // Read back, the code has its new name again and the numbers are split.
  MemoryDatabase back;
  CreateFormTables(back);
  ASSERT_TRUE(ReadFormFile(drive.fs(), ui, kTarget, back));
  EXPECT_TRUE(findRow(rowsOf(back, FormTable::CB2F0), FormTable::CB2F0, {Value("FM41")}));
  const Row def1 = rowsOf(back, FormTable::CB22).at(0);
  EXPECT_EQ(field(def1, FormTable::CB22, "TransferNo"), Value(3));
  EXPECT_EQ(field(def1, FormTable::CB22, "Transfer2ndNo"), Value(2));
  EXPECT_TRUE(field(def1, FormTable::CB22, "ToX1stNo").isNull());

  // A version later, the code keeps its new name in the file.
  FormFileVersion = "0940405";
  EXPECT_NE(encodeFormFile(db, FormFileVersion).find("FM41"), std::string::npos);
}

TEST_F(WriterTest, AFontNamedLikeTheEndMarkCannotBeWrittenAndTheTargetStays) {
  drive.put(kTarget, "old");
  addRow(db, FormTable::CB23,
         {{"FormNo", Value(1)}, {"SEQ", Value(10)}, {"FontName", Value("NoMore")}});
  EXPECT_THROW(encodeFormFile(db, "1020905"), UnwritableRow);
  EXPECT_FALSE(save());
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, platform::BoxKind::Error);
  EXPECT_EQ(ui.boxes[0].text, kNotSaved);
  EXPECT_EQ(drive.get(kTarget), "old");
  EXPECT_FALSE(drive.exists(kTemp));
}

TEST_F(WriterTest, TheFirstSaveOfANewFileMakesNoBackup) {
  ASSERT_TRUE(save());
  EXPECT_TRUE(drive.exists(kTarget));
  EXPECT_FALSE(drive.exists(kTemp));
  EXPECT_TRUE(drive.namesIn("C:\\Forms\\Backup").empty());
  EXPECT_EQ(drive.namesIn("C:\\Forms"), (std::vector<std::string>{"Backup", "KVTE.DBT"}));
}

TEST_F(WriterTest, TheOldFileGoesIntoBackupUnderItsDatedName) {
  drive.put(kTarget, "old content");
  drive.put(kTemp, "a temporary file left over");
  drive.fs().setReadOnly(kTemp, true);
  drive.fs().setReadOnly(kTarget, true);
  ASSERT_TRUE(save(at(14, 30, 0)));
  EXPECT_EQ(drive.get(kTarget).size(), 48u);
  EXPECT_FALSE(drive.exists(kTemp));
  ASSERT_EQ(drive.namesIn("C:\\Forms\\Backup"),
            std::vector<std::string>{"KVTE.DBT 2013-09-05 14-30-00.BAK備份"});
  EXPECT_EQ(drive.get("C:\\Forms\\Backup\\" + backupName(at(14, 30, 0))), "old content");
  EXPECT_EQ(drive.namesIn("C:\\Forms"), (std::vector<std::string>{"Backup", "KVTE.DBT"}));
}

TEST_F(WriterTest, TwoSavesInOneSecondKeepBothBackups) {
  drive.put(kTarget, "first");
  ASSERT_TRUE(save(at(9, 0, 1)));
  addRow(db, FormTable::CB20, {{"FormNo", Value(1)}});
  const std::string afterFirst = drive.get(kTarget);
  ASSERT_TRUE(save(at(9, 0, 1)));
  ASSERT_TRUE(save(at(9, 0, 1)));
  const std::string numbered2 = "KVTE.DBT 2013-09-05 09-00-01 (2).BAK備份";
  const std::string numbered3 = "KVTE.DBT 2013-09-05 09-00-01 (3).BAK備份";
  EXPECT_THAT(drive.namesIn("C:\\Forms\\Backup"),
              ::testing::UnorderedElementsAre(backupName(at(9, 0, 1)), numbered2, numbered3));
  // The file as it was before the first save is still there.
  EXPECT_EQ(drive.get("C:\\Forms\\Backup\\" + backupName(at(9, 0, 1))), "first");
  EXPECT_EQ(drive.get("C:\\Forms\\Backup\\" + numbered2), afterFirst);
  EXPECT_EQ(drive.get("C:\\Forms\\Backup\\" + numbered3), drive.get(kTarget));
  EXPECT_EQ(drive.namesIn("C:\\Forms"), (std::vector<std::string>{"Backup", "KVTE.DBT"}));
}

TEST_F(WriterTest, ATemporaryFileThatCannotBeWrittenLeavesEverythingAsItWas) {
  drive.put(kTarget, "old");
  faults.failOn(FsOp::WriteFile, "$x$");
  EXPECT_FALSE(save());
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, kNotSaved);
  EXPECT_EQ(drive.get(kTarget), "old");
  EXPECT_FALSE(drive.exists(kTemp));
  EXPECT_FALSE(drive.exists("C:\\Forms\\Backup"));
}

#ifdef KVT_TEST_HOLD_FILES  // the second process that holds the file is a POSIX program
TEST_F(WriterTest, AFormFileOpenInAnotherProgramIsNotSavedUntilItIsClosed) {
  drive.put(kTarget, "old");
  {
    kvt::testing::HeldFiles package({drive.local(kTarget)});
    EXPECT_FALSE(save());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, kNotSaved);
    EXPECT_EQ(drive.namesIn("C:\\Forms"), std::vector<std::string>{"KVTE.DBT"});
    EXPECT_EQ(drive.get(kTarget), "old");
  }
  ASSERT_TRUE(save());
  EXPECT_EQ(drive.get(kTarget).size(), 48u);
}
#endif

TEST_F(WriterTest, ANewFileThatCannotTakeItsPlaceBringsTheOldOneBack) {
  drive.put(kTarget, "old");
  faults.failOn(FsOp::MoveFile, "$x$");
  EXPECT_FALSE(save());
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, kNotSaved);
  EXPECT_EQ(drive.get(kTarget), "old");
  EXPECT_FALSE(drive.exists(kTemp));
  EXPECT_TRUE(drive.namesIn("C:\\Forms\\Backup").empty());
}

TEST_F(WriterTest, AnOldFileThatCannotBeMovedAsideStaysAndTheSaveFails) {
  drive.put(kTarget, "old");
  faults.failOn(FsOp::MoveFile, ".BAK");
  EXPECT_FALSE(save());
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(drive.get(kTarget), "old");
  EXPECT_FALSE(drive.exists(kTemp));
}

TEST_F(WriterTest, ABackupThatCannotEnterTheBackupFolderStaysBesideTheNewFile) {
  drive.put(kTarget, "old");
  faults.failOn(FsOp::MoveFile, "\\Backup\\");
  EXPECT_TRUE(save());
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(drive.get(kTarget).size(), 48u);
  EXPECT_EQ(drive.get("C:\\Forms\\" + backupName(at(14, 30, 0))), "old");

  // Nor when the folder cannot be made.
  ScratchDrive other;
  other.mkdir("C:\\Forms");
  platform::FaultyFileSystem noFolder(other.fs());
  other.put(kTarget, "old");
  noFolder.failOn(FsOp::CreateDirectory);
  noFolder.failOn(FsOp::ForceDirectories);
  EXPECT_TRUE(SaveFormFile(noFolder, ui, db, kTarget, at(14, 30, 0)));
  EXPECT_EQ(other.get("C:\\Forms\\" + backupName(at(14, 30, 0))), "old");
}

TEST_F(WriterTest, WhenNothingCanBeRenamedTheOldFileIsStillThere) {
  drive.put(kTarget, "old");
  faults.failOn(FsOp::MoveFile, "", -1, 1);  // the target moves aside, then nothing moves
  EXPECT_FALSE(save());
  // The old content could not come back: it is the backup beside the target, and the new one
  // stays in the temporary file; the box says where both are.
  EXPECT_FALSE(drive.exists(kTarget));
  const std::string backup = "C:\\Forms\\" + backupName(at(14, 30, 0));
  EXPECT_EQ(drive.get(backup), "old");
  EXPECT_EQ(drive.get(kTemp).size(), 48u);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            kNotSaved + "\r\n新的內容在 [" + kTemp + "]，\r\n原來的內容在 [" + backup + "]。");
}

TEST_F(WriterTest, AMissingTableIsAnEngineErrorThatLeavesNoFileChanged) {
  drive.put(kTarget, "old");
  // Megabytes of forms are on the disk before the missing table is reached.
  for (int n = 1; n <= 30000; ++n)
    addRow(db, FormTable::CB20, {{"FormNo", Value(n)}, {"FormDesc", Value(std::string(40, 'd'))}});
  db.deleteTable("CB25.DB");
  EXPECT_THROW(save(), EngineError);
  EXPECT_EQ(ui.busy, 0);
  EXPECT_EQ(drive.get(kTarget), "old");
  EXPECT_EQ(drive.namesIn("C:\\Forms"), std::vector<std::string>{"KVTE.DBT"});
}

TEST_F(WriterTest, AFileOfManyChunksIsWrittenAsItIsMadeAndReadsBack) {
  // The first and a later section each outgrow a chunk: their counts are patched in the file.
  for (int n = 1; n <= 30000; ++n) {
    addRow(db, FormTable::CB20, {{"FormNo", Value(n)}, {"FormDesc", Value(std::string(40, 'd'))}});
    addRow(db, FormTable::CB24, {{"FormNo", Value(n % 20)}, {"SEQ", Value(n)}});
  }
  ASSERT_TRUE(save());
  const std::string bytes = drive.get(kTarget);
  EXPECT_GT(bytes.size(), size_t(3) << 20);
  EXPECT_EQ(bytes, encodeFormFile(db, FormFileVersion));
  MemoryDatabase back;
  CreateFormTables(back);
  ASSERT_TRUE(ReadFormFile(drive.fs(), ui, kTarget, back));
  EXPECT_EQ(countRows(back, FormTable::CB20), 30000u);
  EXPECT_EQ(countRows(back, FormTable::CB24), 30000u);
}

TEST(FormFileTempName, TheExtensionIsReplaced) {
  EXPECT_EQ(formFileTempName("C:\\Forms\\KVTE.DBT"), "C:\\Forms\\KVTE$x$");
  EXPECT_EQ(formFileTempName("C:\\Forms\\KVTE.OLD.DBT"), "C:\\Forms\\KVTE.OLD$x$");
  EXPECT_EQ(formFileTempName("C:\\F.d\\KVTE"), "C:\\F.d\\KVTE$x$");
}

}  // namespace
}  // namespace kvt::forms
