#include "MySqlTestServer.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "support/TestServerEnv.h"

namespace kvt::mysql::testing {

MySqlConnectionParams serverParams() {
  std::string why;
  const auto env = kvt::testing::ReadTestServerEnv(KVT_MYSQL_ENV_FILE, &why);
  if (!env) throw std::runtime_error(why + " (the CTest fixture mariadb_start writes it)");
  MySqlConnectionParams p;
  p.server = env->host;
  p.port = env->port;
  p.user = env->user;
  p.password = env->password;
  p.database = env->database;
  p.driver = env->odbcDriver;
  return p;
}

void MySqlTest::SetUp() {
  params_ = serverParams();
  static std::atomic<int> counter{0};
  const std::string database =
      "kvt_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
  MySqlConnectionParams admin = params_;
  admin_ = MySqlConnection::open(admin);
  admin_->execute("DROP DATABASE IF EXISTS `" + database + "`");
  admin_->execute("CREATE DATABASE `" + database + "` DEFAULT CHARACTER SET big5");
  params_.database = database;
  db_ = MySqlDatabase::connect(params_);
}

void MySqlTest::TearDown() {
  db_.reset();
  other_.reset();
  if (admin_ && !params_.database.empty() && params_.database.rfind("kvt_", 0) == 0) {
    admin_->execute("DROP DATABASE IF EXISTS `" + params_.database + "`");
  }
}

std::shared_ptr<MySqlConnection> MySqlTest::otherSession() {
  if (!other_) other_ = MySqlConnection::open(params_);
  return other_;
}

std::vector<std::string> MySqlTest::serverRows(const std::string& sql) {
  std::vector<std::string> out;
  for (const auto& row : otherSession()->query(sql)) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) line += '|';
      line += row[i] ? *row[i] : "NULL";
    }
    out.push_back(line);
  }
  return out;
}

}  // namespace kvt::mysql::testing
