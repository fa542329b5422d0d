// A whole table in memory and its files: decoding .DB (+ .MB) into rows, encoding rows
// into new .DB, .PX and .MB images.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/paradox/BlobFile.h"
#include "engine/paradox/ByteSink.h"
#include "engine/paradox/FieldTypes.h"
#include "engine/paradox/FileHeader.h"
#include "engine/paradox/SecondaryIndex.h"
#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt::paradox {

// What writing a table back needs beyond its rows: the headers as read (with their unknown
// bytes), or as built for a new table.
struct TableFormat {
  FileHeader db;
  std::optional<FileHeader> px;  // the .PX header as read; built from `db` when absent
  std::string blobFile;          // the .MB file as read, for its header; empty when none
  std::vector<SecondaryIndexFormat> secondary;  // as read; rebuilt on every write
};

struct TableImage {
  TableSchema schema;
  TableFormat format;
  std::vector<Row> rows;  // in file order, which for a keyed table is key order
};

// The table level of a header as the desktop program names it (3, 3.5 as 35, 4, 5, 7).
int tableLevel(const FileHeader& db);

// Decodes a .DB image and its .MB image (empty when the table has none). Throws
// EngineError(Format) for damaged files and EngineError(Unsupported) for encrypted ones.
// With `sink`, each row is handed to it as it is decoded, in the file's order, and the
// image holds no rows: a table read to be walked once is never whole in memory.
using RowSink = std::function<void(const Row&)>;
TableImage decodeTable(std::string_view db, std::string_view mb, const RowSink& sink = {});

// A header is at most 64 KB: its size is a 16-bit number.
inline constexpr uint64_t kMaxHeaderSize = 0x10000;

// The schema and header of a table from the first bytes of its .DB (at least its header),
// without its rows. Throws as decodeTable does for a damaged or encrypted header.
TableImage describeDataFile(std::string_view head);

// The same, reading the .DB of `size` bytes a megabyte or so at a time through `readAt`
// (which fills the span from the offset or throws), so that the file is never whole in
// memory. Each block is checked before its rows are handed over; damage found further on
// ends the walk with the error after the rows before it.
using ReadAt = std::function<void(uint64_t offset, std::span<char> out)>;
TableImage streamTable(uint64_t size, const ReadAt& readAt, std::string_view mb,
                       const RowSink& sink = {});

// The .PX header of a table; `px` when given, otherwise a new one for the table's key.
FileHeader primaryIndexHeader(const FileHeader& db, const std::optional<FileHeader>& px);

// The language of a table: its code page and sort order (the byte at 0x29 and the name).
struct TableLanguage {
  uint32_t codePage = 950;
  uint32_t sortOrder = 0;
  std::string sortOrderName = "ascii";
  friend bool operator==(const TableLanguage&, const TableLanguage&) = default;
};

// The language a table was written with (level 4 and up; nullopt for older tables).
std::optional<TableLanguage> languageOf(const FileHeader& db);

// The header of a new, empty table named `fileName` ("CB20.DB"). Tables are created at
// level 5, the level the desktop engine's default configuration writes as soon as a table
// has long integer or logical fields (level 4 cannot hold them, level 7 is chosen only for
// features these tables do not use), with 2 KB blocks (its default; larger only when a
// record needs it). The language defaults to code page 950 and the byte-order sort
// "ascii", under which the stored Big5 bytes of keys order the rows. The places the desktop
// engine fills in a table it makes are filled as it fills them (FamilyTies.h).
TableFormat newTableFormat(const std::string& fileName, const TableSchema& schema,
                           const TableLanguage& language = {});

// The key fields of the table's primary index (0 for an unkeyed table).
int keyFieldCount(const TableSchema& schema);

using RowAt = std::function<const Row&(size_t)>;
// Row r with at least its first `fields` values as RowAt gives them, for the passes that
// look at the keys alone: a source keeping its rows packed unpacks no more than those.
using RowPrefixAt = std::function<const Row&(size_t r, size_t fields)>;

// Where a field lies in a record.
struct FieldLayout {
  FieldType type;
  int descriptorSize;
  int offset;
  int width;
  bool blob;  // a memo, binary, formatted memo, graphic or OLE field
};

