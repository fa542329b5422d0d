// Reading form files made by hand: header checks, version gates and defaults, kept values,
// end marks, sequence numbers, memos, and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ReaderFixture.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

using namespace testing;

const std::string kTooNew =
    "主程式的規格比主表單檔舊 !\r\n需更新主系統程式才可繼續，\r\n請和本公司服務人員連絡。";

TEST_F(ReaderTest, AnEmptyFileOfTheProgramsVersionIsRead) {
  FileBytes file;
  file.header("1020905").emptySections(7);
  ASSERT_EQ(file.size(), 48u);
  FormFileVersion.clear();
  EXPECT_TRUE(read(file));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(ui.busy, 0);
  EXPECT_EQ(FormFileVersion, "1020905");
  EXPECT_EQ(LoadedFormFileVersion, "1020905");
  EXPECT_TRUE(allTablesEmpty());
}

TEST_F(ReaderTest, AFileNewerByOneDayIsRefusedButItsVersionIsKept) {
  addRow(db, FormTable::CB20, {{"FormNo", Value(1)}});
  FileBytes file;
  file.header("1020906").i32(1);
  formRow(file, 2);
  file.emptySections(6);
  EXPECT_FALSE(read(file));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, platform::BoxKind::Error);
  EXPECT_EQ(ui.boxes[0].text, kTooNew);
  EXPECT_EQ(FormFileVersion, "1020906");
  EXPECT_EQ(LoadedFormFileVersion, "1020906");
  ASSERT_EQ(rows(FormTable::CB20).size(), 1u);  // untouched
  EXPECT_EQ(ui.busy, 0);
}

TEST_F(ReaderTest, AWrongMagicWordIsRefusedWithTheFormatMessage) {
  FormFileVersion = "0950101";
  for (std::string_view magic : {"VELMORTBX", "velmortbl", "VELMORTBL "}) {
    ui.boxes.clear();
    FileBytes file;
    file.str(magic).str("1020905").emptySections(7);
    EXPECT_FALSE(read(file)) << magic;
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, kWrongFormat);
  }
  EXPECT_FALSE(read(""));
  EXPECT_EQ(FormFileVersion, "0950101");
}

TEST_F(ReaderTest, AMissingOrUnreadableFileIsFalseWithoutAMessage) {
  EXPECT_FALSE(ReadFormFile(drive.fs(), ui, "C:\\Forms\\NONE.DBT", db));
  drive.put(kFormFile, FileBytes().header("1020905").emptySections(7).bytes());
  platform::FaultyFileSystem faults(drive.fs());
  faults.failOn(platform::FsOp::ReadFile);
  EXPECT_FALSE(ReadFormFile(faults, ui, kFormFile, db));
  EXPECT_TRUE(ui.boxes.empty());
}

// A form of the oldest layout: no description, class, print mode, offsets of the body, sub
// form, workbook, options, line numbers, fonts.
void oldestFormRow(FileBytes& b, bool withDescription) {
  b.i32(7).str("OLD");
  if (withDescription) b.str("DESC");
  b.f64(21.0).f64(-1).f64(0);                        // FormWidth FormHeight BodyHeight
  b.str("T").str("L").str("F");                      // TitleType TailerType FormType
  b.f64(1.25).f64(0).b(true).b(false);               // HOffset VOffset MasterForm PrintForm
  b.i32(8).str("NEXT").f64(3.5).str("LIB").b(true);  // NextFormNo .. Orientation
  b.str("IMG").str("NOTE");                          // ImageFile Note
}

