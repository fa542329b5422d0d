#include "forms/FormFileLayout.h"

#include <initializer_list>
#include <stdexcept>

#include "platform/Cp950.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

// The lookup block of an entry or field definition: files of "0900206" on carry it only when
// LookupMode is not "N"; older files always do.
bool lookupBlock(const RowView& r) {
  return r.version < kLookupListsFrom || r.text("LookupMode") != "N";
}

Value sameAsEntryNo(const RowView& r) {
  return r.at("EntryNo");
}

Value sameAsFieldNo(const RowView& r) {
  return r.at("FieldNo");
}

bool isFieldOf(const RowView& r, std::initializer_list<const char*> types,
               std::initializer_list<int> numbers) {
  const std::string type = r.text("Type");
  const int64_t no = r.number("FieldNo");
  bool typeMatches = false;
  for (const char* t : types) typeMatches = typeMatches || type == t;
  if (!typeMatches) return false;
  for (int n : numbers) {
    if (no == n) return true;
  }
  return false;
}

// Before transfer numbers were carried at all, the first fields of I and P transferred to
// themselves.
Value defaultTransferNo(const RowView& r) {
  if (r.version >= std::string("0891002")) return Value::null();  // the packed value sets it
  return isFieldOf(r, {"I", "P"}, {1, 4, 5}) ? r.at("FieldNo") : Value(0);
}

// The quantity and amount fields were summed before the flag existed.
Value defaultSumField(const RowView& r) {
  return Value(isFieldOf(r, {"I"}, {5, 17, 8, 11}));
}

Value defaultPrintLines(const RowView& r) {
  return Value(isFieldOf(r, {"I", "S"}, {4}));
}

Value defaultPlacementIsM(const RowView& r) {
  return r.version >= std::string("0910812") ? Value(false) : Value::null();
}

std::vector<Item> formItems() {
  std::vector<Item> items{
      {.column = "FormNo", .enc = Enc::I32},
      {.column = "FormName", .enc = Enc::Str},
      {.column = "FormDesc", .enc = Enc::Str, .after = "0890401"},
      {.column = "Class",
       .enc = Enc::Str,
       .from = "0950209",
       .absent = Value(platform::utf8ToCp950("標準"))},
      {.column = "FormWidth", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "FormHeight", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "BodyHeight", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "TitleType", .enc = Enc::Str},
      {.column = "TailerType", .enc = Enc::Str},
      {.column = "FormType", .enc = Enc::Str},
      {.column = "BodyPrintMode",
       .enc = Enc::Str,
       .from = "0890630",
       .keep = Keep::EmptyAsOne,
       .absent = Value("1")},
      {.column = "HOffset", .enc = Enc::F64},
      {.column = "VOffset", .enc = Enc::F64},
      {.column = "BHOffset", .enc = Enc::F64, .from = "0890720"},
      {.column = "BVOffset", .enc = Enc::F64, .from = "0890720"},
      {.column = "MasterForm", .enc = Enc::Bool},
      {.column = "PrintForm", .enc = Enc::Bool},
      {.column = "NextFormNo", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "NextFormName", .enc = Enc::Str},
      {.column = "NextBodyHeight", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "LibraryName", .enc = Enc::Str},
      {.column = "SubFormName", .enc = Enc::Str, .from = "0890731"},
      {.column = "ExcelDBName", .enc = Enc::Str, .from = "0901008"},
      {.column = "Orientation", .enc = Enc::Bool},
      {.column = "Continued", .enc = Enc::NullableBool, .from = "0891101"},
  };
  // The later print options: a nullable Boolean each, false in files older than its version
  // (CombineD alone defaults to true).
  const std::pair<const char*, const char*> options[] = {
      {"PMValue", "0900226"},    {"NotSpace", "0920410"},   {"AddBySEQ", "0970721"},
      {"AddBrand", "0950331"},   {"AddModelNo", "0951215"}, {"AddSpecific", "0951215"},
      {"AddGoodsNo", "0950203"}, {"AddDeclNo", "0950203"},  {"AddBondedNo", "1020725"},
      {"CombineA", "0920415"},   {"CombineB", "0950106"},   {"CombineC", "0951108"},
      {"CombineD", "0970715"},   {"vLinePos", "0950203"},   {"ToNext", "0920315"},
      {"SpaceLine", "0920315"},  {"BSpaceLine", "0940708"}, {"UseDeclQty", "0920119"},
      {"Print1Line", "0931122"},
  };
  for (const auto& [column, from] : options) {
    items.push_back({.column = column,
                     .enc = Enc::NullableBool,
                     .from = from,
                     .absent = Value(std::string_view(column) == "CombineD")});
  }
  const std::vector<Item> rest{
      {.column = "AddItemLineNo", .enc = Enc::I32, .from = "0900315", .absent = Value(0)},
      {.column = "AddBodyLineNo", .enc = Enc::I32, .from = "0900315", .absent = Value(0)},
      {.column = "SpaceLines", .enc = Enc::I32, .from = "0900401", .absent = Value(1)},
      {.column = "PrintLines", .enc = Enc::I32, .from = "0940404"},
      {.column = "NullCondition", .enc = Enc::I32, .from = "0900709", .keep = Keep::NonZero},
      {.column = "LineHeight", .enc = Enc::F64, .from = "0900424"},
      {.column = "PrintTotal", .enc = Enc::Bool, .from = "0900424", .absent = Value(true)},
      {.column = "PrintV", .enc = Enc::Bool, .from = "0921113", .absent = Value(true)},
      {.column = "ImageFile", .enc = Enc::Str},
      {.column = "FontName", .enc = Enc::Str, .from = "0891017"},
      {.column = "FontSize", .enc = Enc::I32, .from = "0891017", .keep = Keep::Positive},
      {.column = "Note", .enc = Enc::Str},
  };
  items.insert(items.end(), rest.begin(), rest.end());
  return items;
}

