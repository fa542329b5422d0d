#include "FormsTestSupport.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Cp950.h"
#include "schema/Table.h"

namespace kvt {

void PrintTo(const Value& v, std::ostream* out) {
  if (v.isNull()) {
    *out << "null";
  } else if (v.isText()) {
    *out << '"' << platform::cp950ToUtf8(v.asString()) << '"';
  } else if (v.isBool()) {
    *out << (v.asBool() ? "true" : "false");
  } else if (v.isFloat()) {
    *out << v.asFloat() << " (float)";
  } else {
    *out << v.asString();
  }
}

}  // namespace kvt

namespace kvt::forms::testing {
namespace fs = std::filesystem;

FileBytes& FileBytes::str(std::string_view text) {
  rawLength(int16_t(text.size()));
  bytes_.append(text);
  return *this;
}

FileBytes& FileBytes::rawLength(int16_t n) {
  const auto u = static_cast<uint16_t>(n);
  bytes_.push_back(char(u & 0xFF));
  bytes_.push_back(char(u >> 8));
  return *this;
}

FileBytes& FileBytes::i32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) bytes_.push_back(char((u >> (8 * i)) & 0xFF));
  return *this;
}

FileBytes& FileBytes::f64(double v) {
  const auto u = std::bit_cast<uint64_t>(v);
  for (int i = 0; i < 8; ++i) bytes_.push_back(char((u >> (8 * i)) & 0xFF));
  return *this;
}

FileBytes& FileBytes::byte(uint8_t v) {
  bytes_.push_back(char(v));
  return *this;
}

FileBytes& FileBytes::raw(std::string_view bytes) {
  bytes_.append(bytes);
  return *this;
}

FileBytes& FileBytes::header(std::string_view version) {
  return str("VELMORTBL").str(version);
}

FileBytes& FileBytes::emptySections(int n) {
  for (int i = 0; i < n; ++i) i32(0);
  return *this;
}

void formRow(FileBytes& b, int32_t formNo, std::string_view name) {
  b.i32(formNo).str(name).str("").str("");      // FormNo FormName FormDesc Class
  b.f64(0).f64(0).f64(0);                       // FormWidth FormHeight BodyHeight
  b.str("").str("").str("").str("");            // TitleType TailerType FormType BodyPrintMode
  b.f64(0).f64(0).f64(0).f64(0);                // HOffset VOffset BHOffset BVOffset
  b.b(false).b(false).i32(0).str("").f64(0);    // MasterForm .. NextBodyHeight
  b.str("").str("").str("").b(false);           // LibraryName SubFormName ExcelDBName Orientation
  for (int i = 0; i < 20; ++i) b.nullBool();    // Continued .. Print1Line
  b.i32(0).i32(0).i32(0).i32(0).i32(0).f64(0);  // AddItemLineNo .. LineHeight
  b.b(true).b(true).str("").str("").i32(0).str("");  // PrintTotal .. Note
}

void fieldDefinitionRow(FileBytes& b, const FieldDefinition& f) {
  b.str(f.type).i32(f.fieldNo).str(f.name).i32(f.length).i32(0).i32(0);
  b.str("").str("").i32(0).str(f.attribute).str("");
  for (int i = 0; i < 8; ++i) b.i32(0);    // transfer numbers
  b.i32(f.fieldNo).str("").b(false);       // SourceNo LogicCheckMode Hide
  for (int i = 0; i < 9; ++i) b.b(false);  // SubTotal .. CopyClear
  b.b(f.sumField).str(f.formularMode).str("").str(f.lookupMode);
  if (f.lookupMode != "N") {
    b.str("T").str("K");
    for (int k = 0; k < 12; ++k) {
      b.str("").i32(size_t(k) < f.listNumbers.size() ? f.listNumbers[size_t(k)] : 0);
    }
  }
  b.str("");  // Note
}

void shortEntryPlacement(FileBytes& b, int32_t formNo, int32_t entryNo, bool isM) {
  b.i32(formNo).i32(999).i32(entryNo).str("E").str("").i32(0);
  b.f64(0).f64(0).f64(0).f64(0).str("").str("");
  b.b(false).b(false).b(false).b(true).b(isM).str("");  // VDepend .. Character
  b.str("NoMore");
}

void shortPrintPlacement(FileBytes& b, int32_t formNo, int32_t entryNo, std::string_view type,
                         int32_t fieldNo) {
  b.i32(formNo).i32(entryNo).i32(999).str(type).i32(fieldNo).str("");
  b.b(true).f64(0).i32(1).i32(0).f64(0).i32(-1);     // IsEdit .. PrintDec
  b.f64(0).i32(0).i32(0).b(false).b(true).b(false);  // PrintWidth .. IsM
  b.i32(0).str("").str("").b(false);                 // LineWidth .. PrintLines
  b.str("NoMore");
}

void codeRow(FileBytes& b, std::string_view code, int32_t fieldNo, std::string_view description,
             std::string_view type, bool doIt) {
  b.str(code).str(type).str(description).str("F").i32(fieldNo).b(doIt);
}

std::string big5(std::string_view utf8) {
  return platform::utf8ToCp950(utf8);
}

std::vector<Row> rowsOf(Database& db, FormTable t) {
  Table table(db, formTableName(t));
  table.open(OpenMode::ReadOnly);
  std::vector<Row> rows;
  for (table.first(); !table.eof(); table.next()) {
    Row row;
    for (int i = 0; i < table.fieldCount(); ++i) row.push_back(table.get(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

const Value& field(const Row& row, FormTable t, const std::string& name) {
  const int pos = formTableSchema(t).fieldIndex(name);
  if (pos < 0) throw std::logic_error("no field " + name);
  return row.at(size_t(pos));
}

const Row* findRow(const std::vector<Row>& rows, FormTable t, const std::vector<Value>& key) {
  const auto keyPos = formTableSchema(t).primaryKey();
  for (const Row& row : rows) {
    bool same = true;
    for (size_t k = 0; k < key.size(); ++k) {
      same = same && coerceToField(formTableSchema(t).fields[size_t(keyPos[k])], key[k]) ==
                         row[size_t(keyPos[k])];
    }
    if (same) return &row;
  }
  return nullptr;
}

void addRow(Database& db, FormTable t, const NamedRow& values) {
  Table table(db, formTableName(t));
  table.open();
  table.append();
  for (const auto& [name, value] : values) table.set(name, value);
  table.post();
}

size_t countRows(Database& db, FormTable t) {
  Table table(db, formTableName(t));
  table.open(OpenMode::ReadOnly);
  return size_t(table.recordCount());
}

}  // namespace kvt::forms::testing
