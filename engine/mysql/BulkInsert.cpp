#include "engine/mysql/BulkInsert.h"

#include <algorithm>
#include <map>
#include <string>

#include "engine/mysql/SqlText.h"
#include "schema/EngineError.h"

namespace kvt::mysql {
namespace {

// The server allows at most 65 535 placeholders in one statement.
constexpr std::size_t kMaxPlaceholders = 65000;
// Beyond this many rows a statement gains nothing: the round trip is already a small part.
constexpr std::size_t kMaxRows = 2000;
// Packet limit assumed when the server does not say.
constexpr std::size_t kDefaultPacket = 1 << 20;

// About what a value takes in the packet that executes a statement, with its type and length.
std::size_t sentSize(const std::optional<Value>& v) {
  if (!v) return 8;
  if (const auto* s = v->get<std::string>()) return s->size() + 12;
  if (const auto* b = v->get<Bytes>()) return b->data.size() + 12;
  if (const auto* d = v->get<Decimal>()) return d->text.size() + 12;
  return 40;  // numbers, dates and times: a few bytes, or their text
}

std::size_t rowSize(const WriteRow& row) {
  std::size_t n = 4 * row.size();  // "?, " or "DEFAULT, " of the statement text, near enough
  for (const auto& v : row) n += sentSize(v);
  return n;
}

// Holds a write lock on one table of the session until it goes; nothing when the server
// refuses the lock.
class TableLock {
 public:
  TableLock(MySqlConnection& conn, const std::string& quoted) : conn_(conn) {
    try {
      conn_.execute("LOCK TABLES " + quoted + " WRITE");
      held_ = true;
    } catch (const EngineError&) {
      held_ = false;
    }
  }
  ~TableLock() {
    if (!held_) return;
    try {
      conn_.execute("UNLOCK TABLES");
    } catch (const EngineError&) {
      // A lost session has dropped its locks with it.
    }
  }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
  bool held() const { return held_; }

 private:
  MySqlConnection& conn_;
  bool held_ = false;
};

}  // namespace

BulkInsert::BulkInsert(std::shared_ptr<MySqlConnection> conn, std::string table,
                       std::vector<std::string> columns)
    : conn_(std::move(conn)), quoted_(quoteIdentifier(table)), columns_(columns.size()) {
  for (const std::string& c : columns) {
    if (!columnList_.empty()) columnList_ += ", ";
    columnList_ += quoteIdentifier(c);
  }
}

std::size_t BulkInsert::rowsPerStatement(std::size_t columns) {
  return std::clamp<std::size_t>(kMaxPlaceholders / std::max<std::size_t>(columns, 1), 1, kMaxRows);
}

std::size_t BulkInsert::bytesPerStatement(std::size_t maxPacket) {
  // Half the limit leaves room for the protocol's own bytes and for an estimate that is low.
  return std::max<std::size_t>(maxPacket / 2, 1024);
}

std::size_t BulkInsert::maxPacket() {
  try {
    const auto rows = conn_->query("SELECT @@max_allowed_packet");
    if (!rows.empty() && !rows.front().empty() && rows.front().front()) {
      return static_cast<std::size_t>(std::stoull(*rows.front().front()));
    }
  } catch (const std::exception&) {
    // Fall back to the smallest limit servers ship with.
  }
  return kDefaultPacket;
}

std::size_t BulkInsert::rowCount() {
  const auto rows = conn_->query("SELECT COUNT(*) FROM " + quoted_);
  if (rows.empty() || rows.front().empty() || !rows.front().front()) {
    throw EngineError(ErrorKind::Server, "MySQL: no row count for " + quoted_);
  }
  return static_cast<std::size_t>(std::stoull(*rows.front().front()));
}

std::size_t BulkInsert::writeStatement(const std::vector<WriteRow>& rows, std::size_t from,
                                       std::size_t to) {
  std::string sql = "INSERT INTO " + quoted_ + " (" + columnList_ + ") VALUES ";
  std::vector<Value> params;
  for (std::size_t r = from; r < to; ++r) {
    if (rows[r].size() != columns_) {
      throw EngineError(ErrorKind::State, "MySQL: a row of " + quoted_ + " needs " +
                                              std::to_string(columns_) + " values");
    }
    sql += r == from ? "(" : ", (";
    for (std::size_t c = 0; c < columns_; ++c) {
      if (c) sql += ", ";
      if (rows[r][c]) {
        sql += '?';
        params.push_back(*rows[r][c]);
      } else {
        sql += "DEFAULT";
      }
    }
    sql += ')';
  }
  if (sql != lastSql_ || !last_) {
    last_.reset();
    lastSql_.clear();
    last_ = std::make_unique<MySqlStatement>(conn_, sql);
    lastSql_ = std::move(sql);
  }
  return static_cast<std::size_t>(last_->execute(params));
}

void BulkInsert::writeSingly(const std::vector<WriteRow>& rows, std::size_t from, std::size_t to,
                             std::vector<bool>& taken) {
  for (std::size_t r = from; r < to; ++r) {
    try {
      writeStatement(rows, r, r + 1);
      taken[r] = true;
    } catch (const EngineError&) {
      taken[r] = false;
    }
  }
}

std::vector<bool> BulkInsert::write(const std::vector<WriteRow>& rows) {
  std::vector<bool> taken(rows.size(), false);
  if (rows.empty()) return taken;
  TableLock lock(*conn_, quoted_);
  if (!lock.held()) {
    // Without the lock the rows a failed statement left cannot be told from another
    // session's: one statement a row.
    writeSingly(rows, 0, rows.size(), taken);
    return taken;
  }
  Range range{rows, taken, rowsPerStatement(columns_), bytesPerStatement(maxPacket()), 0};
  range.count = rowCount();
  writeRange(range, 0, rows.size());
  return taken;
}

bool BulkInsert::writeRange(Range& r, std::size_t from, std::size_t to) {
  auto mark = [&](std::size_t a, std::size_t b) {
    std::fill(r.taken.begin() + static_cast<std::ptrdiff_t>(a),
              r.taken.begin() + static_cast<std::ptrdiff_t>(b), true);
  };
  while (from < to) {
    std::size_t end = from, bytes = 0;
    while (end < to && end - from < r.maxRows) {
      const std::size_t size = rowSize(r.rows[end]);
      if (end > from && bytes + size > r.maxBytes) break;
      bytes += size;
      ++end;
    }
    try {
      writeStatement(r.rows, from, end);
      mark(from, end);
      r.count += end - from;
      from = end;
      continue;
    } catch (const EngineError&) {
      // Handled below: the statement's rows are looked at one part at a time.
    }
    std::size_t now = 0;
    try {
      now = rowCount();
    } catch (const EngineError&) {
      return false;  // the session is gone: no later row gets in either
    }
    // A table that cannot roll a statement back keeps the rows before the refused one, which
    // then comes next; one that rolls back keeps none, and the refused row is looked for by
    // halves.
    const std::size_t kept = now > r.count ? std::min(now - r.count, end - from) : 0;
    mark(from, from + kept);
    r.count = now;
    const std::size_t suspect = from + kept;
    if (suspect == end) {
      from = end;
      continue;
    }
    writeSingly(r.rows, suspect, suspect + 1, r.taken);
    if (r.taken[suspect]) ++r.count;
    if (!r.taken[suspect] || suspect + 1 == end) {
      from = suspect + 1;
      continue;
    }
    const std::size_t mid = suspect + 1 + (end - suspect - 1) / 2;
    if (!writeRange(r, suspect + 1, mid) || !writeRange(r, mid, end)) return false;
    from = end;
  }
  return true;
}

}  // namespace kvt::mysql