TEST_F(ReaderTest, TheOldestFormLayoutGetsTheDefaultsOfEveryLaterField) {
  FileBytes file;
  file.header("0890401").i32(1);
  oldestFormRow(file, false);
  file.emptySections(6);
  ASSERT_TRUE(read(file));
  const auto forms = rows(FormTable::CB20);
  ASSERT_EQ(forms.size(), 1u);
  const Row& r = forms[0];
  const auto f = [&](const char* name) { return field(r, FormTable::CB20, name); };
  EXPECT_EQ(f("FormName"), Value("OLD"));
  EXPECT_TRUE(f("FormDesc").isNull());
  EXPECT_EQ(f("Class"), Value(big5("標準")));
  EXPECT_EQ(f("FormWidth"), Value(21.0));
  EXPECT_TRUE(f("FormHeight").isNull());  // kept only above 0
  EXPECT_TRUE(f("BodyHeight").isNull());
  EXPECT_EQ(f("BodyPrintMode"), Value("1"));
  EXPECT_EQ(f("HOffset"), Value(1.25));
  EXPECT_EQ(f("VOffset"), Value(0.0));  // kept whatever it is
  EXPECT_TRUE(f("BHOffset").isNull());
  EXPECT_EQ(f("NextFormNo"), Value(8));
  EXPECT_EQ(f("NextBodyHeight"), Value(3.5));
  EXPECT_EQ(f("Orientation"), Value(true));
  EXPECT_TRUE(f("SubFormName").isNull());
  EXPECT_TRUE(f("Continued").isNull());
  EXPECT_EQ(f("PMValue"), Value(false));
  EXPECT_EQ(f("AddBondedNo"), Value(false));
  EXPECT_EQ(f("CombineD"), Value(true));
  EXPECT_EQ(f("Print1Line"), Value(false));
  EXPECT_EQ(f("AddItemLineNo"), Value(0));
  EXPECT_EQ(f("SpaceLines"), Value(1));
  EXPECT_TRUE(f("PrintLines").isNull());
  EXPECT_TRUE(f("NullCondition").isNull());
  EXPECT_EQ(f("PrintTotal"), Value(true));
  EXPECT_EQ(f("PrintV"), Value(true));
  EXPECT_EQ(f("ImageFile"), Value("IMG"));
  EXPECT_TRUE(f("FontName").isNull());
  EXPECT_EQ(f("Note"), Value("NOTE"));
}

TEST_F(ReaderTest, TheFormDescriptionComesWithTheDayAfterTheOldestVersion) {
  FileBytes file;
  file.header("0890402").i32(1);
  oldestFormRow(file, true);
  file.emptySections(6);
  ASSERT_TRUE(read(file));
  const auto forms = rows(FormTable::CB20);
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(field(forms[0], FormTable::CB20, "FormDesc"), Value("DESC"));
  EXPECT_EQ(field(forms[0], FormTable::CB20, "Note"), Value("NOTE"));
}

TEST_F(ReaderTest, FormValuesOfTheNewestLayoutAreKeptByTheirConditions) {
  FileBytes file;
  file.header("1020905").i32(1);
  file.i32(3).str("NEW").str("D").str("C");
  file.f64(0).f64(2).f64(-3);            // FormWidth 0 is not kept
  file.str("").str("").str("").str("");  // an empty print mode becomes "1"
  file.f64(-1).f64(0).f64(0).f64(0).b(false).b(true);
  file.i32(-5).str("").f64(0).str("").str("").str("").b(false);  // NextFormNo -5 not kept
  file.nullBool().nb(true).nb(false);                            // Continued PMValue NotSpace
  for (int i = 0; i < 17; ++i) file.nb(true);                    // AddBySEQ .. Print1Line
  file.i32(2).i32(3).i32(0).i32(-4).i32(0);                      // AddItemLineNo .. NullCondition
  file.f64(0).b(false).b(false).str("").str("Arial").i32(0).str("");
  file.emptySections(6);
  ASSERT_TRUE(read(file));
  const Row r = rows(FormTable::CB20).at(0);
  const auto f = [&](const char* name) { return field(r, FormTable::CB20, name); };
  EXPECT_TRUE(f("FormWidth").isNull());
  EXPECT_EQ(f("FormHeight"), Value(2.0));
  EXPECT_TRUE(f("BodyHeight").isNull());
  EXPECT_EQ(f("BodyPrintMode"), Value("1"));
  EXPECT_EQ(f("HOffset"), Value(-1.0));
  EXPECT_TRUE(f("NextFormNo").isNull());
  EXPECT_TRUE(f("Continued").isNull());
  EXPECT_EQ(f("PMValue"), Value(true));
  EXPECT_EQ(f("NotSpace"), Value(false));
  EXPECT_EQ(f("CombineD"), Value(true));
  EXPECT_EQ(f("AddItemLineNo"), Value(2));
  EXPECT_EQ(f("SpaceLines"), Value(0));
  EXPECT_EQ(f("PrintLines"), Value(-4));
  EXPECT_TRUE(f("NullCondition").isNull());
  EXPECT_EQ(f("LineHeight"), Value(0.0));
  EXPECT_EQ(f("PrintTotal"), Value(false));
  EXPECT_EQ(f("FontName"), Value("Arial"));
  EXPECT_TRUE(f("FontSize").isNull());
}

