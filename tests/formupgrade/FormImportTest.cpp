// Forms brought from a release's form file into the work tables: whole forms with what they
// use, print parameters only, blocks merged, and the choices and failures of the dialog.
#include <gtest/gtest.h>

#include "UpgradeTestSupport.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "forms/upgrade/FormImport.h"
#include "tools/formfile/FormJson.h"

namespace kvt::forms {
namespace {

using namespace testing;
using Import = TImportTableFrm;

constexpr const char* kWork = "C:\\KVT更新\\Table\\";
constexpr const char* kSourceDir = "C:\\KVT更新\\SrcTable1\\";
constexpr const char* kSource = "C:\\KVT更新\\NEWE.DBT";

const std::string kDestination = R"({
  "CB20": [{"FormNo": 100, "FormName": "OLD100"}, {"FormNo": 300, "FormName": "F300"}],
  "CB21": [{"EntryNo": 10, "EntryName": "舊十"}, {"EntryNo": 11, "EntryName": "十一"}],
  "CB22": [{"Type": "X", "FieldNo": 30, "FieldName": "Amount", "FieldLength": 10}],
  "CB23": [{"FormNo": 100, "SEQ": 10, "EntryNo": 10, "EntryName": "舊十", "Type": "E", "VPos": 1.0, "FontSize": 9},
           {"FormNo": 100, "SEQ": 20, "EntryNo": 11, "VPos": 2.0},
           {"FormNo": 300, "SEQ": 10, "EntryNo": 11}],
  "CB24": [{"FormNo": 100, "EntryNo": 10, "SEQ": 10, "Type": "X", "FieldNo": 30, "FieldName": "Amt",
            "IsEdit": true, "HPos": 1.0},
           {"FormNo": 300, "EntryNo": 11, "SEQ": 10, "Type": "X", "FieldNo": 30}],
  "CB25": [{"BlockName": "HEAD", "Memo": "舊表頭"}, {"BlockName": "OLDB", "Memo": "old"}],
  "CB2F0": [{"Code": "AB01", "FieldNo": 5, "DoIt": true}]
})";

const std::string kSourceTables = R"({
  "CB20": [{"FormNo": 100, "FormName": "NEW100"}, {"FormNo": 200, "FormName": "F200"}],
  "CB21": [{"EntryNo": 10, "EntryName": "新十", "LookupMode": "N"},
           {"EntryNo": 12, "EntryName": "十二", "LookupMode": "N"},
           {"EntryNo": 20, "EntryName": "二十", "LookupMode": "N"},
           {"EntryNo": 21, "EntryName": "二一", "LookupMode": "N"}],
  "CB22": [{"Type": "X", "FieldNo": 30, "FieldName": "NewAmt", "FieldLength": 12, "LookupMode": "N"},
           {"Type": "X", "FieldNo": 40, "FieldName": "Extra", "FieldLength": 4, "LookupMode": "N"}],
  "CB23": [{"FormNo": 100, "SEQ": 10, "EntryNo": 10, "EntryName": "新十", "Type": "F", "VPos": 5.0, "FontSize": 12},
           {"FormNo": 100, "SEQ": 20, "EntryNo": 12},
           {"FormNo": 100, "SEQ": 30, "EntryNo": 20, "RefEntryNo": 21},
           {"FormNo": 200, "SEQ": 10, "EntryNo": 12}],
  "CB24": [{"FormNo": 100, "EntryNo": 10, "SEQ": 10, "Type": "X", "FieldNo": 30, "FieldName": "NewAmt",
            "IsEdit": false, "HPos": 7.5},
           {"FormNo": 100, "EntryNo": 12, "SEQ": 20, "Type": "X", "FieldNo": 40}],
  "CB25": [{"BlockName": "HEAD", "Memo": "新表頭"}, {"BlockName": "NEWB", "Memo": "new"}],
  "CB2F0": [{"Code": "AB01", "FieldNo": 9, "DoIt": false}, {"Code": "ZZ01", "FieldNo": 1, "DoIt": true}]
})";

