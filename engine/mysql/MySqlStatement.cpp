#include "engine/mysql/MySqlStatement.h"

#include <variant>

#include "engine/mysql/CalendarText.h"
#include "engine/mysql/OdbcApi.h"

namespace kvt::mysql {
namespace {

template <class... F>
struct Overload : F... {
  using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

Value valueFromTime(ReadAs kind, const CalendarParts& t) {
  switch (kind) {
    case ReadAs::Date:
      return dateFromCivil(t.date);
    case ReadAs::Time:
      return timeFromParts(t.negative, t.hours, t.minutes, t.seconds, t.microseconds);
    default:
      return timestampFromParts(t.date, t.hours, t.minutes, t.seconds, t.microseconds);
  }
}

// How one bound value goes to the driver.
struct Bound {
  SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR;
  SQLULEN size = 1;
  SQLSMALLINT digits = 0;
  SQLPOINTER data = nullptr;
  SQLLEN length = SQL_NULL_DATA;
};

// The digits and the scale a decimal text holds, for the parameter's declared size.
void describeDecimal(const std::string& text, Bound& b) {
  unsigned digits = 0, scale = 0;
  bool after = false;
  for (char c : text) {
    if (c == '.') after = true;
    if (c < '0' || c > '9') continue;
    ++digits;
    if (after) ++scale;
  }
  b.size = digits ? digits : 1;
  b.digits = static_cast<SQLSMALLINT>(scale);
}

}  // namespace

MySqlStatement::MySqlStatement(std::shared_ptr<MySqlConnection> conn, const std::string& sql)
    : conn_(std::move(conn)), stmt_(conn_->newStatement()) {
  std::string text = sql;
  if (!odbcSucceeded(SQLPrepare(stmt_.get(), reinterpret_cast<SQLCHAR*>(text.data()),
                                static_cast<SQLINTEGER>(text.size()))))
    fail();
  SQLSMALLINT n = 0;
  if (!odbcSucceeded(SQLNumParams(stmt_.get(), &n))) fail();
  params_ = n > 0 ? static_cast<unsigned>(n) : 0;
}

MySqlStatement::~MySqlStatement() = default;

void MySqlStatement::fail() const {
  conn_->fail(stmt_);
}

unsigned MySqlStatement::paramCount() const {
  return params_;
}

uint64_t MySqlStatement::insertId() const {
  const std::vector<MySqlConnection::TextRow> rows = conn_->query("SELECT LAST_INSERT_ID()");
  if (rows.empty() || rows[0].empty() || !rows[0][0]) return 0;
  return std::stoull(*rows[0][0]);
}

unsigned MySqlStatement::warningCount() const {
  return conn_->warningCount();
}

void MySqlStatement::dropResult() {
  SQLFreeStmt(stmt_.get(), SQL_CLOSE);
}

unsigned MySqlStatement::resultColumns() const {
  SQLSMALLINT columns = 0;
  if (!odbcSucceeded(SQLNumResultCols(stmt_.get(), &columns))) fail();
  return columns > 0 ? static_cast<unsigned>(columns) : 0;
}

uint64_t MySqlStatement::execute(const std::vector<Value>& params) {
  if (params.size() != paramCount()) {
    throw EngineError(ErrorKind::State, "MySQL: the statement wants " +
                                            std::to_string(paramCount()) + " values, given " +
                                            std::to_string(params.size()));
  }
  dropResult();
  SQLFreeStmt(stmt_.get(), SQL_RESET_PARAMS);
  const size_t n = params.size();
  // Storage the bindings point into; sized up front so nothing moves.
  std::vector<Bound> binds(n);
  std::vector<SQLBIGINT> ints(n);
  std::vector<double> doubles(n);
  std::vector<std::string> texts(n);
  char empty = 0;  // where an empty or null value points

  for (size_t i = 0; i < n; ++i) {
    Bound& b = binds[i];
    auto bindText = [&](const std::string& s, SQLSMALLINT cType, SQLSMALLINT sqlType) {
      b.cType = cType;
      b.sqlType = sqlType;
      b.data = s.empty() ? &empty : const_cast<char*>(s.data());
      b.length = static_cast<SQLLEN>(s.size());
      b.size = s.empty() ? 1 : s.size();
    };
    std::visit(
        Overload{
            [&](std::monostate) { b.data = &empty; },
            [&](bool v) {
              ints[i] = v ? 1 : 0;
              b = {SQL_C_SBIGINT, SQL_BIGINT, 20, 0, &ints[i], 0};
            },
            [&](int64_t v) {
              ints[i] = v;
              b = {SQL_C_SBIGINT, SQL_BIGINT, 20, 0, &ints[i], 0};
            },
            [&](double v) {
              doubles[i] = v;
              b = {SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &doubles[i], 0};
            },
            [&](const std::string& s) { bindText(s, SQL_C_CHAR, SQL_VARCHAR); },
            [&](const Date& d) { bindText(texts[i] = dateText(d), SQL_C_CHAR, SQL_VARCHAR); },
            [&](const Time& t) { bindText(texts[i] = timeText(t), SQL_C_CHAR, SQL_VARCHAR); },
            [&](const Timestamp& t) {
              bindText(texts[i] = timestampText(t), SQL_C_CHAR, SQL_VARCHAR);
            },
            [&](const Decimal& d) {
              bindText(d.text, SQL_C_CHAR, SQL_DECIMAL);
              describeDecimal(d.text, b);
            },
            // Blob placeholders take the bytes as binary, not as connection text.
            [&](const Bytes& d) { bindText(d.data, SQL_C_BINARY, SQL_LONGVARBINARY); },
        },
        params[i].storage());
    const SQLLEN bufferLength = b.length > 0 ? b.length : 0;
    if (!odbcSucceeded(SQLBindParameter(stmt_.get(), static_cast<SQLUSMALLINT>(i + 1),
                                        SQL_PARAM_INPUT, b.cType, b.sqlType, b.size, b.digits,
                                        b.data, bufferLength, &b.length)))
      fail();
  }
  const SQLRETURN rc = SQLExecute(stmt_.get());
  if (!odbcSucceeded(rc) && rc != SQL_NO_DATA) fail();
  SQLLEN rows = 0;
  if (!odbcSucceeded(SQLRowCount(stmt_.get(), &rows))) fail();
  return rows > 0 ? static_cast<uint64_t>(rows) : 0;
}

uint64_t MySqlStatement::countRows() {
  if (resultColumns() == 0) return 0;
  uint64_t rows = 0;
  for (;;) {
    const SQLRETURN rc = SQLFetch(stmt_.get());
    if (rc == SQL_NO_DATA) break;
    if (!odbcSucceeded(rc)) {
      const OdbcDiagnostic d = stmt_.diagnostic();
      dropResult();
      throw conn_->error(d.nativeCode, d.message);
    }
    ++rows;
  }
  dropResult();
  return rows;
}

std::vector<Row> MySqlStatement::fetchAll(const std::vector<ReadAs>& kinds) {
  const unsigned columns = resultColumns();
  if (columns != kinds.size()) {
    dropResult();
    throw EngineError(ErrorKind::State, "MySQL: the result has " + std::to_string(columns) +
                                            " columns where " + std::to_string(kinds.size()) +
                                            " were expected");
  }
  std::vector<bool> isUnsigned(columns);
  for (unsigned i = 0; i < columns; ++i) {
    SQLLEN flag = SQL_FALSE;
    SQLColAttribute(stmt_.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_DESC_UNSIGNED, nullptr, 0,
                    nullptr, &flag);
    isUnsigned[i] = flag == SQL_TRUE;
  }

  std::vector<Row> rows;
  try {
    for (;;) {
      const SQLRETURN rc = SQLFetch(stmt_.get());
      if (rc == SQL_NO_DATA) break;
      if (!odbcSucceeded(rc)) fail();
      Row& row = rows.emplace_back();
      row.reserve(columns);
      for (unsigned i = 0; i < columns; ++i) row.push_back(readColumn(i, kinds[i], isUnsigned[i]));
    }
  } catch (...) {
    dropResult();
    throw;
  }
  dropResult();
  return rows;
}

Value MySqlStatement::readColumn(unsigned index, ReadAs kind, bool isUnsigned) {
  const auto column = static_cast<SQLUSMALLINT>(index + 1);
  SQLLEN length = 0;
  switch (kind) {
    case ReadAs::Int:
    case ReadAs::Bool: {
      SQLBIGINT v = 0;
      // An unsigned column's top values come through as their bits.
      const SQLRETURN rc = SQLGetData(
          stmt_.get(), column, isUnsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT, &v, sizeof v, &length);
      if (!odbcSucceeded(rc)) fail();
      if (length == SQL_NULL_DATA) return Value();
      if (kind == ReadAs::Bool) return Value(v != 0);
      return Value(static_cast<int64_t>(v));
    }
    case ReadAs::Float: {
      double v = 0;
      if (!odbcSucceeded(SQLGetData(stmt_.get(), column, SQL_C_DOUBLE, &v, sizeof v, &length)))
        fail();
      if (length == SQL_NULL_DATA) return Value();
      return Value(v);
    }
    default:
      break;
  }
  std::optional<std::string> bytes = conn_->columnBytes(stmt_, column);
  if (!bytes) return Value();
  switch (kind) {
    case ReadAs::BitBool: {
      bool on = false;
      for (char c : *bytes) on = on || c != 0;
      return Value(on);
    }
    case ReadAs::Text:
      return Value(std::move(*bytes));
    case ReadAs::Bytes:
      return Value(kvt::Bytes{std::move(*bytes)});
    case ReadAs::Decimal:
      return Value(kvt::Decimal{std::move(*bytes)});
    default: {
      const std::optional<CalendarParts> parts = partsFromText(*bytes);
      if (!parts) {
        throw conn_->error(
            0, "MySQL: the server sent the date or time \"" + *bytes + "\", which is none");
      }
      return valueFromTime(kind, *parts);
    }
  }
}

}  // namespace kvt::mysql