// An entry: with `lists` lookup lists (none leaves the block out), CopyClear and SourceNo
// when the version carries them.
void entryRow(FileBytes& b, int32_t entryNo, std::string_view lookupMode, int lists,
              bool withCopyClear, bool withSourceNo) {
  b.i32(entryNo).str("ENTRY").str("A").i32(10).i32(0);
  if (withCopyClear) b.b(true);
  b.str("L").str("2").str("X+Y").str(lookupMode);
  if (lists > 0) {
    b.str("TBL").str("KEY");
    for (int k = 1; k <= lists; ++k) {
      b.str("F" + std::to_string(k)).i32(k == 2 ? -3 : k == 3 ? 0 : k);
    }
  }
  if (withSourceNo) b.i32(77);
  b.str("N1");
}

TEST_F(ReaderTest, EntryLookupListsFollowTheModeFromTheirVersionOn) {
  FileBytes file;
  file.header("0900206").emptySections(1).i32(2);
  entryRow(file, 1, "N", 0, false, true);
  entryRow(file, 2, "Y", 12, false, true);
  file.emptySections(5);
  ASSERT_TRUE(read(file));
  const auto entries = rows(FormTable::CB21);
  ASSERT_EQ(entries.size(), 2u);
  const auto f = [&](size_t i, const std::string& name) {
    return field(entries[i], FormTable::CB21, name);
  };
  EXPECT_TRUE(f(0, "LookupTable").isNull());
  EXPECT_TRUE(f(0, "ListEntryNo1").isNull());
  EXPECT_EQ(f(0, "SourceNo"), Value(77));
  EXPECT_EQ(f(0, "Note"), Value("N1"));
  EXPECT_EQ(f(0, "FormularMode"), Value("I"));  // "2" is read as "I"
  EXPECT_EQ(f(0, "CopyClear"), Value(false));
  EXPECT_TRUE(f(0, "InputHeight").isNull());
  EXPECT_EQ(f(1, "LookupTable"), Value("TBL"));
  EXPECT_EQ(f(1, "ListEntryNo1"), Value(1));
  EXPECT_EQ(f(1, "ListEntryNo2"), Value(-3));  // kept when not 0
  EXPECT_TRUE(f(1, "ListEntryNo3").isNull());
  EXPECT_EQ(f(1, "ListField12"), Value("F12"));
  EXPECT_EQ(f(1, "ListEntryNo12"), Value(12));
  EXPECT_EQ(f(1, "Note"), Value("N1"));
}

TEST_F(ReaderTest, OlderEntriesAlwaysCarrySixLookupLists) {
  FileBytes file;
  file.header("0891101").emptySections(1).i32(1);
  entryRow(file, 4, "N", 6, false, false);
  file.emptySections(5);
  ASSERT_TRUE(read(file));
  const Row r = rows(FormTable::CB21).at(0);
  const auto f = [&](const std::string& name) { return field(r, FormTable::CB21, name); };
  EXPECT_EQ(f("LookupMode"), Value("N"));
  EXPECT_EQ(f("LookupField"), Value("KEY"));
  EXPECT_EQ(f("ListEntryNo1"), Value(1));
  EXPECT_TRUE(f("ListEntryNo2").isNull());  // kept only above 0 here
  EXPECT_EQ(f("ListField6"), Value("F6"));
  EXPECT_TRUE(f("ListField7").isNull());
  EXPECT_EQ(f("SourceNo"), Value(4));  // not in the file: the entry's own number
  EXPECT_EQ(f("Note"), Value("N1"));
}

// A field definition of a layout between "0891002" and "0940606": one packed transfer value.
void packedFieldRow(FileBytes& b, std::string_view type, int32_t no, int32_t transfer) {
  b.str(type).i32(no).str("NAME").i32(3).i32(0).i32(0).str("").str("").i32(0).str("").str("");
  b.i32(transfer);
  b.i32(no).str("").b(false);
  for (int i = 0; i < 9; ++i) b.b(false);
  b.b(false).str("2").str("").str("N").str("");
}

