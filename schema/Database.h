// A database as the upgrade steps see it: a directory of Paradox tables or an open MySQL
// connection. Table handles (schema/Table.h) are opened on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "schema/EngineError.h"
#include "schema/RowStore.h"
#include "schema/TableSchema.h"

namespace kvt {

enum class DatabaseKind { MySQL = 1, Standard = 2 };
enum class OpenMode { ReadWrite, ReadOnly, Exclusive };

// Named integer parameters of an SQL statement (":iFormNo" is passed as "iFormNo").
using SqlParams = std::map<std::string, int64_t>;

class Database {
 public:
  virtual ~Database() = default;

  virtual DatabaseKind kind() const = 0;
  // The name the steps use for it: the directory (with trailing backslash) or "MyKVT".
  virtual std::string name() const = 0;

  // Table names may carry ".DB" or not; Paradox compares them ignoring case.
  virtual bool tableExists(const std::string& table) = 0;

  // Opens the shared rows of a table for one handle. Throws MissingTable, Format, Io, Locked
  // (exclusive use by another handle, or an exclusive open while others are open).
  virtual std::shared_ptr<RowStore> openTable(const std::string& table, OpenMode mode) = 0;
  // The handle is done with the rows; the last one out writes what changed (Paradox) and
  // may throw an Io error when that fails.
  virtual void closeTable(const std::shared_ptr<RowStore>& store, OpenMode mode) = 0;

  // Hands every row of a table to `sink`, in the order a read-only handle walks them. Throws
  // as openTable does, and passes on what the sink throws. A database that can reads the rows
  // of a table nobody has open without holding the whole table in memory.
  virtual void readRows(const std::string& table, const std::function<void(const Row&)>& sink) {
    std::shared_ptr<RowStore> store = openTable(table, OpenMode::ReadOnly);
    try {
      for (size_t i = 0; i < store->size(); ++i) sink(store->row(i));
    } catch (...) {
      try {
        closeTable(store, OpenMode::ReadOnly);
      } catch (...) {
        // Nothing was changed through this handle; the first error is the one to report.
      }
      throw;
    }
    closeTable(store, OpenMode::ReadOnly);
  }

  // The fields and indexes of a table, as an open gives them, without reading its rows where
  // the engine can. Throws as openTable does.
  virtual TableSchema tableSchema(const std::string& table) {
    const std::shared_ptr<RowStore> store = openTable(table, OpenMode::ReadOnly);
    TableSchema schema = store->schema();
    closeTable(store, OpenMode::ReadOnly);
    return schema;
  }

  // The rows of an open table are not wanted once its last handle closes (a scratch table
  // about to be removed): a database that writes a table back then may leave its files as
  // they were. Nothing for a table that is not open.
  virtual void discardOnClose(const std::string& table) {}

  // Creates a table; an existing table of that name is an error.
  virtual void createTable(const std::string& table, const TableSchema& schema) = 0;
  virtual void deleteTable(const std::string& table) = 0;  // every file of the table
  virtual void emptyTable(const std::string& table) = 0;
  virtual void renameTable(const std::string& from, const std::string& to) = 0;
  // Adds an empty field at the end of a closed table, keeping its rows, indexes and the rest
  // of what the table is. Throws EngineError; Unsupported where the database cannot.
  virtual void appendField(const std::string& table, const FieldDef& field) {
    throw EngineError(ErrorKind::Unsupported, "cannot add a field to " + table);
  }

  // Executes a statement that yields no rows. Throws on any failure.
  virtual void execSql(const std::string& sql, const SqlParams& params = {}) = 0;
  // Executes a SELECT and returns how many rows it yields.
  virtual int64_t selectCount(const std::string& sql, const SqlParams& params = {}) = 0;
  // Forget cached structure of a table after an ALTER (MySQL); nothing on Paradox.
  virtual void flushSchema(const std::string& table) {}
  // How many values the last statement that execSql ran had cut or changed to fit (the
  // server's truncation warnings; a lenient sql_mode lets it do so). 0 for a database that
  // never cuts unasked.
  virtual std::size_t cutsOfLastStatement() const { return 0; }
  // Renames of tables that a crash cut short and that opening the database finished, as
  // (old name, new name) pairs; each is handed out once.
  virtual std::vector<std::pair<std::string, std::string>> takeFinishedRenames() { return {}; }
};

}  // namespace kvt
