#include "schema/upgrade/TableOperations.h"

#include <chrono>
#include <exception>
#include <optional>

#include "platform/LocalDate.h"
#include "schema/EngineError.h"
#include "schema/FieldCoercion.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {

void ClearReadOnlyFlags(RunContext& ctx) {
  if (IsMySql(ctx) || ctx.DatabaseDir.empty()) return;
  auto entries = ctx.fs.list(ctx.DatabaseDir + "*.*");
  if (!entries) return;
  for (const auto& entry : *entries) {
    if (entry.isDirectory || !entry.readOnly) continue;
    ctx.fs.clearAttributes(ctx.DatabaseDir + entry.name);
  }
}

FieldSize GetFieldSize(RunContext& ctx, const std::string& table, const std::string& column,
                       bool report) {
  FieldSize result;
  // The table's description is enough: its rows are not read.
  TableSchema schema;
  try {
    schema = PackageDatabase(ctx).tableSchema(table);
  } catch (const EngineError&) {
    result.missing = true;
    result.tableMissing = true;
    ctx.AppendLog("找不到目的資料表 " + table + "。");
    return result;
  }
  const int pos = schema.fieldIndex(column);
  if (pos < 0) {
    result.missing = true;
    if (report) ctx.AppendLog("找不到目的資料表 " + table + " 的 " + column + " 欄位。");
    return result;
  }
  result.size = schema.fields[size_t(pos)].size;
  return result;
}

bool CheckFieldSize(RunContext& ctx, const std::string& table, const std::string& column,
                    int size) {
  const std::string label = TableLabel(table);
  bool nothingToDo = true;
  if (!PackageDatabase(ctx).tableExists(table)) {
    ctx.AppendLog(label + " 不存在 !");
  } else {
    std::optional<TableSchema> schema;
    try {
      schema = PackageDatabase(ctx).tableSchema(table);
    } catch (const EngineError&) {
      // said below, as a table that cannot be opened
    }
    const int pos = schema ? schema->fieldIndex(column) : -1;
    if (pos < 0) {
      ctx.AppendLog(label + " 無法開啟 !");
    } else {
      nothingToDo = schema->fields[size_t(pos)].size == size;
    }
  }
  if (nothingToDo && !Quiet(ctx)) ctx.AppendLog(label + " 已是新的。");
  return nothingToDo;
}

bool TableExists(RunContext& ctx, const std::string& table) {
  const bool exists = PackageDatabase(ctx).tableExists(table);
  if (exists && !Quiet(ctx)) ctx.AppendLog(TableLabel(table) + " 已存在。");
  return exists;
}

void CutValues::add(const std::string& column, std::size_t count) {
  for (auto& [name, n] : byColumn) {
    if (name == column) {
      n += count;
      return;
    }
  }
  byColumn.emplace_back(column, count);
}

std::size_t CutValues::total() const {
  std::size_t n = 0;
  for (const auto& entry : byColumn) n += entry.second;
  return n;
}

void LogCutValues(RunContext& ctx, const std::string& table, const CutValues& cut,
                  const std::string& keptIn) {
  for (const auto& [column, n] : cut.byColumn) {
    ctx.AppendLog("資料表 " + table + " 的 " + column + " 欄位有 " + std::to_string(n) +
                  " 筆資料被截短，原來的資料保留在 " + keptIn + "。");
  }
}

std::string DatedTableName(Database& db, const std::string& table) {
  const std::string base = table + platform::formatEraYymmdd(std::chrono::system_clock::now());
  std::string candidate = base;
  for (int n = 2; db.tableExists(candidate); ++n) candidate = base + "_" + std::to_string(n);
  return candidate;
}

namespace {

// Hands each column of the source row that the target has to `assign` with the target's
// field position, as the value to store. A column `assign` cannot take is left out.
template <typename Assign>
void ForEachCopiedField(RunContext& ctx, const TableSchema& sourceSchema,
                        const std::vector<int>& positions, const Row& row, const Table& target,
                        CutValues* cut, Assign assign) {
  const bool toMySql = IsMySql(ctx);
  for (std::size_t i = 0; i < sourceSchema.fields.size() && i < row.size(); ++i) {
    const int pos = i < positions.size() ? positions[i] : -1;
    if (pos < 0) continue;  // a column the target lacks
    const FieldDef& field = sourceSchema.fields[i];
    try {
      Value value = row[i];
      if (toMySql && field.type == FieldType::Logical) value = Value(value.asBool() ? "T" : "F");
      if (cut && !fitsField(target.fieldDef(pos), value)) cut->add(field.name);
      assign(pos, std::move(value));
    } catch (const EngineError&) {
      // A column the target cannot take is left out of this row.
    }
  }
}

}  // namespace

