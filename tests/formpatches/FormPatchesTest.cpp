// The fixed patches of forms (CB20), field definitions (CB22) and the code-to-field map
// (CB2F0).
#include "PatchFixture.h"
#include "forms/upgrade/FormPatches.h"

namespace kvt::forms {
namespace {

using FixedPatches = testing::PatchTest;
constexpr FormTable CB20 = FormTable::CB20;
constexpr FormTable CB22 = FormTable::CB22;
constexpr FormTable CB2F0 = FormTable::CB2F0;
const Value null = Value::null();

TEST_F(FixedPatches, OldX101FormsAndForm15104AreWithdrawn) {
  for (int f : {11999, 12000, 12010, 12030, 15104}) {
    add(CB20, {{"FormNo", f}, {"FormName", "F"}, {"MasterForm", true}, {"PrintForm", true}});
  }
  run(CB20, DisableOldX101Form);
  run(CB20, InvisibleF15104);
  EXPECT_EQ(count(CB20), 5u);  // 12007 and 12022 are not added
  for (int f : {12000, 12010, 12030}) {
    expectRow(CB20, {f}, {{"MasterForm", false}, {"PrintForm", false}, {"FormName", "F"}});
  }
  expectRow(CB20, {11999}, {{"MasterForm", true}, {"PrintForm", true}});
  expectRow(CB20, {15104}, {{"MasterForm", false}, {"PrintForm", true}});
}

TEST_F(FixedPatches, LookupsLengthAndTransfersOfFieldDefinitions) {
  add(CB22, {{"Type", "X"}, {"FieldNo", 191}, {"ListField3", "Keep"}, {"ListfieldNo3", 7}});
  add(CB22, {{"Type", "I"}, {"FieldNo", 191}});
  add(CB22, {{"Type", "X"},
             {"FieldNo", 198},
             {"ListField1", "Old"},
             {"ListFieldNo1", 4},
             {"FieldLength", 10},
             {"GridWidth", 12}});
  add(CB22, {{"Type", "I"}, {"FieldNo", 6}, {"TransferNo", 99}});
  add(CB22, {{"Type", "I"}, {"FieldNo", 7}});
  add(CB22, {{"Type", "X"}, {"FieldNo", 6}, {"ToX1stNo", 98}});
  run(CB22, [](RunContext& c, Table& t) {
    EAlterX191Lookup(c, t);
    EAlterX198Lookup(c, t);
    EAlterX198FieldLen(c, t);
    EAlterX6And7Trans(c, t);
  });
  EXPECT_EQ(count(CB22), 6u);  // ("X", 7) is not added
  expectRow(CB22, {"X", 191},
            {{"LookupMode", "X"},
             {"LookupTable", "X101_13"},
             {"LookupField", "Code"},
             {"ListField1", "Code"},
             {"ListFieldNo1", 191},
             {"ListField2", "PrintText"},
             {"ListFieldNo2", 145},
             {"ListField3", "Keep"},
             {"ListfieldNo3", 7}});
  expectRow(CB22, {"I", 191}, {{"LookupMode", null}});
  expectRow(CB22, {"X", 198},
            {{"LookupMode", "X"},
             {"LookupTable", "X101_12"},
             {"LookupField", "Code"},
             {"ListField1", null},
             {"ListFieldNo1", null},
             {"FieldLength", 3},
             {"GridWidth", 12}});
  expectRow(CB22, {"I", 6}, {{"ToX1stNo", 6}, {"TransferNo", 99}});
  expectRow(CB22, {"I", 7}, {{"ToX1stNo", 7}, {"TransferNo", null}});
  expectRow(CB22, {"X", 6}, {{"TransferNo", 6}, {"ToX1stNo", 98}});
  EXPECT_TRUE(log().empty());
}

TEST_F(FixedPatches, TheFR16FormulaWinsOverTheECFAOneInTheUpgradesOrder) {
  for (const char* type : {"X", "I"}) {
    for (int no : {5, 6, 17, 43}) {
      add(CB22, {{"Type", type}, {"FieldNo", no}, {"FormularMode", "N"}, {"Formular", "old"}});
    }
  }
  run(CB22, EAlterECFAFormulas);
  expectRow(CB22, {"X", 5},
            {{"FormularMode", "X"}, {"Formular", "#1(5,6,7);#2(0.83613);#8(17,2)"}});
  run(CB22, [](RunContext& c, Table& t) {
    EAlterECFAFormulas(c, t);
    EAlterFR16Formular(c, t);
    EAlterECFAEnterCopy(c, t);
  });
  expectRow(CB22, {"X", 5}, {{"FormularMode", "X"}, {"Formular", "#1(5,6,7);#2(0.83613)"}});
  expectRow(CB22, {"X", 6}, {{"FormularMode", "X"}, {"Formular", "#1(5,6,7)"}});
  expectRow(CB22, {"X", 17}, {{"FormularMode", "X"}, {"Formular", "#6( ,3,1)"}});
  expectRow(CB22, {"X", 43}, {{"EnterCopy", true}, {"FormularMode", "N"}, {"Formular", "old"}});
  for (int no : {5, 6, 17, 43}) {
    expectRow(CB22, {"I", no}, {{"Formular", "old"}, {"EnterCopy", null}});
  }
}

TEST_F(FixedPatches, CodesGetTheirFieldNumbersAndFlags) {
  const std::pair<const char*, int> codes[] = {
      {"FI05", 10}, {"FI36", 77}, {"EZ84", 1}, {"EZ85", 2}, {"fi05", 3}};
  for (const auto& [code, no] : codes) {
    add(CB2F0, {{"Code", code}, {"Description", "d"}, {"FieldNo", no}, {"DoIt", no % 2 == 0}});
  }
  run(CB2F0, [](RunContext& c, Table& t) {
    EAlterFI05Formular(c, t);
    EAlterFI36Formular(c, t);
    EAlterEZ84EZ86(c, t);
  });
  EXPECT_EQ(count(CB2F0), 5u);  // EZ86 is not added
  expectRow(CB2F0, {"FI05"}, {{"FieldNo", 154}, {"DoIt", true}, {"Description", "d"}});
  expectRow(CB2F0, {"FI36"}, {{"FieldNo", 0}, {"DoIt", true}});
  expectRow(CB2F0, {"EZ84"}, {{"FieldNo", 12029}, {"DoIt", false}});
  expectRow(CB2F0, {"EZ85"}, {{"FieldNo", 2}, {"DoIt", true}});
  expectRow(CB2F0, {"fi05"}, {{"FieldNo", 3}, {"DoIt", false}});  // codes match exactly
}

TEST_F(FixedPatches, EditsOnTablesWithoutTheirRowsAddNothingAndSayNothing) {
  const std::pair<FormTable, testing::Patch> cases[] = {
      {FormTable::CB21, SetE15706Lookup},
      {FormTable::CB21, SetE13090Clear},
      {FormTable::CB23, X101DestinationCountryPlacements},
      {CB20, DisableOldX101Form},
      {CB20, InvisibleF15104},
      {CB22, EAlterX191Lookup},
      {CB22, EAlterX198Lookup},
      {CB22, EAlterX198FieldLen},
      {CB22, EAlterX6And7Trans},
      {CB22, EAlterECFAFormulas},
      {CB22, EAlterFR16Formular},
      {CB22, EAlterECFAEnterCopy},
      {CB2F0, EAlterFI05Formular},
      {CB2F0, EAlterFI36Formular},
      {CB2F0, EAlterEZ84EZ86}};
  for (const auto& [table, patch] : cases) run(table, patch);
  for (FormTable t : kFormTables) EXPECT_EQ(count(t), 0u) << formTableName(t);
  EXPECT_TRUE(log().empty());
}

}  // namespace
}  // namespace kvt::forms
