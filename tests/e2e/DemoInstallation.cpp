#include "DemoInstallation.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "app/EngineOpener.h"
#include "app/UpgradeFrm.h"
#include "app/UpgradeSteps.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "forms/FormFileReader.h"
#include "forms/FormTables.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"
#include "support/ScratchDrives.h"
#ifdef KVT_WITH_MYSQL_DEMO
#include "engine/mysql/MySqlDatabase.h"
#include "support/TestServerEnv.h"
#include "tools/demo/DemoMySql.h"
#endif

namespace kvt::e2e {
namespace fs = std::filesystem;

namespace {

std::string ReadLocal(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Builds the demonstration prefix of the layout and gives its directory.
fs::path Built(const demo::DemoLayout& layout) {
  demo::BuildDemoPrefix(layout, {});
  return layout.prefix;
}

}  // namespace

DemoInstallation::DemoInstallation()
    : root_(kvt::testing::MakeTempDir("kvt-e2e")),
      layout_{root_ / "prefix"},
      fs_(kvt::testing::PrefixDrives(Built(layout_))) {}

#ifdef KVT_WITH_MYSQL_DEMO
namespace {

// The test server's connection, from the env file its start script wrote.
demo::MySqlDemoServer TestServer() {
  std::string why;
  const auto env = kvt::testing::ReadTestServerEnv(KVT_MARIADB_ENV_FILE, &why);
  if (!env) throw std::runtime_error(why);
  demo::MySqlDemoServer server;
  server.host = env->host;
  server.port = env->port;
  server.user = env->user;
  server.password = env->password;
  server.database = env->database;
  server.driver = env->odbcDriver;
  return server;
}

std::unique_ptr<mysql::MySqlDatabase> Connect(const demo::MySqlDemoServer& server,
                                              const std::string& database) {
  mysql::MySqlConnectionParams params;
  params.server = server.host;
  params.port = server.port;
  params.database = database;
  params.user = server.user;
  params.password = server.password;
  params.driver = server.driver;
  return mysql::MySqlDatabase::connect(params);
}

}  // namespace

DemoInstallation::DemoInstallation(OnMySql) : DemoInstallation() {
  demo::MySqlDemoServer server = TestServer();
  mySqlDatabase_ = "kvt_e2e_" + fs::path(root_).filename().string().substr(8);
  for (char& c : mySqlDatabase_)
    c = std::isalnum(static_cast<unsigned char>(c))
            ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
            : '_';
  Connect(server, server.database)
      ->execSql("CREATE DATABASE `" + mySqlDatabase_ + "` DEFAULT CHARACTER SET big5");
  server.database = mySqlDatabase_;
  demo::UseMySqlDatabase(layout_, server);
}
#endif

DemoInstallation::~DemoInstallation() {
#ifdef KVT_WITH_MYSQL_DEMO
  if (!mySqlDatabase_.empty()) {
    try {
      demo::MySqlDemoServer server = TestServer();
      Connect(server, server.database)->execSql("DROP DATABASE `" + mySqlDatabase_ + "`");
    } catch (const std::exception&) {
      // The server goes away with the test run; nothing else holds the database.
    }
  }
#endif
  std::error_code ec;
  fs::remove_all(root_, ec);
}

std::unique_ptr<Database> DemoInstallation::ReadForms(const fs::path& file) {
  // The reader works on Windows paths: the file is read from scratch drives of its own.
  kvt::testing::ScratchDrives drives;
  fs::copy_file(file, drives.local("C:\\FORMS.DBT"));
  app::testing::ScriptedView ui;
  auto db = std::make_unique<MemoryDatabase>();
  const bool read =
      forms::CreateFormTables(*db) && forms::ReadFormFile(drives.fs(), ui, "C:\\FORMS.DBT", *db);
  if (!read) return nullptr;
  return db;
}

std::unique_ptr<Database> DemoInstallation::OpenDatabase() const {
#ifdef KVT_WITH_MYSQL_DEMO
  if (!mySqlDatabase_.empty()) return Connect(TestServer(), mySqlDatabase_);
#endif
  return std::make_unique<paradox::ParadoxDatabase>(local(layout_.databaseDir),
                                                    layout_.databaseDir);
}

RunResult DemoInstallation::Run() {
  app::testing::ScriptedView view;
  app::EngineOpener opener;
  app::UpgradeRunSteps steps;
  app::TUpgradeFrm frm(view, *fs_, opener, steps, layout_.releaseDir);
  view.frm = &frm;
  view.answerDialog = [](forms::TSelectGlobalPathFrm& dialog) { dialog.OkBtnClick(); };
  frm.FormCreate();
  frm.FormShow();
  frm.DoBtnClick();

  RunResult result;
  result.log = view.memo;
  result.boxes = view.boxes;
  result.dialogsShown = view.dialogsShown;
  result.formDir = frm.Context().FormDir;
  frm.ExitBtnClick();  // releases the database: the tables are written back
  return result;
}

FileSnapshot DemoInstallation::Snapshot() const {
  FileSnapshot files;
  const fs::path drive = layout_.prefix / "drive_c";
  for (const auto& entry : fs::recursive_directory_iterator(drive)) {
    if (!entry.is_regular_file()) continue;
    // Keys with "/" on every platform, names as UTF-8.
    const std::u8string key = fs::relative(entry.path(), drive).generic_u8string();
    files[std::string(key.begin(), key.end())] = ReadLocal(entry.path());
  }
  return files;
}

std::string DemoInstallation::Read(const std::string& winPath) const {
  return ReadLocal(local(winPath));
}

std::vector<std::string> DemoInstallation::List(const std::string& winDir) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(local(winDir)))
    names.push_back(kvt::testing::Utf8Text(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<TableSchema> DemoInstallation::SchemaOf(const std::string& table) const {
  auto db = OpenDatabase();
  if (!db->tableExists(table)) return std::nullopt;
  Table t(*db, table);
  t.open(OpenMode::ReadOnly);
  return t.schema();
}

std::vector<Row> DemoInstallation::RowsOf(const std::string& table) const {
  auto db = OpenDatabase();
  Table t(*db, table);
  t.open(OpenMode::ReadOnly);
  std::vector<Row> rows;
  for (t.first(); !t.eof(); t.next()) {
    Row row;
    for (int i = 0; i < t.fieldCount(); ++i) row.push_back(t.get(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::map<std::string, std::string> DemoInstallation::Dump(
    const std::vector<std::string>& names) const {
  auto db = OpenDatabase();
  std::map<std::string, std::string> dumps;
  for (const std::string& name : names) {
    if (!db->tableExists(name)) continue;
    Table t(*db, name);
    t.open(OpenMode::ReadOnly);
    std::string text;
    for (const FieldDef& f : t.schema().fields)
      text += f.name + " " + typeLetter(f.type) + std::to_string(f.size) + "; ";
    for (const IndexDef& index : t.schema().indexes) {
      text += "\nkey";
      for (const std::string& field : index.fields) text += " " + field;
    }
    for (t.first(); !t.eof(); t.next()) {
      text += "\n";
      for (int i = 0; i < t.fieldCount(); ++i)
        text += (t.get(i).isNull() ? std::string("NULL") : t.get(i).asString()) + "|";
    }
    dumps[name] = text;
  }
  return dumps;
}

void WaitForNextSecond() {
  const std::time_t start = std::time(nullptr);
  while (std::time(nullptr) == start) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

int FindLine(const std::vector<std::string>& log, const std::string& piece, int from) {
  for (int i = std::max(from, 0); i < static_cast<int>(log.size()); ++i)
    if (log[static_cast<size_t>(i)].find(piece) != std::string::npos) return i;
  return -1;
}

int CountLines(const std::vector<std::string>& log, const std::string& piece) {
  return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& line) {
    return line.find(piece) != std::string::npos;
  }));
}

}  // namespace kvt::e2e