class FormImportTest : public ::testing::Test {
 protected:
  FormImportTest() : import(drive.fs(), ui) {
    drive.mkdir(kWork);
    drive.mkdir(kSourceDir);
    setDestination(kDestination);
    writeFormFile(drive, kSource, "1020905", kSourceTables);
    import.sourceDir = kSourceDir;
    import.destinationDir = kWork;
  }
  void setDestination(const std::string& tables) {
    paradox::ParadoxDatabase db(drive.local(kWork));
    formfile::loadFormTablesJson(R"({"version": "1020905", "tables": )" + tables + "}", db);
  }
  std::vector<Row> rows(FormTable t) {
    paradox::ParadoxDatabase db(drive.local(kWork));
    return rowsOf(db, t);
  }
  std::string content() {
    paradox::ParadoxDatabase db(drive.local(kWork));
    return contentOf(db);
  }
  Value value(FormTable t, const std::vector<Value>& key, const char* name) {
    const auto all = rows(t);
    const Row* row = findRow(all, t, key);
    return row == nullptr ? Value("<no row>") : field(*row, t, name);
  }
  // The values of one field over the rows of a table, in key order.
  std::vector<Value> column(FormTable t, const char* name, std::optional<int> formNo = {}) {
    std::vector<Value> values;
    for (const Row& row : rows(t)) {
      if (!formNo || field(row, t, "FormNo") == Value(*formNo))
        values.push_back(field(row, t, name));
    }
    return values;
  }
  std::string boxText(size_t i) const { return i < ui.boxes.size() ? ui.boxes[i].text : "<none>"; }

  ScratchDrive drive;
  RecordingUi ui;
  Import import;
};

TEST_F(FormImportTest, EveryFormReplacesItsNamesakeWithItsPlacements) {
  import.ImportForms(kSource, kSourceDir, kWork);
  EXPECT_TRUE(ui.boxes.empty()) << boxText(0);
  EXPECT_EQ(column(FormTable::CB20, "FormName"),
            (std::vector<Value>{Value("NEW100"), Value("F200"), Value("F300")}));
  EXPECT_EQ(column(FormTable::CB23, "EntryNo", 100),
            (std::vector<Value>{Value(10), Value(12), Value(20)}));
  EXPECT_EQ(column(FormTable::CB23, "EntryNo", 200), (std::vector<Value>{Value(12)}));
  EXPECT_EQ(column(FormTable::CB23, "EntryNo", 300), (std::vector<Value>{Value(11)}));
  EXPECT_EQ(column(FormTable::CB24, "FieldNo", 100), (std::vector<Value>{Value(30), Value(40)}));
  EXPECT_EQ(column(FormTable::CB24, "FieldNo", 300), (std::vector<Value>{Value(30)}));
  EXPECT_FALSE(drive.exists(kSourceDir));
}

TEST_F(FormImportTest, DictionaryRowsThatArePresentStayAndMissingOnesComeAlong) {
  import.ImportForms(kSource, kSourceDir, kWork);
  // Entry 10 stays as the destination had it; 12 is added; the placement of 20 refers to 21,
  // which comes instead of 20.
  EXPECT_EQ(column(FormTable::CB21, "EntryNo"),
            (std::vector<Value>{Value(10), Value(11), Value(12), Value(21)}));
  EXPECT_EQ(value(FormTable::CB21, {Value(10)}, "EntryName"), text("舊十"));
  EXPECT_EQ(value(FormTable::CB21, {Value(21)}, "EntryName"), text("二一"));
  EXPECT_EQ(value(FormTable::CB22, {Value("X"), Value(30)}, "FieldName"), Value("Amount"));
  EXPECT_EQ(value(FormTable::CB22, {Value("X"), Value(40)}, "FieldName"), Value("Extra"));
}

TEST_F(FormImportTest, BlocksAreMergedAndTheCodeMapIsNotTouched) {
  const auto codesBefore = rows(FormTable::CB2F0);
  import.ImportForms(kSource, kSourceDir, kWork);
  EXPECT_EQ(column(FormTable::CB25, "BlockName"),
            (std::vector<Value>{Value("HEAD"), Value("NEWB"), Value("OLDB")}));
  EXPECT_EQ(value(FormTable::CB25, {Value("HEAD")}, "Memo"), text("新表頭"));
  EXPECT_EQ(rows(FormTable::CB2F0), codesBefore);
}

