// What the patch tests share: the seven work tables, made empty in a scratch directory as
// the form-file upgrade makes them, a run context whose log is recorded, and a way to run
// one patch on one table as the upgrade does (open, patch, close).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FormsTestSupport.h"
#include "forms/FormTables.h"
#include "run/RunContext.h"
#include "schema/Database.h"
#include "schema/Table.h"

namespace kvt::forms::testing {

class RecordingWindow : public MainWindowPort {
 public:
  void appendLog(const std::string& text) override { lines.push_back(text); }
  void setDirLabel(const std::string&) override {}
  std::vector<std::string> lines;
};

// Passes everything to another database, but the rows it hands out refuse to store a row
// whose `field` holds `value` (as an engine refuses a post), while `refusing` is on.
class RefusingDatabase : public Database {
 public:
  RefusingDatabase(Database& inner, std::string field, Value value)
      : inner_(inner), field_(std::move(field)), value_(std::move(value)) {}

  bool refusing = true;
  int refusals = 0;

  DatabaseKind kind() const override { return inner_.kind(); }
  std::string name() const override { return inner_.name(); }
  bool tableExists(const std::string& t) override { return inner_.tableExists(t); }
  std::shared_ptr<RowStore> openTable(const std::string& t, OpenMode m) override;
  void closeTable(const std::shared_ptr<RowStore>& s, OpenMode m) override;
  void createTable(const std::string& t, const TableSchema& s) override {
    inner_.createTable(t, s);
  }
  void deleteTable(const std::string& t) override { inner_.deleteTable(t); }
  void emptyTable(const std::string& t) override { inner_.emptyTable(t); }
  void renameTable(const std::string& f, const std::string& t) override {
    inner_.renameTable(f, t);
  }
  void execSql(const std::string& sql, const SqlParams& p = {}) override { inner_.execSql(sql, p); }
  int64_t selectCount(const std::string& sql, const SqlParams& p = {}) override {
    return inner_.selectCount(sql, p);
  }

  // Throws DuplicateKey when `row` of a table with `schema` is one to refuse.
  void check(const TableSchema& schema, const Row& row);

 private:
  class Store;
  Database& inner_;
  std::string field_;
  Value value_;
  std::vector<std::pair<std::shared_ptr<RowStore>, std::shared_ptr<RowStore>>> wrapped_;
};

using Patch = std::function<void(RunContext&, Table&)>;

class PatchTest : public ::testing::Test {
 protected:
  PatchTest();
  ~PatchTest() override;

  // Runs `patch` on table `t` of `db` (the work tables unless another is given), opened by
  // its name without extension as the upgrade opens it.
  void run(FormTable t, const Patch& patch);
  void run(Database& db, FormTable t, const Patch& patch);

  // Rows of a work table, in key order.
  std::vector<Row> rows(FormTable t) { return rowsOf(*db_, t); }
  // The row of `t` with `key`; fails the test when it is missing.
  Row row(FormTable t, const std::vector<Value>& key);
  void add(FormTable t, const NamedRow& values) { addRow(*db_, t, values); }

  // Closes the work tables' database and opens the directory again, so that what follows
  // reads the table files as written.
  void reopen();

  Database& db() { return *db_; }
  const std::vector<std::string>& log() const { return window_.lines; }

 private:
  ScratchDrive drive_;
  std::filesystem::path dir_;
  std::unique_ptr<Database> db_;
  RecordingWindow window_;
  RecordingUi ui_;

 protected:
  RunContext ctx;
};

}  // namespace kvt::forms::testing
