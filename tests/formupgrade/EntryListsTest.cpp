// The four lists of row changes, each applied to its table: what a value changes, and the
// values that change nothing.
#include <gtest/gtest.h>

#include "UpgradeTestSupport.h"
#include "forms/upgrade/EntryLists.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

using namespace testing;

class EntryListsTest : public ::testing::Test {
 protected:
  EntryListsTest() {
    CreateFormTables(db);
    addRow(db, FormTable::CB20, {{"FormNo", Value(100)}, {"Class", text("標準")}});
    addRow(db, FormTable::CB21,
           {{"EntryNo", Value(10)},
            {"EntryName", text("舊名稱")},
            {"FormularMode", Value("N")},
            {"Formular", Value("A+B")}});
    addRow(db, FormTable::CB22,
           {{"Type", Value("X")},
            {"FieldNo", Value(30)},
            {"FieldName", Value("Amount")},
            {"FieldLength", Value(10)},
            {"GridWidth", Value(8)},
            {"Note", Value("kept")}});
    addRow(db, FormTable::CB2F0,
           {{"Code", Value("AB01")}, {"FieldNo", Value(5)}, {"DoIt", Value(true)}});
  }

  template <class Apply>
  void apply(FormTable t, Apply applier, const std::vector<std::string>& values) {
    Table table(db, formTableName(t));
    table.open();
    applier(table, values);
  }
  const Row& only(FormTable t, const std::vector<Value>& key) {
    rows = rowsOf(db, t);
    const Row* row = findRow(rows, t, key);
    if (row == nullptr) throw std::logic_error("row missing");
    return *row;
  }
  Value entry(const char* name) {
    return field(only(FormTable::CB21, {Value(10)}), FormTable::CB21, name);
  }
  Value fieldDef(const char* name, int no = 30, const char* type = "X") {
    return field(only(FormTable::CB22, {Value(type), Value(no)}), FormTable::CB22, name);
  }
  Value code(const char* name) {
    return field(only(FormTable::CB2F0, {Value("AB01")}), FormTable::CB2F0, name);
  }

  MemoryDatabase db;
  std::vector<Row> rows;
};

TEST_F(EntryListsTest, AdditionSetsNameModeAndFormulaAndIgnoresAFifthPiece) {
  apply(FormTable::CB21, ApplyAdditionList, {" 10 , 新名稱 , S , X*2 , extra"});
  EXPECT_EQ(entry("EntryName"), text("新名稱"));
  EXPECT_EQ(entry("FormularMode"), Value("S"));
  EXPECT_EQ(entry("Formular"), Value("X*2"));
}

TEST_F(EntryListsTest, AdditionFormulaEndsAtItsFirstComma) {
  apply(FormTable::CB21, ApplyAdditionList, {"10,N,S,#1(5,6,7)"});
  EXPECT_EQ(entry("Formular"), Value("#1(5"));
}

TEST_F(EntryListsTest, AdditionWithEmptyNameAndModeEmptiesThemAndKeepsTheFormula) {
  apply(FormTable::CB21, ApplyAdditionList, {"10,,,"});
  EXPECT_EQ(entry("EntryName"), Value::null());
  EXPECT_EQ(entry("FormularMode"), Value::null());
  EXPECT_EQ(entry("Formular"), Value("A+B"));
}

TEST_F(EntryListsTest, AdditionOfAMissingOrUnnumberedEntryChangesNothing) {
  const std::string before = contentOf(db);
  apply(FormTable::CB21, ApplyAdditionList, {"11,X,S,F", "ten,X,S,F", "", "99999999999,X,S,F"});
  EXPECT_EQ(contentOf(db), before);
}

TEST_F(EntryListsTest, ClassIsEverythingAfterTheFirstCommaTrimmed) {
  apply(FormTable::CB20, ApplyFormClassList, {" 100 ,  新,類 "});
  EXPECT_EQ(field(only(FormTable::CB20, {Value(100)}), FormTable::CB20, "Class"), text("新,類"));
  apply(FormTable::CB20, ApplyFormClassList, {"100,"});
  EXPECT_EQ(field(only(FormTable::CB20, {Value(100)}), FormTable::CB20, "Class"), Value::null());
}

TEST_F(EntryListsTest, ClassValuesWithoutCommaZeroOrTextNumberChangeNothing) {
  const std::string before = contentOf(db);
  apply(FormTable::CB20, ApplyFormClassList,
        {"100 新類", "0,新類", "-100,新類", "abc,新類", "101,新類"});
  EXPECT_EQ(contentOf(db), before);
}

TEST_F(EntryListsTest, FieldSizeWithLengthOnlyChangesTheLengthAlone) {
  apply(FormTable::CB22, ApplyBodyFieldSizeList, {"X30, 12"});
  EXPECT_EQ(fieldDef("FieldLength"), Value(12));
  EXPECT_EQ(fieldDef("GridWidth"), Value(8));
  EXPECT_EQ(fieldDef("FieldName"), Value("Amount"));
}

