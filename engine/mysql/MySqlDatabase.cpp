#include "engine/mysql/MySqlDatabase.h"

#include <algorithm>
#include <cctype>

#include "engine/mysql/MySqlRowStore.h"
#include "engine/mysql/MySqlStatement.h"
#include "engine/mysql/SqlText.h"

namespace kvt::mysql {
namespace {

std::string upperAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Statements that change what tables there are or how they look.
bool changesStructure(const std::string& sql) {
  size_t i = 0;
  while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  const std::string word = upperAscii(sql.substr(i, 8));
  for (const char* verb : {"ALTER", "CREATE", "DROP", "RENAME", "TRUNCATE"}) {
    if (word.rfind(verb, 0) == 0) return true;
  }
  return false;
}

std::string columnType(const FieldDef& f) {
  const std::string size = std::to_string(f.size > 0 ? f.size : 1);
  switch (f.type) {
    case FieldType::Alpha:
      return "varchar(" + size + ")";
    case FieldType::Date:
      return "date";
    case FieldType::Short:
      return "smallint";
    case FieldType::Long:
      return "int";
    case FieldType::AutoInc:
      return "int NOT NULL auto_increment";
    case FieldType::Money:
    case FieldType::Number:
      return "double";
    case FieldType::Logical:
      return "tinyint(1)";
    case FieldType::Memo:
    case FieldType::FmtMemo:
      return "text";
    case FieldType::Blob:
    case FieldType::Ole:
    case FieldType::Graphic:
      return "mediumblob";
    case FieldType::Time:
      return "time";
    case FieldType::Timestamp:
      return "datetime";
    case FieldType::Bcd:
      return "decimal(32," + std::to_string(std::clamp(f.size, 0, 30)) + ")";
    case FieldType::Bytes:
      return "varbinary(" + size + ")";
  }
  return "text";
}

std::string columnList(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) {
    if (!out.empty()) out += ", ";
    out += quoteIdentifier(n);
  }
  return out;
}

}  // namespace

MySqlDatabase::MySqlDatabase(std::shared_ptr<MySqlConnection> conn, std::string name)
    : conn_(std::move(conn)), name_(std::move(name)) {}

MySqlDatabase::~MySqlDatabase() = default;

std::unique_ptr<MySqlDatabase> MySqlDatabase::connect(const MySqlConnectionParams& params,
                                                      std::string name) {
  return std::unique_ptr<MySqlDatabase>(
      new MySqlDatabase(MySqlConnection::open(params), std::move(name)));
}

bool MySqlDatabase::tableExists(const std::string& table) {
  const std::string name = serverTableName(table);
  if (name.empty()) return false;
  try {
    conn_->execute("SELECT * FROM " + quoteIdentifier(name) + " LIMIT 0");
    return true;
  } catch (const EngineError& e) {
    if (e.kind() == ErrorKind::MissingTable) return false;
    throw;
  }
}

const TableInfo& MySqlDatabase::tableInfo(const std::string& table) {
  auto it = schemas_.find(table);
  if (it == schemas_.end()) it = schemas_.emplace(table, readTableInfo(*conn_, table)).first;
  return it->second;
}

TableSchema MySqlDatabase::tableSchema(const std::string& table) {
  const std::string name = serverTableName(table);
  if (auto it = open_.find(name); it != open_.end()) {
    if (it->second.exclusive) {
      throw EngineError(ErrorKind::Locked, "MySQL: table " + name + " is in exclusive use");
    }
    return it->second.store->schema();
  }
  // Asked afresh: the columns may have changed since the engine last looked.
  return readTableInfo(*conn_, name).schema;
}

std::shared_ptr<RowStore> MySqlDatabase::openTable(const std::string& table, OpenMode mode) {
  const std::string name = serverTableName(table);
  auto it = open_.find(name);
  if (it != open_.end()) {
    if (it->second.exclusive || mode == OpenMode::Exclusive) {
      throw EngineError(ErrorKind::Locked, "MySQL: table " + name + " is in exclusive use");
    }
    ++it->second.handles;
    return it->second.store;
  }
  std::shared_ptr<MySqlRowStore> store;
  const bool cached = schemas_.count(name) != 0;
  try {
    store = std::make_shared<MySqlRowStore>(conn_, name, tableInfo(name));
  } catch (const EngineError& e) {
    // Columns added or dropped behind the engine's back no longer fit the cached ones:
    // read them again rather than fail.
    if (e.kind() != ErrorKind::State || !cached) throw;
    schemas_.erase(name);
    store = std::make_shared<MySqlRowStore>(conn_, name, tableInfo(name));
  }
  open_[name] = OpenTable{store, 1, mode == OpenMode::Exclusive};
  return store;
}

