// The rows of one open table, shared by every handle of that table in this process.
// A keyed table keeps its rows in primary-key order; an unkeyed one in insertion order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt {

class RowStore {
 public:
  virtual ~RowStore() = default;

  virtual const TableSchema& schema() const = 0;
  virtual size_t size() const = 0;
  virtual const Row& row(size_t pos) const = 0;

  // Each returns the position the row now has. Rows hold exactly one value per field, of the
  // field's own kind (the caller has coerced them). A primary key that another row already
  // has throws EngineError(DuplicateKey) and changes nothing.
  virtual size_t insert(Row row) = 0;
  virtual size_t update(size_t pos, Row row) = 0;
  virtual void remove(size_t pos) = 0;
  virtual void clear() = 0;

  // Bumped by every change, so a handle notices changes made through another handle.
  virtual uint64_t changeCount() const = 0;
};

}  // namespace kvt
