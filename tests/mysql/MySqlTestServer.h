// The throwaway MariaDB server the MySQL tests run against (started by the CTest fixture
// "mariadb", see CMakeLists.txt), and a test fixture that gives each test a database of its
// own on it, so tests may run side by side.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/mysql/MySqlConnection.h"
#include "engine/mysql/MySqlDatabase.h"

namespace kvt::mysql::testing {

// Connection details from the env file the server script wrote. A missing file or key
// throws: without a server the tests fail, they never skip. KVT_TEST_MYSQL_ENV names another
// env file, KVT_TEST_MYSQL_ODBC_DRIVER another ODBC driver.
MySqlConnectionParams serverParams();

class MySqlTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A second session on the same database, for looking at the server behind the engine's
  // back and for changing it there.
  std::shared_ptr<MySqlConnection> otherSession();
  // The rows of a query on a second session, as "a|b|c" lines (NULL for null).
  std::vector<std::string> serverRows(const std::string& sql);

  MySqlConnectionParams params_;
  std::unique_ptr<MySqlDatabase> db_;

 private:
  std::shared_ptr<MySqlConnection> admin_;
  std::shared_ptr<MySqlConnection> other_;
};

}  // namespace kvt::mysql::testing