TEST_F(ReaderTest, PackedTransferValuesSplitIntoTheFirstTwoNumbers) {
  FileBytes file;
  file.header("0940605").emptySections(2).i32(3);
  packedFieldRow(file, "E", 1, 2003);
  packedFieldRow(file, "E", 2, 7);
  packedFieldRow(file, "E", 3, -1005);
  file.emptySections(4);
  ASSERT_TRUE(read(file));
  const auto defs = rows(FormTable::CB22);
  ASSERT_EQ(defs.size(), 3u);
  const auto f = [&](size_t i, const char* name) { return field(defs[i], FormTable::CB22, name); };
  EXPECT_EQ(f(0, "TransferNo"), Value(3));
  EXPECT_EQ(f(0, "Transfer2ndNo"), Value(2));
  EXPECT_EQ(f(1, "TransferNo"), Value(7));
  EXPECT_TRUE(f(1, "Transfer2ndNo").isNull());
  EXPECT_EQ(f(2, "TransferNo"), Value(-5));  // the quotient truncates toward zero
  EXPECT_TRUE(f(2, "Transfer2ndNo").isNull());
  EXPECT_TRUE(f(0, "ToX1stNo").isNull());
  EXPECT_EQ(f(0, "FormularMode"), Value("2"));  // no mapping for field definitions
  EXPECT_EQ(f(0, "SumField"), Value(false));
}

TEST_F(ReaderTest, FieldsOlderThanTransferNumbersTransferTheFirstFieldsToThemselves) {
  FileBytes file;
  file.header("0891001").emptySections(2).i32(4);
  for (auto [type, no] : {std::pair{"I", 4}, {"P", 5}, {"S", 4}, {"I", 2}}) {
    file.str(type).i32(no).str("N").i32(1).i32(0).str("").str("").i32(0).str("").str("");
    file.str("").b(false);                      // no transfer, no SourceNo: LogicCheckMode Hide
    for (int i = 0; i < 8; ++i) file.b(false);  // SubTotal .. KeepBackUnit
    file.str("").str("").str("N");
    file.str("T").str("K");  // older files always carry the block
    for (int k = 1; k <= 12; ++k) file.str("").i32(k);
    file.str("");
  }
  file.emptySections(4);
  ASSERT_TRUE(read(file));
  const auto defs = rows(FormTable::CB22);
  ASSERT_EQ(defs.size(), 4u);
  const auto find = [&](const char* type, int no) {
    return *findRow(defs, FormTable::CB22, {Value(type), Value(no)});
  };
  EXPECT_EQ(field(find("I", 4), FormTable::CB22, "TransferNo"), Value(4));
  EXPECT_EQ(field(find("P", 5), FormTable::CB22, "TransferNo"), Value(5));
  EXPECT_EQ(field(find("S", 4), FormTable::CB22, "TransferNo"), Value(0));
  EXPECT_EQ(field(find("I", 2), FormTable::CB22, "TransferNo"), Value(0));
  EXPECT_TRUE(field(find("I", 4), FormTable::CB22, "Transfer2ndNo").isNull());
  EXPECT_EQ(field(find("I", 4), FormTable::CB22, "SourceNo"), Value(4));
  EXPECT_EQ(field(find("I", 2), FormTable::CB22, "GridWidth"), Value(0));
  EXPECT_EQ(field(find("I", 2), FormTable::CB22, "SumLine"), Value(false));  // in the file
  EXPECT_EQ(field(find("I", 2), FormTable::CB22, "CopyClear"), Value(false));
  EXPECT_EQ(field(find("I", 2), FormTable::CB22, "ListFieldNo2"), Value(2));
  EXPECT_EQ(field(find("I", 2), FormTable::CB22, "ListfieldNo9"), Value(9));
}

TEST_F(ReaderTest, PlacementsAreNumberedPerRunOfOneFormAndCollisionsDropped) {
  FileBytes file;
  file.header("1020905").emptySections(3).i32(4);
  for (int form : {5, 5, 7, 5}) shortEntryPlacement(file, form, 100 + form);
  file.i32(5);
  for (int form : {5, 5, -1, 5, 6}) shortPrintPlacement(file, form, 1, "I", 1);
  file.emptySections(2);
  ASSERT_TRUE(read(file));
  EXPECT_TRUE(ui.boxes.empty());

  const auto placed = rows(FormTable::CB23);
  std::vector<std::pair<Value, Value>> keys;
  for (const Row& r : placed) {
    keys.emplace_back(field(r, FormTable::CB23, "FormNo"), field(r, FormTable::CB23, "SEQ"));
  }
  EXPECT_EQ(keys, (std::vector<std::pair<Value, Value>>{
                      {Value(5), Value(10)}, {Value(5), Value(20)}, {Value(7), Value(10)}}));

  // The form -1 row is dropped, but still restarts the numbering of the form after it.
  const auto printed = rows(FormTable::CB24);
  std::vector<std::pair<Value, Value>> printKeys;
  for (const Row& r : printed) {
    printKeys.emplace_back(field(r, FormTable::CB24, "FormNo"), field(r, FormTable::CB24, "SEQ"));
    EXPECT_EQ(field(r, FormTable::CB24, "IsDummy"), Value(false));
  }
  EXPECT_EQ(printKeys, (std::vector<std::pair<Value, Value>>{
                           {Value(5), Value(10)}, {Value(5), Value(20)}, {Value(6), Value(10)}}));
}

