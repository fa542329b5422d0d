#include "tools/formfile/FormJson.h"

#include <fstream>
#include <sstream>

#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "forms/FormTables.h"
#include "platform/Cp950.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"
#include "tools/formfile/HostFiles.h"

namespace kvt::formfile {
namespace {

using forms::FormTable;

void writeValue(std::ostream& out, const FieldDef& field, const Value& v) {
  if (v.isNull()) {
    out << "null";
    return;
  }
  switch (field.type) {
    case FieldType::Alpha:
    case FieldType::Memo:
    case FieldType::FmtMemo:
      writeJsonString(out, platform::cp950ToUtf8(v.asString()));
      return;
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
      out << v.asInt();
      return;
    case FieldType::Logical:
      out << (v.asBool() ? "true" : "false");
      return;
    default:
      writeJsonDouble(out, v.asFloat());
  }
}

Value fromJson(const FieldDef& field, const Json& j, const std::string& where) {
  if (j.isNull()) return Value::null();
  const auto wrong = [&](const char* what) -> FormJsonError {
    return FormJsonError(where + ": " + field.name + " takes " + what);
  };
  switch (field.type) {
    case FieldType::Alpha:
    case FieldType::Memo:
    case FieldType::FmtMemo:
      if (j.kind() != Json::Kind::String) throw wrong("text");
      return Value(platform::utf8ToCp950(j.text()));
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
      if (auto n = j.asInteger()) return Value(*n);
      throw wrong("an integer");
    case FieldType::Logical:
      if (j.kind() != Json::Kind::Bool) throw wrong("true or false");
      return Value(j.asBool());
    default:
      if (auto d = j.asDouble()) return Value(*d);
      throw wrong("a number");
  }
}

void loadRows(const Json& rows, Database& db, FormTable t) {
  const std::string name = forms::formTableStem(t);
  if (rows.kind() != Json::Kind::Array) throw FormJsonError(name + " is not an array of rows");
  Table table(db, forms::formTableName(t));
  table.open(OpenMode::Exclusive);
  const TableSchema& schema = forms::formTableSchema(t);
  size_t n = 0;
  for (const Json& row : rows.items()) {
    const std::string where = name + " row " + std::to_string(++n);
    if (row.kind() != Json::Kind::Object) throw FormJsonError(where + " is not an object");
    table.append();
    for (const auto& [field, value] : row.members()) {
      const int pos = schema.fieldIndex(field);
      if (pos < 0) throw FormJsonError(where + ": no field " + field);
      try {
        table.set(pos, fromJson(schema.fields[size_t(pos)], value, where));
      } catch (const EngineError& e) {
        throw FormJsonError(where + ": " + e.what());
      }
    }
    try {
      table.post();
    } catch (const EngineError& e) {
      throw FormJsonError(where + ": " + e.what());
    }
  }
  table.close();
}

}  // namespace

void writeFormTablesJson(std::ostream& out, Database& db, const std::string& version) {
  out << "{\"version\": ";
  writeJsonString(out, platform::cp950ToUtf8(version));
  out << ", \"tables\": {";
  bool firstTable = true;
  for (FormTable t : forms::kFormTables) {
    out << (firstTable ? "\n" : ",\n");
    firstTable = false;
    writeJsonString(out, forms::formTableStem(t));
    out << ": [";
    Table table(db, forms::formTableName(t));
    table.open(OpenMode::ReadOnly);
    const TableSchema& schema = table.schema();
    bool firstRow = true;
    for (table.first(); !table.eof(); table.next()) {
      out << (firstRow ? "\n{" : ",\n{");
      firstRow = false;
      for (size_t i = 0; i < schema.fields.size(); ++i) {
        if (i > 0) out << ", ";
        writeJsonString(out, schema.fields[i].name);
        out << ": ";
        writeValue(out, schema.fields[i], table.get(int(i)));
      }
      out << "}";
    }
    table.close();
    out << (firstRow ? "]" : "\n]");
  }
  out << "\n}}\n";
}

std::string formTablesJson(Database& db, const std::string& version) {
  std::ostringstream out;
  writeFormTablesJson(out, db, version);
  return out.str();
}

std::string loadFormTablesJson(const Json& document, Database& db) {
  if (document.kind() != Json::Kind::Object) throw FormJsonError("the document is not an object");
  const Json* version = document.find("version");
  if (!version || version->kind() != Json::Kind::String) {
    throw FormJsonError("the document has no \"version\" text");
  }
  const Json* tables = document.find("tables");
  if (!tables || tables->kind() != Json::Kind::Object) {
    throw FormJsonError("the document has no \"tables\" object");
  }
  for (const auto& [name, rows] : tables->members()) {
    bool known = false;
    for (FormTable t : forms::kFormTables) known = known || name == forms::formTableStem(t);
    if (!known) throw FormJsonError("no form table " + name);
  }
  forms::CreateFormTables(db);
  for (FormTable t : forms::kFormTables) {
    if (const Json* rows = tables->find(forms::formTableStem(t))) loadRows(*rows, db, t);
  }
  return platform::utf8ToCp950(version->text());
}

std::string loadFormTablesJson(std::string_view text, Database& db) {
  return loadFormTablesJson(parseJson(text), db);
}

bool dumpFormFile(const std::filesystem::path& dbt, std::ostream& out, std::ostream& err) {
  HostFileSystem host;
  StreamUi ui(err);
  ScratchDirectory scratch("kvt-form-tables");
  paradox::ParadoxDatabase db(scratch.path());
  forms::CreateFormTables(db);
  if (!forms::ReadFormFile(host.fs(), ui, HostFileSystem::windowsPath(dbt), db)) {
    err << "kvt-form: " << dbt.string() << " was not read\n";
    return false;
  }
  writeFormTablesJson(out, db, forms::LoadedFormFileVersion);
  return true;
}

bool buildFormFile(const std::filesystem::path& json, const std::filesystem::path& dbt,
                   std::ostream& err) {
  std::ifstream in(json, std::ios::binary);
  if (!in) {
    err << "kvt-form: cannot open " << json.string() << "\n";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  MemoryDatabase db;
  forms::FormFileVersion = loadFormTablesJson(text.str(), db);
  HostFileSystem host;
  StreamUi ui(err);
  if (!forms::SaveFormFile(host.fs(), ui, db, HostFileSystem::windowsPath(dbt))) {
    err << "kvt-form: " << dbt.string() << " was not written\n";
    return false;
  }
  return true;
}

}  // namespace kvt::formfile
