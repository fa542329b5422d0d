#include "tests/dbupgrade/Installation.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef KVT_TEST_MYSQL
#include "engine/mysql/MySqlDatabase.h"
#endif
#include "engine/paradox/ParadoxDatabase.h"
#include "platform/Cp950.h"
#include "schema/upgrade/UpgradeSupport.h"
#include "support/TestServerEnv.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt {

void PrintTo(const Value& value, std::ostream* os) {
  if (value.isNull()) {
    *os << "null";
  } else if (value.isText()) {
    *os << "\"" << platform::cp950ToUtf8(*value.get<std::string>()) << "\"";
  } else if (value.isBool()) {
    *os << (*value.get<bool>() ? "true" : "false");
  } else {
    try {
      *os << value.asString();
    } catch (const std::exception&) {
      *os << "(value)";
    }
  }
}

}  // namespace kvt

namespace kvt::testing {

std::string KindName(Kind kind) {
  return kind == Kind::Paradox ? "Paradox" : "MySql";
}

std::string Big5(const char* utf8) {
  return platform::utf8ToCp950(utf8);
}

void RecordingWindow::appendLog(const std::string& text) {
  std::string::size_type start = 0;
  while (true) {
    auto end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      return;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

std::optional<ServerAddress> TestServer(std::string* whyNot) {
#ifndef KVT_TEST_MYSQL
  if (whyNot) *whyNot = "this build has no MySQL engine";
  return std::nullopt;
#endif
  const auto env = kvt::testing::ReadTestServerEnv(KVT_MARIADB_ENV, whyNot);
  if (!env) return std::nullopt;
  return ServerAddress{env->host,   env->user, env->password,  env->database,
                       env->socket, env->port, env->odbcDriver};
}

namespace {

#ifdef KVT_TEST_MYSQL
std::unique_ptr<mysql::MySqlDatabase> Connect(const ServerAddress& a, const std::string& db) {
  mysql::MySqlConnectionParams params;
  params.server = a.host;
  params.port = a.port;
  params.database = db;
  params.user = a.user;
  params.password = a.password;
  params.charset = "big5";
  params.driver = a.odbcDriver;
  return mysql::MySqlDatabase::connect(params);
}
#else
// Never reached: without the engine TestServer finds no server and the tests skip first.
std::unique_ptr<Database> Connect(const ServerAddress&, const std::string&) {
  throw std::runtime_error("this build has no MySQL engine");
}
#endif

}  // namespace

Installation::Installation(Kind kind) : kind_(kind) {
  for (const char* dir : {kDatabaseDir, kReleaseDir, kAskDir}) drives_.mkdir(dir);
  ctx_ = std::make_unique<RunContext>(window_, ui_, drives_.fs());
  ctx_->ReleaseDir = kReleaseDir;
  ctx_->AskDir = kAskDir;
  if (kind == Kind::Paradox) {
    ctx_->databaseKind = DatabaseKind::Standard;
    ctx_->DatabaseDir = kDatabaseDir;
    ctx_->packageDb = std::make_unique<paradox::ParadoxDatabase>(databaseLocal(), kDatabaseDir);
  } else {
    std::string why;
    server_ = TestServer(&why);
    if (!server_) throw std::runtime_error(why);
    static std::atomic<int> counter{0};
    mysqlDatabase_ = "kvt_dbup_" + std::to_string(std::random_device{}() % 1000000) + "_" +
                     std::to_string(counter++);
    {
      auto admin = Connect(*server_, server_->database);
      admin->execSql("DROP DATABASE IF EXISTS `" + mysqlDatabase_ + "`");
      admin->execSql("CREATE DATABASE `" + mysqlDatabase_ + "` DEFAULT CHARACTER SET big5");
    }
    ctx_->databaseKind = DatabaseKind::MySQL;
    ctx_->DatabaseDir = "MyKVT";
    ctx_->packageDb = Connect(*server_, mysqlDatabase_);
  }
}

Installation::~Installation() {
  ctx_->releaseDb.reset();
  if (kind_ == Kind::MySql && ctx_->packageDb) {
    try {
      ctx_->packageDb->execSql("DROP DATABASE `" + mysqlDatabase_ + "`");
    } catch (const std::exception&) {
    }
  }
  ctx_->packageDb.reset();
}

Database& Installation::release() {
  return upgrade::ReleaseDatabase(*ctx_);
}

std::filesystem::path Installation::local(const std::string& windowsPath) const {
  return *drives_.fs().resolve(windowsPath);
}
std::filesystem::path Installation::databaseLocal() const {
  return local(kDatabaseDir);
}
std::filesystem::path Installation::releaseLocal() const {
  return local(kReleaseDir);
}

bool Installation::logged(const std::string& line) const {
  for (const auto& l : window_.lines)
    if (l == line) return true;
  return false;
}

int Installation::countLogged(const std::string& part) const {
  int n = 0;
  for (const auto& l : window_.lines)
    if (l.find(part) != std::string::npos) ++n;
  return n;
}

std::string Installation::logText() const {
  std::string text;
  for (const auto& l : window_.lines) text += l + "\n";
  return text;
}

void Installation::makePackageTable(const std::string& name, const std::string& layout,
                                    const std::vector<Row>& rows) {
  demo::BuildTable(package(), demo::DemoTable{name, demo::Layout(layout), rows});
}

void Installation::makeReleaseTable(const std::string& name, const std::string& layout,
                                    const std::vector<Row>& rows) {
  demo::BuildTable(release(), demo::DemoTable{name, demo::Layout(layout), rows});
}

std::vector<Row> Installation::rowsOf(Database& db, const std::string& name) {
  Table t(db, name);
  t.open(OpenMode::ReadOnly);
  std::vector<Row> rows;
  for (t.first(); !t.eof(); t.next()) {
    Row row;
    for (int i = 0; i < t.fieldCount(); ++i) row.push_back(t.get(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

TableSchema Installation::schemaOf(Database& db, const std::string& name) {
  Table t(db, name);
  t.open(OpenMode::ReadOnly);
  return t.schema();
}

int Installation::sizeOf(Database& db, const std::string& table, const std::string& field) {
  TableSchema s = schemaOf(db, table);
  int i = s.fieldIndex(field);
  return i < 0 ? -1 : s.fields[static_cast<size_t>(i)].size;
}

bool Installation::serverFoldsCase() {
  return package().selectCount("SELECT 1 FROM DUAL WHERE @@lower_case_table_names <> 0") > 0;
}

void Installation::newRun() {
  window_.lines.clear();
  ctx_->releaseDb.reset();
  ctx_->StopFlag = false;
  ctx_->TradeRepliesMoved = false;
  if (kind_ == Kind::MySql) {
    // A new run opens its own connection, as the program does on each start.
    auto db = Connect(*server_, mysqlDatabase_);
    ctx_->packageDb = std::move(db);
  } else {
    ctx_->packageDb = std::make_unique<paradox::ParadoxDatabase>(databaseLocal(), kDatabaseDir);
  }
}

void RefusingDatabase::execSql(const std::string& sql, const SqlParams& p) {
  if (sql.find(refused_) != std::string::npos)
    throw EngineError(ErrorKind::Server, "refused for the test: " + sql);
  inner_->execSql(sql, p);
  executed.push_back(sql);
}

}  // namespace kvt::testing

#include "tests/dbupgrade/KindTest.h"

namespace kvt::testing {

std::vector<Value> Column(Database& db, const std::string& table, const std::string& field) {
  Table t(db, table);
  t.open(OpenMode::ReadOnly);
  std::vector<Value> values;
  const int pos = t.fieldIndex(field);
  for (t.first(); !t.eof(); t.next()) values.push_back(t.get(pos));
  return values;
}

std::vector<std::string> FieldNames(Database& db, const std::string& table) {
  std::vector<std::string> names;
  for (const auto& f : Installation::schemaOf(db, table).fields) names.push_back(f.name);
  return names;
}

}  // namespace kvt::testing
