// The fixed patches of forms (CB20), field definitions (CB22) and the code-to-field map
// (CB2F0).
#include <gtest/gtest.h>

#include "PatchFixture.h"
#include "forms/upgrade/FormPatches.h"

namespace kvt::forms {
namespace {

using testing::countRows;
using testing::field;
using testing::NamedRow;
using testing::Patch;
using testing::PatchTest;

constexpr FormTable CB20 = FormTable::CB20;
constexpr FormTable CB22 = FormTable::CB22;
constexpr FormTable CB2F0 = FormTable::CB2F0;

class FormRows : public PatchTest {
 protected:
  void form(int formNo) {
    add(CB20, {{"FormNo", formNo}, {"FormName", "F"}, {"MasterForm", true}, {"PrintForm", true}});
  }
  std::pair<Value, Value> flags(int formNo) {
    const Row r = row(CB20, {formNo});
    return {field(r, CB20, "MasterForm"), field(r, CB20, "PrintForm")};
  }
};

TEST_F(FormRows, OldX101FormsAreNeitherOfferedNorPrinted) {
  for (int f : {11999, 12000, 12001, 12010, 12030}) form(f);
  run(CB20, DisableOldX101Form);
  EXPECT_EQ(countRows(db(), CB20), 5u);  // 12007 and 12022 are not added
  for (int f : {12000, 12010, 12030}) {
    EXPECT_EQ(flags(f), std::pair(Value(false), Value(false))) << f;
    EXPECT_EQ(field(row(CB20, {f}), CB20, "FormName"), Value("F"));
  }
  for (int f : {11999, 12001}) EXPECT_EQ(flags(f), std::pair(Value(true), Value(true))) << f;
  EXPECT_TRUE(log().empty());
}

TEST_F(FormRows, Form15104IsHiddenButStillPrinted) {
  form(15104);
  form(15105);
  run(CB20, InvisibleF15104);
  EXPECT_EQ(flags(15104), std::pair(Value(false), Value(true)));
  EXPECT_EQ(flags(15105), std::pair(Value(true), Value(true)));
}

class FieldRows : public PatchTest {
 protected:
  void definition(const char* type, int no, const NamedRow& more = {}) {
    NamedRow values{{"Type", type}, {"FieldNo", no}, {"FieldName", "name"}};
    values.insert(values.end(), more.begin(), more.end());
    add(CB22, values);
  }
  Value at(const char* type, int no, const std::string& name) {
    return field(row(CB22, {type, no}), CB22, name);
  }
};

TEST_F(FieldRows, X191LooksUpItsCodeAndPrintText) {
  definition("X", 191, {{"ListField3", "Keep"}, {"ListfieldNo3", 7}, {"FieldLength", 4}});
  definition("I", 191);
  run(CB22, EAlterX191Lookup);
  EXPECT_EQ(at("X", 191, "LookupMode"), Value("X"));
  EXPECT_EQ(at("X", 191, "LookupTable"), Value("X101_13"));
  EXPECT_EQ(at("X", 191, "LookupField"), Value("Code"));
  EXPECT_EQ(at("X", 191, "ListField1"), Value("Code"));
  EXPECT_EQ(at("X", 191, "ListFieldNo1"), Value(191));
  EXPECT_EQ(at("X", 191, "ListField2"), Value("PrintText"));
  EXPECT_EQ(at("X", 191, "ListFieldNo2"), Value(145));
  EXPECT_EQ(at("X", 191, "ListField3"), Value("Keep"));
  EXPECT_EQ(at("X", 191, "ListfieldNo3"), Value(7));
  EXPECT_EQ(at("X", 191, "FieldLength"), Value(4));
  EXPECT_EQ(at("X", 191, "FieldName"), Value("name"));
  EXPECT_TRUE(at("I", 191, "LookupMode").isNull());
}

TEST_F(FieldRows, X198GetsItsLookupTableAndThenItsLength) {
  definition("X", 198,
             {{"ListField1", "Old"}, {"ListFieldNo1", 4}, {"FieldLength", 10}, {"GridWidth", 12}});
  run(CB22, EAlterX198Lookup);
  EXPECT_EQ(at("X", 198, "LookupMode"), Value("X"));
  EXPECT_EQ(at("X", 198, "LookupTable"), Value("X101_12"));
  EXPECT_EQ(at("X", 198, "LookupField"), Value("Code"));
  EXPECT_TRUE(at("X", 198, "ListField1").isNull());
  EXPECT_TRUE(at("X", 198, "ListFieldNo1").isNull());
  EXPECT_EQ(at("X", 198, "FieldLength"), Value(10));
  run(CB22, EAlterX198FieldLen);
  EXPECT_EQ(at("X", 198, "FieldLength"), Value(3));
  EXPECT_EQ(at("X", 198, "GridWidth"), Value(12));
  EXPECT_EQ(at("X", 198, "LookupTable"), Value("X101_12"));
}

TEST_F(FieldRows, Fields6And7TransferBetweenImportAndExport) {
  definition("I", 6, {{"TransferNo", 99}, {"ToX1stNo", 1}});
  definition("I", 7);
  definition("X", 6, {{"ToX1stNo", 98}});
  run(CB22, EAlterX6And7Trans);
  EXPECT_EQ(countRows(db(), CB22), 3u);  // ("X", 7) is not added
  EXPECT_EQ(at("I", 6, "ToX1stNo"), Value(6));
  EXPECT_EQ(at("I", 6, "TransferNo"), Value(99));
  EXPECT_EQ(at("I", 7, "ToX1stNo"), Value(7));
  EXPECT_TRUE(at("I", 7, "TransferNo").isNull());
  EXPECT_EQ(at("X", 6, "TransferNo"), Value(6));
  EXPECT_EQ(at("X", 6, "ToX1stNo"), Value(98));
}

TEST_F(FieldRows, TheFR16FormulaWinsOverTheECFAOneWhenBothRunInTheirOrder) {
  for (int no : {5, 6, 17}) definition("X", no, {{"FormularMode", "N"}, {"Formular", "old"}});
  definition("X", 43, {{"EnterCopy", false}, {"Formular", "own"}});
  definition("I", 5, {{"Formular", "import"}});
  // One opening of CB22, as the upgrade runs them.
  run(CB22, [](RunContext& c, Table& t) {
    EAlterECFAFormulas(c, t);
    EAlterFR16Formular(c, t);
    EAlterECFAEnterCopy(c, t);
  });
  EXPECT_EQ(at("X", 5, "Formular"), Value("#1(5,6,7);#2(0.83613)"));
  EXPECT_EQ(at("X", 6, "Formular"), Value("#1(5,6,7)"));
  EXPECT_EQ(at("X", 17, "Formular"), Value("#6( ,3,1)"));
  for (int no : {5, 6, 17}) EXPECT_EQ(at("X", no, "FormularMode"), Value("X")) << no;
  EXPECT_EQ(at("X", 43, "EnterCopy"), Value(true));
  EXPECT_EQ(at("X", 43, "Formular"), Value("own"));
  EXPECT_EQ(at("I", 5, "Formular"), Value("import"));
  EXPECT_TRUE(log().empty());
}

TEST_F(FieldRows, TheECFAFormulaAloneKeepsItsRoundingPart) {
  definition("X", 5);
  run(CB22, EAlterECFAFormulas);
  EXPECT_EQ(at("X", 5, "Formular"), Value("#1(5,6,7);#2(0.83613);#8(17,2)"));
  EXPECT_EQ(at("X", 5, "FormularMode"), Value("X"));
}

class CodeRows : public PatchTest {
 protected:
  void code(const char* c, int fieldNo, bool doIt) {
    add(CB2F0, {{"Code", c}, {"Description", "d"}, {"FieldNo", fieldNo}, {"DoIt", doIt}});
  }
  std::pair<Value, Value> of(const char* c) {
    const Row r = row(CB2F0, {c});
    EXPECT_EQ(field(r, CB2F0, "Description"), Value("d")) << c;
    return {field(r, CB2F0, "FieldNo"), field(r, CB2F0, "DoIt")};
  }
};

TEST_F(CodeRows, CodesGetTheirFieldNumbersAndFlags) {
  code("FI05", 10, false);
  code("FI36", 77, false);  // a field number is dropped
  code("EZ84", 1, true);
  code("EZ85", 2, true);
  code("fi05", 3, false);  // codes match exactly
  run(CB2F0, [](RunContext& c, Table& t) {
    EAlterFI05Formular(c, t);
    EAlterFI36Formular(c, t);
    EAlterEZ84EZ86(c, t);
  });
  EXPECT_EQ(countRows(db(), CB2F0), 5u);  // EZ86 is not added
  EXPECT_EQ(of("FI05"), std::pair(Value(154), Value(true)));
  EXPECT_EQ(of("FI36"), std::pair(Value(0), Value(true)));
  EXPECT_EQ(of("EZ84"), std::pair(Value(12029), Value(false)));
  EXPECT_EQ(of("EZ85"), std::pair(Value(2), Value(true)));
  EXPECT_EQ(of("fi05"), std::pair(Value(3), Value(false)));
}

TEST_F(CodeRows, EZ86IsChangedEvenWithoutEZ84) {
  code("EZ86", 5, true);
  run(CB2F0, EAlterEZ84EZ86);
  EXPECT_EQ(of("EZ86"), std::pair(Value(12031), Value(false)));
}

// Every patch that edits rows, on tables that lack them: nothing added, nothing logged.
TEST(FixedPatches, EditsOnTablesWithoutTheirRowsChangeNothing) {
  struct Case {
    FormTable table;
    Patch patch;
  };
  class Empty : public PatchTest {
   public:
    void TestBody() override {}
    using PatchTest::db;
    using PatchTest::log;
    using PatchTest::run;
  };
  const Case cases[] = {
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
      {CB2F0, EAlterEZ84EZ86},
  };
  Empty t;
  for (const Case& c : cases) t.run(c.table, c.patch);
  for (FormTable table : kFormTables)
    EXPECT_EQ(countRows(t.db(), table), 0u) << formTableName(table);
  EXPECT_TRUE(t.log().empty());
}

}  // namespace
}  // namespace kvt::forms
