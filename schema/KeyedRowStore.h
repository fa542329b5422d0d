// The rows of a table held in memory: the store of the in-memory database and of the
// Paradox engine, which reads a table file whole into one and writes it back from it.
//
// A keyed table (one with a primary key) keeps its rows in key order and refuses a second
// row with the same key; an unkeyed table keeps them in the order they were added. Values
// compare by the kind the field stores: null first, text and bytes by their bytes, numbers,
// Booleans and calendar values by their numeric value.
//
// Rows live in chunks of a few hundred, so adding or removing a row moves only its chunk
// and finding a position is a binary search: a table of 200 000 rows fills in any order in
// well under a second. A fill in key order packs each row as it comes (RowPacking.h), a few
// bytes a value, and a chunk stays packed until one of its rows is changed or looked at
// through row(): a large table being filled is held in a fraction of the memory its Values
// would take.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "schema/RowStore.h"
#include "schema/ValueOrder.h"

namespace kvt {

class KeyedRowStore : public RowStore {
 public:
  // An empty table. `tableName` names the table in error messages.
  KeyedRowStore(std::string tableName, TableSchema schema);
  // A table read from its file: `rows` in the file's order, kept as they are. For a keyed
  // table that is key order; should a file hold its rows in another order (one written under
  // a different sort order), that order stays, new rows go where the key order of this
  // store puts them, and duplicate keys are still refused.
  KeyedRowStore(std::string tableName, TableSchema schema, std::vector<Row> rows);
  // The same, the rows handed over one at a time by `walk` (each valid only during its call)
  // and packed a chunk at a time as they come: a large table read is never held as loose
  // values.
  using RowWalk = std::function<void(const std::function<void(const Row&)>& add)>;
  KeyedRowStore(std::string tableName, TableSchema schema, const RowWalk& walk);

  const std::string& tableName() const { return name_; }
  void setTableName(std::string name) { name_ = std::move(name); }
  bool keyed() const { return !key_.empty(); }

  const TableSchema& schema() const override { return schema_; }
  size_t size() const override { return size_; }
  const Row& row(size_t pos) const override;

  size_t insert(Row row) override;
  // A row that goes after the last one into a packed chunk is packed from `row` itself.
  size_t insertCopy(const Row& row) override;
  size_t update(size_t pos, Row row) override;
  void remove(size_t pos) override;
  void clear() override;

  uint64_t changeCount() const override { return changes_; }

  // The row at `pos`, as row() gives it, but a row of a packed chunk is unpacked into
  // `scratch` (and the reference is to it) and its chunk stays packed: for walking a large
  // table once, as writing it out and a filter's scan do.
  const Row& rowInto(size_t pos, Row& scratch) const override {
    return prefixInto(pos, scratch, SIZE_MAX);
  }
  // The same, a packed row unpacked only as far as its first `fields` values.
  const Row& prefixInto(size_t pos, Row& scratch, size_t fields) const;

  std::optional<size_t> find(const Row& probe, size_t hint) const override;
  std::optional<size_t> seekKey(const Row& keyPrefix) const override;

  // Whether rows changed since the store was made or last marked clean (the Paradox engine
  // writes a table back only when they did).
  bool dirty() const { return dirty_; }
  void markClean() { dirty_ = false; }

  // Orders two rows by the primary key.
  int compareKeys(const Row& a, const Row& b) const;

 private:
  struct Spot {
    size_t chunk;
    size_t offset;
  };
  // A chunk's rows, or while packed their bytes and where each row starts in them.
  struct Chunk {
    std::vector<Row> rows;
    std::string packed;
    std::vector<uint32_t> offsets;
    size_t count = 0;  // rows, packed or not
    bool isPacked() const { return !offsets.empty(); }
  };

  // The rows of chunk c, unpacked first when packed.
  std::vector<Row>& rowsOf(size_t c) const;
  void pack(size_t c);
  // The row at `pos` as far as its key fields, its chunk left as it is (the reference lasts
  // until the next call).
  const Row& keyOfRow(size_t pos) const;
  // Whether a keyed `row` sorts after the last row, in a store kept in key order.
  bool goesLast(const Row& row) const;
  // Packs `row` after the last row, whose chunk is packed (or there is none).
  void appendPacked(const Row& row);
  static void trimPacked(Chunk& chunk);

  void checkRow(const Row& row) const;
  void checkPos(size_t pos) const;
  Spot spotOf(size_t pos) const;
  // The first position whose key is not below `probe`'s leading `fields` key fields,
  // `probe` holding those values as `prefix` (one per key field) or as a whole row.
  size_t lowerBound(const Row& probe, bool prefix) const;
  int compareToProbe(const Row& r, const Row& probe, bool prefix) const;
  bool keyTaken(const Row& row) const;
  [[noreturn]] void duplicate(const Row& row) const;
  std::string keyText(const Row& row) const;
  void countKey(const Row& row, int delta);
  void insertAt(size_t pos, Row row);
  void eraseAt(size_t pos);
  void changed();

  std::string name_;
  TableSchema schema_;
  std::vector<int> key_;
  size_t keyFields_ = 0;               // fields up to the last key field
  mutable Row keyScratch_;             // for keyOfRow
  mutable std::vector<Chunk> chunks_;  // never an empty chunk
  std::vector<size_t> starts_;         // position of each chunk's first row
  size_t size_ = 0;
  mutable size_t lastChunk_ = 0;  // where the last look-up ended; walks go chunk by chunk
  uint64_t changes_ = 0;
  bool dirty_ = false;
  // False once a table was read whose rows are not in this store's key order; keys are then
  // counted here to refuse duplicates.
  bool ordered_ = true;
  std::unordered_map<std::string, int> keyCounts_;
};

}  // namespace kvt
