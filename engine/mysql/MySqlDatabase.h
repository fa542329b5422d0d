// The package database on a MySQL server: one open connection, with table handles on it.
//
// Statements are sent as written. The package's CREATE TABLE statements end in the old
// table option "TYPE=MyISAM", which servers since MySQL 5.5 refuse; a statement the server
// refuses as a syntax error at "TYPE" is sent once more with "ENGINE" in its place.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "engine/mysql/ColumnInfo.h"
#include "engine/mysql/MySqlConnection.h"
#include "schema/Database.h"

namespace kvt::mysql {

class MySqlRowStore;

class MySqlDatabase : public kvt::Database {
 public:
  // Throws EngineError(Server) with the server's message when the server cannot be reached
  // or refuses the login.
  static std::unique_ptr<MySqlDatabase> connect(const MySqlConnectionParams& params,
                                                std::string name = "MyKVT");
  ~MySqlDatabase() override;

  DatabaseKind kind() const override { return DatabaseKind::MySQL; }
  std::string name() const override { return name_; }

  // Whether the server has the table, by its own rules for letter case.
  bool tableExists(const std::string& table) override;

  std::shared_ptr<RowStore> openTable(const std::string& table, OpenMode mode) override;
  // From the server's description of the table, not its rows.
  TableSchema tableSchema(const std::string& table) override;
  void closeTable(const std::shared_ptr<RowStore>& store, OpenMode mode) override;

  void createTable(const std::string& table, const TableSchema& schema) override;
  void deleteTable(const std::string& table) override;
  void emptyTable(const std::string& table) override;
  void renameTable(const std::string& from, const std::string& to) override;

  // Named parameters (":iFormNo") are bound as integers; ":" inside quotes is left alone.
  void execSql(const std::string& sql, const SqlParams& params = {}) override;
  int64_t selectCount(const std::string& sql, const SqlParams& params = {}) override;
  // Drops the column details kept for the table, so its next open reads them anew.
  void flushSchema(const std::string& table) override;
  // The server's warnings of cut or out-of-range values on the last execSql.
  std::size_t cutsOfLastStatement() const override { return lastCuts_; }

  MySqlConnection& connection() { return *conn_; }

 private:
  MySqlDatabase(std::shared_ptr<MySqlConnection> conn, std::string name);

  struct OpenTable {
    std::shared_ptr<MySqlRowStore> store;
    int handles = 0;
    bool exclusive = false;
  };

  // Runs a statement as given, or with the TYPE option respelled when the server refuses it.
  // `count` receives the number of result rows when not null.
  void run(const std::string& sql, const SqlParams& params, int64_t* count);
  void runOnce(const std::string& sql, const SqlParams& params, int64_t* count);
  const TableInfo& tableInfo(const std::string& table);
  void forgetSchemas();
  void requireClosed(const std::string& table, const char* action) const;

  std::shared_ptr<MySqlConnection> conn_;
  std::string name_;
  std::map<std::string, TableInfo> schemas_;
  std::map<std::string, OpenTable> open_;
  std::size_t lastCuts_ = 0;
};

}  // namespace kvt::mysql