void MySqlDatabase::closeTable(const std::shared_ptr<RowStore>& store, OpenMode) {
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    if (it->second.store != store) continue;
    // The last handle out lets the rows go; the next open reads them from the server again.
    if (--it->second.handles <= 0) open_.erase(it);
    return;
  }
}

void MySqlDatabase::requireClosed(const std::string& table, const char* action) const {
  if (open_.count(table)) {
    throw EngineError(ErrorKind::Locked, std::string("MySQL: cannot ") + action + " table " +
                                             table + " while it is open");
  }
}

void MySqlDatabase::createTable(const std::string& table, const TableSchema& schema) {
  const std::string name = serverTableName(table);
  std::string sql = "CREATE TABLE " + quoteIdentifier(name) + " (";
  bool first = true;
  for (const FieldDef& f : schema.fields) {
    if (!first) sql += ", ";
    first = false;
    sql += quoteIdentifier(f.name) + " " + columnType(f);
  }
  for (const IndexDef& index : schema.indexes) {
    if (index.fields.empty()) continue;
    if (index.primary) {
      sql += ", PRIMARY KEY (" + columnList(index.fields) + ")";
    } else {
      sql += std::string(", ") + (index.unique ? "UNIQUE " : "") + "INDEX " +
             quoteIdentifier(index.name) + " (" + columnList(index.fields) + ")";
    }
  }
  sql += ")";
  forgetSchemas();
  conn_->execute(sql);
}

void MySqlDatabase::deleteTable(const std::string& table) {
  const std::string name = serverTableName(table);
  requireClosed(name, "delete");
  forgetSchemas();
  conn_->execute("DROP TABLE " + quoteIdentifier(name));
}

void MySqlDatabase::emptyTable(const std::string& table) {
  const std::string name = serverTableName(table);
  auto it = open_.find(name);
  if (it != open_.end()) {
    // Handles that have the table open see it empty at once.
    it->second.store->clear();
    return;
  }
  conn_->execute("DELETE FROM " + quoteIdentifier(name));
}

void MySqlDatabase::renameTable(const std::string& from, const std::string& to) {
  const std::string source = serverTableName(from);
  requireClosed(source, "rename");
  forgetSchemas();
  conn_->execute("RENAME TABLE " + quoteIdentifier(source) + " TO " +
                 quoteIdentifier(serverTableName(to)));
}

void MySqlDatabase::execSql(const std::string& sql, const SqlParams& params) {
  lastCuts_ = 0;
  run(sql, params, nullptr);
  // Each count is a question to the server: asked once.
  const unsigned warnings = conn_->warningCount();
  if (warnings == 0) return;
  // Level, Code, Message. 1264: out of range, 1265: data truncated, 1406: data too long.
  const auto listed = conn_->query("SHOW WARNINGS");
  for (const auto& row : listed) {
    if (row.size() < 2 || !row[1]) continue;
    const std::string& code = *row[1];
    if (code == "1264" || code == "1265" || code == "1406") ++lastCuts_;
  }
  // The list stops at max_error_count; when all it shows are cuts, so are the rest.
  if (lastCuts_ == listed.size() && listed.size() < warnings) lastCuts_ = warnings;
}

int64_t MySqlDatabase::selectCount(const std::string& sql, const SqlParams& params) {
  int64_t count = 0;
  run(sql, params, &count);
  return count;
}

void MySqlDatabase::flushSchema(const std::string& table) {
  schemas_.erase(serverTableName(table));
}

void MySqlDatabase::forgetSchemas() {
  schemas_.clear();
}

void MySqlDatabase::run(const std::string& sql, const SqlParams& params, int64_t* count) {
  if (changesStructure(sql)) forgetSchemas();
  try {
    runOnce(sql, params, count);
  } catch (const EngineError& e) {
    if (!isTypeOptionSyntaxError(conn_->lastErrorCode(), e.what())) throw;
    std::optional<std::string> respelled = engineOptionSpelling(sql);
    if (!respelled) throw;
    runOnce(*respelled, params, count);
  }
}

void MySqlDatabase::runOnce(const std::string& sql, const SqlParams& params, int64_t* count) {
  if (params.empty()) {
    // Nothing to bind: the text goes to the server exactly as written.
    if (count) {
      *count = static_cast<int64_t>(conn_->countRows(sql));
    } else {
      conn_->execute(sql);
    }
    return;
  }
  PlaceholderText text = replaceNamedParameters(sql);
  std::vector<Value> values;
  for (const std::string& name : text.names) {
    auto it = params.find(name);
    if (it == params.end()) {
      throw EngineError(ErrorKind::State, "MySQL: no value for the parameter :" + name);
    }
    values.emplace_back(it->second);
  }
  MySqlStatement stmt(conn_, text.sql);
  stmt.execute(values);
  if (count) {
    *count = static_cast<int64_t>(stmt.countRows());
  } else {
    stmt.countRows();  // drops any rows the statement yields
  }
}

}  // namespace kvt::mysql
