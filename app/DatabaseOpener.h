// How the run reaches the table engine: a directory of Paradox tables, or a MySQL server named
// by the parameters of an alias. The program uses the real engines; tests substitute a stub.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "schema/Database.h"

namespace kvt::app {

// The connection parameters of a MySQL alias, as the alias registry holds them, or of an ODBC
// alias of the table engine (a data source, a user and a password).
struct MySqlAliasParams {
  std::string dsn;     // "ODBC DSN"
  std::string server;  // "SERVER NAME"
  unsigned port = 3306;
  std::string database;  // "DATABASE NAME"
  std::string user;      // "USER NAME"
  std::string password;
  std::string charset;  // empty: the engine's default
};

class DatabaseOpener {
 public:
  virtual ~DatabaseOpener() = default;
  // The Paradox tables of a local directory, named `name` (the Windows directory with
  // trailing backslash) towards the steps. Throws EngineError when they cannot be opened.
  virtual std::unique_ptr<Database> openParadox(const std::filesystem::path& localDir,
                                                const std::string& name) = 0;
  // A connection named `name` ("MyKVT"). Throws EngineError(Server) with the server's
  // message when the server cannot be reached or refuses the login.
  virtual std::unique_ptr<Database> connectMySql(const MySqlAliasParams& params,
                                                 const std::string& name) = 0;
};

}  // namespace kvt::app
