// A table handle in the manner of a data-aware table component: open, walk the rows, edit
// through a record buffer, post. All handles of one table share its rows (RowStore).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "schema/Database.h"
#include "schema/EngineError.h"
#include "schema/Filter.h"
#include "schema/Value.h"

namespace kvt {

class Table {
 public:
  enum class State { Inactive, Browse, Edit, Insert };

  Table(Database& db, std::string tableName);
  ~Table();  // closes; a pending edit is cancelled
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  Database& database() const { return *db_; }
  const std::string& tableName() const { return name_; }
  // Only while closed.
  void setTableName(std::string tableName);
  void setDatabase(Database& db);

  bool exists() const;
  void open(OpenMode mode = OpenMode::ReadWrite);
  void close();
  bool isOpen() const { return state_ != State::Inactive; }
  State state() const { return state_; }

  // Rows passing the filter, in table order. Next at the last row sets eof and stays on
  // that row. Moving (first, next, locate, append, a new filter) first posts a pending
  // change that has assignments and drops one that has none. When another handle deletes
  // the current row, the handle stands on the row that followed it and the next step stays
  // there, so a walk neither skips nor repeats a row.
  void first();
  void next();
  bool eof() const;
  int64_t recordCount() const;

  // append/insert start a new row (insert places it where the table's order puts it, which
  // for these tables is the same); edit starts changing the current row (on an empty table
  // it starts a new one); post stores the buffer (throws DuplicateKey and stays in edit
  // state) and leaves the cursor on the stored row; cancel drops it. deleteRow leaves the
  // cursor on the row that followed, or at eof on the new last row. Read-only handles
  // refuse every change with Locked.
  void append();
  void insert();
  void edit();
  void post();
  void cancel();
  void deleteRow();
  // Every row goes at once, whatever the filter, as deleting them one by one would leave the
  // table; the handle stands on no row.
  void deleteAllRows();

  // Stores `row` (one value per field) as a new row, each value converted as set() converts
  // it, without the record buffer and without moving the cursor: for filling a table with
  // many rows. False, with nothing stored, when a value cannot be converted or another row
  // has the key. A pending change is settled first, as before any move.
  bool addRow(Row row);
  // addRow of a row the caller fills again for the next one: its values may be left
  // converted, the row stays the caller's and a store that can is spared a copy of it.
  bool addRowFrom(Row& row);
  // addRow for many rows at once, in their order, through the store's bulk write where it
  // has one. Returns how many rows were not stored: a value that cannot be converted, a key
  // another row has, or any other row the database refuses.
  size_t addRows(std::vector<Row> rows);
  // addRows that says for each row, in their order, whether it was stored.
  std::vector<bool> tryAddRows(std::vector<Row> rows);
  // Changes rows, each given as read from the table (`first`) to new values (`second`, one
  // per field, converted as set() converts them), without the record buffer and without
  // moving the cursor, and says for each whether it was changed: false for a row that is
  // gone, a value that cannot be converted or a change the database refuses (a key another
  // row has). No two changes may share a key, old or new. A pending change is settled first.
  std::vector<bool> tryChangeRows(std::vector<std::pair<Row, Row>> changes);

  int fieldCount() const;
  const FieldDef& fieldDef(int pos) const;
  // Throws EngineError(MissingField) naming the table and the field.
  int fieldIndex(const std::string& name) const;
  bool hasField(const std::string& name) const;
  const TableSchema& schema() const;

  // Values of the current row (or of the record buffer while editing).
  Value get(int pos) const;
  Value get(const std::string& name) const { return get(fieldIndex(name)); }
  std::string getString(const std::string& name) const { return get(name).asString(); }
  int64_t getInt(const std::string& name) const { return get(name).asInt(); }
  double getFloat(const std::string& name) const { return get(name).asFloat(); }
  bool getBool(const std::string& name) const { return get(name).asBool(); }
  bool isNull(const std::string& name) const { return get(name).isNull(); }

  // Sets a field of the record buffer, converting the value to the field's type; an empty
  // text is null; text longer than an alpha field is cut to its width. Throws Conversion.
  void set(int pos, Value v);
  void set(const std::string& name, Value v) { set(fieldIndex(name), std::move(v)); }
  void setNull(const std::string& name) { set(name, Value::null()); }

  // Key fields joined by ";" ("Mode;SEQ"), one value each; exact match. Moves to the first
  // matching row (among rows passing the filter) and returns true, else stays and returns false.
  bool locate(const std::string& fields, const std::vector<Value>& values);

  // A filter such as "([Mode] = 'X102') or ([Mode] = 'X602No')"; applied while filtered.
  void setFilter(const std::string& expression);
  void setFiltered(bool on);

 private:
  bool passes(const Row& row) const;
  // Converts each value of a new row as set() would; throws State for a row of the wrong
  // width and Conversion for a value that cannot be converted.
  void coerceRow(Row& row) const;
  // addRow and addRowFrom: `row` converted, then handed to `insert`.
  template <class Insert>
  bool storeRow(Row& row, const Insert& insert);
  void requireOpen() const;
  void requireWritable() const;
  void seekFrom(size_t pos);
  void resync() const;
  // Posts a pending change that has assignments, or cancels one that has none, before the
  // cursor moves (as a data-aware table does).
  void settle();
  // Stands on the row at `pos` (which must exist).
  void standOn(size_t pos) const;
  // The first row at or after `pos` that passes the filter, if any.
  std::optional<size_t> visibleFrom(size_t pos) const;
  // Where the rows a filter "[F] = n" on an integer leading key field lets pass lie, together
  // in key order: [first, end) by the store's order; nullopt when the filter is another or
  // the store cannot search its order.
  std::optional<std::pair<size_t, size_t>> filterRange() const;
  std::optional<size_t> visibleBefore(size_t pos) const;
  [[noreturn]] void missingField(const std::string& name) const;

  Database* db_;
  std::string name_;
  std::shared_ptr<RowStore> store_;
  OpenMode mode_ = OpenMode::ReadWrite;
  State state_ = State::Inactive;
  mutable size_t pos_ = 0;              // position in the store
  mutable uint64_t seenChanges_ = 0;    // the store's changeCount when pos_ was set
  mutable std::optional<Row> current_;  // copy of the current row, to find it again
  Row buffer_;
  std::optional<Filter> filter_;
  bool filtered_ = false;
  mutable bool eof_ = true;
  // The current row vanished through another handle and the cursor moved on to the row
  // after it: the next step stays there.
  mutable bool ghost_ = false;
  bool modified_ = false;                      // the record buffer has assignments
  mutable uint64_t countedAt_ = ~uint64_t{0};  // changeCount when count_ was taken
  mutable int64_t count_ = 0;
  mutable Row scanRow_;  // where a scan unpacks the rows it passes over
  // range_ holds for the store, its changeCount and the filter expression it was found for.
  mutable const RowStore* rangeStore_ = nullptr;
  mutable uint64_t rangeAt_ = 0;
  mutable std::string rangeFilter_;
  mutable std::optional<std::pair<size_t, size_t>> range_;
};

// Converts a value to the kind a field of the given type stores (text for Alpha, integer
// for Short/Long/AutoInc, double for Number/Money, bool for Logical, ...). Throws Conversion.
Value coerceToField(const FieldDef& field, Value v);
// Whether `v` is already what coerceToField makes of it for `field`, so that converting it
// would only copy it. False for the kinds it cannot tell without converting.
bool storedAsIs(const FieldDef& field, const Value& v);

}  // namespace kvt