TEST_F(ReaderTest, EndMarksLeaveTheRestOfAPlacementEmpty) {
  FileBytes file;
  file.header("1020905").emptySections(3).i32(1);
  shortEntryPlacement(file, 1, 2, true);
  file.i32(2);
  shortPrintPlacement(file, 1, 2, "I", 4);
  // A full print placement with an empty part: the part stays empty.
  file.i32(1).i32(2).i32(0).str("I").i32(5).str("NM");
  file.b(true).f64(1.5).i32(0).i32(2).f64(0).i32(3);
  file.f64(4).i32(5).i32(6).b(true).b(false).b(true).i32(7).str("R").str("C").b(true);
  file.str("").i32(0).str("Y").str("Font").i32(9).i32(0).i32(-2).i32(40).i32(0).str("M").str("");
  file.emptySections(2);
  ASSERT_TRUE(read(file));

  const Row entry = rows(FormTable::CB23).at(0);
  EXPECT_EQ(field(entry, FormTable::CB23, "IsM"), Value(true));
  for (const char* name : {"FontName", "FontSize", "FontStyle", "FontColor", "ImageFile",
                           "ImageWidth", "ImageHeight", "HOffset", "Mask", "Note"}) {
    EXPECT_TRUE(field(entry, FormTable::CB23, name).isNull()) << name;
  }
  const auto printed = rows(FormTable::CB24);
  ASSERT_EQ(printed.size(), 2u);
  EXPECT_EQ(field(printed[0], FormTable::CB24, "Part"), Value("A"));
  EXPECT_EQ(field(printed[0], FormTable::CB24, "PrintDec"), Value(-1));
  for (const char* name : {"FixField", "Condition", "FontName", "FontSize", "ImageWidth",
                           "ImageHeight", "Mask", "Note"}) {
    EXPECT_TRUE(field(printed[0], FormTable::CB24, name).isNull()) << name;
  }
  const auto f = [&](const char* name) { return field(printed[1], FormTable::CB24, name); };
  EXPECT_TRUE(f("Part").isNull());
  EXPECT_EQ(f("VLine"), Value(1));  // 0 becomes 1
  EXPECT_EQ(f("HField"), Value(2));
  EXPECT_EQ(f("PrintDec"), Value(3));
  EXPECT_EQ(f("LineWidth"), Value(7));
  EXPECT_EQ(f("PrintLines"), Value(true));
  EXPECT_TRUE(f("FixField").isNull());
  EXPECT_EQ(f("Condition"), Value("Y"));
  EXPECT_EQ(f("FontName"), Value("Font"));
  EXPECT_EQ(f("FontSize"), Value(9));
  EXPECT_TRUE(f("FontStyle").isNull());
  EXPECT_TRUE(f("FontColor").isNull());
  EXPECT_EQ(f("ImageWidth"), Value(40));
  EXPECT_TRUE(f("ImageHeight").isNull());
  EXPECT_EQ(f("Mask"), Value("M"));
}

