#include "engine/paradox/ParadoxDatabase.h"

#include <utility>

#include "engine/paradox/FieldAppend.h"
#include "engine/paradox/FileSetCommit.h"
#include "engine/paradox/NumberingRowStore.h"
#include "engine/paradox/TableRename.h"
#include "engine/paradox/TableStorage.h"
#include "engine/paradox/TableUse.h"
#include "schema/EngineError.h"
#include "schema/KeyedRowStore.h"
#include "schema/LocalSql.h"

namespace kvt::paradox {
namespace fs = std::filesystem;

namespace {

std::string keyOf(const std::string& table) {
  return upperAscii(tableStem(table));
}

}  // namespace

ParadoxDatabase::ParadoxDatabase(fs::path directory, std::string name)
    : ParadoxDatabase(std::move(directory), std::move(name), defaultFileOps()) {}

ParadoxDatabase::ParadoxDatabase(fs::path directory, std::string name, FileOps& ops)
    : dir_(std::move(directory)), name_(std::move(name)), ops_(&ops) {
  for (auto& done : recoverRenames(*ops_, dir_)) {
    finishedRenames_.emplace_back(std::move(done.from), std::move(done.to));
  }
}

std::vector<std::pair<std::string, std::string>> ParadoxDatabase::takeFinishedRenames() {
  return std::exchange(finishedRenames_, {});
}

ParadoxDatabase::ParadoxDatabase(fs::path directory, std::string name, Sharing sharing)
    : ParadoxDatabase(std::move(directory), std::move(name),
                      sharing == Sharing::Private ? scratchFileOps() : defaultFileOps()) {
  sharing_ = sharing;
}

ParadoxDatabase::~ParadoxDatabase() {
  for (auto& [key, t] : open_) {
    if (t.discard) continue;
    try {
      writeBack(t);
    } catch (...) {
      // The old files stand; a destructor cannot report more.
    }
  }
}

std::string ParadoxDatabase::name() const {
  return name_.empty() ? dir_.string() : name_;
}

std::string ParadoxDatabase::describe(const std::string& table) const {
  return table + " (" + name() + ")";
}

bool ParadoxDatabase::tableExists(const std::string& table) {
  if (open_.count(keyOf(table))) return true;
  try {
    // A write cut short by a crash may have the .DB aside under another name.
    recoverFileSet(*ops_, dir_, tableStem(table));
  } catch (const EngineError&) {
    // Answered from the files as they are; opening the table reports the trouble.
  }
  return findTableFiles(dir_, table).has_value();
}

std::shared_ptr<RowStore> ParadoxDatabase::openTable(const std::string& table, OpenMode mode) {
  const std::string key = keyOf(table);
  if (key.empty()) throw EngineError(ErrorKind::MissingTable, "no table name given");
  auto it = open_.find(key);
  if (it != open_.end()) {
    OpenTable& t = it->second;
    if (t.exclusive) {
      throw EngineError(ErrorKind::Locked, "table " + describe(table) + " is opened exclusively");
    }
    if (mode == OpenMode::Exclusive) {
      throw EngineError(ErrorKind::Locked,
                        "table " + describe(table) + " is in use and cannot be opened exclusively");
    }
    ++t.handles;
    return t.store;
  }
  // The headers first, for the store's schema; then the rows, packed as they are read.
  StoredTable stored = describeStoredTable(*ops_, dir_, table, true, true);
  OpenTable t;
  t.stem = stored.files.db.stem().string();
  t.store = takeKept(key, stored);
  if (!t.store) {
    t.store = std::make_shared<NumberingRowStore>(
        t.stem, withCreatedIndexes(key, stored.image.schema),
        [&](const std::function<void(const Row&)>& add) { walkStoredRows(*ops_, stored, add); },
        stored.image.format.db.autoIncrement);
  }
  t.format = std::move(stored.image.format);
  t.files = std::move(stored.files);
  t.handles = 1;
  t.exclusive = mode == OpenMode::Exclusive;
  std::shared_ptr<RowStore> store = t.store;
  open_.emplace(key, std::move(t));
  return store;
}

TableSchema ParadoxDatabase::withCreatedIndexes(const std::string& key, TableSchema schema) const {
  if (auto created = createdIndexes_.find(key); created != createdIndexes_.end()) {
    for (const auto& index : created->second) schema.indexes.push_back(index);
  }
  return schema;
}

TableSchema ParadoxDatabase::tableSchema(const std::string& table) {
  const std::string key = keyOf(table);
  if (key.empty()) throw EngineError(ErrorKind::MissingTable, "no table name given");
  if (auto it = open_.find(key); it != open_.end()) {
    if (it->second.exclusive) {
      throw EngineError(ErrorKind::Locked, "table " + describe(table) + " is opened exclusively");
    }
    return it->second.store->schema();
  }
  return withCreatedIndexes(key, describeStoredTable(*ops_, dir_, table).image.schema);
}

void ParadoxDatabase::discardOnClose(const std::string& table) {
  if (auto it = open_.find(keyOf(table)); it != open_.end()) it->second.discard = true;
}

void ParadoxDatabase::readRows(const std::string& table,
                               const std::function<void(const Row&)>& sink) {
  const std::string key = keyOf(table);
  if (key.empty()) throw EngineError(ErrorKind::MissingTable, "no table name given");
  if (auto it = open_.find(key); it != open_.end()) {
    if (it->second.exclusive) {
      throw EngineError(ErrorKind::Locked, "table " + describe(table) + " is opened exclusively");
    }
    // The sink may open and close other tables, so the rows are held through their own
    // pointer rather than through the map.
    const std::shared_ptr<KeyedRowStore> store = it->second.store;
    Row scratch;  // packed rows are handed over one at a time, their chunks left packed
    for (size_t i = 0; i < store->size(); ++i) sink(store->rowInto(i, scratch));
    return;
  }
  loadTable(*ops_, dir_, table, true, sink);
}

void ParadoxDatabase::closeTable(const std::shared_ptr<RowStore>& store, OpenMode mode) {
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    OpenTable& t = it->second;
    if (t.store != store) continue;
    if (mode == OpenMode::Exclusive) t.exclusive = false;
    if (--t.handles > 0) return;
    // The table leaves memory whether or not the write succeeds; a failed write leaves
    // the old files as they were.
    OpenTable last = std::move(t);
    const std::string key = it->first;
    open_.erase(it);
    if (last.discard) return;
    writeBack(last);
    if (sharing_ == Sharing::Private) {
      kept_[key] = {last.store, stampOf(describeStoredTable(*ops_, dir_, last.stem, false))};
    }
    return;
  }
  throw EngineError(ErrorKind::State, "closing a table that is not open");
}

