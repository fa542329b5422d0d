#include "engine/mysql/MySqlStatement.h"

#include <mysql.h>

#include <cstring>
#include <variant>

#include "engine/mysql/CalendarText.h"

namespace kvt::mysql {
namespace {

struct ResultDeleter {
  void operator()(MYSQL_RES* r) const { mysql_free_result(r); }
};

template <class... F>
struct Overload : F... {
  using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

Value valueFromTime(ReadAs kind, const MYSQL_TIME& t) {
  const CivilDate day{static_cast<int>(t.year), static_cast<int>(t.month), static_cast<int>(t.day)};
  switch (kind) {
    case ReadAs::Date:
      return dateFromCivil(day);
    case ReadAs::Time:
      return timeFromParts(t.neg, t.hour + t.day * 24, t.minute, t.second, t.second_part);
    default:
      return timestampFromParts(day, t.hour, t.minute, t.second, t.second_part);
  }
}

}  // namespace

MySqlStatement::MySqlStatement(std::shared_ptr<MySqlConnection> conn, const std::string& sql)
    : conn_(std::move(conn)), stmt_(mysql_stmt_init(conn_->handle())) {
  if (!stmt_) conn_->fail();
  if (mysql_stmt_prepare(stmt_, sql.data(), sql.size()) != 0) {
    EngineError error = conn_->error(mysql_stmt_errno(stmt_), mysql_stmt_error(stmt_));
    mysql_stmt_close(stmt_);
    throw error;
  }
}

MySqlStatement::~MySqlStatement() {
  mysql_stmt_close(stmt_);
}

void MySqlStatement::fail() const {
  throw conn_->error(mysql_stmt_errno(stmt_), mysql_stmt_error(stmt_));
}

unsigned MySqlStatement::paramCount() const {
  return static_cast<unsigned>(mysql_stmt_param_count(stmt_));
}

uint64_t MySqlStatement::insertId() const {
  return mysql_stmt_insert_id(stmt_);
}
unsigned MySqlStatement::warningCount() const {
  return conn_->warningCount();
}

void MySqlStatement::dropResult() {
  if (mysql_stmt_field_count(stmt_) != 0) mysql_stmt_free_result(stmt_);
}

uint64_t MySqlStatement::execute(const std::vector<Value>& params) {
  if (params.size() != paramCount()) {
    throw EngineError(ErrorKind::State, "MySQL: the statement wants " +
                                            std::to_string(paramCount()) + " values, given " +
                                            std::to_string(params.size()));
  }
  const size_t n = params.size();
  std::vector<MYSQL_BIND> binds(n);
  // Storage the binds point into; sized up front so nothing moves.
  std::vector<long long> ints(n);
  std::vector<double> doubles(n);
  std::vector<std::string> texts(n);
  std::vector<unsigned long> lengths(n);

  for (size_t i = 0; i < n; ++i) {
    MYSQL_BIND& b = binds[i];
    std::memset(&b, 0, sizeof b);
    auto bindText = [&](const std::string& s, enum_field_types type) {
      b.buffer_type = type;
      b.buffer = const_cast<char*>(s.data());
      lengths[i] = static_cast<unsigned long>(s.size());
      b.buffer_length = lengths[i];
      b.length = &lengths[i];
    };
    std::visit(
        Overload{
            [&](std::monostate) { b.buffer_type = MYSQL_TYPE_NULL; },
            [&](bool v) {
              ints[i] = v ? 1 : 0;
              b.buffer_type = MYSQL_TYPE_LONGLONG;
              b.buffer = &ints[i];
            },
            [&](int64_t v) {
              ints[i] = v;
              b.buffer_type = MYSQL_TYPE_LONGLONG;
              b.buffer = &ints[i];
            },
            [&](double v) {
              doubles[i] = v;
              b.buffer_type = MYSQL_TYPE_DOUBLE;
              b.buffer = &doubles[i];
            },
            [&](const std::string& s) { bindText(s, MYSQL_TYPE_STRING); },
            [&](const Date& d) { bindText(texts[i] = dateText(d), MYSQL_TYPE_STRING); },
            [&](const Time& t) { bindText(texts[i] = timeText(t), MYSQL_TYPE_STRING); },
            [&](const Timestamp& t) { bindText(texts[i] = timestampText(t), MYSQL_TYPE_STRING); },
            [&](const Decimal& d) { bindText(d.text, MYSQL_TYPE_NEWDECIMAL); },
            // Blob placeholders take the bytes as binary, not as connection text.
            [&](const Bytes& d) { bindText(d.data, MYSQL_TYPE_BLOB); },
        },
        params[i].storage());
  }
  if (n > 0 && mysql_stmt_bind_param(stmt_, binds.data()) != 0) fail();
  if (mysql_stmt_execute(stmt_) != 0) fail();
  return mysql_stmt_affected_rows(stmt_);
}

uint64_t MySqlStatement::countRows() {
  if (mysql_stmt_field_count(stmt_) == 0) return 0;
  if (mysql_stmt_store_result(stmt_) != 0) fail();
  const uint64_t rows = mysql_stmt_num_rows(stmt_);
  mysql_stmt_free_result(stmt_);
  return rows;
}

std::vector<Row> MySqlStatement::fetchAll(const std::vector<ReadAs>& kinds) {
  const unsigned columns = mysql_stmt_field_count(stmt_);
  if (columns != kinds.size()) {
    dropResult();
    throw EngineError(ErrorKind::State, "MySQL: the result has " + std::to_string(columns) +
                                            " columns where " + std::to_string(kinds.size()) +
                                            " were expected");
  }
  const my_bool updateMaxLength = 1;
  mysql_stmt_attr_set(stmt_, STMT_ATTR_UPDATE_MAX_LENGTH, &updateMaxLength);
  if (mysql_stmt_store_result(stmt_) != 0) fail();
  std::unique_ptr<MYSQL_RES, ResultDeleter> meta(mysql_stmt_result_metadata(stmt_));
  if (!meta) fail();
  const MYSQL_FIELD* fields = mysql_fetch_fields(meta.get());

  std::vector<MYSQL_BIND> binds(columns);
  std::vector<long long> ints(columns);
  std::vector<double> doubles(columns);
  std::vector<MYSQL_TIME> times(columns);
  std::vector<std::vector<char>> buffers(columns);
  std::vector<unsigned long> lengths(columns);
  std::vector<my_bool> nulls(columns);
  std::vector<my_bool> errors(columns);
  for (unsigned i = 0; i < columns; ++i) {
    MYSQL_BIND& b = binds[i];
    std::memset(&b, 0, sizeof b);
    b.is_null = &nulls[i];
    b.length = &lengths[i];
    b.error = &errors[i];
    switch (kinds[i]) {
      case ReadAs::Int:
      case ReadAs::Bool:
        b.buffer_type = MYSQL_TYPE_LONGLONG;
        b.buffer = &ints[i];
        b.is_unsigned = (fields[i].flags & UNSIGNED_FLAG) != 0;
        break;
      case ReadAs::Float:
        b.buffer_type = MYSQL_TYPE_DOUBLE;
        b.buffer = &doubles[i];
        break;
      case ReadAs::Date:
      case ReadAs::Time:
      case ReadAs::Timestamp:
        b.buffer_type = kinds[i] == ReadAs::Date   ? MYSQL_TYPE_DATE
                        : kinds[i] == ReadAs::Time ? MYSQL_TYPE_TIME
                                                   : MYSQL_TYPE_DATETIME;
        b.buffer = &times[i];
        break;
      default:
        buffers[i].resize(fields[i].max_length + 1);
        b.buffer_type = kinds[i] == ReadAs::Bytes ? MYSQL_TYPE_BLOB : MYSQL_TYPE_STRING;
        b.buffer = buffers[i].data();
        b.buffer_length = static_cast<unsigned long>(buffers[i].size());
        break;
    }
  }
  if (mysql_stmt_bind_result(stmt_, binds.data()) != 0) {
    dropResult();
    fail();
  }

  std::vector<Row> rows;
  rows.reserve(mysql_stmt_num_rows(stmt_));
  for (;;) {
    const int rc = mysql_stmt_fetch(stmt_);
    if (rc == MYSQL_NO_DATA) break;
    if (rc == 1) {
      EngineError error = conn_->error(mysql_stmt_errno(stmt_), mysql_stmt_error(stmt_));
      dropResult();
      throw error;
    }
    Row& row = rows.emplace_back();
    row.reserve(columns);
    for (unsigned i = 0; i < columns; ++i) {
      if (nulls[i]) {
        row.emplace_back();
        continue;
      }
      std::string bytes;
      const bool isBuffered = kinds[i] == ReadAs::Text || kinds[i] == ReadAs::Bytes ||
                              kinds[i] == ReadAs::Decimal || kinds[i] == ReadAs::BitBool;
      if (isBuffered) {
        bytes.assign(buffers[i].data(), std::min<size_t>(lengths[i], buffers[i].size()));
        if (lengths[i] > buffers[i].size()) {
          // Longer than the stored maximum promised: fetch the whole value on its own.
          bytes.resize(lengths[i]);
          MYSQL_BIND whole;
          std::memset(&whole, 0, sizeof whole);
          whole.buffer_type = binds[i].buffer_type;
          whole.buffer = bytes.data();
          whole.buffer_length = lengths[i];
          if (mysql_stmt_fetch_column(stmt_, &whole, i, 0) != 0) {
            dropResult();
            fail();
          }
        }
      }
      switch (kinds[i]) {
        case ReadAs::Int:
          row.emplace_back(static_cast<int64_t>(ints[i]));
          break;
        case ReadAs::Bool:
          row.emplace_back(ints[i] != 0);
          break;
        case ReadAs::BitBool: {
          bool on = false;
          for (char c : bytes) on = on || c != 0;
          row.emplace_back(on);
          break;
        }
        case ReadAs::Float:
          row.emplace_back(doubles[i]);
          break;
        case ReadAs::Text:
          row.emplace_back(std::move(bytes));
          break;
        case ReadAs::Bytes:
          row.emplace_back(kvt::Bytes{std::move(bytes)});
          break;
        case ReadAs::Decimal:
          row.emplace_back(kvt::Decimal{std::move(bytes)});
          break;
        default:
          row.push_back(valueFromTime(kinds[i], times[i]));
          break;
      }
    }
  }
  mysql_stmt_free_result(stmt_);
  return rows;
}

}  // namespace kvt::mysql
