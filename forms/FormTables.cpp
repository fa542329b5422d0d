#include "forms/FormTables.h"

#include "forms/FormFileVersion.h"
#include "schema/EngineError.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

// Builds one schema in field order.
class SchemaBuilder {
 public:
  SchemaBuilder& alpha(const std::string& name, int size) {
    return add(name, FieldType::Alpha, size);
  }
  SchemaBuilder& shortInt(const std::string& name) { return add(name, FieldType::Short, 0); }
  SchemaBuilder& longInt(const std::string& name) { return add(name, FieldType::Long, 0); }
  SchemaBuilder& number(const std::string& name) { return add(name, FieldType::Number, 0); }
  SchemaBuilder& logical(const std::string& name) { return add(name, FieldType::Logical, 0); }
  SchemaBuilder& memo(const std::string& name) { return add(name, FieldType::Memo, 1); }

  SchemaBuilder& primary(std::vector<std::string> fields) {
    schema_.indexes.insert(schema_.indexes.begin(),
                           IndexDef{"", std::move(fields), true, true, false});
    return *this;
  }
  SchemaBuilder& secondary(std::string name, std::vector<std::string> fields,
                           bool caseInsensitive) {
    schema_.indexes.push_back(
        IndexDef{std::move(name), std::move(fields), false, false, caseInsensitive});
    return *this;
  }
  TableSchema build() { return std::move(schema_); }

 private:
  SchemaBuilder& add(const std::string& name, FieldType type, int size) {
    schema_.fields.push_back(FieldDef{name, type, size});
    return *this;
  }
  TableSchema schema_;
};

TableSchema forms() {
  SchemaBuilder b;
  b.longInt("FormNo").alpha("FormName", 8).alpha("FormDesc", 40).alpha("Class", 8);
  b.number("FormWidth").number("FormHeight").number("BodyHeight");
  b.alpha("TitleType", 1).alpha("TailerType", 1).alpha("FormType", 1).alpha("BodyPrintMode", 1);
  b.number("HOffset").number("VOffset").number("BHOffset").number("BVOffset");
  b.logical("MasterForm").logical("PrintForm");
  b.longInt("NextFormNo").alpha("NextFormName", 8).number("NextBodyHeight");
  b.alpha("LibraryName", 8).alpha("SubFormName", 8).alpha("ExcelDBName", 20);
  for (const char* flag :
       {"Orientation", "Continued",   "PMValue",    "NotSpace",  "AddBySEQ",    "AddBrand",
        "AddModelNo",  "AddSpecific", "AddGoodsNo", "AddDeclNo", "AddBondedNo", "CombineA",
        "CombineB",    "CombineC",    "CombineD",   "vLinePos",  "ToNext",      "SpaceLine",
        "BSpaceLine",  "UseDeclQty",  "Print1Line"}) {
    b.logical(flag);
  }
  b.shortInt("AddItemLineNo").shortInt("AddBodyLineNo").shortInt("SpaceLines");
  b.shortInt("PrintLines").shortInt("NullCondition").number("LineHeight");
  b.logical("PrintTotal").logical("PrintV");
  b.alpha("ImageFile", 64).alpha("FontName", 30).shortInt("FontSize").alpha("Note", 40);
  b.primary({"FormNo"}).secondary("FormNameKey", {"FormName"}, true);
  return b.build();
}

TableSchema entries() {
  SchemaBuilder b;
  b.longInt("EntryNo").alpha("EntryName", 40).alpha("Attribute", 1);
  b.shortInt("InputWidth").shortInt("InputHeight").logical("CopyClear");
  b.alpha("LogicCheckMode", 5).alpha("FormularMode", 1).alpha("Formular", 80);
  b.alpha("LookupMode", 1).alpha("LookupTable", 64).alpha("LookupField", 25);
  for (int k = 1; k <= 12; ++k) {
    b.alpha("ListField" + std::to_string(k), 25).longInt("ListEntryNo" + std::to_string(k));
  }
  b.longInt("SourceNo").alpha("Note", 40);
  b.primary({"EntryNo"}).secondary("EntryNameKey", {"EntryName"}, true);
  return b.build();
}

TableSchema fieldDefinitions() {
  SchemaBuilder b;
  b.alpha("Type", 1).shortInt("FieldNo").alpha("FieldName", 40);
  b.shortInt("FieldLength").shortInt("GridWidth").shortInt("UnitLength");
  b.alpha("UnitPosition", 1).alpha("DefaultUnit", 8).shortInt("Decimal");
  b.alpha("Attribute", 1).alpha("SumMode", 1);
  for (const char* n : {"TransferNo", "Transfer2ndNo", "ToX1stNo", "ToX2ndNo", "ToX3rdNo",
                        "ToT1stNo", "ToT2ndNo", "ToT3rdNo", "SourceNo"}) {
    b.shortInt(n);
  }
  b.alpha("LogicCheckMode", 5);
  for (const char* flag : {"Hide", "SubTotal", "SumLine", "UseDOZ", "SuspendFormular", "EnterCopy",
                           "ExitCopy", "AutoEditMode", "KeepBackUnit", "CopyClear", "SumField"}) {
    b.logical(flag);
  }
  b.alpha("FormularMode", 1).alpha("Formular", 80);
  b.alpha("LookupMode", 1).alpha("LookupTable", 64).alpha("LookupField", 25);
  for (int k = 1; k <= 12; ++k) {
    b.alpha("ListField" + std::to_string(k), 25).shortInt(listFieldNoName(k));
  }
  b.alpha("Note", 40);
  b.primary({"Type", "FieldNo"});
  b.secondary("TypeNameKey", {"Type", "FieldName"}, true);
  b.secondary("FieldNameKey", {"FieldName"}, true);
  return b.build();
}

