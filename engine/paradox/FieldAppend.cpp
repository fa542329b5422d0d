#include "engine/paradox/FieldAppend.h"

#include <algorithm>

#include "engine/paradox/DataBlocks.h"
#include "engine/paradox/Endian.h"
#include "engine/paradox/FieldTypes.h"
#include "engine/paradox/TableStorage.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace fs = std::filesystem;
namespace {

constexpr size_t kValPathRoom = 0x4F;    // the table's path in the field list
constexpr size_t kValListAt = 0x09;      // header: where the field list starts (4 bytes)
constexpr size_t kValFieldsPlusOne = 7;  // header: the field count plus one (1 byte)

void putU16(std::string& bytes, size_t at, uint16_t v) {
  putLe(bytes, at, 2, v);
}

}  // namespace

std::optional<std::string> validityWithAppendedField(std::string_view val,
                                                     const std::vector<std::string>& fieldNames,
                                                     FieldDescriptor added,
                                                     const std::string& name) {
  const size_t n = fieldNames.size();
  if (val.size() < kValListAt + 4 || n == 0 || n > 254) return std::nullopt;
  const size_t list = getU32(val, kValListAt);
  std::string names;
  for (const auto& f : fieldNames) names += f + '\0';
  // count, key count, names length, numbers, descriptors, path, names: to the end of the file
  const size_t numbersAt = list + 6, descriptorsAt = numbersAt + 2 * n;
  const size_t pathAt = descriptorsAt + 2 * n, namesAt = pathAt + kValPathRoom;
  if (list >= val.size() || namesAt + names.size() != val.size()) return std::nullopt;
  if (getU16(val, list) != n || getU16(val, list + 4) != kValPathRoom + names.size() ||
      static_cast<uint8_t>(val[kValFieldsPlusOne]) != n + 1 || val.substr(namesAt) != names) {
    return std::nullopt;
  }
  for (size_t i = 0; i < n; ++i) {
    if (getU16(val, numbersAt + 2 * i) != i + 1) return std::nullopt;
  }
  std::string out(val.substr(0, descriptorsAt));
  out.resize(out.size() + 2);
  putU16(out, descriptorsAt, static_cast<uint16_t>(n + 1));
  out.append(val.substr(descriptorsAt, 2 * n));
  out.push_back(static_cast<char>(added.code));
  out.push_back(static_cast<char>(added.size));
  out.append(val.substr(pathAt, kValPathRoom));
  out.append(names).append(name).push_back('\0');
  putU16(out, list, static_cast<uint16_t>(n + 1));
  putU16(out, list + 4, static_cast<uint16_t>(kValPathRoom + names.size() + name.size() + 1));
  out[kValFieldsPlusOne] = static_cast<char>(n + 2);
  return out;
}

void appendField(FileOps& ops, const fs::path& dir, const std::string& tableName,
                 const FieldDef& field) {
  StoredTable t = loadTable(ops, dir, tableName);
  TableSchema& schema = t.image.schema;
  if (schema.fieldIndex(field.name) >= 0) {
    throw EngineError(ErrorKind::State, "table " + tableName + " has a field " + field.name);
  }
  if (field.name.empty() || field.name.size() > 25) {
    throw EngineError(ErrorKind::Unsupported,
                      "field name \"" + field.name + "\" is not 1 to 25 bytes");
  }
  FileHeader& h = t.image.format.db;
  if (h.fields.size() >= 255) throw EngineError(ErrorKind::Unsupported, "a table holds 255 fields");
  const std::vector<std::string> oldNames = h.fieldNames;
  const int size = descriptorSizeFor(field);
  const FieldDescriptor descriptor{codeOf(field.type), static_cast<uint8_t>(size)};
  h.fields.push_back(descriptor);
  h.fieldNames.push_back(field.name);
  if (!h.fieldNumbers.empty()) {
    h.fieldNumbers.push_back(
        static_cast<uint16_t>(*std::max_element(h.fieldNumbers.begin(), h.fieldNumbers.end()) + 1));
  }
  h.recordSize += static_cast<uint32_t>(recordWidth(field.type, size));
  if (h.recordSize + kBlockHeadSize > h.blockSize() ||
      h.fileVersion < minimumVersionFor(field.type)) {
    throw EngineError(ErrorKind::Unsupported,
                      "table " + tableName + " cannot take the field " + field.name);
  }
  // The variable part of the header is laid out anew; its fixed places are all known.
  h.raw.clear();
  layOutHeader(h);
  schema.fields.push_back(field);
  for (Row& row : t.image.rows) row.push_back(Value::null());

  std::vector<NewFile> extra;
  for (const auto& p : t.files.all) {
    if (upperAscii(p.extension().string()) != ".VAL") continue;
    std::string bytes, error;
    if (!ops.readFile(p, bytes, error)) {
      throw EngineError(ErrorKind::Io, "cannot read " + p.string() + ": " + error);
    }
    auto updated = validityWithAppendedField(bytes, oldNames, descriptor, field.name);
    if (!updated) {
      throw EngineError(ErrorKind::Unsupported,
                        p.filename().string() + ": validity checks of an unknown layout");
    }
    extra.push_back({p, std::move(*updated)});
  }
  const auto& rows = t.image.rows;
  saveTable(
      ops, dir, t.files.db.stem().string(), &t.files, t.image.format, schema, rows.size(),
      [&](size_t r) -> const Row& { return rows[r]; }, extra);
}

}  // namespace kvt::paradox