std::vector<Item> entryItems() {
  std::vector<Item> items{
      {.column = "EntryNo", .enc = Enc::I32},
      {.column = "EntryName", .enc = Enc::Str},
      {.column = "Attribute", .enc = Enc::Str},
      {.column = "InputWidth", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "InputHeight", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "CopyClear", .enc = Enc::Bool, .from = "0910901", .absent = Value(false)},
      {.column = "LogicCheckMode", .enc = Enc::Str},
      {.column = "FormularMode", .enc = Enc::Str},
      {.column = "Formular", .enc = Enc::Str},
      {.column = "LookupMode", .enc = Enc::Str},
      {.column = "LookupTable", .enc = Enc::Str, .onlyIf = lookupBlock},
      {.column = "LookupField", .enc = Enc::Str, .onlyIf = lookupBlock},
  };
  // Older files carry six lists, later ones twelve.
  for (int k = 1; k <= 12; ++k) {
    const char* from = k > 6 ? kLookupListsFrom : nullptr;
    items.push_back({.column = ("ListField" + std::to_string(k)),
                     .enc = Enc::Str,
                     .from = from,
                     .onlyIf = lookupBlock});
    items.push_back({.column = ("ListEntryNo" + std::to_string(k)),
                     .enc = Enc::I32,
                     .from = from,
                     .onlyIf = lookupBlock,
                     .keep = Keep::LookupNumber});
  }
  items.push_back(
      {.column = "SourceNo", .enc = Enc::I32, .from = "0891102", .absentRule = sameAsEntryNo});
  items.push_back({.column = "Note", .enc = Enc::Str});
  return items;
}