// The files of a table made from `count` rows (each with one value per field, of the
// field's own kind): a keyed table's in the order of its key under its sort order
// (SortOrder.h), an unkeyed table's in the given order. Blank auto-increment values get the
// next counter value, in the given order. The change counter counts the write; the
// structure stamp and family byte stay (FamilyTies.h).
// Everything but the records is worked out when the encoder is made (the counter, the key
// order, the primary index), so that the .DB can then go to a file block by block and a
// large table is never whole in memory a second time. `format` must outlive it.
// Throws EngineError(Conversion) for a value a key field cannot hold, EngineError(Unsupported)
// when the table outgrows what its block size can address, when its indexes order text under
// a sort order not implemented here, or when two keys are the same under it.
class TableEncoder {
 public:
  // `prefixAt`, when given, serves the key and counter passes instead of `rowAt`.
  TableEncoder(const TableFormat& format, const TableSchema& schema, size_t count,
               const RowAt& rowAt, const RowPrefixAt& prefixAt = {});

  const FileHeader& header() const { return h_; }  // the .DB header as written
  size_t headerSize() const { return headerBytes_.size(); }
  size_t dbSize() const { return headerBytes_.size() + blocks_ * h_.blockSize(); }
  // The .DB: its header, then the blocks of records. Throws EngineError(Conversion) for a
  // value a field cannot hold.
  void writeDb(ByteSink& out);
  // The .PX of a keyed table.
  const std::optional<std::string>& px() const { return px_; }
  // A table with blob fields, or one that had an .MB, gets an .MB.
  bool writesBlobFile() const { return hasBlobs_ || !format_.blobFile.empty(); }
  // The .MB, once the .DB is written; nullopt when the table gets none.
  std::optional<std::string> finishBlobs();
  // The data block of each row, in row order (the hint a secondary index stores).
  std::vector<uint32_t> rowBlocks() const;

 private:
  // Row r as given, checked for its number of values.
  const Row& rowOf(size_t r) const;
  // Row r's first `fields` values (more where the source gives more).
  const Row& prefixOf(size_t r, size_t fields) const;
  void encodeRecord(size_t place, char* rec);
  void encodeValue(size_t i, const Row& row, size_t r, char* rec);

  const TableFormat& format_;
  RowAt rowAt_;
  RowPrefixAt prefixAt_;
  size_t count_;
  FileHeader h_;
  std::vector<FieldLayout> fields_;
  uint32_t perBlock_ = 1;
  size_t blocks_ = 0;
  int autoIncField_ = -1;
  bool hasBlobs_ = false;
  std::vector<uint32_t> assigned_;  // per row, the counter value a blank auto-increment gets
  std::vector<uint32_t> order_;     // the row at each place, when not the given order
  // When the rows are placed out of their given order, their blob fields are laid out in
  // the given order beforehand (per row, the blob fields' bytes in field order), so that the
  // .MB comes out the same either way.
  std::string blobFields_;
  size_t blobFieldsWidth_ = 0;
  // Each row's key fields as its record holds them (they lead the record), encoded once
  // for the order and copied into the record.
  std::string keys_;
  size_t keyWidth_ = 0;
  BlobFileWriter blobs_;
  std::string headerBytes_;
  std::optional<std::string> px_;
};

struct EncodedTable {
  FileHeader header;  // the .DB header as written
  std::string db;
  std::optional<std::string> px;  // keyed tables
  std::optional<std::string> mb;  // tables with blob fields
  uint32_t autoIncrement = 0;     // the counter written to the header
  size_t blocksAt = 0;            // where the data blocks of `db` begin (after the header)
  // The data block of each row, in row order (the hint a secondary index stores).
  std::vector<uint32_t> rowBlocks;
};

// The whole of a table's files in memory, by TableEncoder. Throws as it does.
EncodedTable encodeTable(const TableFormat& format, const TableSchema& schema, size_t count,
                         const RowAt& rowAt, const RowPrefixAt& prefixAt = {});

}  // namespace kvt::paradox
