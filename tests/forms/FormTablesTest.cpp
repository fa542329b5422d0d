// Creating the seven form-definition tables.
#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileVersion.h"
#include "forms/FormTables.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

using testing::addRow;
using testing::countRows;

std::vector<std::string> fieldNames(FormTable t) {
  std::vector<std::string> names;
  for (const auto& f : formTableSchema(t).fields) names.push_back(f.name);
  return names;
}

TEST(FormTables, FieldCountsKeysAndIndexesOfTheSevenTables) {
  struct Expect {
    FormTable table;
    size_t fields;
    std::vector<std::string> key;
    std::vector<std::string> secondary;
  };
  const Expect expects[] = {
      {FormTable::CB20, 56, {"FormNo"}, {"FormNameKey"}},
      {FormTable::CB21, 38, {"EntryNo"}, {"EntryNameKey"}},
      {FormTable::CB22, 62, {"Type", "FieldNo"}, {"TypeNameKey", "FieldNameKey"}},
      {FormTable::CB23, 28, {"FormNo", "SEQ"}, {"RefEntryNo", "EntryNo"}},
      {FormTable::CB24, 34, {"FormNo", "EntryNo", "SEQ"}, {"FieldNoR"}},
      {FormTable::CB25, 3, {"BlockName"}, {}},
      {FormTable::CB2F0, 6, {"Code"}, {}},
  };
  for (const Expect& e : expects) {
    const TableSchema& s = formTableSchema(e.table);
    EXPECT_EQ(s.fields.size(), e.fields) << formTableName(e.table);
    ASSERT_FALSE(s.indexes.empty());
    EXPECT_TRUE(s.indexes[0].primary && s.indexes[0].unique && s.indexes[0].name.empty());
    EXPECT_EQ(s.indexes[0].fields, e.key) << formTableName(e.table);
    std::vector<std::string> secondary;
    for (size_t i = 1; i < s.indexes.size(); ++i) {
      EXPECT_FALSE(s.indexes[i].unique);
      secondary.push_back(s.indexes[i].name);
    }
    EXPECT_EQ(secondary, e.secondary) << formTableName(e.table);
    // The primary key leads the fields.
    for (size_t k = 0; k < e.key.size(); ++k) EXPECT_EQ(s.fields[k].name, e.key[k]);
  }
  // Name look-ups ignore case; the placement indexes do not.
  EXPECT_TRUE(formTableSchema(FormTable::CB20).indexes[1].caseInsensitive);
  EXPECT_TRUE(formTableSchema(FormTable::CB22).indexes[2].caseInsensitive);
  EXPECT_FALSE(formTableSchema(FormTable::CB24).indexes[1].caseInsensitive);
}

TEST(FormTables, TheThirdAndNinthListNumbersOfFieldDefinitionsKeepTheirLowerCaseF) {
  const auto names = fieldNames(FormTable::CB22);
  for (int k = 1; k <= 12; ++k) {
    const std::string expected =
        (k == 3 || k == 9 ? "ListfieldNo" : "ListFieldNo") + std::to_string(k);
    const auto at = std::find(names.begin(), names.end(), expected);
    ASSERT_NE(at, names.end()) << expected;
    // Each list number follows its list field.
    EXPECT_EQ(*(at - 1), "ListField" + std::to_string(k));
    EXPECT_EQ(formTableSchema(FormTable::CB22).fields[size_t(at - names.begin())].type,
              FieldType::Short);
  }
  // Entries spell all twelve alike, as long integers.
  const auto entryNames = fieldNames(FormTable::CB21);
  EXPECT_NE(std::find(entryNames.begin(), entryNames.end(), "ListEntryNo3"), entryNames.end());
}

TEST(FormTables, PlacementImageSizesAreIntegersForPrintFieldsOnly) {
  const auto& cb23 = formTableSchema(FormTable::CB23);
  const auto& cb24 = formTableSchema(FormTable::CB24);
  EXPECT_EQ(cb23.fields[size_t(cb23.fieldIndex("ImageWidth"))].type, FieldType::Number);
  EXPECT_EQ(cb24.fields[size_t(cb24.fieldIndex("ImageWidth"))].type, FieldType::Long);
  const auto& cb25 = formTableSchema(FormTable::CB25);
  EXPECT_EQ(cb25.fields[1], (FieldDef{"Memo", FieldType::Memo, 1}));
}

TEST(FormTables, CreateTwiceLeavesSevenEmptyTablesAndResetsTheVersion) {
  MemoryDatabase db;
  FormFileVersion = "0940404";
  EXPECT_TRUE(CreateFormTables(db));
  EXPECT_EQ(FormFileVersion, "1020905");
  addRow(db, FormTable::CB20, {{"FormNo", Value(1)}});
  addRow(db, FormTable::CB2F0, {{"Code", Value("IV01")}});
  FormFileVersion = "0900101";
  EXPECT_TRUE(CreateFormTables(db));
  EXPECT_EQ(FormFileVersion, ProgramFormVersion);
  EXPECT_EQ(db.tableNames().size(), 7u);
  for (FormTable t : kFormTables) {
    EXPECT_TRUE(db.tableExists(formTableName(t)));
    EXPECT_EQ(countRows(db, t), 0u) << formTableName(t);
  }
}

TEST(FormTables, ATableThatCannotBeDroppedIsEmptiedAndKeepsItsStructure) {
  MemoryDatabase db;
  // An older CB25 with one field less, held open by someone else.
  TableSchema old = formTableSchema(FormTable::CB25);
  old.fields.pop_back();
  db.createTable("CB25.DB", old);
  Table holder(db, "CB25.DB");
  holder.open();
  holder.append();
  holder.set("BlockName", Value("B"));
  holder.post();

  EXPECT_TRUE(CreateFormTables(db));
  EXPECT_EQ(holder.recordCount(), 0);
  EXPECT_EQ(holder.schema().fields.size(), 2u);
  EXPECT_TRUE(db.tableExists("CB24.DB"));
}

TEST(FormTables, ParadoxTablesKeepTheSchemaOnDisk) {
  const auto dir = kvt::testing::MakeTempDir("kvt-forms-tables");
  {
    paradox::ParadoxDatabase db(dir);
    CreateFormTables(db);
    addRow(db, FormTable::CB22, {{"Type", Value("I")}, {"FieldNo", Value(4)}});
    CreateFormTables(db);  // over tables with rows
  }
  paradox::ParadoxDatabase again(dir);
  for (FormTable t : kFormTables) {
    Table table(again, formTableName(t));
    table.open(OpenMode::ReadOnly);
    EXPECT_EQ(table.schema().fields, formTableSchema(t).fields) << formTableName(t);
    EXPECT_EQ(table.schema().primaryKey(), formTableSchema(t).primaryKey());
    EXPECT_EQ(table.recordCount(), 0);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kvt::forms
