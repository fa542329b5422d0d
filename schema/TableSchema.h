// Field and index definitions shared by both table engines and by the table creators.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kvt {

// Field types, named after the Paradox type letters. A MySQL column maps onto the nearest
// one (char/varchar -> Alpha, int -> Long, smallint -> Short, double -> Number,
// text -> Memo, tinyint(1)/bit(1) -> Logical, date -> Date, time -> Time,
// datetime -> Timestamp, decimal -> Bcd, blob -> Blob).
enum class FieldType {
  Alpha,      // A n
  Date,       // D
  Short,      // S
  Long,       // I
  Money,      // $
  Number,     // N
  Logical,    // L
  Memo,       // M n
  Blob,       // B n
  FmtMemo,    // F n
  Ole,        // O n
  Graphic,    // G n
  Time,       // T
  Timestamp,  // @
  AutoInc,    // +
  Bcd,        // # n
  Bytes,      // Y n
};

// The type letter used in structure listings ("A", "S", "I", "N", "L", "M", ...).
char typeLetter(FieldType t);
std::optional<FieldType> typeFromLetter(char letter);

struct FieldDef {
  std::string name;
  FieldType type = FieldType::Alpha;
  int size = 0;  // Alpha width in bytes; in-record size of blobs; BCD digits; Bytes length
  // The Alpha width counts characters, not bytes: a MySQL char(n) holds n characters of its
  // character set, a two-byte code page 950 character among them.
  bool sizeInCharacters = false;
  friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

struct IndexDef {
  std::string name;  // empty for the primary key
  std::vector<std::string> fields;
  bool primary = false;
  bool unique = false;
  bool caseInsensitive = false;
  friend bool operator==(const IndexDef&, const IndexDef&) = default;
};

struct TableSchema {
  std::vector<FieldDef> fields;
  std::vector<IndexDef> indexes;  // the primary key (if any) first

  // Index of the field named exactly `name` (letter case included), or -1.
  int fieldIndex(const std::string& name) const;
  // The primary key's fields as positions; empty for an unkeyed table.
  std::vector<int> primaryKey() const;
};

}  // namespace kvt