TableSchema entryPlacements() {
  SchemaBuilder b;
  b.longInt("FormNo").shortInt("SEQ").longInt("EntryNo").alpha("EntryName", 40);
  b.alpha("Type", 1).longInt("RefEntryNo");
  b.number("VPos").number("HPos").number("PrintWidth").number("PrintHeight");
  b.alpha("Attribute", 1).alpha("Adjust", 1);
  b.logical("VDepend").logical("Combine").logical("WordWrap").logical("Underline");
  b.logical("IsM").alpha("Character", 1);
  b.alpha("FontName", 30).shortInt("FontSize").shortInt("FontStyle").longInt("FontColor");
  b.alpha("ImageFile", 64).number("ImageWidth").number("ImageHeight").number("HOffset");
  b.alpha("Mask", 60).alpha("Note", 40);
  b.primary({"FormNo", "SEQ"});
  b.secondary("RefEntryNo", {"RefEntryNo"}, false).secondary("EntryNo", {"EntryNo"}, false);
  return b.build();
}

TableSchema printPlacements() {
  SchemaBuilder b;
  b.longInt("FormNo").longInt("EntryNo").shortInt("SEQ").alpha("Type", 1).shortInt("FieldNo");
  b.alpha("FieldName", 40).logical("IsEdit").number("VPos").shortInt("VLine");
  b.shortInt("HField").number("HPos").shortInt("PrintDec").number("PrintWidth");
  b.shortInt("PrintHeight").shortInt("WidthUnit");
  b.logical("WordWrap").logical("Underline").logical("IsM").shortInt("LineWidth");
  b.alpha("Attribute", 1).alpha("Adjust", 1).logical("PrintLines").alpha("Part", 1);
  b.shortInt("FixField").alpha("Condition", 1);
  b.alpha("FontName", 30).shortInt("FontSize").shortInt("FontStyle").longInt("FontColor");
  b.longInt("ImageWidth").longInt("ImageHeight").logical("IsDummy");
  b.alpha("Mask", 60).alpha("Note", 40);
  b.primary({"FormNo", "EntryNo", "SEQ"});
  b.secondary("FieldNoR", {"Type", "FieldNo"}, false);
  return b.build();
}

TableSchema textBlocks() {
  SchemaBuilder b;
  b.alpha("BlockName", 15).memo("Memo").alpha("Note", 40);
  b.primary({"BlockName"});
  return b.build();
}

TableSchema codeMap() {
  SchemaBuilder b;
  b.alpha("Code", 4).alpha("Type", 1).alpha("Description", 30).alpha("FieldType", 1);
  b.longInt("FieldNo").logical("DoIt");
  b.primary({"Code"});
  return b.build();
}

// Drops the table; one that will not go is emptied row by row instead.
void recreateTable(Database& db, const char* name) {
  if (!db.tableExists(name)) return;
  try {
    db.deleteTable(name);
    return;
  } catch (const EngineError&) {
  }
  Table t(db, name);
  t.open();
  t.first();
  while (t.recordCount() > 0) t.deleteRow();
  t.close();
}

}  // namespace

const char* formTableName(FormTable t) {
  static constexpr std::array<const char*, kFormTableCount> names{
      "CB20.DB", "CB21.DB", "CB22.DB", "CB23.DB", "CB24.DB", "CB25.DB", "CB2F0.DB"};
  return names[size_t(t)];
}

const char* formTableStem(FormTable t) {
  static constexpr std::array<const char*, kFormTableCount> stems{"CB20", "CB21", "CB22", "CB23",
                                                                  "CB24", "CB25", "CB2F0"};
  return stems[size_t(t)];
}

const TableSchema& formTableSchema(FormTable t) {
  static const std::array<TableSchema, kFormTableCount> schemas{
      forms(),           entries(),    fieldDefinitions(), entryPlacements(),
      printPlacements(), textBlocks(), codeMap()};
  return schemas[size_t(t)];
}

std::string listFieldNoName(int k) {
  return (k == 3 || k == 9 ? "ListfieldNo" : "ListFieldNo") + std::to_string(k);
}

bool CreateFormTables(Database& db) {
  FormFileVersion = ProgramFormVersion;
  for (FormTable t : kFormTables) {
    recreateTable(db, formTableName(t));
    try {
      db.createTable(formTableName(t), formTableSchema(t));
    } catch (const EngineError&) {
      // A table that could only be emptied is still there, in its old structure.
    }
  }
  return true;
}

}  // namespace kvt::forms