std::vector<int> CopiedFieldPositions(const TableSchema& sourceSchema, const Table& target) {
  std::vector<int> positions(sourceSchema.fields.size(), -1);
  try {
    const TableSchema& schema = target.schema();
    for (std::size_t i = 0; i < positions.size(); ++i) {
      positions[i] = schema.fieldIndex(sourceSchema.fields[i].name);
    }
  } catch (const EngineError&) {
    // A target that is not open takes no column.
  }
  return positions;
}

void CopyRowFields(RunContext& ctx, const TableSchema& sourceSchema, const Row& row, Table& target,
                   CutValues* cut) {
  ForEachCopiedField(ctx, sourceSchema, CopiedFieldPositions(sourceSchema, target), row, target,
                     cut, [&](int pos, Value v) { target.set(pos, std::move(v)); });
}

Row NewRowFields(RunContext& ctx, const TableSchema& sourceSchema, const Row& row,
                 const Table& target, CutValues* cut) {
  return NewRowFields(ctx, sourceSchema, CopiedFieldPositions(sourceSchema, target), row, target,
                      cut);
}

Row NewRowFields(RunContext& ctx, const TableSchema& sourceSchema,
                 const std::vector<int>& positions, const Row& row, const Table& target,
                 CutValues* cut) {
  return ChangedRowFields(ctx, sourceSchema, positions, row, target,
                          Row(static_cast<std::size_t>(target.fieldCount()), Value::null()), cut);
}

Row ChangedRowFields(RunContext& ctx, const TableSchema& sourceSchema,
                     const std::vector<int>& positions, const Row& row, const Table& target,
                     Row held, CutValues* cut) {
  ForEachCopiedField(ctx, sourceSchema, positions, row, target, cut, [&](int pos, Value v) {
    held[static_cast<std::size_t>(pos)] = coerceToField(target.fieldDef(pos), std::move(v));
  });
  return held;
}

Row RecordValues(const Table& table) {
  Row row;
  row.reserve(static_cast<std::size_t>(table.fieldCount()));
  for (int i = 0; i < table.fieldCount(); ++i) row.push_back(table.get(i));
  return row;
}

void CopyRecordFields(RunContext& ctx, const Table& source, Table& target, CutValues* cut) {
  CopyRowFields(ctx, source.schema(), RecordValues(source), target, cut);
}

std::size_t CopyAllRows(RunContext& ctx, Table& source, Table& target, CutValues* cut) {
  // Rows go to the target in batches, so a large table is never held twice over. The source's
  // rows are handed over as its database reads them: a Paradox table that is not open is
  // walked from its files and never held whole.
  constexpr std::size_t kBatch = 50000;
  target.open(OpenMode::ReadWrite);
  Database& db = source.database();
  const TableSchema schema = source.isOpen() ? source.schema() : db.tableSchema(source.tableName());
  const std::vector<int> positions = CopiedFieldPositions(schema, target);
  std::size_t refused = 0;
  std::vector<Row> rows;
  db.readRows(source.tableName(), [&](const Row& row) {
    rows.push_back(NewRowFields(ctx, schema, positions, row, target, cut));
    if (rows.size() == kBatch) refused += target.addRows(std::exchange(rows, {}));
  });
  refused += target.addRows(std::move(rows));
  if (source.isOpen()) source.close();
  return refused;
}

namespace {

// "Char(8)" -> 8; 0 for any other type text.
int CharWidth(const std::string& type) {
  const std::string upper = UpperAscii(type);
  if (upper.rfind("CHAR(", 0) != 0 || upper.back() != ')') return 0;
  try {
    return std::stoi(upper.substr(5, upper.size() - 6));
  } catch (const std::exception&) {
    return 0;
  }
}

// Paradox has no ALTER TABLE here: the engine adds the column at the end of the table,
// keeping its rows, indexes, language and validity checks. A table it cannot change stays as
// it was, and the log says so.
void AddParadoxColumn(RunContext& ctx, const std::string& table, const std::string& column,
                      const std::string& type) {
  const int width = CharWidth(type);
  Database& db = PackageDatabase(ctx);
  if (width <= 0 || !db.tableExists(table)) return;
  try {
    Table t(db, table);
    t.open(OpenMode::ReadOnly);
    if (t.hasField(column)) return;
  } catch (const EngineError&) {
    return;
  }
  try {
    db.appendField(table, FieldDef{column, FieldType::Alpha, width});
  } catch (const EngineError&) {
    ctx.AppendLog(TableLabel(table) + " 無法加入 " + column + " 欄位，沒有更新。");
  }
}

}  // namespace

void AddColumnBySql(RunContext& ctx, const std::string& table, const std::string& column,
                    const std::string& type) {
  if (!IsMySql(ctx)) {
    AddParadoxColumn(ctx, table, column, type);
    return;
  }
  ExecGuarded(ctx, "Alter Table " + table + " Add " + column + " " + type);
  PackageDatabase(ctx).flushSchema(table);
}

}  // namespace kvt::upgrade
