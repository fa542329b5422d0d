// A MariaDB server of a benchmark's own, started by scripts/mariadb-test-server.sh in a
// scratch directory and shut down (the directory removed) when the object goes.
#pragma once

#include <filesystem>
#include <string>

#include "engine/mysql/MySqlConnection.h"

namespace kvt::bench {

class ThrowawayServer {
 public:
  // Throws std::runtime_error when the server does not start.
  explicit ThrowawayServer(const std::filesystem::path& dir);
  ~ThrowawayServer();
  ThrowawayServer(const ThrowawayServer&) = delete;
  ThrowawayServer& operator=(const ThrowawayServer&) = delete;

  // The database the script made (big5) and a user with every privilege.
  const mysql::MySqlConnectionParams& params() const { return params_; }
  const std::string& socket() const { return socket_; }

 private:
  std::filesystem::path dir_;
  mysql::MySqlConnectionParams params_;
  std::string socket_;
};

// `s` in single quotes for the shell.
std::string shellQuoted(const std::string& s);

}  // namespace kvt::bench