TEST_F(FormImportTest, OverwritingTakesTheSourcesDictionaryRows) {
  import.sourceFile = kSource;
  import.LoadSourceFormFile(kSource);
  import.OverWriteCBox = true;
  import.ImportSelectedForms();
  EXPECT_EQ(import.modalResult, Import::ModalResult::Ok);
  EXPECT_EQ(value(FormTable::CB21, {Value(10)}, "EntryName"), text("新十"));
  EXPECT_EQ(value(FormTable::CB22, {Value("X"), Value(30)}, "FieldName"), Value("NewAmt"));
  EXPECT_EQ(value(FormTable::CB22, {Value("X"), Value(30)}, "FieldLength"), Value(12));
}

TEST_F(FormImportTest, AReferredEntryThatADestinationFormPlacesIsNotBroughtAlong) {
  setDestination(R"({
    "CB20": [{"FormNo": 300, "FormName": "F300"}],
    "CB23": [{"FormNo": 300, "SEQ": 10, "EntryNo": 21}]
  })");
  import.ImportForms(kSource, kSourceDir, kWork);
  EXPECT_EQ(column(FormTable::CB21, "EntryNo"), (std::vector<Value>{Value(10), Value(12)}));
}

TEST_F(FormImportTest, PlacementsOfTheReplacedFormDoNotCountAndEarlierNewOnesDo) {
  // Entry 21 is placed only by the destination's own form 100, which the import replaces, so
  // it comes along. Entry 12 is placed by the new form 100 before form 200 refers to it.
  setDestination(R"({
    "CB20": [{"FormNo": 100, "FormName": "OLD100"}],
    "CB23": [{"FormNo": 100, "SEQ": 10, "EntryNo": 21}]
  })");
  writeFormFile(drive, kSource, "1020905", R"({
    "CB20": [{"FormNo": 100, "FormName": "NEW100"}, {"FormNo": 200, "FormName": "F200"}],
    "CB21": [{"EntryNo": 12, "EntryName": "十二"}, {"EntryNo": 13, "EntryName": "十三"},
             {"EntryNo": 21, "EntryName": "二一"}],
    "CB23": [{"FormNo": 100, "SEQ": 10, "EntryNo": 13, "RefEntryNo": 21},
             {"FormNo": 100, "SEQ": 20, "EntryNo": 5, "RefEntryNo": 0},
             {"FormNo": 100, "SEQ": 30, "EntryNo": 6},
             {"FormNo": 100, "SEQ": 40, "EntryNo": 12, "RefEntryNo": 99},
             {"FormNo": 200, "SEQ": 10, "EntryNo": 7, "RefEntryNo": 12}]
  })");
  import.ImportForms(kSource, kSourceDir, kWork);
  // 21 by reference; 12 is placed (by form 100) when form 200 refers to it, so it is not
  // brought; 99 is in no dictionary.
  EXPECT_EQ(column(FormTable::CB21, "EntryNo"), (std::vector<Value>{Value(21)}));
}

TEST_F(FormImportTest, AnEntryIsKnownFromTheDictionaryOrAPlacement) {
  EXPECT_TRUE(import.IsEntryKnown(10));   // in the dictionary
  EXPECT_FALSE(import.IsEntryKnown(12));  // nowhere
  setDestination(R"({"CB23": [{"FormNo": 300, "SEQ": 10, "EntryNo": 12}]})");
  EXPECT_TRUE(import.IsEntryKnown(12));  // placed on a form
}