TEST_F(ReaderTest, PrintPlacementsOlderThanPartsGetPartAAndReadOn) {
  FileBytes file;
  file.header("0890730").emptySections(4).i32(1);
  file.i32(3).i32(4).i32(0).str("S").i32(4).str("N");  // no IsEdit yet
  file.f64(2.5).i32(-3).i32(6).f64(1);                 // VPos VLine HField HPos
  file.str("").str("");                                // Attribute Adjust; no PrintLines
  file.str("NoMore").i32(11).i32(0).i32(0).str("NT");  // FontName FontSize .. Note
  file.emptySections(2);
  ASSERT_TRUE(read(file));
  const Row r = rows(FormTable::CB24).at(0);
  const auto f = [&](const char* name) { return field(r, FormTable::CB24, name); };
  EXPECT_EQ(f("IsEdit"), Value(true));
  EXPECT_EQ(f("VLine"), Value(1));
  EXPECT_EQ(f("HField"), Value(6));
  EXPECT_EQ(f("PrintDec"), Value(-1));
  EXPECT_EQ(f("Part"), Value("A"));
  EXPECT_TRUE(f("IsM").isNull());           // before the print-size group
  EXPECT_EQ(f("PrintLines"), Value(true));  // S-4 prints its lines
  EXPECT_EQ(f("Underline"), Value(true));
  EXPECT_EQ(f("FontName"), Value("NoMore"));  // no end mark in this place
  EXPECT_EQ(f("FontSize"), Value(11));
  EXPECT_EQ(f("Note"), Value("NT"));
}

TEST_F(ReaderTest, ThePlacementOfEntry15790OnForm15115IsNeverAnM) {
  FileBytes file;
  file.header("1020905").emptySections(3).i32(2);
  shortEntryPlacement(file, 15115, 15790, true);
  shortEntryPlacement(file, 15116, 15790, true);
  file.emptySections(3);
  ASSERT_TRUE(read(file));
  const auto placed = rows(FormTable::CB23);
  EXPECT_EQ(field(placed.at(0), FormTable::CB23, "IsM"), Value(false));
  EXPECT_EQ(field(placed.at(1), FormTable::CB23, "IsM"), Value(true));
}

TEST_F(ReaderTest, MemosOfEveryChunkCountAreReadWholeAndBlocksWithoutNameDropped) {
  FileBytes file;
  file.header("1020905").emptySections(5).i32(5);
  std::vector<std::string> texts;
  for (size_t n : {size_t(0), size_t(2048), size_t(2049), size_t(5000)}) {
    std::string text;
    for (size_t i = 0; i < n; ++i) text.push_back(char('A' + (i * 7 + n) % 26));
    texts.push_back(text);
    file.str("B" + std::to_string(n)).i32(int32_t(n));
    for (size_t at = 0; at < n; at += 2048) file.str(std::string_view(text).substr(at, 2048));
    file.str("note");
  }
  file.str("").i32(3).str("abc").str("");  // no name: not kept
  file.emptySections(1);
  ASSERT_TRUE(read(file));
  const auto blocks = rows(FormTable::CB25);
  ASSERT_EQ(blocks.size(), 4u);
  for (size_t i = 0; i < texts.size(); ++i) {
    const Row* r = findRow(blocks, FormTable::CB25, {Value("B" + std::to_string(texts[i].size()))});
    ASSERT_NE(r, nullptr);
    const Value& memo = field(*r, FormTable::CB25, "Memo");
    if (texts[i].empty()) {
      EXPECT_TRUE(memo.isNull());
    } else {
      EXPECT_EQ(memo, Value(texts[i])) << texts[i].size();
    }
    EXPECT_EQ(field(*r, FormTable::CB25, "Note"), Value("note"));
  }
}

TEST_F(ReaderTest, BytesAfterTheLastSectionAreIgnored) {
  FileBytes file;
  file.header("1020905").emptySections(6).i32(1);
  codeRow(file, "IV01", 5);
  file.raw("trailing bytes");
  EXPECT_TRUE(read(file));
  EXPECT_EQ(rows(FormTable::CB2F0).size(), 1u);
}

// A small file with rows in every section.
FileBytes smallFile() {
  FileBytes file;
  file.header("1020905").i32(1);
  formRow(file, 15201);
  file.i32(1);
  entryRow(file, 9, "Y", 12, true, true);
  file.i32(1);
  fieldDefinitionRow(file, {.type = "X", .fieldNo = 144, .name = "X", .length = 3});
  file.i32(1);
  shortEntryPlacement(file, 15201, 9);
  file.i32(1);
  shortPrintPlacement(file, 15201, 9, "X", 144);
  file.i32(1).str("BLK").i32(3).str("abc").str("");
  file.i32(2);
  codeRow(file, "AF09", 0);
  codeRow(file, "IV01", 5);
  return file;
}

