// The rows of an open table: a KeyedRowStore that gives a row added with a blank
// auto-increment field the next number before the row is placed, so that a key holding that
// field sorts by its number like the desktop engine sorts it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "schema/KeyedRowStore.h"

namespace kvt::paradox {

class NumberingRowStore : public KeyedRowStore {
 public:
  // `counter` is the table header's auto-increment counter (the last number handed out).
  NumberingRowStore(std::string tableName, TableSchema schema, std::vector<Row> rows,
                    uint32_t counter);
  NumberingRowStore(std::string tableName, TableSchema schema, const RowWalk& walk,
                    uint32_t counter);

  size_t insert(Row row) override;
  size_t insertCopy(const Row& row) override;

 private:
  // The counter continues from the highest value in use.
  void findLast();
  // The counter once `row` is stored.
  int64_t numberIn(const Row& row) const;
  int field_ = -1;  // the first auto-increment field, if any
  int64_t last_ = 0;
};

}  // namespace kvt::paradox
