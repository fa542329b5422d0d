#include "app/EngineOpener.h"

#include "engine/paradox/ParadoxDatabase.h"
#include "schema/EngineError.h"
#ifdef KVT_WITH_MYSQL
#include "engine/mysql/MySqlDatabase.h"
#endif

namespace kvt::app {

std::unique_ptr<Database> EngineOpener::openParadox(const std::filesystem::path& localDir,
                                                    const std::string& name) {
  return std::make_unique<paradox::ParadoxDatabase>(localDir, name);
}

std::unique_ptr<Database> EngineOpener::connectMySql(const MySqlAliasParams& params,
                                                     const std::string& name) {
#ifdef KVT_WITH_MYSQL
  mysql::MySqlConnectionParams p;
  p.dsn = params.dsn;
  if (!params.server.empty()) p.server = params.server;
  p.port = params.port;
  p.database = params.database;
  p.user = params.user;
  p.password = params.password;
  if (!params.charset.empty()) p.charset = params.charset;
  return mysql::MySqlDatabase::connect(p, name);
#else
  throw EngineError(ErrorKind::Unsupported, "這個版本的更新程式沒有 MySQL 資料庫的支援。");
#endif
}

}  // namespace kvt::app
