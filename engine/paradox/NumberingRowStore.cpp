#include "engine/paradox/NumberingRowStore.h"

#include <algorithm>

namespace kvt::paradox {

NumberingRowStore::NumberingRowStore(std::string tableName, TableSchema schema,
                                     std::vector<Row> rows, uint32_t counter)
    : KeyedRowStore(std::move(tableName), std::move(schema), std::move(rows)), last_(counter) {
  findLast();
}

NumberingRowStore::NumberingRowStore(std::string tableName, TableSchema schema, const RowWalk& walk,
                                     uint32_t counter)
    : KeyedRowStore(std::move(tableName), std::move(schema), walk), last_(counter) {
  findLast();
}

void NumberingRowStore::findLast() {
  const auto& fields = this->schema().fields;
  for (size_t i = 0; i < fields.size() && field_ < 0; ++i) {
    if (fields[i].type == FieldType::AutoInc) field_ = static_cast<int>(i);
  }
  if (field_ < 0) return;
  Row scratch;  // packed rows stay packed
  for (size_t r = 0; r < size(); ++r) {
    if (const int64_t* v = rowInto(r, scratch)[field_].get<int64_t>()) last_ = std::max(last_, *v);
  }
}

int64_t NumberingRowStore::numberIn(const Row& row) const {
  // Taken from the row as given (the store keeps it so), not read back: a look at the stored
  // row would unpack its chunk.
  const int64_t* n = row[size_t(field_)].get<int64_t>();
  return n ? std::max(last_, *n) : last_;
}

size_t NumberingRowStore::insert(Row row) {
  if (field_ < 0 || static_cast<size_t>(field_) >= row.size()) {
    return KeyedRowStore::insert(std::move(row));
  }
  Value& v = row[size_t(field_)];
  if (v.isNull()) v = Value(last_ + 1);
  const int64_t number = numberIn(row);
  const size_t at = KeyedRowStore::insert(std::move(row));
  last_ = number;
  return at;
}

size_t NumberingRowStore::insertCopy(const Row& row) {
  if (field_ < 0 || static_cast<size_t>(field_) >= row.size()) {
    return KeyedRowStore::insertCopy(row);
  }
  if (row[size_t(field_)].isNull()) return insert(row);  // numbered in a copy of its own
  const size_t at = KeyedRowStore::insertCopy(row);
  last_ = numberIn(row);
  return at;
}

}  // namespace kvt::paradox
