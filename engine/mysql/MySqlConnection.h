// One open session with a MySQL or MariaDB server, through the system's ODBC driver
// manager and the MySQL ODBC driver (the same code on Windows and on Linux).
//
// The session talks in the connection character set (big5 for the package), so text goes
// to and from the server as the stored bytes. It runs with the legacy sql_mode (empty), in
// which zero dates and double-quoted string defaults are accepted as the package's
// statements expect. A dropped session is not reconnected behind the caller's back. The
// connection text holds the password: it is never logged nor put into an error.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mysql/OdbcHandle.h"
#include "schema/EngineError.h"

namespace kvt::mysql {

struct MySqlConnectionParams {
  std::string server = "127.0.0.1";
  unsigned port = 3306;
  std::string database, user, password, charset = "big5";
  // The ODBC driver: a name the driver manager knows or the driver library's path; empty
  // for the one this build was made for.
  std::string driver;
  // A data source of the system's ODBC setup (an ODBC alias names one): when set, it stands
  // for the driver, the server and the port, and an empty user or password leaves the
  // source's own.
  std::string dsn;
};

// The ODBC connection text for `params` (password included: for the driver manager only).
std::string connectionText(const MySqlConnectionParams& params);

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

  // Runs one statement in the text protocol and drops whatever rows it yields.
  void execute(std::string_view sql);
  // Runs one statement and returns its rows as texts (null stays empty).
  using TextRow = std::vector<std::optional<std::string>>;
  std::vector<TextRow> query(std::string_view sql);
  // How many rows the statement yields.
  uint64_t countRows(std::string_view sql);

  // The server's code of the last failure an engine error was made from (0 for none yet).
  unsigned lastErrorCode() const { return lastError_; }
  // The warnings the session's last statement left (asked of the server).
  unsigned warningCount() const;
  unsigned long threadId() const { return threadId_; }

  // Throws the engine error for the session's last failure.
  [[noreturn]] void fail() const;
  // The engine error for a failure of this session (or of a statement on it), noted as the
  // last one.
  EngineError error(unsigned code, const std::string& message) const;
  // Throws the engine error for the last failed call on `handle`.
  [[noreturn]] void fail(const OdbcHandle& handle) const;

  // A statement handle of this session whose text goes to the driver as written (no ODBC
  // escape sequences are rewritten).
  OdbcHandle newStatement() const;
  // The bytes of one column (from 1) of the current row of `stmt`; nothing for null.
  std::optional<std::string> columnBytes(const OdbcHandle& stmt, unsigned column) const;

 private:
  MySqlConnection() = default;
  // Runs `sql` directly on a new statement handle, which is returned for its results.
  OdbcHandle run(std::string_view sql) const;
  // Fetches every row of the result on `stmt`, keeping their texts in `rows` when given.
  uint64_t readRows(const OdbcHandle& stmt, std::vector<TextRow>* rows) const;

  OdbcHandle env_, dbc_;
  unsigned long threadId_ = 0;
  mutable unsigned lastError_ = 0;
};

}  // namespace kvt::mysql
