#include "engine/mysql/MySqlRowStore.h"

#include <algorithm>
#include <cmath>
#include <compare>
#include <cstdlib>
#include <variant>

#include "engine/mysql/BulkInsert.h"
#include "engine/mysql/SqlText.h"

namespace kvt::mysql {
namespace {

std::string_view withoutTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Compares texts the way the server's collations do, near enough to keep rows in key
// order: trailing blanks never count; unless the column is case sensitive, single-byte
// letters compare without case, while a two-byte Big5 character (lead byte from 0x81)
// compares as a unit, so its trail byte is never taken for a letter.
int compareText(std::string_view a, std::string_view b, bool caseSensitive) {
  a = withoutTrailingBlanks(a);
  b = withoutTrailingBlanks(b);
  if (caseSensitive) {
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  size_t i = 0, j = 0;
  auto next = [](std::string_view s, size_t& k) -> unsigned {
    const auto c = static_cast<unsigned char>(s[k++]);
    if (c >= 0x81 && k < s.size()) return 0x10000 + (c << 8) + static_cast<unsigned char>(s[k++]);
    return static_cast<unsigned>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  };
  while (i < a.size() && j < b.size()) {
    const unsigned x = next(a, i), y = next(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

// A number for the kinds that have one; text and bytes have none.
std::optional<double> numberOf(const Value& v) {
  return std::visit(
      [](const auto& x) -> std::optional<double> {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, int64_t> ||
                      std::is_same_v<T, double>) {
          return static_cast<double>(x);
        } else if constexpr (std::is_same_v<T, Date>) {
          return x.days;
        } else if constexpr (std::is_same_v<T, Time>) {
          return x.ms;
        } else if constexpr (std::is_same_v<T, Timestamp>) {
          return x.ms;
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return std::strtod(x.text.c_str(), nullptr);
        } else {
          return std::nullopt;
        }
      },
      v.storage());
}

int compareValues(const ColumnInfo& c, const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : a.isNull() ? -1 : 1;
  const auto* ta = a.get<std::string>();
  const auto* tb = b.get<std::string>();
  if (ta && tb) return compareText(*ta, *tb, c.caseSensitive);
  const auto* ba = a.get<Bytes>();
  const auto* bb = b.get<Bytes>();
  if (ba && bb) {
    const int r = ba->data.compare(bb->data);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  const auto na = numberOf(a), nb = numberOf(b);
  if (na && nb) return *na < *nb ? -1 : *na > *nb ? 1 : 0;
  // Values of unrelated kinds: order by kind, so the order is at least a total one.
  const size_t ka = a.storage().index(), kb = b.storage().index();
  return ka < kb ? -1 : ka > kb ? 1 : 0;
}

}  // namespace

MySqlRowStore::MySqlRowStore(std::shared_ptr<MySqlConnection> conn, std::string table,
                             TableInfo info)
    : conn_(std::move(conn)),
      table_(std::move(table)),
      quoted_(quoteIdentifier(table_)),
      info_(std::move(info)) {
  for (const ColumnInfo& c : info_.columns) kinds_.push_back(c.readAs);
  for (const IndexDef& index : info_.schema.indexes) {
    if (!index.primary) continue;
    for (const std::string& name : index.fields) {
      for (size_t i = 0; i < info_.columns.size(); ++i) {
        if (info_.columns[i].def.name == name) key_.push_back(i);
      }
    }
  }
  // Floating columns that round what they store cannot be matched exactly by the values
  // held here; the other columns still single the row out.
  for (size_t i = 0; i < info_.columns.size(); ++i) {
    const ColumnInfo& c = info_.columns[i];
    if (!(c.singlePrecision || c.decimals >= 0)) match_.push_back(i);
  }
  reloadAll();
}

MySqlRowStore::~MySqlRowStore() = default;

const Row& MySqlRowStore::row(size_t pos) const {
  checkPos(pos);
  return rows_[pos];
}

void MySqlRowStore::checkRow(const Row& row) const {
  if (row.size() != info_.columns.size()) {
    throw EngineError(ErrorKind::State, "MySQL: a row of " + table_ + " needs " +
                                            std::to_string(info_.columns.size()) +
                                            " values, given " + std::to_string(row.size()));
  }
}

void MySqlRowStore::checkPos(size_t pos) const {
  ensureRows();
  if (pos >= rows_.size()) {
    throw EngineError(ErrorKind::State, "MySQL: no row " + std::to_string(pos) + " in " + table_);
  }
}

// The value as the statement sends it: a Boolean for a text column goes as "T" or "F".
Value MySqlRowStore::toServer(size_t col, const Value& v) const {
  const auto* b = v.get<bool>();
  if (b && info_.columns[col].isText()) return Value(std::string(*b ? "T" : "F"));
  return v;
}

// The value as the server will give it back.
Value MySqlRowStore::asStored(size_t col, const Value& v) const {
  const ColumnInfo& c = info_.columns[col];
  Value out = toServer(col, v);
  if (const auto* s = out.get<std::string>(); s && c.fixedChar) {
    return Value(std::string(withoutTrailingBlanks(*s)));
  }
  if (const auto* d = out.get<double>()) {
    double x = *d;
    if (c.decimals >= 0) {
      const double scale = std::pow(10.0, c.decimals);
      x = std::round(x * scale) / scale;
    }
    if (c.singlePrecision) x = static_cast<float>(x);
    return Value(x);
  }
  return out;
}

int MySqlRowStore::compareKeys(const Row& a, const Row& b) const {
  for (size_t k : key_) {
    if (int c = compareValues(info_.columns[k], a[k], b[k])) return c;
  }
  return 0;
}

size_t MySqlRowStore::placeFor(const Row& row) const {
  if (!keyed()) return rows_.size();
  auto it = std::upper_bound(rows_.begin(), rows_.end(), row,
                             [&](const Row& a, const Row& b) { return compareKeys(a, b) < 0; });
  return static_cast<size_t>(it - rows_.begin());
}

std::string MySqlRowStore::keyCondition() const {
  std::string where;
  for (size_t k : key_) {
    if (!where.empty()) where += " AND ";
    where += quoteIdentifier(info_.columns[k].def.name) + " = ?";
  }
  return where;
}

std::string MySqlRowStore::matchCondition() const {
  std::string where;
  for (size_t i : match_) {
    if (!where.empty()) where += " AND ";
    // Null-safe, and byte for byte for text, so "abc" never stands for "ABC".
    const ColumnInfo& c = info_.columns[i];
    where += quoteIdentifier(c.def.name) + (c.isText() ? " <=> BINARY ?" : " <=> ?");
  }
  return where.empty() ? "1" : where;
}

std::vector<Value> MySqlRowStore::keyValues(const Row& row) const {
  std::vector<Value> out;
  for (size_t k : key_) out.push_back(row[k]);
  return out;
}

std::vector<Value> MySqlRowStore::matchValues(const Row& row) const {
  std::vector<Value> out;
  for (size_t i : match_) out.push_back(row[i]);
  return out;
}

MySqlStatement& MySqlRowStore::statement(std::unique_ptr<MySqlStatement>& slot,
                                         const std::string& sql) {
  if (!slot) slot = std::make_unique<MySqlStatement>(conn_, sql);
  return *slot;
}

void MySqlRowStore::reloadAll() const {
  std::string sql = "SELECT * FROM " + quoted_;
  if (keyed()) {
    sql += " ORDER BY ";
    for (size_t i = 0; i < key_.size(); ++i) {
      if (i) sql += ", ";
      sql += quoteIdentifier(info_.columns[key_[i]].def.name);
    }
  }
  MySqlStatement select(conn_, sql);
  select.execute({});
  rows_ = select.fetchAll(kinds_);
  stale_ = false;
}

// After a write: puts the row the server now holds where the table's order wants it and
// returns its position. `expected` is the row as written; `certain` says the server took
// every value as it stands (no warning, no default filled in).
size_t MySqlRowStore::storeWritten(Row expected, const std::vector<bool>& known, bool certain) {
  if (keyed()) {
    bool keyKnown = true;
    for (size_t k : key_) keyKnown = keyKnown && known[k] && !expected[k].isNull();
    if (keyKnown) {
      MySqlStatement& read =
          statement(readBack_, "SELECT * FROM " + quoted_ + " WHERE " + keyCondition());
      read.execute(keyValues(expected));
      std::vector<Row> found = read.fetchAll(kinds_);
      if (found.size() == 1) {
        const size_t pos = placeFor(found.front());
        rows_.insert(rows_.begin() + static_cast<ptrdiff_t>(pos), std::move(found.front()));
        return pos;
      }
    }
  } else if (certain) {
    rows_.push_back(std::move(expected));
    return rows_.size() - 1;
  }
  // The stored row cannot be told from here: read the table again and find it.
  reloadAll();
  for (size_t i = rows_.size(); i-- > 0;) {
    bool same = true;
    for (size_t c = 0; c < expected.size() && same; ++c) {
      if (known[c]) same = compareValues(info_.columns[c], rows_[i][c], expected[c]) == 0;
    }
    if (same) return i;
  }
  return rows_.empty() ? 0 : rows_.size() - 1;
}

std::vector<bool> MySqlRowStore::presentColumns(const Row& row) const {
  std::vector<bool> present(row.size());
  for (size_t i = 0; i < row.size(); ++i) {
    const ColumnInfo& c = info_.columns[i];
    present[i] = !(row[i].isNull() && (c.notNull || c.autoIncrement));
  }
  return present;
}

std::vector<bool> MySqlRowStore::insertMany(std::vector<Row> rows) {
  std::vector<WriteRow> writes;
  writes.reserve(rows.size());
  std::vector<size_t> of;  // the row each write is
  std::vector<bool> stored(rows.size(), false);
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].size() != info_.columns.size()) continue;  // refused, as insert() refuses it
    const std::vector<bool> present = presentColumns(rows[r]);
    WriteRow w(rows[r].size());
    for (size_t i = 0; i < rows[r].size(); ++i) {
      if (present[i]) w[i] = toServer(i, rows[r][i]);
    }
    writes.push_back(std::move(w));
    of.push_back(r);
  }
  rows.clear();
  if (writes.empty()) return stored;
  std::vector<std::string> names;
  for (const ColumnInfo& c : info_.columns) names.push_back(c.def.name);
  const std::vector<bool> taken = BulkInsert(conn_, table_, std::move(names)).write(writes);
  for (size_t k = 0; k < taken.size(); ++k) stored[of[k]] = taken[k];
  stale_ = true;
  ++changes_;
  return stored;
}

std::vector<bool> MySqlRowStore::updateMany(std::vector<std::pair<Row, Row>> changes) {
  if (!keyed() || changes.size() < 2) return RowStore::updateMany(std::move(changes));
  for (const auto& [held, changed] : changes) {
    checkRow(held);
    checkRow(changed);
  }
  // Columns of the temporary table: the change's number, the old key, then every column of
  // the table.
  const std::string temp = quoteIdentifier("kvt_row_changes");
  std::vector<std::string> names{"kvt_n"};
  std::string select = "CAST(0 AS UNSIGNED) AS `kvt_n`, ", on, set;
  for (size_t i = 0; i < key_.size(); ++i) {
    names.push_back("kvt_old_" + std::to_string(i));
    const std::string column = quoteIdentifier(info_.columns[key_[i]].def.name);
    const std::string old = quoteIdentifier(names.back());
    select += column + " AS " + old + ", ";
    on += std::string(i ? " AND " : "") + quoted_ + "." + column + " = " + temp + "." + old;
  }
  for (const ColumnInfo& c : info_.columns) {
    names.push_back(c.def.name);
    const std::string column = quoteIdentifier(c.def.name);
    set +=
        std::string(set.empty() ? "" : ", ") + quoted_ + "." + column + " = " + temp + "." + column;
  }
  try {
    conn_->execute("DROP TEMPORARY TABLE IF EXISTS " + temp);
    conn_->execute("CREATE TEMPORARY TABLE " + temp + " SELECT " + select + quoted_ + ".* FROM " +
                   quoted_ + " LIMIT 0");
  } catch (const EngineError&) {
    return RowStore::updateMany(std::move(changes));
  }
  struct Dropper {
    MySqlConnection& conn;
    const std::string& temp;
    ~Dropper() {
      try {
        conn.execute("DROP TEMPORARY TABLE IF EXISTS " + temp);
      } catch (const EngineError&) {
        // A lost session has dropped it with it.
      }
    }
  } dropper{*conn_, temp};

  std::vector<WriteRow> writes;
  writes.reserve(changes.size());
  for (size_t n = 0; n < changes.size(); ++n) {
    const auto& [held, changed] = changes[n];
    WriteRow w{Value(static_cast<int64_t>(n))};
    for (size_t k : key_) w.push_back(held[k]);
    for (size_t i = 0; i < changed.size(); ++i) w.push_back(toServer(i, changed[i]));
    writes.push_back(std::move(w));
  }
  const std::vector<bool> staged = BulkInsert(conn_, "kvt_row_changes", names).write(writes);
  writes.clear();
  stale_ = true;
  ++changes_;
  bool failed = false;
  try {
    conn_->execute("UPDATE IGNORE " + quoted_ + " JOIN " + temp + " ON " + on + " SET " + set);
  } catch (const EngineError&) {
    // What it made before it failed is told from the rows, as for the rest; the changes it
    // did not make are made one by one, so that only the row it refused is left out.
    failed = true;
  }

  // A change was made when the row of its new key holds the values it staged, as the
  // temporary table of the same columns stored them, and, for one that moves its row to
  // another key, the old key is gone. One skipped (a key or value another row has) or never
  // reached was not.
  reloadAll();
  std::vector<const Row*> order;
  order.reserve(rows_.size());
  for (const Row& r : rows_) order.push_back(&r);
  auto below = [&](const Row* a, const Row* b) { return compareKeys(*a, *b) < 0; };
  std::sort(order.begin(), order.end(), below);
  auto rowOf = [&](const Row& probe) -> const Row* {
    const auto it = std::lower_bound(order.begin(), order.end(), &probe, below);
    return it != order.end() && compareKeys(**it, probe) == 0 ? *it : nullptr;
  };
  std::vector<ReadAs> stagedKinds{ReadAs::Int};
  for (size_t k : key_) stagedKinds.push_back(kinds_[k]);
  stagedKinds.insert(stagedKinds.end(), kinds_.begin(), kinds_.end());
  MySqlStatement readStaged(conn_, "SELECT * FROM " + temp);
  readStaged.execute({});
  std::vector<bool> done(changes.size(), false);
  for (const Row& s : readStaged.fetchAll(stagedKinds)) {
    const auto n = static_cast<size_t>(s[0].asInt());
    if (n >= changes.size()) continue;
    const Row values(s.begin() + static_cast<ptrdiff_t>(1 + key_.size()), s.end());
    const Row* now = rowOf(values);
    const auto& [old, changed] = changes[n];
    done[n] = now && *now == values && (compareKeys(old, changed) == 0 || !rowOf(old));
  }
  std::vector<std::pair<Row, Row>> singly;
  std::vector<size_t> singlyOf;
  for (size_t c = 0; c < changes.size(); ++c) {
    if (!staged[c] || (failed && !done[c])) {
      singly.push_back(std::move(changes[c]));
      singlyOf.push_back(c);
    }
  }
  // A change the temporary table would not take is made as update() makes it.
  if (!singly.empty()) {
    const std::vector<bool> alone = RowStore::updateMany(std::move(singly));
    for (size_t k = 0; k < alone.size(); ++k) done[singlyOf[k]] = alone[k];
  }
  return done;
}

size_t MySqlRowStore::insert(Row row) {
  checkRow(row);
  ensureRows();
  const size_t n = row.size();
  const std::vector<bool> present = presentColumns(row);
  std::vector<Value> params;
  std::string columns, marks;
  for (size_t i = 0; i < n; ++i) {
    const ColumnInfo& c = info_.columns[i];
    if (!present[i]) continue;
    if (!params.empty()) {
      columns += ", ";
      marks += ", ";
    }
    columns += quoteIdentifier(c.def.name);
    marks += "?";
    params.push_back(toServer(i, row[i]));
  }
  auto& slot = inserts_[present];
  MySqlStatement& stmt =
      statement(slot, "INSERT INTO " + quoted_ + " (" + columns + ") VALUES (" + marks + ")");
  stmt.execute(params);
  const bool clean = stmt.warningCount() == 0;

  Row expected(n);
  bool certain = clean;
  std::vector<bool> known = present;
  for (size_t i = 0; i < n; ++i) {
    if (present[i]) {
      expected[i] = asStored(i, row[i]);
    } else if (info_.columns[i].autoIncrement) {
      expected[i] = Value(static_cast<int64_t>(stmt.insertId()));
      known[i] = true;
    } else {
      certain = false;
    }
  }
  const size_t pos = storeWritten(std::move(expected), known, certain);
  ++changes_;
  return pos;
}

size_t MySqlRowStore::update(size_t pos, Row row) {
  checkPos(pos);
  checkRow(row);
  const size_t n = row.size();
  std::string sql = "UPDATE " + quoted_ + " SET ";
  std::vector<Value> params;
  bool certain = true;
  for (size_t i = 0; i < n; ++i) {
    if (i) sql += ", ";
    sql += quoteIdentifier(info_.columns[i].def.name) + " = ?";
    params.push_back(toServer(i, row[i]));
    // The server turns a null for a NOT NULL column into the type's empty value.
    if (row[i].isNull() && info_.columns[i].notNull) certain = false;
  }
  std::vector<Value> where;
  if (keyed()) {
    sql += " WHERE " + keyCondition();
    where = keyValues(rows_[pos]);
  } else {
    sql += " WHERE " + matchCondition() + " LIMIT 1";
    where = matchValues(rows_[pos]);
  }
  params.insert(params.end(), where.begin(), where.end());
  MySqlStatement& stmt = statement(update_, sql);
  if (stmt.execute(params) == 0) {
    throw EngineError(ErrorKind::State,
                      "MySQL: the row of " + table_ + " was changed or deleted by another user");
  }
  certain = certain && stmt.warningCount() == 0;

  Row expected(n);
  std::vector<bool> known(n, true);
  for (size_t i = 0; i < n; ++i) {
    expected[i] = asStored(i, row[i]);
    if (row[i].isNull() && info_.columns[i].notNull) known[i] = false;
  }
  if (!keyed() && certain) {
    rows_[pos] = std::move(expected);
    ++changes_;
    return pos;
  }
  if (keyed()) rows_.erase(rows_.begin() + static_cast<ptrdiff_t>(pos));
  const size_t newPos = storeWritten(std::move(expected), known, certain);
  ++changes_;
  return newPos;
}

void MySqlRowStore::remove(size_t pos) {
  checkPos(pos);
  if (keyed()) {
    MySqlStatement& stmt =
        statement(remove_, "DELETE FROM " + quoted_ + " WHERE " + keyCondition());
    stmt.execute(keyValues(rows_[pos]));
  } else {
    MySqlStatement& stmt =
        statement(remove_, "DELETE FROM " + quoted_ + " WHERE " + matchCondition() + " LIMIT 1");
    stmt.execute(matchValues(rows_[pos]));
  }
  // A row another user deleted first is gone either way.
  rows_.erase(rows_.begin() + static_cast<ptrdiff_t>(pos));
  ++changes_;
}

void MySqlRowStore::clear() {
  conn_->execute("DELETE FROM " + quoted_);
  rows_.clear();
  stale_ = false;
  ++changes_;
}

}  // namespace kvt::mysql
