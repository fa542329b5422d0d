#include "engine/mysql/MySqlConnection.h"

#include <mysql.h>
#include <mysqld_error.h>

namespace kvt::mysql {
namespace {

struct ResultDeleter {
  void operator()(MYSQL_RES* r) const { mysql_free_result(r); }
};
using ResultPtr = std::unique_ptr<MYSQL_RES, ResultDeleter>;

}  // namespace

EngineError errorFromServer(unsigned code, const std::string& message) {
  switch (code) {
    case ER_NO_SUCH_TABLE:
    case ER_BAD_TABLE_ERROR:
      return EngineError(ErrorKind::MissingTable, message);
    case ER_BAD_FIELD_ERROR:
      return EngineError(ErrorKind::MissingField, message);
    case ER_DUP_ENTRY:
    case ER_DUP_KEY:
    case ER_DUP_ENTRY_WITH_KEY_NAME:
      return EngineError(ErrorKind::DuplicateKey, message);
    default:
      return EngineError(ErrorKind::Server, message);
  }
}

std::shared_ptr<MySqlConnection> MySqlConnection::open(const MySqlConnectionParams& params) {
  MYSQL* db = mysql_init(nullptr);
  if (!db) throw EngineError(ErrorKind::Server, "MySQL: out of memory while connecting");
  // Owned from here on, so a failure below closes it.
  std::shared_ptr<MySqlConnection> conn(new MySqlConnection(db));

  const unsigned timeout = 15;
  const my_bool off = 0;
  const unsigned localInfile = 0;
  const std::string charset = params.charset.empty() ? "big5" : params.charset;
  mysql_optionsv(db, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  mysql_optionsv(db, MYSQL_OPT_RECONNECT, &off);
  mysql_optionsv(db, MYSQL_OPT_LOCAL_INFILE, &localInfile);
  mysql_optionsv(db, MYSQL_SET_CHARSET_NAME, charset.c_str());

  // Updates report the rows they matched, so an update that changes nothing still counts.
  if (!mysql_real_connect(db, params.server.c_str(), params.user.c_str(), params.password.c_str(),
                          params.database.empty() ? nullptr : params.database.c_str(), params.port,
                          nullptr, CLIENT_FOUND_ROWS)) {
    throw EngineError(ErrorKind::Server, mysql_error(db));
  }
  conn->execute("SET SESSION sql_mode = ''");
  return conn;
}

MySqlConnection::~MySqlConnection() {
  mysql_close(db_);
}

void MySqlConnection::fail() const {
  throw error(mysql_errno(db_), mysql_error(db_));
}

EngineError MySqlConnection::error(unsigned code, const std::string& message) const {
  lastError_ = code;
  return errorFromServer(code, message);
}
unsigned MySqlConnection::warningCount() const {
  return mysql_warning_count(db_);
}
unsigned long MySqlConnection::threadId() const {
  return mysql_thread_id(db_);
}

void MySqlConnection::execute(std::string_view sql) {
  if (mysql_real_query(db_, sql.data(), sql.size()) != 0) fail();
  ResultPtr result(mysql_store_result(db_));
  if (!result && mysql_field_count(db_) != 0) fail();
}

std::vector<MySqlConnection::TextRow> MySqlConnection::query(std::string_view sql) {
  if (mysql_real_query(db_, sql.data(), sql.size()) != 0) fail();
  ResultPtr result(mysql_store_result(db_));
  if (!result) {
    if (mysql_field_count(db_) != 0) fail();
    return {};
  }
  const unsigned columns = mysql_num_fields(result.get());
  std::vector<TextRow> rows;
  rows.reserve(mysql_num_rows(result.get()));
  while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
    const unsigned long* lengths = mysql_fetch_lengths(result.get());
    TextRow& out = rows.emplace_back(columns);
    for (unsigned i = 0; i < columns; ++i) {
      if (row[i]) out[i] = std::string(row[i], lengths[i]);
    }
  }
  if (mysql_errno(db_) != 0) fail();
  return rows;
}

uint64_t MySqlConnection::countRows(std::string_view sql) {
  if (mysql_real_query(db_, sql.data(), sql.size()) != 0) fail();
  ResultPtr result(mysql_store_result(db_));
  if (!result) {
    if (mysql_field_count(db_) != 0) fail();
    return 0;
  }
  return mysql_num_rows(result.get());
}

}  // namespace kvt::mysql