TEST_F(FormImportTest, PrintParametersOnlyUpdateThePlacementsBothFilesHave) {
  import.LoadSourceFormFile(kSource);
  import.SetPrintOnlyCBtn = true;
  import.ImportSelectedForms();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, platform::BoxKind::Warning);
  EXPECT_EQ(ui.boxes[0].text, "在目的主表單檔找不到 [200]。");
  EXPECT_EQ(import.modalResult, Import::ModalResult::Ok);

  // The placement of entry 10 takes the source's values but keeps its identity and name.
  const std::vector<Value> placement{Value(100), Value(10)};
  EXPECT_EQ(value(FormTable::CB23, placement, "VPos"), Value(5.0));
  EXPECT_EQ(value(FormTable::CB23, placement, "FontSize"), Value(12));
  EXPECT_EQ(value(FormTable::CB23, placement, "EntryName"), text("舊十"));
  EXPECT_EQ(value(FormTable::CB23, placement, "Type"), Value("E"));
  // Placements only in the source are not added; those only in the destination stay.
  EXPECT_EQ(column(FormTable::CB23, "EntryNo", 100), (std::vector<Value>{Value(10), Value(11)}));
  const std::vector<Value> printField{Value(100), Value(10), Value(10)};
  EXPECT_EQ(value(FormTable::CB24, printField, "HPos"), Value(7.5));
  EXPECT_EQ(value(FormTable::CB24, printField, "FieldName"), Value("Amt"));
  EXPECT_EQ(value(FormTable::CB24, printField, "IsEdit"), Value(true));
  EXPECT_EQ(rows(FormTable::CB24).size(), 2u);
  // Forms and dictionaries stay; blocks are merged all the same.
  EXPECT_EQ(value(FormTable::CB20, {Value(100)}, "FormName"), Value("OLD100"));
  EXPECT_EQ(value(FormTable::CB20, {Value(200)}, "FormName"), Value("<no row>"));
  EXPECT_EQ(column(FormTable::CB21, "EntryNo"), (std::vector<Value>{Value(10), Value(11)}));
  EXPECT_EQ(value(FormTable::CB25, {Value("HEAD")}, "Memo"), text("新表頭"));
}

TEST_F(FormImportTest, PrintParametersFindEachPlacementWithinItsForm) {
  setDestination(R"({
    "CB20": [{"FormNo": 100, "FormName": "OLD100"}, {"FormNo": 99, "FormName": "F99"}],
    "CB23": [{"FormNo": 100, "SEQ": 10, "EntryNo": 10, "VPos": 1.0},
             {"FormNo": 100, "SEQ": 20, "EntryNo": 11, "VPos": 2.0},
             {"FormNo": 99, "SEQ": 10, "EntryNo": 11, "VPos": 3.0}],
    "CB24": [{"FormNo": 100, "EntryNo": 11, "SEQ": 10, "Type": "X", "FieldNo": 30, "HPos": 1.0},
             {"FormNo": 100, "EntryNo": 11, "SEQ": 20, "Type": "X", "FieldNo": 31, "HPos": 2.0},
             {"FormNo": 99, "EntryNo": 11, "SEQ": 10, "Type": "X", "FieldNo": 31, "HPos": 3.0}]
  })");
  writeFormFile(drive, kSource, "1020905", R"({
    "CB20": [{"FormNo": 100, "FormName": "NEW100"}],
    "CB23": [{"FormNo": 100, "SEQ": 10, "EntryNo": 11, "VPos": 9.0}],
    "CB24": [{"FormNo": 100, "EntryNo": 11, "SEQ": 10, "Type": "X", "FieldNo": 31, "HPos": 8.0}]
  })");
  import.LoadSourceFormFile(kSource);
  import.SetPrintOnlyCBtn = true;
  import.ImportSelectedForms();
  EXPECT_EQ(column(FormTable::CB23, "VPos"),
            (std::vector<Value>{Value(3.0), Value(1.0), Value(9.0)}));
  EXPECT_EQ(column(FormTable::CB24, "HPos"),
            (std::vector<Value>{Value(3.0), Value(1.0), Value(8.0)}));
}

