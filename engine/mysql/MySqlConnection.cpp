#include "engine/mysql/MySqlConnection.h"

#include <charconv>

#include "engine/mysql/OdbcApi.h"

namespace kvt::mysql {
namespace {

// Server error numbers the engine tells apart.
enum ServerError : unsigned {
  kDupKey = 1022,
  kBadTable = 1051,
  kBadField = 1054,
  kDupEntry = 1062,
  kNoSuchTable = 1146,
  kDupEntryWithKeyName = 1586,
};

// The driver's option bits: updates report the rows they matched, so an update that changes
// nothing still counts.
constexpr unsigned kFoundRows = 2;

// A value of the connection text, braced when it holds what would end or open one.
std::string attribute(const std::string& value) {
  const bool plain = value.find_first_of(";{}= ") == std::string::npos;
  if (plain) return value;
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

}  // namespace

EngineError errorFromServer(unsigned code, const std::string& message) {
  switch (code) {
    case kNoSuchTable:
    case kBadTable:
      return EngineError(ErrorKind::MissingTable, message);
    case kBadField:
      return EngineError(ErrorKind::MissingField, message);
    case kDupEntry:
    case kDupKey:
    case kDupEntryWithKeyName:
      return EngineError(ErrorKind::DuplicateKey, message);
    default:
      return EngineError(ErrorKind::Server, message);
  }
}

std::string connectionText(const MySqlConnectionParams& params) {
  std::string text;
  if (!params.dsn.empty()) {
    text = "DSN=" + attribute(params.dsn);
  } else {
    const std::string driver = params.driver.empty() ? KVT_MYSQL_ODBC_DRIVER : params.driver;
    text = "DRIVER=" + attribute(driver) + ";SERVER=" + attribute(params.server) +
           ";PORT=" + std::to_string(params.port);
  }
  if (!params.database.empty()) text += ";DATABASE=" + attribute(params.database);
  if (params.dsn.empty() || !params.user.empty()) text += ";UID=" + attribute(params.user);
  if (params.dsn.empty() || !params.password.empty()) text += ";PWD=" + attribute(params.password);
  // Without the character set the driver refuses code page 950 bytes or stores them as "?".
  text += ";CHARSET=" + attribute(params.charset.empty() ? "big5" : params.charset);
  return text + ";OPTION=" + std::to_string(kFoundRows);
}

std::shared_ptr<MySqlConnection> MySqlConnection::open(const MySqlConnectionParams& params) {
  std::shared_ptr<MySqlConnection> conn(new MySqlConnection());
  conn->env_ = OdbcHandle(SQL_HANDLE_ENV, nullptr);
  if (!conn->env_)
    throw EngineError(ErrorKind::Server, "MySQL: the ODBC driver manager is missing");
  SQLSetEnvAttr(conn->env_.get(), SQL_ATTR_ODBC_VERSION,
                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
  conn->dbc_ = OdbcHandle(SQL_HANDLE_DBC, conn->env_.get());
  if (!conn->dbc_) throw EngineError(ErrorKind::Server, "MySQL: out of memory while connecting");
  SQLSetConnectAttr(conn->dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(15)), 0);

  std::string text = connectionText(params);
  // The completed connection text the driver could hand back holds the password: not asked.
  const SQLRETURN rc = SQLDriverConnect(
      conn->dbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
      static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  text.assign(text.size(), '\0');
  if (!odbcSucceeded(rc)) {
    const OdbcDiagnostic d = conn->dbc_.diagnostic();
    std::string message = d.message;
    // A driver may repeat what it was given, as given or as written in the text.
    for (const std::string& secret : {params.password, attribute(params.password)}) {
      if (secret.empty()) continue;
      for (size_t at; (at = message.find(secret)) != std::string::npos;)
        message.replace(at, secret.size(), "***");
    }
    throw EngineError(ErrorKind::Server, message);
  }
  conn->execute("SET SESSION sql_mode = ''");
  const std::vector<TextRow> id = conn->query("SELECT CONNECTION_ID()");
  if (!id.empty() && !id[0].empty() && id[0][0]) conn->threadId_ = std::stoul(*id[0][0]);
  return conn;
}

MySqlConnection::~MySqlConnection() = default;

void MySqlConnection::fail() const {
  fail(dbc_);
}

void MySqlConnection::fail(const OdbcHandle& handle) const {
  const OdbcDiagnostic d = handle.diagnostic();
  throw error(d.nativeCode, d.message);
}

EngineError MySqlConnection::error(unsigned code, const std::string& message) const {
  lastError_ = code;
  return errorFromServer(code, message);
}

OdbcHandle MySqlConnection::newStatement() const {
  OdbcHandle stmt(SQL_HANDLE_STMT, dbc_.get());
  if (!stmt) fail();
  SQLSetStmtAttr(stmt.get(), SQL_ATTR_NOSCAN,
                 reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_NOSCAN_ON)), 0);
  return stmt;
}

OdbcHandle MySqlConnection::run(std::string_view sql) const {
  OdbcHandle stmt = newStatement();
  std::string text(sql);
  const SQLRETURN rc = SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(text.data()),
                                     static_cast<SQLINTEGER>(text.size()));
  if (!odbcSucceeded(rc) && rc != SQL_NO_DATA) fail(stmt);
  return stmt;
}

