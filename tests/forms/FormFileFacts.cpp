#include "FormFileFacts.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "FormsTestSupport.h"

namespace kvt::forms::testing {
namespace {

struct Fact {
  const char* from;
  Value absent;
};
using Facts = std::map<std::string, Fact>;

const Facts& formFacts() {
  static const Facts facts = [] {
    Facts f{
        {"FormDesc", {"0890402", Value()}},  // "later than 0890401"
        {"Class", {"0950209", Value(big5("標準"))}}, {"BodyPrintMode", {"0890630", Value("1")}},
        {"BHOffset", {"0890720", Value()}},          {"BVOffset", {"0890720", Value()}},
        {"SubFormName", {"0890731", Value()}},       {"ExcelDBName", {"0901008", Value()}},
        {"Continued", {"0891101", Value()}},         {"AddItemLineNo", {"0900315", Value(0)}},
        {"AddBodyLineNo", {"0900315", Value(0)}},    {"SpaceLines", {"0900401", Value(1)}},
        {"PrintLines", {"0940404", Value()}},        {"NullCondition", {"0900709", Value()}},
        {"LineHeight", {"0900424", Value()}},        {"PrintTotal", {"0900424", Value(true)}},
        {"PrintV", {"0921113", Value(true)}},        {"FontName", {"0891017", Value()}},
        {"FontSize", {"0891017", Value()}},
    };
    const std::pair<const char*, const char*> options[] = {
        {"PMValue", "0900226"},    {"NotSpace", "0920410"},   {"AddBySEQ", "0970721"},
        {"AddBrand", "0950331"},   {"AddModelNo", "0951215"}, {"AddSpecific", "0951215"},
        {"AddGoodsNo", "0950203"}, {"AddDeclNo", "0950203"},  {"AddBondedNo", "1020725"},
        {"CombineA", "0920415"},   {"CombineB", "0950106"},   {"CombineC", "0951108"},
        {"vLinePos", "0950203"},   {"ToNext", "0920315"},     {"SpaceLine", "0920315"},
        {"BSpaceLine", "0940708"}, {"UseDeclQty", "0920119"}, {"Print1Line", "0931122"},
    };
    for (const auto& [name, from] : options) f[name] = {from, Value(false)};
    f["CombineD"] = {"0970715", Value(true)};
    return f;
  }();
  return facts;
}

const Facts& entryFacts() {
  static const Facts facts = [] {
    Facts f{{"CopyClear", {"0910901", Value(false)}}, {"SourceNo", {"0891102", Value()}}};
    for (int k = 7; k <= 12; ++k) {
      f["ListField" + std::to_string(k)] = {"0900206", Value()};
      f["ListEntryNo" + std::to_string(k)] = {"0900206", Value()};
    }
    return f;
  }();
  return facts;
}

const Facts& fieldFacts() {
  static const Facts facts{
      {"GridWidth", {"0900320", Value(0)}},
      {"ToX1stNo", {"0940606", Value()}},
      {"ToX2ndNo", {"0940606", Value()}},
      {"ToX3rdNo", {"0940606", Value()}},
      {"ToT1stNo", {"0940606", Value()}},
      {"ToT2ndNo", {"0940606", Value()}},
      {"ToT3rdNo", {"0940606", Value()}},
      {"SourceNo", {"0891102", Value()}},
      {"SubTotal", {"0890922", Value(false)}},
      {"SumLine", {"0890922", Value(true)}},
      {"UseDOZ", {"0890922", Value(true)}},
      {"SuspendFormular", {"0890922", Value(false)}},
      {"EnterCopy", {"0890922", Value(false)}},
      {"ExitCopy", {"0890922", Value(false)}},
      {"AutoEditMode", {"0890922", Value(false)}},
      {"KeepBackUnit", {"0890922", Value(false)}},
      {"CopyClear", {"0910812", Value(false)}},
      {"SumField", {"0920520", Value()}},
      // The transfer numbers come packed from "0891002" and alone from "0940606".
      {"TransferNo", {"0891002", Value()}},
      {"Transfer2ndNo", {"0891002", Value()}},
  };
  return facts;
}

const Facts& entryPlacementFacts() {
  static const Facts facts{
      {"Underline", {"0980728", Value(true)}},
      {"IsM", {"0950203", Value(false)}},
      {"HOffset", {"0921126", Value()}},
      {"Mask", {"0921230", Value()}},
  };
  return facts;
}

const Facts& printPlacementFacts() {
  static const Facts facts{
      {"IsEdit", {"0890731", Value(true)}},    {"VPos", {"0890615", Value()}},
      {"VLine", {"0890704", Value(1)}},        {"HField", {"0890710", Value()}},
      {"PrintDec", {"0900219", Value(-1)}},    {"PrintWidth", {"0910812", Value()}},
      {"PrintHeight", {"0930108", Value()}},   {"WidthUnit", {"0910812", Value()}},
      {"WordWrap", {"0910812", Value(false)}}, {"Underline", {"0980728", Value(true)}},
      {"IsM", {"0950203", Value()}},           {"LineWidth", {"0910812", Value()}},
      {"PrintLines", {"0920909", Value()}},    {"Part", {"0890731", Value("A")}},
      {"FixField", {"0920420", Value()}},      {"Condition", {"0920420", Value()}},
      {"ImageWidth", {"1020905", Value()}},    {"ImageHeight", {"1020905", Value()}},
      {"Mask", {"0921230", Value()}},
  };
  return facts;
}

const Facts& factsOf(FormTable t) {
  static const Facts none;
  switch (t) {
    case FormTable::CB20:
      return formFacts();
    case FormTable::CB21:
      return entryFacts();
    case FormTable::CB22:
      return fieldFacts();
    case FormTable::CB23:
      return entryPlacementFacts();
    case FormTable::CB24:
      return printPlacementFacts();
    default:
      return none;
  }
}

// Numbers the reader keeps only when above 0 (or, where said, not 0).
const std::set<std::string>& keptWhenPositive(FormTable t) {
  static const std::map<FormTable, std::set<std::string>> sets = [] {
    std::map<FormTable, std::set<std::string>> s{
        {FormTable::CB20,
         {"FormWidth", "FormHeight", "BodyHeight", "NextFormNo", "NextBodyHeight", "NullCondition",
          "FontSize"}},
        {FormTable::CB21, {"InputWidth", "InputHeight"}},
        {FormTable::CB22, {}},
        {FormTable::CB23,
         {"RefEntryNo", "VPos", "HPos", "PrintWidth", "PrintHeight", "FontSize", "FontStyle",
          "FontColor", "ImageWidth", "ImageHeight", "HOffset"}},
        {FormTable::CB24,
         {"VPos", "HField", "HPos", "PrintWidth", "FixField", "FontSize", "FontStyle", "FontColor",
          "ImageWidth", "ImageHeight"}},
    };
    for (int k = 1; k <= 12; ++k) {
      s[FormTable::CB21].insert("ListEntryNo" + std::to_string(k));
      s[FormTable::CB22].insert(listFieldNoName(k));
    }
    return s;
  }();
  const auto it = sets.find(t);
  static const std::set<std::string> none;
  return it == sets.end() ? none : it->second;
}

// The form flags from Continued to Print1Line may be null in the file.
bool isNullableBoolean(FormTable t, const std::string& name) {
  if (t != FormTable::CB20) return false;
  if (name == "Continued") return true;
  const auto& facts = formFacts();
  const auto it = facts.find(name);
  return it != facts.end() && it->second.absent.isBool() && name != "PrintTotal" &&
         name != "PrintV";
}

}  // namespace

const char* firstVersionOf(FormTable t, const std::string& field) {
  const auto& facts = factsOf(t);
  const auto it = facts.find(field);
  return it == facts.end() ? nullptr : it->second.from;
}

Value absentValue(FormTable t, const std::string& name, const std::string& version,
                  const Row& row) {
  const auto type = [&] { return field(row, t, "Type").asString(); };
  const auto no = [&] { return field(row, t, "FieldNo").asInt(); };
  if (t == FormTable::CB21 && name == "SourceNo") return field(row, t, "EntryNo");
  if (t == FormTable::CB22) {
    if (name == "SourceNo") return field(row, t, "FieldNo");
    if (name == "SumField") {
      return Value(type() == "I" && (no() == 5 || no() == 17 || no() == 8 || no() == 11));
    }
    if (name == "TransferNo") {
      const bool self = (type() == "I" || type() == "P") && (no() == 1 || no() == 4 || no() == 5);
      return self ? Value(no()) : Value(0);
    }
  }
  if (t == FormTable::CB24) {
    if (name == "IsM") return version >= "0910812" ? Value(false) : Value();
    if (name == "PrintLines") return Value((type() == "I" || type() == "S") && no() == 4);
  }
  const auto& facts = factsOf(t);
  const auto it = facts.find(name);
  return it == facts.end() ? Value() : it->second.absent;
}

Value nullReadBack(FormTable t, const std::string& name, const std::string& version) {
  const TableSchema& schema = formTableSchema(t);
  const FieldDef& def = schema.fields[size_t(schema.fieldIndex(name))];
  if (t == FormTable::CB20 && name == "BodyPrintMode") return Value("1");
  if (t == FormTable::CB24 && name == "VLine") return Value(1);
  if (t == FormTable::CB22 && name == "Transfer2ndNo" && version < "0940606") return Value();
  if (keptWhenPositive(t).count(name)) return Value();
  switch (def.type) {
    case FieldType::Short:
    case FieldType::Long:
      return Value(0);
    case FieldType::Number:
      return Value(0.0);
    case FieldType::Logical:
      return isNullableBoolean(t, name) ? Value() : Value(false);
    default:
      return Value();
  }
}

std::vector<std::string> gateVersions() {
  std::set<std::string> versions{"0890401", "0940404", "1020905"};
  for (FormTable t : kFormTables) {
    for (const auto& [name, fact] : factsOf(t)) {
      versions.insert(fact.from);
      char before[16];
      std::snprintf(before, sizeof before, "%07d", std::atoi(fact.from) - 1);
      versions.insert(before);
    }
  }
  for (const char* v : {"0900206", "0900205", "0940606", "0940605", "0920520", "0920519"}) {
    versions.insert(v);
  }
  return {versions.begin(), versions.end()};
}

}  // namespace kvt::forms::testing