TEST_F(FormImportTest, TheListShowsNumberedFormsAndOnlySelectedOnesAreImported) {
  import.LoadSourceFormFile(kSource);
  EXPECT_EQ(import.ImportTableEdit, kSource);
  ASSERT_EQ(import.FormNameLBox.size(), 2u);
  EXPECT_EQ(import.FormNameLBox[0].text, "   100 NEW100");
  EXPECT_EQ(import.FormNameLBox[1].text, "   200 F200");
  import.AllCBox = false;
  import.FormNameLBox[1].selected = true;
  import.ImportSelectedForms();
  EXPECT_EQ(value(FormTable::CB20, {Value(100)}, "FormName"), Value("OLD100"));
  EXPECT_EQ(value(FormTable::CB20, {Value(200)}, "FormName"), Value("F200"));
}

TEST_F(FormImportTest, NothingChosenIsRefusedButBlocksAreMerged) {
  import.LoadSourceFormFile(kSource);
  import.AllCBox = false;
  const auto formsBefore = rows(FormTable::CB20);
  import.ImportSelectedForms();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, platform::BoxKind::Error);
  EXPECT_EQ(ui.boxes[0].text, "必需先選擇要匯入的表單 !");
  EXPECT_EQ(import.modalResult, Import::ModalResult::None);
  EXPECT_EQ(rows(FormTable::CB20), formsBefore);
  EXPECT_EQ(value(FormTable::CB25, {Value("NEWB")}, "Memo"), Value("new"));
}

TEST_F(FormImportTest, ASourceWithoutFormsOnlyMergesBlocks) {
  writeFormFile(drive, kSource, "1020905", R"({"CB25": [{"BlockName": "NEWB", "Memo": "new"}]})");
  const auto formsBefore = rows(FormTable::CB20);
  import.ImportForms(kSource, kSourceDir, kWork);
  EXPECT_TRUE(import.FormNameLBox.empty());
  EXPECT_TRUE(ui.boxes.empty()) << boxText(0);
  EXPECT_EQ(rows(FormTable::CB20), formsBefore);
  EXPECT_EQ(column(FormTable::CB25, "BlockName"),
            (std::vector<Value>{Value("HEAD"), Value("NEWB"), Value("OLDB")}));
}

TEST_F(FormImportTest, AFormTheSourceLacksIsNotDeleted) {
  const std::string before = content();
  import.LoadSourceFormFile(kSource);
  import.ImportWholeForm(300);
  EXPECT_EQ(content(), before);
}

TEST_F(FormImportTest, AMissingSourceIsReportedAndChangesNothing) {
  const std::string before = content();
  import.LoadSourceFormFile("C:\\KVT更新\\NONE.DBT");
  import.ImportSelectedForms();
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text, "找不到來源的主表單檔 !");
  EXPECT_EQ(ui.boxes[1].text, "找不到來源的主表單檔 !");
  EXPECT_EQ(content(), before);
}

TEST_F(FormImportTest, AnUnreadableSourceIsReportedAndChangesNothing) {
  drive.put(kSource, "garbage");
  const std::string before = content();
  import.ImportForms(kSource, kSourceDir, kWork);
  ASSERT_FALSE(ui.boxes.empty());
  EXPECT_EQ(ui.boxes.back().text, "來源的主表單檔讀取錯誤 !");
  EXPECT_EQ(content(), before);
  EXPECT_FALSE(drive.exists(kSourceDir));
}

TEST_F(FormImportTest, AFormNumberWiderThanSixPlacesIsShownAndImportedWhole) {
  writeFormFile(drive, kSource, "1020905",
                R"({"CB20": [{"FormNo": 1234567, "FormName": "WIDE"}],
                    "CB23": [{"FormNo": 1234567, "SEQ": 10, "EntryNo": 11}]})");
  import.LoadSourceFormFile(kSource);
  ASSERT_EQ(import.FormNameLBox.size(), 1u);
  EXPECT_EQ(import.FormNameLBox[0].text, "1234567 WIDE");
  import.ImportSelectedForms();
  EXPECT_EQ(value(FormTable::CB20, {Value(1234567)}, "FormName"), Value("WIDE"));
  EXPECT_EQ(value(FormTable::CB20, {Value(234567)}, "FormName"), Value("<no row>"));
  EXPECT_EQ(column(FormTable::CB23, "EntryNo", 1234567), (std::vector<Value>{Value(11)}));
}

}  // namespace
}  // namespace kvt::forms
