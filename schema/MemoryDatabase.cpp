#include "schema/MemoryDatabase.h"

#include "schema/EngineError.h"
#include "schema/LocalSql.h"

namespace kvt {
namespace {

std::string upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// Tables are named with or without their extension, in any letter case.
std::string lookupKey(const std::string& table) {
  std::string key = upper(table);
  if (key.size() > 3 && key.ends_with(".DB")) key.resize(key.size() - 3);
  return key;
}

}  // namespace

bool MemoryDatabase::tableExists(const std::string& table) {
  return findEntry(table) != nullptr;
}

std::shared_ptr<RowStore> MemoryDatabase::openTable(const std::string& table, OpenMode mode) {
  Entry& e = entry(table);
  if (e.exclusive) {
    throw EngineError(ErrorKind::Locked, "Table " + table + " is in exclusive use");
  }
  if (mode == OpenMode::Exclusive && e.handles > 0) {
    throw EngineError(ErrorKind::Locked,
                      "Table " + table + " is in use and cannot be opened exclusively");
  }
  ++e.handles;
  e.exclusive = mode == OpenMode::Exclusive;
  return e.store;
}

void MemoryDatabase::closeTable(const std::shared_ptr<RowStore>& store, OpenMode mode) {
  for (auto& [key, e] : tables_) {
    if (e.store != store) continue;
    if (e.handles > 0) --e.handles;
    if (mode == OpenMode::Exclusive) e.exclusive = false;
    return;
  }
}

void MemoryDatabase::createTable(const std::string& table, const TableSchema& schema) {
  const std::string key = lookupKey(table);
  if (tables_.count(key)) {
    throw EngineError(ErrorKind::State, "Table " + table + " already exists");
  }
  std::string shown = table;
  if (upper(shown).ends_with(".DB")) shown.resize(shown.size() - 3);
  tables_[key].store = std::make_shared<KeyedRowStore>(shown, schema);
}

void MemoryDatabase::deleteTable(const std::string& table) {
  Entry& e = entry(table);
  requireClosed(table, e, "delete");
  tables_.erase(lookupKey(table));
}

void MemoryDatabase::emptyTable(const std::string& table) {
  Entry& e = entry(table);
  requireClosed(table, e, "empty");
  e.store->clear();
}

void MemoryDatabase::renameTable(const std::string& from, const std::string& to) {
  Entry& e = entry(from);
  requireClosed(from, e, "rename");
  const std::string fromKey = lookupKey(from), toKey = lookupKey(to);
  if (fromKey != toKey && tables_.count(toKey)) {
    throw EngineError(ErrorKind::State, "Table " + to + " already exists");
  }
  std::string shown = to;
  if (upper(shown).ends_with(".DB")) shown.resize(shown.size() - 3);
  Entry moved = std::move(e);
  moved.store->setTableName(shown);
  tables_.erase(fromKey);
  tables_[toKey] = std::move(moved);
}

void MemoryDatabase::execSql(const std::string& sql, const SqlParams& params) {
  runLocalSql(*this, sql, params);
}

int64_t MemoryDatabase::selectCount(const std::string& sql, const SqlParams& params) {
  return countLocalSql(*this, sql, params);
}

std::vector<std::string> MemoryDatabase::tableNames() const {
  std::vector<std::string> names;
  for (const auto& [key, e] : tables_) names.push_back(e.store->tableName());
  return names;
}

int MemoryDatabase::openHandles(const std::string& table) const {
  const Entry* e = findEntry(table);
  return e ? e->handles : 0;
}

MemoryDatabase::Entry& MemoryDatabase::entry(const std::string& table) {
  auto it = tables_.find(lookupKey(table));
  if (it == tables_.end()) {
    throw EngineError(ErrorKind::MissingTable, "Table " + table + " does not exist");
  }
  return it->second;
}

const MemoryDatabase::Entry* MemoryDatabase::findEntry(const std::string& table) const {
  auto it = tables_.find(lookupKey(table));
  return it == tables_.end() ? nullptr : &it->second;
}

void MemoryDatabase::requireClosed(const std::string& table, const Entry& e,
                                   const char* action) const {
  if (e.handles > 0) {
    throw EngineError(ErrorKind::Locked,
                      std::string("Cannot ") + action + " table " + table + ": it is open");
  }
}

}  // namespace kvt
