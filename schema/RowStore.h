// The rows of one open table, shared by every handle of that table in this process.
// A keyed table keeps its rows in primary-key order; an unkeyed one in insertion order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt {

class RowStore {
 public:
  virtual ~RowStore() = default;

  virtual const TableSchema& schema() const = 0;
  virtual size_t size() const = 0;
  virtual const Row& row(size_t pos) const = 0;
  // The row at `pos` for a look in passing, as a scan does: a store that keeps rows packed
  // unpacks it into `scratch` (the reference is then to it) and keeps it packed.
  virtual const Row& rowInto(size_t pos, Row& scratch) const { return row(pos); }

  // Each returns the position the row now has. Rows hold exactly one value per field, of the
  // field's own kind (the caller has coerced them). A primary key that another row already
  // has throws EngineError(DuplicateKey) and changes nothing.
  virtual size_t insert(Row row) = 0;
  // insert() of a row the caller keeps (a buffer it fills again for the next row): a store
  // that can place the row without a copy of its values does.
  virtual size_t insertCopy(const Row& row) { return insert(row); }
  virtual size_t update(size_t pos, Row row) = 0;
  virtual void remove(size_t pos) = 0;
  virtual void clear() = 0;
  // Adds new rows in their order, each as insert() would, and says for each whether it was
  // stored; a row insert() refuses with an EngineError is left out. A store that can write
  // many rows at once does so.
  virtual std::vector<bool> insertMany(std::vector<Row> rows);
  // Changes rows, each given as held (`first`, found by its key) to its new values (`second`,
  // of the fields' own kinds), as update() would, and says for each whether it was changed:
  // false for a row that is gone or a change update() refuses. The changes must not meet (no
  // key, old or new, is another change's), so they may be made in any order. A store that can
  // change many rows at once does so.
  virtual std::vector<bool> updateMany(std::vector<std::pair<Row, Row>> changes);

  // Bumped by every change, so a handle notices changes made through another handle.
  virtual uint64_t changeCount() const = 0;

  // Where `probe` stands now: the row with its primary key (for an unkeyed table, with all
  // its values), looked for outward from `hint`; nullopt when there is none. Handles use it
  // to find their current row again after another handle changed the rows.
  virtual std::optional<size_t> find(const Row& probe, size_t hint) const;
  // The first position whose leading primary-key fields are not below `keyPrefix` (one value
  // per leading key field, of the fields' own kinds), for a store that can search its order;
  // nullopt when it cannot, and the caller scans instead.
  virtual std::optional<size_t> seekKey(const Row& keyPrefix) const { return std::nullopt; }
};

}  // namespace kvt
