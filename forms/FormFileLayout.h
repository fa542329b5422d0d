// The layout of the sections of a form file: for each table, the items of one row in file
// order, each with its encoding, the versions that carry it, what the table gets when the
// file does not, and which values read are kept. The reader and the writer both walk these
// descriptions, so a file written in any version reads back.
//
// A form file is: str "VELMORTBL", str version, then one section per table in the order of
// kFormTables, each an i32 row count followed by the rows, every row the concatenation of
// its items. Nothing separates rows and nothing follows the last section.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "forms/FormTables.h"
#include "schema/Value.h"

namespace kvt::forms {

inline constexpr std::string_view kFormFileMagic = "VELMORTBL";
// A str in place of a row's next item that ends the row (see Item::endMark).
inline constexpr std::string_view kEndMark = "NoMore";
// From this version on, entries and field definitions carry twelve lookup lists (six before),
// and only when their lookup mode is not "N"; a list's number 0 then means none.
inline constexpr const char* kLookupListsFrom = "0900206";

enum class Enc {
  Str,
  I32,
  F64,
  Bool,
  NullableBool,
  Memo,
  // One i32 carrying two short numbers: `column` + 1000 x `column2`.
  PackedPair,
};

// Which of the values read the table keeps; the others leave the field null.
enum class Keep {
  Always,
  Positive,         // above 0
  NonZero,          // not 0
  Never,            // read and dropped (the reader gives the field its own value)
  LookupNumber,     // not 0 in files of "0900206" on, above 0 in older ones
  PositiveElseOne,  // the value when above 0, else 1
  EmptyAsOne,       // text; empty text is kept as "1"
};

// A row being read or written, as the conditions of the layout see it.
class RowView {
 public:
  RowView(const std::string& version, const TableSchema& schema, const Row& row)
      : version(version), schema_(schema), row_(row) {}
  const Value& at(const std::string& column) const;
  std::string text(const std::string& column) const { return at(column).asString(); }
  int64_t number(const std::string& column) const { return at(column).asInt(); }

  const std::string& version;

 private:
  const TableSchema& schema_;
  const Row& row_;
};

struct Item {
  std::string column;  // the table field
  Enc enc;
  // In files of version `from` or later, later than `after`, and older than `before`
  // (each when given), and then only when `onlyIf` holds for the row as read so far.
  const char* from = nullptr;
  const char* after = nullptr;
  const char* before = nullptr;
  bool (*onlyIf)(const RowView&) = nullptr;
  Keep keep = Keep::Always;
  // The field's value when the item is not in the file: `absentRule` when given, else
  // `absent`. Fields start null, and a null here leaves the field as it is (so two items
  // may carry one field in different versions).
  Value absent{};
  Value (*absentRule)(const RowView&) = nullptr;
  // A str item whose text equals kEndMark ends the row: the field gets `endValue`, and the
  // fields of every later item stay null. The writer writes the mark when the field holds
  // `endValue` and every later item's field is null.
  bool endMark = false;
  Value endValue{};
  std::string column2{};  // the second field of a PackedPair

  // Resolved when the layout is built: the field positions in the table's schema.
  int pos = -1;
  int pos2 = -1;

  // Whether files of this version carry the item (before `onlyIf`).
  bool inVersion(const std::string& version) const;
};

struct Section {
  FormTable table;
  const TableSchema* schema;
  std::vector<Item> items;
  // Fields the file does not carry at all, with the value the reader gives them.
  std::vector<std::pair<int, Value>> fixed;
};

// The sections in file order.
const std::vector<Section>& formFileSections();
const Section& formFileSection(FormTable t);

}  // namespace kvt::forms
