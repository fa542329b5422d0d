// A connection through a data source of the ODBC setup, as an ODBC alias names one. The source
// is written into a user data-source file that unixODBC is pointed at (a POSIX fact: on Windows
// sources live in the registry), so this file is left out of the Windows build.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "MySqlTestServer.h"

namespace kvt::mysql::testing {
namespace {

TEST(DataSource, StandsForDriverServerAndPortAndKeepsItsOwnLogin) {
  const MySqlConnectionParams server = serverParams();
  const std::filesystem::path ini =
      std::filesystem::temp_directory_path() / ("kvt-odbc-" + std::to_string(::getpid()) + ".ini");
  std::ofstream(ini) << "[KVT Source]\nDriver=" << KVT_MYSQL_ODBC_DRIVER
                     << "\nServer=" << server.server << "\nPort=" << server.port
                     << "\nUser=" << server.user << "\nPassword=" << server.password << "\n";
  ::setenv("ODBCINI", ini.c_str(), 1);

  MySqlConnectionParams viaSource;
  viaSource.dsn = "KVT Source";
  viaSource.server = "no.such.host";  // the source's server counts, not this default
  viaSource.database = server.database;
  EXPECT_EQ(connectionText(viaSource).find("DSN={KVT Source};DATABASE="), 0u);
  EXPECT_EQ(connectionText(viaSource).find("UID"), std::string::npos);
  auto conn = MySqlConnection::open(viaSource);
  auto rows = conn->query("SELECT DATABASE(), @@character_set_client");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].value_or(""), server.database);
  EXPECT_EQ(rows[0][1].value_or(""), "big5");

  // A password given with the alias overrides the source's, and stays out of the error.
  viaSource.password = "not-the-one-9431";
  try {
    MySqlConnection::open(viaSource);
    ADD_FAILURE() << "a wrong password logged in";
  } catch (const EngineError& e) {
    EXPECT_EQ(std::string(e.what()).find("not-the-one"), std::string::npos) << e.what();
  }
  ::unsetenv("ODBCINI");
  std::filesystem::remove(ini);
}

}  // namespace
}  // namespace kvt::mysql::testing
