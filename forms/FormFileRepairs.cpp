#include "forms/FormFileRepairs.h"

#include <stdexcept>
#include <utility>

#include "platform/Cp950.h"

namespace kvt::forms {
namespace {

constexpr std::array<std::pair<const char*, const char*>, 10> kRenamedCodes{{
    {"FI20", "FM41"},
    {"FI21", "FM42"},
    {"FI30", "FM25"},
    {"FI35", "FM43"},
    {"FI38", "FM44"},
    {"FI40", "FM21"},
    {"FI44", "FM01"},
    {"FI48", "FM02"},
    {"FI52", "FM22"},
    {"FI53", "FM45"},
}};

bool textIs(const Value& v, const std::string& text) {
  return v.isText() && *v.get<std::string>() == text;
}

bool numberIs(const Value& v, int64_t n) {
  return v.isInt() && *v.get<int64_t>() == n;
}

// Stores the change, or drops it when the table will not take it.
void postOrCancel(Table& t) {
  try {
    t.post();
  } catch (const EngineError&) {
    t.cancel();
  }
}

bool fitsShort(int64_t n) {
  return n >= -32768 && n <= 32767;
}

}  // namespace

int fieldPos(FormTable t, const std::string& name) {
  const int pos = formTableSchema(t).fieldIndex(name);
  if (pos < 0) throw std::logic_error(std::string(formTableName(t)) + " has no field " + name);
  return pos;
}

std::string newCodeName(const std::string& code) {
  for (const auto& [oldName, newName] : kRenamedCodes) {
    if (code == oldName) return newName;
  }
  return code;
}

std::string oldCodeName(const std::string& code) {
  for (const auto& [oldName, newName] : kRenamedCodes) {
    if (code == newName) return oldName;
  }
  return code;
}

void repairEntry(Row& row) {
  static const int mode = fieldPos(FormTable::CB21, "FormularMode");
  if (textIs(row[size_t(mode)], "2")) row[size_t(mode)] = Value("I");
}

void repairFieldDefinition(Row& row) {
  static const int type = fieldPos(FormTable::CB22, "Type");
  static const int no = fieldPos(FormTable::CB22, "FieldNo");
  static const int length = fieldPos(FormTable::CB22, "FieldLength");
  static const int name = fieldPos(FormTable::CB22, "FieldName");
  static const int list2 = fieldPos(FormTable::CB22, listFieldNoName(2));
  static const std::string oldName = platform::utf8ToCp950("台瓜生產者");
  static const std::string newName = platform::utf8ToCp950("稅則列印選擇");
  if (!textIs(row[size_t(type)], "X")) return;
  if (numberIs(row[size_t(no)], 144)) {
    if (numberIs(row[size_t(length)], 3)) row[size_t(length)] = Value(1);
    if (textIs(row[size_t(name)], oldName)) row[size_t(name)] = Value(newName);
  }
  if (numberIs(row[size_t(no)], 191) && numberIs(row[size_t(list2)], 144)) {
    row[size_t(list2)] = Value(145);
  }
}

void completeFieldDefinitions(Table& fields) {
  if (!fields.locate("Type;FieldNo", {Value("X"), Value(145)}) &&
      fields.locate("Type;FieldNo", {Value("X"), Value(144)})) {
    Row copy;
    for (int i = 0; i < fields.fieldCount(); ++i) copy.push_back(fields.get(i));
    fields.append();
    for (int i = 0; i < int(copy.size()); ++i) fields.set(i, std::move(copy[size_t(i)]));
    fields.set("FieldNo", Value(145));
    fields.set("FieldName", Value(platform::utf8ToCp950("生產者(列印用)")));
    fields.set("FieldLength", Value(4));
    postOrCancel(fields);
  }
  const std::pair<const char*, int> wide[] = {{"I", 4}, {"P", 4}, {"P", 16}, {"S", 4}};
  for (const auto& [type, no] : wide) {
    if (!fields.locate("Type;FieldNo", {Value(type), Value(no)})) continue;
    fields.edit();
    fields.set("Attribute", Value("W"));
    postOrCancel(fields);
  }
}

void repairEntryPlacement(Row& row) {
  static const int form = fieldPos(FormTable::CB23, "FormNo");
  static const int entry = fieldPos(FormTable::CB23, "EntryNo");
  static const int isM = fieldPos(FormTable::CB23, "IsM");
  if (numberIs(row[size_t(form)], 15115) && numberIs(row[size_t(entry)], 15790)) {
    row[size_t(isM)] = Value(false);
  }
}

Value repairedCodeFieldNo(const std::string& code, Value fieldNo, const std::string& version) {
  struct Fix {
    const char* code;
    int64_t from;
    int64_t to;
  };
  // Files before "0890808" had these two the wrong way round.
  static constexpr Fix swapped[] = {{"EY09", 10010, 10011}, {"EY10", 10011, 10010}};
  static constexpr Fix always[] = {{"IV13", 61, 0},
                                   {"IV14", 62, 20},
                                   {"EY43", 16258, 16054},
                                   {"EZ84", 0, 12029},
                                   {"EZ86", 0, 12031}};
  if (version < "0890808") {
    for (const Fix& f : swapped) {
      if (code == f.code && numberIs(fieldNo, f.from)) return Value(f.to);
    }
  }
  for (const Fix& f : always) {
    if (code == f.code && numberIs(fieldNo, f.from)) return Value(f.to);
  }
  return fieldNo;
}

void PresentForms::note(int64_t formNo) {
  for (size_t i = 0; i < kForms.size(); ++i) {
    if (kForms[i] == formNo) present_[i] = true;
  }
}

bool PresentForms::has(int64_t formNo) const {
  for (size_t i = 0; i < kForms.size(); ++i) {
    if (kForms[i] == formNo) return present_[i];
  }
  return false;
}

void moveSumFieldMarks(Database& db, Table& codes, const std::string& version) {
  if (!(version < "0920520")) return;
  const std::pair<const char*, int> sums[] = {{"IV01", 5}, {"IV09", 17}, {"IV24", 8}, {"IV27", 11}};
  Table fields(db, formTableName(FormTable::CB22));
  fields.open();
  const auto setSumField = [&](int64_t no, bool on) {
    if (!fitsShort(no) || !fields.locate("Type;FieldNo", {Value("I"), Value(no)})) return;
    fields.edit();
    fields.set("SumField", Value(on));
    postOrCancel(fields);
  };
  for (const auto& [code, standard] : sums) {
    if (!codes.locate("Code", {Value(code)})) continue;
    const int64_t no = codes.getInt("FieldNo");
    if (no == standard) continue;
    setSumField(standard, false);
    setSumField(no, true);
  }
  fields.close();
}

void fixFormCodes(Table& codes, const PresentForms& forms) {
  const auto repoint = [&](const char* code, int64_t from, int64_t to) {
    if (!codes.locate("Code", {Value(code)}) || !numberIs(codes.get("FieldNo"), from)) return;
    codes.edit();
    codes.set("FieldNo", Value(to));
    postOrCancel(codes);
  };
  if (!forms.has(16008)) repoint("AF07", 16008, 0);
  if (!forms.has(15100)) repoint("AF08", 15100, 0);
  if (!forms.has(15300)) repoint("AF10", 15300, 0);
  if (forms.has(15201) && !forms.has(15202)) repoint("AF09", 0, 15201);
  if (forms.has(15202) && !forms.has(15201)) repoint("AF09", 0, 15202);
  if (forms.has(15430) && !forms.has(15440)) repoint("AF11", 0, 15430);
  if (forms.has(15440) && !forms.has(15430)) repoint("AF11", 0, 15440);
}

}  // namespace kvt::forms