TEST_F(ReaderTest, AFileCutAnywhereIsRefusedAndLoadsNothing) {
  const std::string whole = smallFile().bytes();
  ASSERT_TRUE(read(whole));
  ASSERT_EQ(countRows(db, FormTable::CB2F0), 2u);
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    CreateFormTables(db);
    ui.boxes.clear();
    ASSERT_FALSE(read(std::string_view(whole).substr(0, cut))) << "cut at " << cut;
    ASSERT_EQ(ui.boxes.size(), 1u) << "cut at " << cut;
    ASSERT_EQ(ui.boxes[0].text, kWrongFormat) << "cut at " << cut;
    ASSERT_TRUE(allTablesEmpty()) << "cut at " << cut;
    ASSERT_EQ(ui.busy, 0);
  }
  // Tables the caller holds open take the rows there, and a file that breaks off leaves them
  // empty for the caller too.
  {
    CreateFormTables(db);
    std::vector<std::unique_ptr<Table>> held;
    for (FormTable t : kFormTables) {
      held.push_back(std::make_unique<Table>(db, formTableName(t)));
      held.back()->open();
    }
    ASSERT_FALSE(read(std::string_view(whole).substr(0, whole.size() - 1)));
    for (auto& h : held) EXPECT_EQ(h->recordCount(), 0) << h->tableName();
    ASSERT_TRUE(read(whole));
    EXPECT_EQ(held[6]->recordCount(), 2);
  }
  // Tables that already hold rows keep them as they were, whichever section the file breaks in.
  CreateFormTables(db);
  ASSERT_TRUE(read(whole));
  std::vector<std::vector<Row>> before;
  for (FormTable t : kFormTables) before.push_back(rows(t));
  for (size_t cut : {size_t(20), whole.size() / 2, whole.size() - 1}) {
    ASSERT_FALSE(read(std::string_view(whole).substr(0, cut))) << "cut at " << cut;
    for (size_t i = 0; i < kFormTableCount; ++i) {
      ASSERT_EQ(rows(kFormTables[i]), before[i]) << "cut at " << cut;
    }
  }
}

TEST_F(ReaderTest, CountsAndLengthsBeyondTheFileAreRefused) {
  {
    FileBytes file;
    file.header("1020905").i32(2000000000);
    EXPECT_FALSE(read(file));
  }
  {
    FileBytes file;  // a memo longer than the file
    file.header("1020905").emptySections(5).i32(1).str("B").i32(100000).str("x").str("");
    file.emptySections(1);
    EXPECT_FALSE(read(file));
  }
  {
    FileBytes file;  // a str longer than the file
    file.header("1020905").emptySections(6).i32(1).rawLength(3000).raw("IV01");
    EXPECT_FALSE(read(file));
  }
  EXPECT_EQ(ui.boxes.size(), 3u);
  EXPECT_TRUE(allTablesEmpty());
}

TEST_F(ReaderTest, AValueItsFieldCannotHoldIsNamedInTheBox) {
  FileBytes file;
  file.header("1020905").emptySections(3).i32(1);
  // A font size beyond a short integer.
  file.i32(1).i32(0).i32(2).str("E").str("").i32(0);
  file.f64(0).f64(0).f64(0).f64(0).str("").str("").b(false).b(false).b(false).b(true).b(false);
  file.str("").str("Font").i32(70000).i32(0).i32(0).str("").f64(0).f64(0).f64(0).str("").str("");
  file.emptySections(3);
  EXPECT_FALSE(read(file));
  ASSERT_EQ(ui.boxes.size(), 1u);
  // Which field and value, not the hint at a wrong file.
  EXPECT_EQ(ui.boxes[0].text,
            "主表單檔名:[C:\\Forms\\KVTE.DBT]\r\n主表單檔的格式錯誤 !\r\n"
            "CB23.DB 的欄位 FontSize 放不下數值 70000。");
  EXPECT_TRUE(allTablesEmpty());
}

TEST_F(ReaderTest, TextLongerThanItsFieldIsCutToTheFieldsWidth) {
  FileBytes file;
  file.header("1020905").emptySections(6).i32(1);
  codeRow(file, "IV01XYZ", 5, std::string(40, 'd'));
  ASSERT_TRUE(read(file));
  const Row r = rows(FormTable::CB2F0).at(0);
  EXPECT_EQ(field(r, FormTable::CB2F0, "Code"), Value("IV01"));
  EXPECT_EQ(field(r, FormTable::CB2F0, "Description"), Value(std::string(30, 'd')));
}

}  // namespace
}  // namespace kvt::forms