void ParadoxDatabase::writeBack(OpenTable& t) {
  if (!t.store->dirty()) return;
  const KeyedRowStore& rows = *t.store;
  const auto hold = holdFiles(t.stem, describe(t.stem));
  // Rows the store keeps packed are unpacked one at a time, not the whole table at once, and
  // for the passes over the keys only as far as those.
  Row scratch;
  Row prefix;
  saveTable(
      *ops_, dir_, t.stem, t.files ? &*t.files : nullptr, t.format, rows.schema(), rows.size(),
      [&](size_t r) -> const Row& { return rows.rowInto(r, scratch); }, {},
      [&](size_t r, size_t fields) -> const Row& { return rows.prefixInto(r, prefix, fields); });
  t.store->markClean();
}

ParadoxDatabase::FilesStamp ParadoxDatabase::stampOf(const StoredTable& stored) {
  FilesStamp stamp;
  for (const fs::path& p : stored.files.all) {
    std::error_code size, time;
    stamp.files.emplace_back(p.filename().string(), fs::file_size(p, size),
                             fs::last_write_time(p, time));
    if (size || time) return {};  // never equal to a stamp taken
  }
  const FileHeader& h = stored.image.format.db;
  stamp.counts = {h.changeCount1, h.changeCount2, h.recordCount, h.autoIncrement};
  return stamp;
}

std::shared_ptr<KeyedRowStore> ParadoxDatabase::takeKept(const std::string& key,
                                                         const StoredTable& stored) {
  auto it = kept_.find(key);
  if (it == kept_.end()) return nullptr;
  KeptTable kept = std::move(it->second);
  kept_.erase(it);
  const FilesStamp now = stampOf(stored);
  if (now.files.empty() || !(now == kept.stamp)) return nullptr;
  return kept.store;
}

std::unique_ptr<platform::FileHold> ParadoxDatabase::holdFiles(const std::string& stem,
                                                               const std::string& table) const {
  if (sharing_ == Sharing::Private) return nullptr;
  return holdTable(use_, dir_, stem, table);
}

void ParadoxDatabase::requireClosed(const std::string& table, const char* action) const {
  if (open_.count(keyOf(table))) {
    throw EngineError(ErrorKind::Locked, std::string("cannot ") + action + " table " +
                                             describe(table) + ": it is open");
  }
}