std::optional<std::string> MySqlConnection::columnBytes(const OdbcHandle& stmt,
                                                        unsigned column) const {
  std::string out;
  char chunk[8192];
  for (;;) {
    SQLLEN length = 0;
    const SQLRETURN rc = SQLGetData(stmt.get(), static_cast<SQLUSMALLINT>(column), SQL_C_BINARY,
                                    chunk, sizeof chunk, &length);
    if (rc == SQL_NO_DATA) break;
    if (!odbcSucceeded(rc)) fail(stmt);
    if (length == SQL_NULL_DATA) return std::nullopt;
    const bool more = length == SQL_NO_TOTAL || length > static_cast<SQLLEN>(sizeof chunk);
    out.append(chunk, more ? sizeof chunk : static_cast<size_t>(length));
    if (rc == SQL_SUCCESS) break;
  }
  return out;
}

unsigned MySqlConnection::warningCount() const {
  // A diagnostic statement: it keeps the warnings it counts for a later SHOW WARNINGS.
  std::vector<TextRow> rows;
  readRows(run("SHOW COUNT(*) WARNINGS"), &rows);
  unsigned count = 0;
  if (!rows.empty() && !rows[0].empty() && rows[0][0]) {
    const std::string& text = *rows[0][0];
    std::from_chars(text.data(), text.data() + text.size(), count);
  }
  return count;
}

void MySqlConnection::execute(std::string_view sql) {
  OdbcHandle stmt = run(sql);
  // Every result of the statement is read off, so a failure in a later one is seen.
  for (;;) {
    const SQLRETURN rc = SQLMoreResults(stmt.get());
    if (rc == SQL_NO_DATA) break;
    if (!odbcSucceeded(rc)) fail(stmt);
  }
}

uint64_t MySqlConnection::readRows(const OdbcHandle& stmt, std::vector<TextRow>* rows) const {
  SQLSMALLINT columns = 0;
  if (!odbcSucceeded(SQLNumResultCols(stmt.get(), &columns))) fail(stmt);
  uint64_t count = 0;
  if (columns <= 0) return count;
  for (;;) {
    const SQLRETURN rc = SQLFetch(stmt.get());
    if (rc == SQL_NO_DATA) break;
    if (!odbcSucceeded(rc)) fail(stmt);
    ++count;
    if (!rows) continue;
    TextRow& out = rows->emplace_back(static_cast<size_t>(columns));
    for (SQLSMALLINT i = 0; i < columns; ++i) out[i] = columnBytes(stmt, i + 1);
  }
  return count;
}

std::vector<MySqlConnection::TextRow> MySqlConnection::query(std::string_view sql) {
  std::vector<TextRow> rows;
  readRows(run(sql), &rows);
  return rows;
}

uint64_t MySqlConnection::countRows(std::string_view sql) {
  return readRows(run(sql), nullptr);
}

}  // namespace kvt::mysql