std::vector<Item> fieldItems() {
  std::vector<Item> items{
      {.column = "Type", .enc = Enc::Str},
      {.column = "FieldNo", .enc = Enc::I32},
      {.column = "FieldName", .enc = Enc::Str},
      {.column = "FieldLength", .enc = Enc::I32},
      {.column = "GridWidth", .enc = Enc::I32, .from = "0900320", .absent = Value(0)},
      {.column = "UnitLength", .enc = Enc::I32},
      {.column = "UnitPosition", .enc = Enc::Str},
      {.column = "DefaultUnit", .enc = Enc::Str},
      {.column = "Decimal", .enc = Enc::I32},
      {.column = "Attribute", .enc = Enc::Str},
      {.column = "SumMode", .enc = Enc::Str},
      // The transfer numbers: eight of them from "0940606"; before that one value packing
      // the first two (from "0891002"); before that none.
      {.column = "TransferNo", .enc = Enc::I32, .from = "0940606", .absentRule = defaultTransferNo},
  };
  for (const char* column :
       {"Transfer2ndNo", "ToX1stNo", "ToX2ndNo", "ToX3rdNo", "ToT1stNo", "ToT2ndNo", "ToT3rdNo"}) {
    items.push_back({.column = column, .enc = Enc::I32, .from = "0940606"});
  }
  const std::vector<Item> middle{
      {.column = "TransferNo",
       .enc = Enc::PackedPair,
       .from = "0891002",
       .before = "0940606",
       .column2 = "Transfer2ndNo"},
      {.column = "SourceNo", .enc = Enc::I32, .from = "0891102", .absentRule = sameAsFieldNo},
      {.column = "LogicCheckMode", .enc = Enc::Str},
      {.column = "Hide", .enc = Enc::Bool},
      {.column = "SubTotal", .enc = Enc::Bool, .from = "0890922", .absent = Value(false)},
      {.column = "SumLine", .enc = Enc::Bool, .from = "0890922", .absent = Value(true)},
      {.column = "UseDOZ", .enc = Enc::Bool, .from = "0890922", .absent = Value(true)},
      {.column = "SuspendFormular", .enc = Enc::Bool, .from = "0890922", .absent = Value(false)},
      {.column = "EnterCopy", .enc = Enc::Bool, .from = "0890922", .absent = Value(false)},
      {.column = "ExitCopy", .enc = Enc::Bool, .from = "0890922", .absent = Value(false)},
      {.column = "AutoEditMode", .enc = Enc::Bool, .from = "0890922", .absent = Value(false)},
      {.column = "KeepBackUnit", .enc = Enc::Bool, .from = "0890922", .absent = Value(false)},
      {.column = "CopyClear", .enc = Enc::Bool, .from = "0910812", .absent = Value(false)},
      {.column = "SumField", .enc = Enc::Bool, .from = "0920520", .absentRule = defaultSumField},
      {.column = "FormularMode", .enc = Enc::Str},
      {.column = "Formular", .enc = Enc::Str},
      {.column = "LookupMode", .enc = Enc::Str},
      {.column = "LookupTable", .enc = Enc::Str, .onlyIf = lookupBlock},
      {.column = "LookupField", .enc = Enc::Str, .onlyIf = lookupBlock},
  };
  items.insert(items.end(), middle.begin(), middle.end());
  for (int k = 1; k <= 12; ++k) {
    items.push_back(
        {.column = ("ListField" + std::to_string(k)), .enc = Enc::Str, .onlyIf = lookupBlock});
    items.push_back({.column = (listFieldNoName(k)),
                     .enc = Enc::I32,
                     .onlyIf = lookupBlock,
                     .keep = Keep::Positive});
  }
  items.push_back({.column = "Note", .enc = Enc::Str});
  return items;
}

std::vector<Item> entryPlacementItems() {
  return {
      {.column = "FormNo", .enc = Enc::I32},
      {.column = "SEQ", .enc = Enc::I32, .keep = Keep::Never},
      {.column = "EntryNo", .enc = Enc::I32},
      {.column = "EntryName", .enc = Enc::Str},
      {.column = "Type", .enc = Enc::Str},
      {.column = "RefEntryNo", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "VPos", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "HPos", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "PrintWidth", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "PrintHeight", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "Attribute", .enc = Enc::Str},
      {.column = "Adjust", .enc = Enc::Str},
      {.column = "VDepend", .enc = Enc::Bool},
      {.column = "Combine", .enc = Enc::Bool},
      {.column = "WordWrap", .enc = Enc::Bool},
      {.column = "Underline", .enc = Enc::Bool, .from = "0980728", .absent = Value(true)},
      {.column = "IsM", .enc = Enc::Bool, .from = "0950203", .absent = Value(false)},
      {.column = "Character", .enc = Enc::Str},
      {.column = "FontName", .enc = Enc::Str, .endMark = true},
      {.column = "FontSize", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "FontStyle", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "FontColor", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "ImageFile", .enc = Enc::Str},
      {.column = "ImageWidth", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "ImageHeight", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "HOffset", .enc = Enc::F64, .from = "0921126", .keep = Keep::Positive},
      {.column = "Mask", .enc = Enc::Str, .from = "0921230"},
      {.column = "Note", .enc = Enc::Str},
  };
}