void ParadoxDatabase::createTable(const std::string& table, const TableSchema& schema) {
  const std::string stem = tableStem(table);
  if (stem.empty()) throw EngineError(ErrorKind::State, "no table name given");
  requireClosed(table, "create");
  kept_.erase(keyOf(table));
  recoverFileSet(*ops_, dir_, stem);
  if (findTableFiles(dir_, table)) {
    throw EngineError(ErrorKind::State, "table " + describe(table) + " already exists");
  }
  // Code page 950, with the sort order the code page 950 tables beside it have.
  const TableLanguage language = languageOfDirectory(dir_, stem).value_or(TableLanguage{});
  const TableFormat format = newTableFormat(stem + ".DB", schema, language);
  const auto hold = holdFiles(stem, describe(table));
  saveTable(*ops_, dir_, stem, nullptr, format, schema, 0,
            [](size_t) -> const Row& { throw EngineError(ErrorKind::State, "no rows"); });
  std::vector<IndexDef> secondary;
  for (const auto& index : schema.indexes) {
    if (!index.primary) secondary.push_back(index);
  }
  createdIndexes_[keyOf(table)] = std::move(secondary);
}

void ParadoxDatabase::deleteTable(const std::string& table) {
  requireClosed(table, "delete");
  kept_.erase(keyOf(table));
  const std::string stem = tableStem(table);
  recoverFileSet(*ops_, dir_, stem);
  auto files = findTableFiles(dir_, table);
  if (!files) {
    throw EngineError(ErrorKind::MissingTable, "table " + describe(table) + " does not exist");
  }
  const auto hold = holdFiles(stem, describe(table));
  std::string error;
  // The .DB goes first: once it is gone the table is gone, whatever else stays behind.
  if (!ops_->remove(files->db, error)) {
    throw EngineError(ErrorKind::Io, "cannot delete " + files->db.string() + ": " + error);
  }
  std::string failed;
  for (const auto& p : files->all) {
    if (p == files->db) continue;
    if (!ops_->remove(p, error)) failed += " " + p.filename().string();
  }
  ops_->syncDirectory(dir_);
  createdIndexes_.erase(keyOf(table));
  if (!failed.empty()) {
    throw EngineError(ErrorKind::Io,
                      "table " + describe(table) + " deleted, but not its files" + failed);
  }
}

void ParadoxDatabase::emptyTable(const std::string& table) {
  requireClosed(table, "empty");
  kept_.erase(keyOf(table));
  StoredTable stored = loadTable(*ops_, dir_, table);
  const auto hold = holdFiles(stored.files.db.stem().string(), describe(table));
  saveTable(*ops_, dir_, stored.files.db.stem().string(), &stored.files, stored.image.format,
            stored.image.schema, 0,
            [](size_t) -> const Row& { throw EngineError(ErrorKind::State, "no rows"); });
}

void ParadoxDatabase::renameTable(const std::string& from, const std::string& to) {
  requireClosed(from, "rename");
  requireClosed(to, "rename to");
  kept_.erase(keyOf(from));
  kept_.erase(keyOf(to));
  const std::string fromStem = tableStem(from);
  const std::string toStem = tableStem(to);
  recoverFileSet(*ops_, dir_, fromStem);
  auto files = findTableFiles(dir_, from);
  if (!files) {
    throw EngineError(ErrorKind::MissingTable, "table " + describe(from) + " does not exist");
  }
  if (upperAscii(fromStem) != upperAscii(toStem) && findTableFiles(dir_, to)) {
    throw EngineError(ErrorKind::State, "table " + describe(to) + " already exists");
  }
  const auto hold = holdFiles(fromStem, describe(from));
  renameTableFiles(*ops_, dir_, *files, fromStem, toStem);
  if (auto created = createdIndexes_.extract(keyOf(from))) {
    created.key() = keyOf(to);
    createdIndexes_.insert(std::move(created));
  }
}

void ParadoxDatabase::appendField(const std::string& table, const FieldDef& field) {
  requireClosed(table, "add a field to");
  kept_.erase(keyOf(table));
  const auto hold = holdFiles(tableStem(table), describe(table));
  paradox::appendField(*ops_, dir_, table, field);
}

void ParadoxDatabase::execSql(const std::string& sql, const SqlParams& params) {
  runLocalSql(*this, sql, params);
}

int64_t ParadoxDatabase::selectCount(const std::string& sql, const SqlParams& params) {
  return countLocalSql(*this, sql, params);
}

}  // namespace kvt::paradox
