#include "MySqlTestServer.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>

namespace kvt::mysql::testing {

MySqlConnectionParams serverParams() {
  const char* override = std::getenv("KVT_TEST_MYSQL_ENV");
  const std::string path = override && *override ? override : KVT_MYSQL_ENV_FILE;
  std::ifstream in(path);
  if (!in) {
    throw std::runtime_error("no MariaDB test server: " + path +
                             " is missing (the CTest fixture mariadb_start writes it)");
  }
  std::map<std::string, std::string> env;
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
  }
  auto need = [&](const char* key) {
    auto it = env.find(key);
    if (it == env.end()) throw std::runtime_error(std::string("no ") + key + " in " + path);
    return it->second;
  };
  MySqlConnectionParams p;
  p.server = need("KVT_TEST_MYSQL_HOST");
  p.port = static_cast<unsigned>(std::stoul(need("KVT_TEST_MYSQL_PORT")));
  p.user = need("KVT_TEST_MYSQL_USER");
  p.password = need("KVT_TEST_MYSQL_PASSWORD");
  p.database = need("KVT_TEST_MYSQL_DATABASE");
  // Under Wine the driver manager is the host's, which knows the host's driver library.
  if (const char* driver = std::getenv("KVT_TEST_MYSQL_ODBC_DRIVER"); driver && *driver)
    p.driver = driver;
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
