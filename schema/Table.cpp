#include "schema/Table.h"

#include <algorithm>
#include <cstdint>

#include "schema/FieldCoercion.h"
#include "schema/ValueOrder.h"

namespace kvt {
namespace {

std::string trimmedName(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

std::vector<std::string> splitFieldNames(const std::string& fields) {
  std::vector<std::string> names;
  size_t start = 0;
  while (true) {
    const size_t semi = fields.find(';', start);
    names.push_back(trimmedName(std::string_view(fields).substr(
        start, semi == std::string::npos ? std::string::npos : semi - start)));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return names;
}

// Hands the items whose values convert (`convert` throws Conversion for one that does not)
// to `write`, and says for each item whether it was written.
template <class Item, class Convert, class Write>
std::vector<bool> WriteConverted(std::vector<Item> items, Convert convert, Write write) {
  std::vector<bool> written(items.size(), false);
  std::vector<size_t> of;  // the item each fitting one is
  std::vector<Item> fit;
  fit.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    try {
      convert(items[i]);
      fit.push_back(std::move(items[i]));
      of.push_back(i);
    } catch (const EngineError& e) {
      if (e.kind() != ErrorKind::Conversion) throw;
    }
  }
  items.clear();
  const std::vector<bool> done = write(std::move(fit));
  for (size_t k = 0; k < done.size(); ++k) written[of[k]] = done[k];
  return written;
}

}  // namespace

Table::Table(Database& db, std::string tableName) : db_(&db), name_(std::move(tableName)) {}

Table::~Table() {
  try {
    close();
  } catch (...) {
    // A destructor cannot report; callers that need to know close explicitly.
  }
}

void Table::setTableName(std::string tableName) {
  if (isOpen()) throw EngineError(ErrorKind::State, "Table " + name_ + " is open");
  name_ = std::move(tableName);
}

void Table::setDatabase(Database& db) {
  if (isOpen()) throw EngineError(ErrorKind::State, "Table " + name_ + " is open");
  db_ = &db;
}

bool Table::exists() const {
  return db_->tableExists(name_);
}

void Table::open(OpenMode mode) {
  if (isOpen()) {
    if (mode == mode_) return;
    close();
  }
  std::shared_ptr<RowStore> store = db_->openTable(name_, mode);
  if (filtered_ && filter_) {
    try {
      filter_->check(store->schema());
    } catch (const EngineError& e) {
      try {
        db_->closeTable(store, mode);
      } catch (const EngineError&) {
        // Nothing was changed through this handle; the filter's error is the one to report.
      }
      throw EngineError(e.kind(), "Table " + name_ + ": " + e.what());
    }
  }
  store_ = std::move(store);
  rangeStore_ = nullptr;  // a store made at the address of one gone has rows of its own
  mode_ = mode;
  state_ = State::Browse;
  buffer_.clear();
  modified_ = false;
  countedAt_ = ~uint64_t{0};
  seekFrom(0);
}

void Table::close() {
  if (!isOpen()) return;
  std::shared_ptr<RowStore> store = std::move(store_);
  store_.reset();
  state_ = State::Inactive;
  buffer_.clear();
  modified_ = false;
  current_.reset();
  eof_ = true;
  ghost_ = false;
  db_->closeTable(store, mode_);
}

void Table::first() {
  requireOpen();
  settle();
  resync();
  seekFrom(0);
}

void Table::next() {
  requireOpen();
  settle();
  resync();
  if (ghost_) {
    // The row we stood on went away and we already stand on the one after it.
    ghost_ = false;
    return;
  }
  if (eof_ || !current_) {
    eof_ = true;
    return;
  }
  if (auto p = visibleFrom(pos_ + 1)) {
    standOn(*p);
  } else {
    eof_ = true;
  }
}

bool Table::eof() const {
  if (!isOpen()) return true;
  if (state_ == State::Browse) resync();
  return eof_;
}

int64_t Table::recordCount() const {
  requireOpen();
  if (!filtered_ || !filter_) return static_cast<int64_t>(store_->size());
  if (countedAt_ != store_->changeCount()) {
    int64_t n = 0;
    const auto range = filterRange();
    const size_t end = range ? range->second : store_->size();
    for (size_t p = range ? range->first : 0; p < end; ++p) {
      if (passes(store_->rowInto(p, scanRow_))) ++n;
    }
    count_ = n;
    countedAt_ = store_->changeCount();
  }
  return count_;
}

void Table::append() {
  requireWritable();
  settle();
  buffer_.assign(store_->schema().fields.size(), Value::null());
  modified_ = false;
  state_ = State::Insert;
}

void Table::insert() {
  append();
}

void Table::edit() {
  requireWritable();
  if (state_ != State::Browse) return;
  resync();
  if (!current_) {
    // Editing an empty table starts a new row, as a data-aware table does.
    append();
    return;
  }
  buffer_ = *current_;
  modified_ = false;
  state_ = State::Edit;
}

void Table::post() {
  requireOpen();
  if (state_ == State::Browse) {
    throw EngineError(ErrorKind::State, "Table " + name_ + " is not in edit or insert mode");
  }
  requireWritable();
  if (state_ == State::Edit && !modified_) {
    cancel();  // nothing was assigned: the row stays as it is
    return;
  }
  size_t at = 0;
  if (state_ == State::Insert) {
    at = store_->insert(buffer_);
  } else {
    size_t pos = pos_;
    if (store_->changeCount() != seenChanges_) {
      auto found = current_ ? store_->find(*current_, pos_) : std::nullopt;
      if (!found) {
        throw EngineError(ErrorKind::State, "Table " + name_ +
                                                ": the row being edited was changed or "
                                                "deleted through another handle");
      }
      pos = *found;
    }
    at = store_->update(pos, buffer_);
  }
  state_ = State::Browse;
  buffer_.clear();
  modified_ = false;
  ghost_ = false;
  eof_ = false;
  standOn(at);
}

void Table::cancel() {
  if (state_ == State::Edit || state_ == State::Insert) {
    state_ = State::Browse;
    buffer_.clear();
    modified_ = false;
  }
}

void Table::deleteAllRows() {
  requireWritable();
  cancel();
  store_->clear();
  current_.reset();
  pos_ = 0;
  ghost_ = false;
  seenChanges_ = store_->changeCount();
  eof_ = true;
}

void Table::deleteRow() {
  requireWritable();
  if (state_ == State::Insert) {
    cancel();  // the new row was never stored
    return;
  }
  cancel();
  std::optional<size_t> pos;
  if (current_) {
    pos =
        store_->changeCount() == seenChanges_ ? std::optional(pos_) : store_->find(*current_, pos_);
  }
  if (!pos) {
    throw EngineError(ErrorKind::State, "Table " + name_ + ": no current row to delete");
  }
  store_->remove(*pos);
  ghost_ = false;
  if (auto p = visibleFrom(*pos)) {
    standOn(*p);
    eof_ = false;
  } else if (auto q = visibleBefore(*pos)) {
    standOn(*q);
    eof_ = true;
  } else {
    current_.reset();
    pos_ = 0;
    seenChanges_ = store_->changeCount();
    eof_ = true;
  }
}

void Table::coerceRow(Row& row) const {
  const auto& fields = store_->schema().fields;
  if (row.size() != fields.size()) {
    throw EngineError(ErrorKind::State, "Table " + name_ + ": a row of " +
                                            std::to_string(row.size()) + " values for " +
                                            std::to_string(fields.size()) + " fields");
  }
  for (size_t i = 0; i < row.size(); ++i) {
    if (!storedAsIs(fields[i], row[i])) row[i] = coerceToField(fields[i], std::move(row[i]));
  }
}

template <class Insert>
bool Table::storeRow(Row& row, const Insert& insert) {
  requireWritable();
  settle();
  try {
    coerceRow(row);
    insert(row);
  } catch (const EngineError& e) {
    if (e.kind() != ErrorKind::Conversion && e.kind() != ErrorKind::DuplicateKey) throw;
    return false;
  }
  return true;
}

bool Table::addRow(Row row) {
  return storeRow(row, [&](Row& r) { store_->insert(std::move(r)); });
}

bool Table::addRowFrom(Row& row) {
  return storeRow(row, [&](const Row& r) { store_->insertCopy(r); });
}

size_t Table::addRows(std::vector<Row> rows) {
  const std::vector<bool> stored = tryAddRows(std::move(rows));
  return static_cast<size_t>(std::count(stored.begin(), stored.end(), false));
}

std::vector<bool> Table::tryAddRows(std::vector<Row> rows) {
  requireWritable();
  settle();
  return WriteConverted(
      std::move(rows), [&](Row& row) { coerceRow(row); },
      [&](std::vector<Row> fit) { return store_->insertMany(std::move(fit)); });
}

std::vector<bool> Table::tryChangeRows(std::vector<std::pair<Row, Row>> changes) {
  requireWritable();
  settle();
  return WriteConverted(
      std::move(changes), [&](std::pair<Row, Row>& change) { coerceRow(change.second); },
      [&](std::vector<std::pair<Row, Row>> fit) { return store_->updateMany(std::move(fit)); });
}

int Table::fieldCount() const {
  requireOpen();
  return static_cast<int>(store_->schema().fields.size());
}

const FieldDef& Table::fieldDef(int pos) const {
  requireOpen();
  const auto& fields = store_->schema().fields;
  if (pos < 0 || size_t(pos) >= fields.size()) {
    throw EngineError(ErrorKind::MissingField,
                      "Table " + name_ + " has no field number " + std::to_string(pos));
  }
  return fields[size_t(pos)];
}

int Table::fieldIndex(const std::string& name) const {
  requireOpen();
  const int pos = store_->schema().fieldIndex(name);
  if (pos < 0) missingField(name);
  return pos;
}

bool Table::hasField(const std::string& name) const {
  requireOpen();
  return store_->schema().fieldIndex(name) >= 0;
}

const TableSchema& Table::schema() const {
  requireOpen();
  return store_->schema();
}

Value Table::get(int pos) const {
  fieldDef(pos);  // checks open and range
  if (state_ == State::Edit || state_ == State::Insert) return buffer_[size_t(pos)];
  resync();
  if (!current_) return Value::null();
  return (*current_)[size_t(pos)];
}

void Table::set(int pos, Value v) {
  const FieldDef& field = fieldDef(pos);
  if (state_ != State::Edit && state_ != State::Insert) {
    throw EngineError(ErrorKind::State, "Table " + name_ + " is not in edit or insert mode");
  }
  try {
    buffer_[size_t(pos)] = coerceToField(field, std::move(v));
  } catch (const EngineError& e) {
    throw EngineError(e.kind(), "Table " + name_ + ": " + e.what());
  }
  modified_ = true;
}

bool Table::locate(const std::string& fields, const std::vector<Value>& values) {
  requireOpen();
  settle();
  resync();
  const std::vector<std::string> names = splitFieldNames(fields);
  if (names.size() != values.size()) {
    throw EngineError(ErrorKind::State, "Table " + name_ + ": locate on " +
                                            std::to_string(names.size()) + " fields with " +
                                            std::to_string(values.size()) + " values");
  }
  const TableSchema& sch = store_->schema();
  std::vector<int> cols;
  Row wanted;
  for (size_t i = 0; i < names.size(); ++i) {
    cols.push_back(fieldIndex(names[i]));
    try {
      wanted.push_back(coerceForSearch(sch.fields[size_t(cols.back())], values[i]));
    } catch (const EngineError& e) {
      throw EngineError(e.kind(), "Table " + name_ + ": " + e.what());
    }
  }
  auto matches = [&](const Row& r) {
    for (size_t i = 0; i < cols.size(); ++i) {
      if (compareStoredValues(r[size_t(cols[i])], wanted[i]) != 0) return false;
    }
    return true;
  };
  auto found = [&](size_t p) {
    standOn(p);
    eof_ = false;
    ghost_ = false;
    return true;
  };

  // When the fields are the leading fields of the primary key, the store can find the
  // first candidate by its order.
  const std::vector<int> key = sch.primaryKey();
  if (!cols.empty() && cols.size() <= key.size() &&
      std::is_permutation(cols.begin(), cols.end(), key.begin(),
                          key.begin() + ptrdiff_t(cols.size()))) {
    Row prefix;
    for (size_t k = 0; k < cols.size(); ++k) {
      const size_t i = size_t(std::find(cols.begin(), cols.end(), key[k]) - cols.begin());
      prefix.push_back(wanted[i]);
    }
    if (auto start = store_->seekKey(prefix)) {
      for (size_t p = *start; p < store_->size(); ++p) {
        const Row& r = store_->rowInto(p, scanRow_);
        if (!matches(r)) break;
        if (passes(r)) return found(p);
      }
      return false;
    }
  }
  for (size_t p = 0; p < store_->size(); ++p) {
    const Row& r = store_->rowInto(p, scanRow_);
    if (matches(r) && passes(r)) return found(p);
  }
  return false;
}

void Table::setFilter(const std::string& expression) {
  Filter f = Filter::parse(expression);
  if (isOpen() && filtered_) {
    settle();
    try {
      f.check(store_->schema());
    } catch (const EngineError& e) {
      throw EngineError(e.kind(), "Table " + name_ + ": " + e.what());
    }
    filter_ = std::move(f);
    countedAt_ = ~uint64_t{0};
    resync();
    seekFrom(0);
    return;
  }
  filter_ = std::move(f);
  countedAt_ = ~uint64_t{0};
}

void Table::setFiltered(bool on) {
  if (on == filtered_) return;
  if (isOpen()) {
    settle();
    if (on && filter_) {
      try {
        filter_->check(store_->schema());
      } catch (const EngineError& e) {
        throw EngineError(e.kind(), "Table " + name_ + ": " + e.what());
      }
    }
  }
  filtered_ = on;
  countedAt_ = ~uint64_t{0};
  if (isOpen()) {
    resync();
    seekFrom(0);
  }
}

bool Table::passes(const Row& row) const {
  return !filtered_ || !filter_ || filter_->matches(store_->schema(), row);
}

void Table::requireOpen() const {
  if (!isOpen()) throw EngineError(ErrorKind::State, "Table " + name_ + " is not open");
}

void Table::requireWritable() const {
  requireOpen();
  if (mode_ == OpenMode::ReadOnly) {
    throw EngineError(ErrorKind::Locked, "Table " + name_ + " is open read-only");
  }
}

void Table::seekFrom(size_t pos) {
  ghost_ = false;
  if (auto p = visibleFrom(pos)) {
    standOn(*p);
    eof_ = false;
  } else {
    current_.reset();
    pos_ = 0;
    seenChanges_ = store_->changeCount();
    eof_ = true;
  }
}

void Table::resync() const {
  if (!store_ || store_->changeCount() == seenChanges_) return;
  seenChanges_ = store_->changeCount();
  if (!current_) {
    pos_ = 0;
    return;
  }
  if (auto p = store_->find(*current_, pos_)) {
    standOn(*p);
    return;
  }
  // Our row is gone: stand on the row that followed it, or on the last one.
  const size_t from = std::min(pos_, store_->size());
  if (auto p = visibleFrom(from)) {
    standOn(*p);
    eof_ = false;
    ghost_ = true;
  } else if (auto q = visibleBefore(from)) {
    standOn(*q);
    eof_ = true;
    ghost_ = false;
  } else {
    current_.reset();
    pos_ = 0;
    eof_ = true;
    ghost_ = false;
  }
}

void Table::settle() {
  if (state_ != State::Edit && state_ != State::Insert) return;
  if (modified_) {
    post();
  } else {
    cancel();
  }
}

void Table::standOn(size_t pos) const {
  pos_ = pos;
  current_ = store_->row(pos);
  seenChanges_ = store_->changeCount();
}

// Rows passed over are looked at through a scratch row, so that a filtered walk of a large
// table leaves the rows its store keeps packed as they were.
std::optional<size_t> Table::visibleFrom(size_t pos) const {
  if (!filtered_ || !filter_) return pos < store_->size() ? std::optional(pos) : std::nullopt;
  const auto range = filterRange();
  const size_t end = range ? range->second : store_->size();
  for (size_t p = range ? std::max(pos, range->first) : pos; p < end; ++p) {
    if (passes(store_->rowInto(p, scanRow_))) return p;
  }
  return std::nullopt;
}

std::optional<size_t> Table::visibleBefore(size_t pos) const {
  size_t end = std::min(pos, store_->size());
  if (!filtered_ || !filter_) return end > 0 ? std::optional(end - 1) : std::nullopt;
  const auto range = filterRange();
  const size_t first = range ? range->first : 0;
  if (range) end = std::min(end, range->second);
  for (size_t p = end; p-- > first;) {
    if (passes(store_->rowInto(p, scanRow_))) return p;
  }
  return std::nullopt;
}

std::optional<std::pair<size_t, size_t>> Table::filterRange() const {
  const auto equal = filter_->fieldEqualsInteger();
  if (!equal) return std::nullopt;
  const TableSchema& schema = store_->schema();
  const std::vector<int> key = schema.primaryKey();
  if (key.empty() || schema.fieldIndex(equal->first) != key[0]) return std::nullopt;
  // Text keys order under the table's sort order, which a filter's comparison does not
  // follow; integers order alike in both.
  const FieldType type = schema.fields[size_t(key[0])].type;
  if (type != FieldType::Short && type != FieldType::Long && type != FieldType::AutoInc) {
    return std::nullopt;
  }
  if (rangeStore_ != store_.get() || rangeAt_ != store_->changeCount() ||
      rangeFilter_ != filter_->text()) {
    rangeStore_ = store_.get();
    rangeAt_ = store_->changeCount();
    rangeFilter_ = filter_->text();
    range_.reset();
    const auto first = store_->seekKey({Value(equal->second)});
    const auto end = first && equal->second < INT64_MAX
                         ? store_->seekKey({Value(equal->second + 1)})
                         : std::optional<size_t>(store_->size());
    if (first && end) range_ = std::pair(*first, *end);
  }
  return range_;
}

bool storedAsIs(const FieldDef& field, const Value& v) {
  if (v.isNull()) return true;
  switch (field.type) {
    case FieldType::Alpha: {
      const auto* t = v.get<std::string>();
      // A width in characters holds at least as many bytes, so this never lets a cut pass.
      return t && !t->empty() && (field.size <= 0 || t->size() <= size_t(field.size));
    }
    case FieldType::Memo:
    case FieldType::FmtMemo: {
      const auto* t = v.get<std::string>();
      return t && !t->empty();
    }
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc: {
      const auto* n = v.get<int64_t>();
      const int64_t lo = field.type == FieldType::Short ? -32768 : INT32_MIN;
      const int64_t hi = field.type == FieldType::Short ? 32767 : INT32_MAX;
      return n && *n >= lo && *n <= hi;
    }
    case FieldType::Number:
    case FieldType::Money:
      return v.isFloat();
    case FieldType::Logical:
      return v.isBool();
    default:
      return false;  // the rarer kinds take the full conversion
  }
}

void Table::missingField(const std::string& name) const {
  throw EngineError(ErrorKind::MissingField, "Field '" + name + "' not found in table " + name_);
}

}  // namespace kvt
