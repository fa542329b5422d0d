// The rows of one MySQL table, read once when the table is opened, and kept in step with
// the server: every change is first executed as a statement and only changes the rows held
// here once the server has taken it.
//
// A keyed table finds a row by its primary key and reads a written row back, so the rows
// held are what the server stored (blank padding dropped, defaults filled in). A table
// without a key finds a row by all its old values, one row at most.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/mysql/ColumnInfo.h"
#include "engine/mysql/MySqlConnection.h"
#include "engine/mysql/MySqlStatement.h"
#include "schema/RowStore.h"

namespace kvt::mysql {

class MySqlRowStore : public RowStore {
 public:
  // Reads the rows ("SELECT *", in primary-key order for a keyed table).
  MySqlRowStore(std::shared_ptr<MySqlConnection> conn, std::string table, TableInfo info);
  ~MySqlRowStore() override;

  const std::string& tableName() const { return table_; }

  const TableSchema& schema() const override { return info_.schema; }
  size_t size() const override {
    ensureRows();
    return rows_.size();
  }
  const Row& row(size_t pos) const override;

  size_t insert(Row row) override;
  size_t update(size_t pos, Row row) override;
  void remove(size_t pos) override;
  void clear() override;
  // Writes the rows in multi-row statements (see BulkInsert). The table is read again, so the
  // rows held are what the server stored, when they are next looked at: a handle that fills
  // a table and closes it never reads it back.
  std::vector<bool> insertMany(std::vector<Row> rows) override;
  // A keyed table: the new values go into a temporary table in multi-row statements, and one
  // UPDATE IGNORE joined with it changes the rows; a change it skips (a key another row has)
  // or never reaches is refused. The table is read again, and the rows that hold the values
  // their change staged tell which were made. Without the right to make temporary tables,
  // one statement a row.
  std::vector<bool> updateMany(std::vector<std::pair<Row, Row>> changes) override;

  uint64_t changeCount() const override { return changes_; }

 private:
  bool keyed() const { return !key_.empty(); }
  void checkRow(const Row& row) const;
  void checkPos(size_t pos) const;
  Value toServer(size_t col, const Value& v) const;
  // Which columns a row gives values for: a null for a NOT NULL or auto-increment column is
  // left to the server's default (an explicit NULL there is refused).
  std::vector<bool> presentColumns(const Row& row) const;
  Value asStored(size_t col, const Value& v) const;
  int compareKeys(const Row& a, const Row& b) const;
  size_t placeFor(const Row& row) const;
  std::vector<Row> readRows(const std::string& where, const std::vector<Value>& params);
  void reloadAll() const;
  // Reads the rows again when a bulk write left them unread.
  void ensureRows() const {
    if (stale_) reloadAll();
  }
  size_t storeWritten(Row expected, const std::vector<bool>& trusted, bool exact);
  std::string keyCondition() const;
  std::string matchCondition() const;
  std::vector<Value> keyValues(const Row& row) const;
  std::vector<Value> matchValues(const Row& row) const;
  MySqlStatement& statement(std::unique_ptr<MySqlStatement>& slot, const std::string& sql);

  std::shared_ptr<MySqlConnection> conn_;
  std::string table_;
  std::string quoted_;
  TableInfo info_;
  std::vector<size_t> key_;    // the primary key's columns
  std::vector<size_t> match_;  // columns that find a row of a table without a key
  std::vector<ReadAs> kinds_;
  mutable std::vector<Row> rows_;
  mutable bool stale_ = false;
  uint64_t changes_ = 0;

  std::map<std::vector<bool>, std::unique_ptr<MySqlStatement>> inserts_;
  std::unique_ptr<MySqlStatement> update_, remove_, readBack_;
};

}  // namespace kvt::mysql