std::vector<Item> printPlacementItems() {
  return {
      {.column = "FormNo", .enc = Enc::I32},
      {.column = "EntryNo", .enc = Enc::I32},
      {.column = "SEQ", .enc = Enc::I32, .keep = Keep::Never},
      {.column = "Type", .enc = Enc::Str},
      {.column = "FieldNo", .enc = Enc::I32},
      {.column = "FieldName", .enc = Enc::Str},
      {.column = "IsEdit", .enc = Enc::Bool, .from = "0890731", .absent = Value(true)},
      {.column = "VPos", .enc = Enc::F64, .from = "0890615", .keep = Keep::Positive},
      {.column = "VLine",
       .enc = Enc::I32,
       .from = "0890704",
       .keep = Keep::PositiveElseOne,
       .absent = Value(1)},
      {.column = "HField", .enc = Enc::I32, .from = "0890710", .keep = Keep::Positive},
      {.column = "HPos", .enc = Enc::F64, .keep = Keep::Positive},
      {.column = "PrintDec", .enc = Enc::I32, .from = "0900219", .absent = Value(-1)},
      // The print-size group, all from "0910812", some of it later still.
      {.column = "PrintWidth", .enc = Enc::F64, .from = "0910812", .keep = Keep::Positive},
      {.column = "PrintHeight", .enc = Enc::I32, .from = "0930108"},
      {.column = "WidthUnit", .enc = Enc::I32, .from = "0910812"},
      {.column = "WordWrap", .enc = Enc::Bool, .from = "0910812", .absent = Value(false)},
      {.column = "Underline", .enc = Enc::Bool, .from = "0980728", .absent = Value(true)},
      {.column = "IsM", .enc = Enc::Bool, .from = "0950203", .absentRule = defaultPlacementIsM},
      {.column = "LineWidth", .enc = Enc::I32, .from = "0910812"},
      {.column = "Attribute", .enc = Enc::Str},
      {.column = "Adjust", .enc = Enc::Str},
      {.column = "PrintLines",
       .enc = Enc::Bool,
       .from = "0920909",
       .absentRule = defaultPrintLines},
      {.column = "Part",
       .enc = Enc::Str,
       .from = "0890731",
       .absent = Value("A"),
       .endMark = true,
       .endValue = Value("A")},
      {.column = "FixField", .enc = Enc::I32, .from = "0920420", .keep = Keep::Positive},
      {.column = "Condition", .enc = Enc::Str, .from = "0920420"},
      {.column = "FontName", .enc = Enc::Str},
      {.column = "FontSize", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "FontStyle", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "FontColor", .enc = Enc::I32, .keep = Keep::Positive},
      {.column = "ImageWidth", .enc = Enc::I32, .from = "1020905", .keep = Keep::Positive},
      {.column = "ImageHeight", .enc = Enc::I32, .from = "1020905", .keep = Keep::Positive},
      {.column = "Mask", .enc = Enc::Str, .from = "0921230"},
      {.column = "Note", .enc = Enc::Str},
  };
}

std::vector<Item> textBlockItems() {
  return {
      {.column = "BlockName", .enc = Enc::Str},
      {.column = "Memo", .enc = Enc::Memo},
      {.column = "Note", .enc = Enc::Str},
  };
}

std::vector<Item> codeMapItems() {
  return {
      {.column = "Code", .enc = Enc::Str},        {.column = "Type", .enc = Enc::Str},
      {.column = "Description", .enc = Enc::Str}, {.column = "FieldType", .enc = Enc::Str},
      {.column = "FieldNo", .enc = Enc::I32},     {.column = "DoIt", .enc = Enc::Bool},
  };
}

int positionOf(const TableSchema& schema, const std::string& column, FormTable t) {
  const int pos = schema.fieldIndex(column);
  if (pos < 0) {
    throw std::logic_error(std::string("form file layout names a missing field ") +
                           formTableName(t) + "." + column);
  }
  return pos;
}

Section makeSection(FormTable t, std::vector<Item> items) {
  Section s{t, &formTableSchema(t), std::move(items), {}};
  const TableSchema& schema = *s.schema;
  for (Item& item : s.items) {
    item.pos = positionOf(schema, item.column, t);
    if (!item.column2.empty()) item.pos2 = positionOf(schema, item.column2, t);
    const FieldDef& field = schema.fields[size_t(item.pos)];
    item.absent = coerceToField(field, item.absent);
    item.endValue = coerceToField(field, item.endValue);
  }
  if (t == FormTable::CB24) {
    // Placements marked as dummies are never written, so every row read is a real one.
    s.fixed.emplace_back(positionOf(schema, "IsDummy", t), Value(false));
  }
  return s;
}

}  // namespace

const Value& RowView::at(const std::string& column) const {
  const int pos = schema_.fieldIndex(column);
  if (pos < 0) throw std::logic_error("no field " + column);
  return row_[size_t(pos)];
}

bool Item::inVersion(const std::string& version) const {
  if (from && version < from) return false;
  if (after && !(version > after)) return false;
  return !before || version < before;
}

const std::vector<Section>& formFileSections() {
  static const std::vector<Section> sections{
      makeSection(FormTable::CB20, formItems()),
      makeSection(FormTable::CB21, entryItems()),
      makeSection(FormTable::CB22, fieldItems()),
      makeSection(FormTable::CB23, entryPlacementItems()),
      makeSection(FormTable::CB24, printPlacementItems()),
      makeSection(FormTable::CB25, textBlockItems()),
      makeSection(FormTable::CB2F0, codeMapItems()),
  };
  return sections;
}

const Section& formFileSection(FormTable t) {
  return formFileSections()[size_t(t)];
}

}  // namespace kvt::forms
