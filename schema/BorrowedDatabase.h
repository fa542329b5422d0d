// A database used through an object another part of the program owns: every call goes to
// that object, which must outlive this one. For code that opens its own database where the
// caller already has the one to use, so that both share its open tables.
#pragma once

#include "schema/Database.h"

namespace kvt {

class BorrowedDatabase : public Database {
 public:
  explicit BorrowedDatabase(Database& owner) : db_(owner) {}

  DatabaseKind kind() const override { return db_.kind(); }
  std::string name() const override { return db_.name(); }
  bool tableExists(const std::string& table) override { return db_.tableExists(table); }
  std::shared_ptr<RowStore> openTable(const std::string& table, OpenMode mode) override {
    return db_.openTable(table, mode);
  }
  void closeTable(const std::shared_ptr<RowStore>& store, OpenMode mode) override {
    db_.closeTable(store, mode);
  }
  void readRows(const std::string& table, const std::function<void(const Row&)>& sink) override {
    db_.readRows(table, sink);
  }
  TableSchema tableSchema(const std::string& table) override { return db_.tableSchema(table); }
  void discardOnClose(const std::string& table) override { db_.discardOnClose(table); }
  void createTable(const std::string& table, const TableSchema& schema) override {
    db_.createTable(table, schema);
  }
  void deleteTable(const std::string& table) override { db_.deleteTable(table); }
  void emptyTable(const std::string& table) override { db_.emptyTable(table); }
  void renameTable(const std::string& from, const std::string& to) override {
    db_.renameTable(from, to);
  }
  void appendField(const std::string& table, const FieldDef& field) override {
    db_.appendField(table, field);
  }
  void execSql(const std::string& sql, const SqlParams& params = {}) override {
    db_.execSql(sql, params);
  }
  int64_t selectCount(const std::string& sql, const SqlParams& params = {}) override {
    return db_.selectCount(sql, params);
  }
  void flushSchema(const std::string& table) override { db_.flushSchema(table); }
  std::size_t cutsOfLastStatement() const override { return db_.cutsOfLastStatement(); }
  std::vector<std::pair<std::string, std::string>> takeFinishedRenames() override {
    return db_.takeFinishedRenames();
  }

 private:
  Database& db_;
};

}  // namespace kvt
