// A package installation for the database step tests: a drive C in a scratch prefix with the
// package's database directory and a release directory, a run context whose log is
// recorded, and the package database either as Paradox tables or as a fresh database on the
// MariaDB test server.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "run/RunContext.h"
#include "schema/Database.h"
#include "schema/Table.h"
#include "support/ScratchDrives.h"

namespace kvt {
// Values in failure messages: the kind and the text (stored bytes shown as UTF-8).
void PrintTo(const Value& value, std::ostream* os);
}  // namespace kvt

namespace kvt::testing {

enum class Kind { Paradox, MySql };
std::string KindName(Kind kind);

// Built-in Chinese text as the tables store it.
std::string Big5(const char* utf8);

class RecordingWindow : public MainWindowPort {
 public:
  void appendLog(const std::string& text) override;
  void setDirLabel(const std::string&) override {}
  std::vector<std::string> lines;
};

class QuietUi : public platform::Ui {
 public:
  void messageBox(platform::BoxKind, const std::string&) override {}
  void setBusyCursor(bool) override {}
  void processEvents() override {}
};

// The connection of the MariaDB test server, or nullopt (with the reason) when there is none.
struct ServerAddress {
  std::string host, user, password, database, socket;
  unsigned port = 0;
  std::string odbcDriver;  // empty: the build's own
};
std::optional<ServerAddress> TestServer(std::string* whyNot);

class Installation {
 public:
  static constexpr const char* kDatabaseDir = "C:\\Velmor\\KVT\\Database\\";
  static constexpr const char* kReleaseDir = "C:\\KVT更新\\";
  static constexpr const char* kAskDir = "C:\\Velmor\\eTrade\\ASK\\";

  // Throws std::runtime_error when the MySQL server cannot be reached (tests skip first by
  // calling TestServer).
  explicit Installation(Kind kind);
  ~Installation();

  Kind kind() const { return kind_; }
  RunContext& ctx() { return *ctx_; }
  Database& package() { return *ctx_->packageDb; }
  Database& release();

  // Local paths of the two directories.
  std::filesystem::path databaseLocal() const;
  std::filesystem::path releaseLocal() const;
  std::filesystem::path local(const std::string& windowsPath) const;

  // The log as lines; clearing starts a new run's log.
  const std::vector<std::string>& log() const { return window_.lines; }
  void clearLog() { window_.lines.clear(); }
  bool logged(const std::string& line) const;
  // Lines that contain `part`.
  int countLogged(const std::string& part) const;
  std::string logText() const;

  // Creates a table from a layout text ("Code A5 *; Name A30") with rows.
  void makePackageTable(const std::string& name, const std::string& layout,
                        const std::vector<Row>& rows = {});
  void makeReleaseTable(const std::string& name, const std::string& layout,
                        const std::vector<Row>& rows = {});

  // Every row of a table in table order, and its layout.
  static std::vector<Row> rowsOf(Database& db, const std::string& name);
  static TableSchema schemaOf(Database& db, const std::string& name);
  static int sizeOf(Database& db, const std::string& table, const std::string& field);

  // MySQL: whether the server treats table names without regard to letter case, as the
  // package's servers on Windows do.
  bool serverFoldsCase();

  // A fresh run on the same installation: the log and the run-state flags start over and
  // the release tables are opened anew.
  void newRun();

 private:
  Kind kind_;
  ScratchDrives drives_;
  RecordingWindow window_;
  QuietUi ui_;
  std::unique_ptr<RunContext> ctx_;
  std::string mysqlDatabase_;
  std::optional<ServerAddress> server_;
};

// A database that passes everything to another one but refuses SQL statements containing a
// given text, as a server refuses a statement.
class RefusingDatabase : public Database {
 public:
  RefusingDatabase(std::unique_ptr<Database> inner, std::string refused)
      : inner_(std::move(inner)), refused_(std::move(refused)) {}
  std::unique_ptr<Database> release() { return std::move(inner_); }

  DatabaseKind kind() const override { return inner_->kind(); }
  std::string name() const override { return inner_->name(); }
  bool tableExists(const std::string& t) override { return inner_->tableExists(t); }
  std::shared_ptr<RowStore> openTable(const std::string& t, OpenMode m) override {
    return inner_->openTable(t, m);
  }
  void closeTable(const std::shared_ptr<RowStore>& s, OpenMode m) override {
    inner_->closeTable(s, m);
  }
  void createTable(const std::string& t, const TableSchema& s) override {
    inner_->createTable(t, s);
  }
  void deleteTable(const std::string& t) override { inner_->deleteTable(t); }
  void emptyTable(const std::string& t) override { inner_->emptyTable(t); }
  void renameTable(const std::string& f, const std::string& t) override {
    inner_->renameTable(f, t);
  }
  void execSql(const std::string& sql, const SqlParams& p = {}) override;
  int64_t selectCount(const std::string& sql, const SqlParams& p = {}) override {
    return inner_->selectCount(sql, p);
  }
  void flushSchema(const std::string& t) override { inner_->flushSchema(t); }
  std::size_t cutsOfLastStatement() const override { return inner_->cutsOfLastStatement(); }
  void appendField(const std::string& t, const FieldDef& f) override { inner_->appendField(t, f); }

  std::vector<std::string> executed;  // statements that went through

 private:
  std::unique_ptr<Database> inner_;
  std::string refused_;
};

}  // namespace kvt::testing
