#include "tools/demo/DemoMySql.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "engine/mysql/MySqlDatabase.h"
#include "platform/Cp950.h"

namespace kvt::demo {
namespace fs = std::filesystem;

namespace {

// Every table a run may create or refill, besides the installation's own: dropped first so
// that a new demonstration starts from the old layouts.
std::vector<std::string> TablesOfEarlierRuns() {
  std::vector<std::string> names;
  for (const DemoTable& t : ReleaseTables()) names.push_back(t.name);
  for (const char* extra : {"X602base", "XIDPSW"}) names.emplace_back(extra);
  return names;
}

}  // namespace

void UseMySqlDatabase(const DemoLayout& layout, const MySqlDemoServer& server) {
  if (!fs::exists(layout.prefix / ".kvt-demo-prefix"))
    throw std::runtime_error(layout.prefix.string() +
                             " was not made by kvt-demo; refusing to change it");
  mysql::MySqlConnectionParams params;
  params.server = server.host;
  params.port = server.port;
  params.database = server.database;
  params.user = server.user;
  params.password = server.password;
  params.charset = "big5";
  params.driver = server.driver;
  {
    auto db = mysql::MySqlDatabase::connect(params, "MyKVT");
    std::vector<DemoTable> tables = InstallationTables();
    tables.push_back(CompanyTable());
    std::vector<std::string> drop = TablesOfEarlierRuns();
    for (const DemoTable& t : tables) drop.push_back(t.name);
    for (const std::string& name : drop) db->execSql("DROP TABLE IF EXISTS `" + name + "`", {});
    BuildTables(*db, tables);
  }

  // The installation's Paradox tables go: the database is the server's now.
  for (const auto& entry : fs::directory_iterator(layout.local(layout.databaseDir)))
    fs::remove_all(entry.path());

  const std::string aliases =
      "[KVT]\r\nDRIVER=MYSQL\r\nSERVER NAME=" + server.host +
      "\r\nPORT=" + std::to_string(server.port) + "\r\nDATABASE NAME=" + server.database +
      "\r\nUSER NAME=" + server.user + "\r\nPASSWORD=" + server.password + "\r\nCHARSET=big5\r\n";
  std::ofstream out(layout.local("C:\\windows\\DBALIAS.INI"), std::ios::binary | std::ios::trunc);
  out << platform::utf8ToCp950(aliases);
  if (!out) throw std::runtime_error("cannot write the alias registry");
}

}  // namespace kvt::demo
