#include "support/TestServerEnv.h"

#include <cstdlib>
#include <fstream>
#include <utility>

namespace kvt::testing {

std::optional<TestServerEnv> ReadTestServerEnv(const std::string& defaultFile,
                                               std::string* whyNot) {
  const char* other = std::getenv("KVT_TEST_MYSQL_ENV");
  const std::string file = other && *other ? other : defaultFile;
  std::ifstream in(file);
  if (!in) {
    if (whyNot) *whyNot = "no MariaDB test server (" + file + " missing)";
    return std::nullopt;
  }
  TestServerEnv env;
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "KVT_TEST_MYSQL_HOST") env.host = value;
    if (key == "KVT_TEST_MYSQL_PORT") env.port = static_cast<unsigned>(std::stoul(value));
    if (key == "KVT_TEST_MYSQL_USER") env.user = value;
    if (key == "KVT_TEST_MYSQL_PASSWORD") env.password = value;
    if (key == "KVT_TEST_MYSQL_DATABASE") env.database = value;
    if (key == "KVT_TEST_MYSQL_SOCKET") env.socket = value;
  }
  for (const auto& [key, value] : {std::pair{"KVT_TEST_MYSQL_HOST", env.host},
                                   {"KVT_TEST_MYSQL_USER", env.user},
                                   {"KVT_TEST_MYSQL_DATABASE", env.database}}) {
    if (value.empty()) {
      if (whyNot) *whyNot = std::string("no ") + key + " in " + file;
      return std::nullopt;
    }
  }
  if (const char* driver = std::getenv("KVT_TEST_MYSQL_ODBC_DRIVER"); driver && *driver)
    env.odbcDriver = driver;
  return env;
}

}  // namespace kvt::testing