TEST_F(EntryListsTest, FieldSizeSetsWidthAndNameWhenGiven) {
  apply(FormTable::CB22, ApplyBodyFieldSizeList, {"X 30 ,14,20, 金額 "});
  EXPECT_EQ(fieldDef("FieldLength"), Value(14));
  EXPECT_EQ(fieldDef("GridWidth"), Value(20));
  EXPECT_EQ(fieldDef("FieldName"), text("金額"));
  EXPECT_EQ(fieldDef("Note"), Value("kept"));
  // A width of 0 keeps the width; the name is kept when none is given.
  apply(FormTable::CB22, ApplyBodyFieldSizeList, {"X30,16,0"});
  EXPECT_EQ(fieldDef("FieldLength"), Value(16));
  EXPECT_EQ(fieldDef("GridWidth"), Value(20));
  EXPECT_EQ(fieldDef("FieldName"), text("金額"));
}

TEST_F(EntryListsTest, FieldSizeValuesThatDoNotParseChangeNothing) {
  const std::string before = contentOf(db);
  apply(FormTable::CB22, ApplyBodyFieldSizeList,
        {"X30,0,9,N", "X30,abc,9,N", "X30", "X0,5,5,N", "Xab,5,5,N", "X70000,5,5,N",
         "X30,40000,5,N", "x30,5,5", "X31,5,5"});
  EXPECT_EQ(contentOf(db), before);
}

TEST_F(EntryListsTest, FieldSizeAddsAMissingFieldWhenNamed) {
  apply(FormTable::CB22, ApplyBodyFieldSizeList, {"I45,20,,新欄位", "I46,20,7,Other"});
  const Row added = only(FormTable::CB22, {Value("I"), Value(45)});
  EXPECT_EQ(field(added, FormTable::CB22, "FieldName"), text("新欄位"));
  EXPECT_EQ(field(added, FormTable::CB22, "FieldLength"), Value(20));
  EXPECT_EQ(field(added, FormTable::CB22, "GridWidth"), Value(0));
  EXPECT_EQ(field(added, FormTable::CB22, "UnitLength"), Value(0));
  for (const char* name : {"Attribute", "SumMode"}) {
    EXPECT_EQ(field(added, FormTable::CB22, name), Value("X")) << name;
  }
  for (const char* name : {"FormularMode", "LookupMode"}) {
    EXPECT_EQ(field(added, FormTable::CB22, name), Value("N")) << name;
  }
  for (const char* name :
       {"Hide", "CopyClear", "EnterCopy", "ExitCopy", "AutoEditMode", "KeepBackUnit",
        "SuspendFormular", "UseDOZ", "SubTotal", "SumField", "SumLine"}) {
    EXPECT_EQ(field(added, FormTable::CB22, name), Value(false)) << name;
  }
  for (const char* name : {"Decimal", "Formular", "LookupTable", "Note", "SourceNo"}) {
    EXPECT_EQ(field(added, FormTable::CB22, name), Value::null()) << name;
  }
  EXPECT_EQ(fieldDef("GridWidth", 46, "I"), Value(7));
}

TEST_F(EntryListsTest, FieldSizeOnAMissingFieldWithoutNameAddsNothing) {
  apply(FormTable::CB22, ApplyBodyFieldSizeList, {"I45,20", "I45,20,5,"});
  EXPECT_EQ(countRows(db, FormTable::CB22), 1u);
}

TEST_F(EntryListsTest, BigFormulaZeroNoClearsDoItAndKeepsTheField) {
  apply(FormTable::CB2F0, ApplyBigFormularList, {"AB01, 0 , no"});
  EXPECT_EQ(code("DoIt"), Value(false));
  EXPECT_EQ(code("FieldNo"), Value(5));
}

TEST_F(EntryListsTest, BigFormulaSetsFieldAndFlag) {
  apply(FormTable::CB2F0, ApplyBigFormularList, {"AB01,0,NO", " AB01 , 12 , Yes "});
  EXPECT_EQ(code("FieldNo"), Value(12));
  EXPECT_EQ(code("DoIt"), Value(true));
  // A flag other than YES or NO leaves DoIt alone.
  apply(FormTable::CB2F0, ApplyBigFormularList, {"AB01,13,perhaps"});
  EXPECT_EQ(code("FieldNo"), Value(13));
  EXPECT_EQ(code("DoIt"), Value(true));
}

TEST_F(EntryListsTest, BigFormulaValuesThatDoNotParseChangeNothing) {
  const std::string before = contentOf(db);
  apply(FormTable::CB2F0, ApplyBigFormularList,
        {"AB01,7", "AB01", "AB01,x,maybe", "AB01,-32000,", "ZZ99,7,NO", "ab01,7,NO"});
  EXPECT_EQ(contentOf(db), before);
}

}  // namespace
}  // namespace kvt::forms
