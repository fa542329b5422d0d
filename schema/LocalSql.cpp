#include "schema/LocalSql.h"

#include <cctype>

#include "schema/EngineError.h"
#include "schema/Filter.h"
#include "schema/Table.h"

namespace kvt {
namespace {

bool isNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

class Reader {
 public:
  explicit Reader(const std::string& sql) : sql_(sql) {}

  [[noreturn]] void unsupported() const {
    throw EngineError(ErrorKind::Unsupported, "Unsupported statement: " + sql_);
  }

  void skipBlanks() {
    while (at_ < sql_.size() && std::isspace(static_cast<unsigned char>(sql_[at_]))) ++at_;
  }

  // The next word (letters, digits, "_"), or empty.
  std::string word() {
    skipBlanks();
    const size_t start = at_;
    while (at_ < sql_.size() && isNameChar(sql_[at_])) ++at_;
    return sql_.substr(start, at_ - start);
  }

  bool keyword(const char* kw) {
    const size_t save = at_;
    std::string w = word();
    for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (w == kw) return true;
    at_ = save;
    return false;
  }

  bool symbol(char c) {
    skipBlanks();
    if (at_ < sql_.size() && sql_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  // A table name: a word that may carry an extension or path, or a quoted name.
  std::string tableName() {
    skipBlanks();
    if (at_ < sql_.size() && (sql_[at_] == '"' || sql_[at_] == '\'')) {
      const char q = sql_[at_];
      const size_t close = sql_.find(q, at_ + 1);
      if (close == std::string::npos) unsupported();
      std::string name = sql_.substr(at_ + 1, close - at_ - 1);
      at_ = close + 1;
      return name;
    }
    const size_t start = at_;
    while (at_ < sql_.size() &&
           (isNameChar(sql_[at_]) || sql_[at_] == '.' || sql_[at_] == '\\' || sql_[at_] == ':')) {
      ++at_;
    }
    if (at_ == start) unsupported();
    return sql_.substr(start, at_ - start);
  }

  // What is left, without a closing ";" and blanks.
  std::string rest() {
    skipBlanks();
    std::string r = sql_.substr(at_);
    at_ = sql_.size();
    while (!r.empty() && (std::isspace(static_cast<unsigned char>(r.back())) || r.back() == ';')) {
      r.pop_back();
    }
    return r;
  }

 private:
  const std::string& sql_;
  size_t at_ = 0;
};

// Turns an SQL condition into a filter expression: parameters become their values, quoted
// field names and table-qualified names become bracketed names.
std::string conditionToFilter(const std::string& where, const SqlParams& params,
                              const Reader& reader) {
  std::string out;
  size_t i = 0;
  while (i < where.size()) {
    const char c = where[i];
    if (c == '\'') {
      const size_t start = i++;
      while (i < where.size()) {
        if (where[i] == '\'') {
          if (i + 1 < where.size() && where[i + 1] == '\'') {
            i += 2;
            continue;
          }
          break;
        }
        ++i;
      }
      if (i >= where.size()) reader.unsupported();
      out += where.substr(start, ++i - start);
    } else if (c == '"') {
      const size_t close = where.find('"', i + 1);
      if (close == std::string::npos) reader.unsupported();
      out += "[" + where.substr(i + 1, close - i - 1) + "]";
      i = close + 1;
    } else if (c == ':' && i + 1 < where.size() && isNameChar(where[i + 1])) {
      size_t end = i + 1;
      while (end < where.size() && isNameChar(where[end])) ++end;
      const std::string name = where.substr(i + 1, end - i - 1);
      auto it = params.find(name);
      if (it == params.end()) {
        throw EngineError(ErrorKind::State, "No value for the parameter :" + name);
      }
      out += std::to_string(it->second);
      i = end;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t end = i;
      while (end < where.size() && isNameChar(where[end])) ++end;
      std::string name = where.substr(i, end - i);
      // "CB23.FormNo" names the field FormNo.
      while (end + 1 < where.size() && where[end] == '.' &&
             (std::isalpha(static_cast<unsigned char>(where[end + 1])) || where[end + 1] == '_' ||
              where[end + 1] == '"')) {
        ++end;
        if (where[end] == '"') {
          const size_t close = where.find('"', end + 1);
          if (close == std::string::npos) reader.unsupported();
          name = "[" + where.substr(end + 1, close - end - 1) + "]";
          end = close + 1;
          break;
        }
        const size_t s = end;
        while (end < where.size() && isNameChar(where[end])) ++end;
        name = where.substr(s, end - s);
      }
      out += name;
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

}  // namespace

LocalStatement parseLocalSql(const std::string& sql, const SqlParams& params) {
  Reader r(sql);
  LocalStatement st;
  if (r.keyword("delete")) {
    st.kind = LocalStatement::Kind::Delete;
  } else if (r.keyword("select")) {
    st.kind = LocalStatement::Kind::Select;
    if (!r.symbol('*')) r.unsupported();
  } else {
    r.unsupported();
  }
  if (!r.keyword("from")) r.unsupported();
  st.table = r.tableName();
  std::string tail = r.rest();
  if (!tail.empty()) {
    Reader t(tail);
    if (!t.keyword("where")) r.unsupported();
    st.condition = conditionToFilter(t.rest(), params, r);
    if (st.condition.find_first_not_of(" \t\r\n") == std::string::npos) r.unsupported();
    try {
      Filter::parse(st.condition);
    } catch (const EngineError& e) {
      if (e.kind() == ErrorKind::Unsupported) r.unsupported();
      throw;
    }
  }
  return st;
}

void runLocalSql(Database& db, const std::string& sql, const SqlParams& params) {
  const LocalStatement st = parseLocalSql(sql, params);
  if (st.kind == LocalStatement::Kind::Select) {
    countLocalSql(db, sql, params);
    return;
  }
  Table t(db, st.table);
  if (!st.condition.empty()) {
    t.setFilter(st.condition);
    t.setFiltered(true);
  }
  t.open(OpenMode::ReadWrite);
  for (t.first(); !t.eof();) t.deleteRow();
  t.close();
}

int64_t countLocalSql(Database& db, const std::string& sql, const SqlParams& params) {
  const LocalStatement st = parseLocalSql(sql, params);
  if (st.kind != LocalStatement::Kind::Select) {
    throw EngineError(ErrorKind::Unsupported, "Not a query: " + sql);
  }
  Table t(db, st.table);
  if (!st.condition.empty()) {
    t.setFilter(st.condition);
    t.setFiltered(true);
  }
  t.open(OpenMode::ReadOnly);
  const int64_t n = t.recordCount();
  t.close();
  return n;
}

}  // namespace kvt
