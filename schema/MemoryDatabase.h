// A database held wholly in memory, of the Paradox kind: tables are found by name ignoring
// letter case, with or without ".DB". For steps and tests that need tables but no files.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "schema/Database.h"
#include "schema/KeyedRowStore.h"

namespace kvt {

class MemoryDatabase : public Database {
 public:
  explicit MemoryDatabase(std::string name = "MEMORY\\") : name_(std::move(name)) {}

  DatabaseKind kind() const override { return DatabaseKind::Standard; }
  std::string name() const override { return name_; }

  bool tableExists(const std::string& table) override;
  // Locked when the table is open exclusively, or when an exclusive open meets other
  // handles.
  std::shared_ptr<RowStore> openTable(const std::string& table, OpenMode mode) override;
  void closeTable(const std::shared_ptr<RowStore>& store, OpenMode mode) override;

  // State when the table exists already.
  void createTable(const std::string& table, const TableSchema& schema) override;
  // Each Locked while a handle has the table open.
  void deleteTable(const std::string& table) override;
  void emptyTable(const std::string& table) override;
  void renameTable(const std::string& from, const std::string& to) override;

  // The local statements of schema/LocalSql.h.
  void execSql(const std::string& sql, const SqlParams& params = {}) override;
  int64_t selectCount(const std::string& sql, const SqlParams& params = {}) override;

  // The names of the tables as created (or renamed), in name order ignoring case.
  std::vector<std::string> tableNames() const;
  // How many handles have the table open now.
  int openHandles(const std::string& table) const;

 private:
  struct Entry {
    std::shared_ptr<KeyedRowStore> store;
    int handles = 0;
    bool exclusive = false;
  };

  Entry& entry(const std::string& table);
  const Entry* findEntry(const std::string& table) const;
  void requireClosed(const std::string& table, const Entry& e, const char* action) const;

  std::string name_;
  std::map<std::string, Entry> tables_;  // by upper-cased name without ".DB"
};

}  // namespace kvt
