#include "schema/KeyedRowStore.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "schema/EngineError.h"
#include "schema/RowPacking.h"

namespace kvt {
namespace {

constexpr size_t kMaxChunk = 512;   // a chunk this full is split in two
constexpr size_t kMinChunk = 64;    // a chunk this empty is merged with a neighbour
constexpr size_t kLoadChunk = 384;  // rows per chunk when a table is read

template <class T>
void appendRaw(std::string& out, const T& x) {
  char buf[sizeof(T)];
  std::memcpy(buf, &x, sizeof(T));
  out.append(buf, sizeof(T));
}

}  // namespace

KeyedRowStore::KeyedRowStore(std::string tableName, TableSchema schema)
    : name_(std::move(tableName)), schema_(std::move(schema)), key_(schema_.primaryKey()) {
  for (int k : key_) keyFields_ = std::max(keyFields_, size_t(k) + 1);
}

KeyedRowStore::KeyedRowStore(std::string tableName, TableSchema schema, std::vector<Row> rows)
    : KeyedRowStore(std::move(tableName), std::move(schema)) {
  for (size_t i = 0; i < rows.size(); ++i) {
    checkRow(rows[i]);
    if (keyed() && ordered_ && i > 0 && compareKeys(rows[i - 1], rows[i]) > 0) ordered_ = false;
  }
  if (!ordered_) {
    for (const Row& r : rows) countKey(r, +1);
  }
  size_ = rows.size();
  for (size_t start = 0; start < rows.size(); start += kLoadChunk) {
    const size_t end = std::min(rows.size(), start + kLoadChunk);
    starts_.push_back(start);
    Chunk& chunk = chunks_.emplace_back();
    chunk.rows.assign(std::make_move_iterator(rows.begin() + start),
                      std::make_move_iterator(rows.begin() + end));
    chunk.count = chunk.rows.size();
  }
}

KeyedRowStore::KeyedRowStore(std::string tableName, TableSchema schema, const RowWalk& walk)
    : KeyedRowStore(std::move(tableName), std::move(schema)) {
  // The key order is checked against the key fields of the row before, all that is kept.
  Row last(schema_.fields.size());
  walk([&](const Row& row) {
    checkRow(row);
    if (keyed() && ordered_) {
      if (size_ > 0 && compareKeys(last, row) > 0) ordered_ = false;
      for (int k : key_) last[size_t(k)] = row[size_t(k)];
    }
    appendPacked(row);
  });
  if (!ordered_) {
    Row scratch;
    for (size_t i = 0; i < size_; ++i) countKey(rowInto(i, scratch), +1);
  }
}

const Row& KeyedRowStore::row(size_t pos) const {
  checkPos(pos);
  const Spot s = spotOf(pos);
  return rowsOf(s.chunk)[s.offset];
}

const Row& KeyedRowStore::prefixInto(size_t pos, Row& scratch, size_t fields) const {
  checkPos(pos);
  const Spot s = spotOf(pos);
  const Chunk& chunk = chunks_[s.chunk];
  if (!chunk.isPacked()) return chunk.rows[s.offset];
  unpackRow(chunk.packed, chunk.offsets[s.offset], std::min(fields, schema_.fields.size()),
            scratch);
  return scratch;
}

std::vector<Row>& KeyedRowStore::rowsOf(size_t c) const {
  Chunk& chunk = chunks_[c];
  if (chunk.isPacked()) {
    chunk.rows.resize(chunk.count);
    for (size_t r = 0; r < chunk.count; ++r) {
      unpackRow(chunk.packed, chunk.offsets[r], schema_.fields.size(), chunk.rows[r]);
    }
    chunk.packed = std::string();
    chunk.offsets = std::vector<uint32_t>();
  }
  return chunk.rows;
}

void KeyedRowStore::pack(size_t c) {
  Chunk& chunk = chunks_[c];
  if (chunk.isPacked()) return;
  std::string packed;
  std::vector<uint32_t> offsets;
  offsets.reserve(chunk.rows.size());
  for (const Row& r : chunk.rows) {
    offsets.push_back(static_cast<uint32_t>(packed.size()));
    packRow(r, packed);
  }
  packed.shrink_to_fit();
  chunk.packed = std::move(packed);
  chunk.offsets = std::move(offsets);
  chunk.rows = std::vector<Row>();
}

size_t KeyedRowStore::insert(Row row) {
  checkRow(row);
  size_t pos = size_;
  // Rows that arrive in key order (a table being filled from a sorted source) go after the
  // last row without a search.
  if (keyed() && !goesLast(row)) {
    if (keyTaken(row)) duplicate(row);
    pos = lowerBound(row, false);
    if (!ordered_) countKey(row, +1);
  }
  insertAt(pos, std::move(row));
  changed();
  return pos;
}

size_t KeyedRowStore::insertCopy(const Row& row) {
  checkRow(row);
  // A store that counts its keys (one read out of key order) takes the row through insert().
  const bool packsAtEnd = ordered_ && (chunks_.empty() || chunks_.back().isPacked()) &&
                          (!keyed() || size_ == 0 || goesLast(row));
  if (!packsAtEnd) return insert(row);
  appendPacked(row);
  changed();
  return size_ - 1;
}

size_t KeyedRowStore::update(size_t pos, Row row) {
  checkRow(row);
  checkPos(pos);
  const Spot s = spotOf(pos);
  Row& old = rowsOf(s.chunk)[s.offset];
  if (!keyed() || compareKeys(old, row) == 0) {
    old = std::move(row);
    changed();
    return pos;
  }
  // The key changes: the row moves to where its new key belongs.
  if (keyTaken(row)) duplicate(row);
  if (!ordered_) {
    countKey(old, -1);
    countKey(row, +1);
  }
  eraseAt(pos);
  const size_t to = lowerBound(row, false);
  insertAt(to, std::move(row));
  changed();
  return to;
}

void KeyedRowStore::remove(size_t pos) {
  checkPos(pos);
  if (!ordered_) countKey(row(pos), -1);
  eraseAt(pos);
  changed();
}

void KeyedRowStore::clear() {
  chunks_.clear();
  starts_.clear();
  size_ = 0;
  lastChunk_ = 0;
  ordered_ = true;
  keyCounts_.clear();
  changed();
}

std::optional<size_t> KeyedRowStore::find(const Row& probe, size_t hint) const {
  if (!keyed() || !ordered_ || probe.size() != schema_.fields.size()) {
    return RowStore::find(probe, hint);
  }
  const size_t pos = lowerBound(probe, false);
  if (pos < size_ && compareKeys(row(pos), probe) == 0) return pos;
  return std::nullopt;
}

std::optional<size_t> KeyedRowStore::seekKey(const Row& keyPrefix) const {
  if (!keyed() || !ordered_ || keyPrefix.size() > key_.size()) return std::nullopt;
  return lowerBound(keyPrefix, true);
}

int KeyedRowStore::compareKeys(const Row& a, const Row& b) const {
  for (int k : key_) {
    if (int c = compareStoredValues(a[k], b[k])) return c;
  }
  return 0;
}

void KeyedRowStore::checkRow(const Row& row) const {
  if (row.size() != schema_.fields.size()) {
    throw EngineError(ErrorKind::State, "Table " + name_ + ": a row of " +
                                            std::to_string(row.size()) + " values for " +
                                            std::to_string(schema_.fields.size()) + " fields");
  }
}

void KeyedRowStore::checkPos(size_t pos) const {
  if (pos >= size_) {
    throw EngineError(ErrorKind::State,
                      "Table " + name_ + ": no row at position " + std::to_string(pos));
  }
}

KeyedRowStore::Spot KeyedRowStore::spotOf(size_t pos) const {
  auto holds = [&](size_t c) {
    return c < chunks_.size() && pos >= starts_[c] && pos - starts_[c] < chunks_[c].count;
  };
  size_t c = lastChunk_;
  if (!holds(c)) {
    c = holds(c + 1)
            ? c + 1
            : size_t(std::upper_bound(starts_.begin(), starts_.end(), pos) - starts_.begin()) - 1;
    lastChunk_ = c;
  }
  return {c, pos - starts_[c]};
}

int KeyedRowStore::compareToProbe(const Row& r, const Row& probe, bool prefix) const {
  const size_t n = prefix ? probe.size() : key_.size();
  for (size_t i = 0; i < n; ++i) {
    const int k = key_[i];
    if (int c = compareStoredValues(r[k], prefix ? probe[i] : probe[k])) return c;
  }
  return 0;
}

size_t KeyedRowStore::lowerBound(const Row& probe, bool prefix) const {
  // The first chunk whose last row is not below the probe, then the place inside it.
  size_t lo = 0, hi = chunks_.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (compareToProbe(keyOfRow(starts_[mid] + chunks_[mid].count - 1), probe, prefix) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo == chunks_.size()) return size_;
  const auto& chunk = rowsOf(lo);
  const auto it = std::partition_point(chunk.begin(), chunk.end(), [&](const Row& r) {
    return compareToProbe(r, probe, prefix) < 0;
  });
  return starts_[lo] + size_t(it - chunk.begin());
}

bool KeyedRowStore::keyTaken(const Row& row) const {
  if (!ordered_) {
    const auto it = keyCounts_.find(keyText(row));
    return it != keyCounts_.end() && it->second > 0;
  }
  const size_t pos = lowerBound(row, false);
  return pos < size_ && compareKeys(this->row(pos), row) == 0;
}

void KeyedRowStore::duplicate(const Row& row) const {
  std::string key;
  for (int k : key_) {
    if (!key.empty()) key += ", ";
    key += schema_.fields[k].name + "=" + row[k].asString();
  }
  throw EngineError(ErrorKind::DuplicateKey,
                    "Key violation: table " + name_ + " already has a row with " + key);
}

std::string KeyedRowStore::keyText(const Row& row) const {
  // One byte for the kind, then the value; numbers by their numeric value so that keys
  // equal under compareStoredValues give equal texts.
  std::string out;
  for (int k : key_) {
    const Value& v = row[k];
    out += static_cast<char>(v.storage().index());
    if (const auto* t = v.get<std::string>()) {
      appendRaw(out, t->size());
      out += *t;
    } else if (const auto* b = v.get<Bytes>()) {
      appendRaw(out, b->data.size());
      out += b->data;
    } else if (const auto* i = v.get<int64_t>()) {
      appendRaw(out, *i);
    } else if (auto n = numericValue(v)) {
      appendRaw(out, *n == 0 ? 0.0 : *n);
    } else if (const auto* d = v.get<Decimal>()) {
      appendRaw(out, d->text.size());
      out += d->text;
    }
  }
  return out;
}

void KeyedRowStore::countKey(const Row& row, int delta) {
  if (!keyed()) return;
  const std::string text = keyText(row);
  auto it = keyCounts_.find(text);
  if (it == keyCounts_.end()) {
    if (delta > 0) keyCounts_.emplace(text, delta);
    return;
  }
  it->second += delta;
  if (it->second <= 0) keyCounts_.erase(it);
}

const Row& KeyedRowStore::keyOfRow(size_t pos) const {
  return prefixInto(pos, keyScratch_, keyFields_);
}

bool KeyedRowStore::goesLast(const Row& row) const {
  return ordered_ && size_ > 0 && compareKeys(keyOfRow(size_ - 1), row) < 0;
}

void KeyedRowStore::appendPacked(const Row& row) {
  if (chunks_.empty() || chunks_.back().count >= kLoadChunk) {
    // A new chunk gets the room the one before took, so that it is seldom copied as it grows.
    const size_t room = chunks_.empty() ? 0 : chunks_.back().packed.size();
    if (!chunks_.empty()) trimPacked(chunks_.back());
    starts_.push_back(size_);
    chunks_.emplace_back().packed.reserve(room + room / 8);
  }
  Chunk& chunk = chunks_.back();
  chunk.offsets.push_back(static_cast<uint32_t>(chunk.packed.size()));
  packRow(row, chunk.packed);
  ++chunk.count;
  ++size_;
}

void KeyedRowStore::trimPacked(Chunk& chunk) {
  if (chunk.packed.capacity() > chunk.packed.size() + chunk.packed.size() / 4) {
    chunk.packed.shrink_to_fit();
  }
}

void KeyedRowStore::insertAt(size_t pos, Row row) {
  const bool atEnd = pos == size_;
  // A fill at the end of rows nobody has looked at since they were packed goes on packing:
  // the new row is packed where it lands and its values are let go.
  if (atEnd && (chunks_.empty() || chunks_.back().isPacked())) {
    appendPacked(row);
    return;
  }
  Spot s = atEnd ? Spot{chunks_.size() - 1, chunks_.back().count} : spotOf(pos);
  auto& rows = rowsOf(s.chunk);
  rows.insert(rows.begin() + ptrdiff_t(s.offset), std::move(row));
  chunks_[s.chunk].count = rows.size();
  for (size_t c = s.chunk + 1; c < starts_.size(); ++c) ++starts_[c];
  ++size_;
  if (rows.size() > kMaxChunk) {
    const size_t half = rows.size() / 2;
    Chunk tail;
    tail.rows.assign(std::make_move_iterator(rows.begin() + ptrdiff_t(half)),
                     std::make_move_iterator(rows.end()));
    tail.count = tail.rows.size();
    rows.resize(half);
    chunks_[s.chunk].count = half;
    chunks_.insert(chunks_.begin() + ptrdiff_t(s.chunk) + 1, std::move(tail));
    starts_.insert(starts_.begin() + ptrdiff_t(s.chunk) + 1, starts_[s.chunk] + half);
    // A fill at the end has passed the first half: nothing looks at it until the fill is done.
    if (atEnd) pack(s.chunk);
  }
}

void KeyedRowStore::eraseAt(size_t pos) {
  const Spot s = spotOf(pos);
  auto& rows = rowsOf(s.chunk);
  rows.erase(rows.begin() + ptrdiff_t(s.offset));
  chunks_[s.chunk].count = rows.size();
  for (size_t c = s.chunk + 1; c < starts_.size(); ++c) --starts_[c];
  --size_;
  lastChunk_ = 0;
  if (rows.empty()) {
    chunks_.erase(chunks_.begin() + ptrdiff_t(s.chunk));
    starts_.erase(starts_.begin() + ptrdiff_t(s.chunk));
    return;
  }
  if (rows.size() >= kMinChunk) return;
  // Fold a thin chunk into a neighbour so that deleting many rows leaves few chunks.
  auto merge = [&](size_t into) {
    auto& a = rowsOf(into);
    auto& b = rowsOf(into + 1);
    a.insert(a.end(), std::make_move_iterator(b.begin()), std::make_move_iterator(b.end()));
    chunks_[into].count = a.size();
    chunks_.erase(chunks_.begin() + ptrdiff_t(into) + 1);
    starts_.erase(starts_.begin() + ptrdiff_t(into) + 1);
  };
  const size_t count = rows.size();
  if (s.chunk + 1 < chunks_.size() && count + chunks_[s.chunk + 1].count <= kMaxChunk) {
    merge(s.chunk);
  } else if (s.chunk > 0 && chunks_[s.chunk - 1].count + count <= kMaxChunk) {
    merge(s.chunk - 1);
  }
}

void KeyedRowStore::changed() {
  ++changes_;
  dirty_ = true;
}

}  // namespace kvt
