// One open session with a MySQL or MariaDB server, over MariaDB Connector/C.
//
// The session talks in the connection character set (big5 for the package), so text goes
// to and from the server as the stored bytes. It runs with the legacy sql_mode (empty), in
// which zero dates and double-quoted string defaults are accepted as the package's
// statements expect. A dropped session is not reconnected behind the caller's back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schema/EngineError.h"

struct st_mysql;

namespace kvt::mysql {

struct MySqlConnectionParams {
  std::string server = "127.0.0.1";
  unsigned port = 3306;
  std::string database, user, password, charset = "big5";
};

// The engine error for a server error code: missing table, missing column and duplicate
// key have kinds of their own; everything else (a lost connection included) is a Server
// error carrying the server's message.
EngineError errorFromServer(unsigned code, const std::string& message);

class MySqlConnection {
 public:
  // Throws EngineError(Server) with the server's message when the connection fails.
  static std::shared_ptr<MySqlConnection> open(const MySqlConnectionParams& params);
  ~MySqlConnection();
  MySqlConnection(const MySqlConnection&) = delete;
  MySqlConnection& operator=(const MySqlConnection&) = delete;

  st_mysql* handle() const { return db_; }

  // Runs one statement in the text protocol and drops whatever rows it yields.
  void execute(std::string_view sql);
  // Runs one statement and returns its rows as texts (null stays empty).
  using TextRow = std::vector<std::optional<std::string>>;
  std::vector<TextRow> query(std::string_view sql);
  // How many rows the statement yields.
  uint64_t countRows(std::string_view sql);

  // The server's code of the last failure an engine error was made from (0 for none yet).
  unsigned lastErrorCode() const { return lastError_; }
  unsigned warningCount() const;
  unsigned long threadId() const;

  // Throws the engine error for the session's last failure.
  [[noreturn]] void fail() const;
  // The engine error for a failure of this session (or of a statement on it), noted as the
  // last one.
  EngineError error(unsigned code, const std::string& message) const;

 private:
  explicit MySqlConnection(st_mysql* db) : db_(db) {}
  st_mysql* db_;
  mutable unsigned lastError_ = 0;
};

}  // namespace kvt::mysql
