#include "tools/tableinfo/TableReport.h"

#include <charconv>
#include <cmath>

#include "engine/paradox/FieldTypes.h"
#include "schema/Calendar.h"
#include "tools/tableinfo/CodePageText.h"

namespace kvt::tableinfo {
namespace {

std::string jsonString(std::string_view utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string base64(std::string_view data) {
  static const char* const digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  for (size_t i = 0; i < data.size(); i += 3) {
    uint32_t n = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) n |= static_cast<unsigned char>(data[i + 1]) << 8;
    if (i + 2 < data.size()) n |= static_cast<unsigned char>(data[i + 2]);
    out += digits[(n >> 18) & 63];
    out += digits[(n >> 12) & 63];
    out += i + 1 < data.size() ? digits[(n >> 6) & 63] : '=';
    out += i + 2 < data.size() ? digits[n & 63] : '=';
  }
  return out;
}

std::string numberText(double d) {
  if (!std::isfinite(d)) return "null";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

std::string valueJson(const FieldDef& field, const Value& v, int codePage) {
  // A formatted memo holds its formatting as binary data beside the text.
  if (field.type == FieldType::FmtMemo) {
    if (const auto* s = v.get<std::string>()) return jsonString(base64(*s));
  }
  struct Visit {
    int codePage;
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(int64_t i) const { return std::to_string(i); }
    std::string operator()(double d) const { return numberText(d); }
    std::string operator()(const std::string& s) const { return jsonString(toUtf8(s, codePage)); }
    std::string operator()(Date d) const { return jsonString(dateText(d)); }
    std::string operator()(Time t) const { return jsonString(timeText(t)); }
    std::string operator()(Timestamp t) const { return jsonString(timestampText(t)); }
    std::string operator()(const Decimal& d) const { return jsonString(d.text); }
    std::string operator()(const Bytes& b) const { return jsonString(base64(b.data)); }
  };
  return std::visit(Visit{codePage}, v.storage());
}

int codePageOf(const paradox::StoredTable& table) {
  return static_cast<int>(table.image.format.db.codePage);
}

}  // namespace

std::string rowJson(const TableSchema& schema, const Row& row, int codePage) {
  std::string out = "{";
  for (size_t i = 0; i < schema.fields.size() && i < row.size(); ++i) {
    if (i > 0) out += ", ";
    out += jsonString(toUtf8(schema.fields[i].name, codePage));
    out += ": ";
    out += valueJson(schema.fields[i], row[i], codePage);
  }
  return out + "}";
}

void writeStructure(std::ostream& out, const paradox::StoredTable& table) {
  const auto& h = table.image.format.db;
  const auto& schema = table.image.schema;
  const int codePage = codePageOf(table);
  const int level = paradox::tableLevel(h);
  out << "Table: " << toUtf8(table.files.db.filename().string(), codePage) << "\n";
  out << "Level: " << (level == 35 ? std::string("3.5") : std::to_string(level)) << "\n";
  out << "Code page: " << codePage << "\n";
  out << "Sort order: " << (h.sortOrderName.empty() ? "-" : h.sortOrderName) << "\n";
  out << "Block size: " << h.blockSize() << "\n";
  out << "Records: " << table.image.rows.size() << "\n";
  out << "Fields:\n";
  for (size_t i = 0; i < schema.fields.size(); ++i) {
    const auto& f = schema.fields[i];
    out << "  " << (i + 1) << "  " << toUtf8(f.name, codePage) << "  " << paradox::letterOf(f.type);
    if (f.size != 0 || f.type == FieldType::Bcd || paradox::isBlob(f.type)) out << "  " << f.size;
    out << "\n";
  }
  out << "Key fields:";
  for (const auto& index : schema.indexes) {
    if (!index.primary) continue;
    for (const auto& name : index.fields) out << " " << toUtf8(name, codePage);
  }
  out << "\n";
  for (const auto& index : schema.indexes) {
    if (index.primary) continue;
    out << "Secondary index: " << toUtf8(index.name, codePage) << " (";
    for (size_t i = 0; i < index.fields.size(); ++i) {
      out << (i ? ", " : "") << toUtf8(index.fields[i], codePage);
    }
    out << ")\n";
  }
}

void writeRows(std::ostream& out, const paradox::StoredTable& table) {
  const int codePage = codePageOf(table);
  for (const Row& row : table.image.rows) out << rowJson(table.image.schema, row, codePage) << "\n";
}

}  // namespace kvt::tableinfo
