// The throwaway MariaDB server of the tests, as the start script's env file describes it. The
// test programs of every group read it here; KVT_TEST_MYSQL_ENV names another env file (under
// Wine the host's file through drive Z) and KVT_TEST_MYSQL_ODBC_DRIVER another ODBC driver (the
// host's driver library, which Wine's driver manager hands the calls to).
#pragma once

#include <optional>
#include <string>

namespace kvt::testing {

struct TestServerEnv {
  std::string host, user, password, database, socket;
  unsigned port = 0;
  std::string odbcDriver;  // empty: the build's own
};

// nullopt, with the reason in `whyNot`, when the env file is missing or lacks the server's
// address, user or database.
std::optional<TestServerEnv> ReadTestServerEnv(const std::string& defaultFile,
                                               std::string* whyNot = nullptr);

}  // namespace kvt::testing
