// The header block that starts every table file (.DB, .PX, .Xnn, .Ynn, .XGn, .YGn).
//
// Its first 0x58 bytes have fixed places, shared by all kinds of file; data files (.DB and
// the .X files of secondary indexes) of level 4 and up add fixed places up to 0x78. A
// variable part follows: the field descriptors, the table name and, in data files, the
// field names, the field numbers, the sort order name and (.X files) the index name.
// Many bytes have no known meaning; a header that was read is written back from its own
// bytes with only the known places changed.
//
// kSlots in FileHeader.cpp is the one description of the fixed places, used both to read
// and to write them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvt::paradox {

enum class FileKind {
  Data,            // .DB
  PrimaryIndex,    // .PX
  SecondaryData,   // .Xnn / .XGn: the index rows, a data file sorted on its own key
  SecondaryIndex,  // .Ynn / .YGn: the block index of an .X file, laid out like a .PX
};

FileKind kindOfFileType(uint8_t fileType);

struct FieldDescriptor {
  uint8_t code = 0;
  uint8_t size = 0;
  friend bool operator==(const FieldDescriptor&, const FieldDescriptor&) = default;
};

struct FileHeader {
  // Places shared by all files.
  uint32_t recordSize = 0;
  uint32_t headerSize = 0x800;
  uint32_t fileType = 0;
  uint32_t blockSizeCode = 2;  // block size in KB
  uint32_t recordCount = 0;
  uint32_t usedBlocks = 0;
  uint32_t totalBlocks = 0;
  uint32_t firstBlock = 0;
  uint32_t lastBlock = 0;
  // A small number the desktop engine writes into every file of a family, rising with the
  // files it had open (a new table's .DB 3, its .PX 4); kept as read.
  uint32_t openOrder = 0;
  uint32_t modifiedFlags1 = 0;
  uint32_t indexFieldNumber = 0;  // .Xnn: the field number nn
  // Data files of keyed tables (.DB, .X): non-zero, an address of the desktop engine's own
  // memory stored as it stood; zero in unkeyed tables.
  uint32_t keyWorkspace = 0;
  uint32_t indexRoot = 0;    // index files: block of the root
  uint32_t indexLevels = 0;  // index files
  uint32_t fieldCount = 0;
  uint32_t keyFieldCount = 0;
  uint32_t encryption1 = 0;
  uint32_t sortOrder = 0;
  uint32_t modifiedFlags2 = 0;
  // Index files (.PX, .Y): the change counter of their data file when they were written,
  // offset by the sort order (FamilyTies.h).
  uint32_t dataCounter = 0;
  // Data files: one more with every write of the file. Index files: their own, not kept up.
  uint32_t changeCount1 = 0;
  // The family byte: set when the table's structure is made; its .X files and .VAL carry
  // the same value to show that they belong to this structure.
  uint32_t changeCount2 = 0;
  // .X files: the .PX's dataCounter when the index was written.
  uint32_t primaryCounter = 0;
  uint32_t fileVersion =
      0;  // 3 level 3, 4 level 3.5, 5..9 level 4, 0x0A/0x0B level 5, 0x0C level 7
  uint32_t maxBlocks = 0;
  uint32_t autoIncrement = 0;
  uint32_t firstFreeBlock = 0;
  uint32_t indexUpdateRequired = 0;
  uint32_t headerEnd = 0;       // end of the used part of the header
  uint32_t indexDirection = 0;  // .X files of level 7: 0x11 descending
  uint32_t unknown3E = 0;       // 0x0F1F in every data file seen, 0 in index files
  uint32_t unknown56 = 0;       // 0x20 in every data file seen, 0 in index files
  // Places of level-4+ data files.
  uint32_t fileVersion2 = 0;
  uint32_t fileVersion3 = 0;
  uint32_t encryption2 = 0;
  // The structure stamp: the time (seconds since 1970) the structure was made (.DB) or the
  // index was made (.X); not changed by writes of rows. The .VAL file repeats the .DB's.
  uint32_t structureStamp = 0;
  uint32_t hiFieldId = 0;
  uint32_t namesEnd = 0;         // end of the field names, counted from 0x58
  uint32_t indexNameOffset = 0;  // .X files: start of the index name, counted from 0x58
  uint32_t codePage = 0;
  uint32_t unknown6C = 0;   // 0x0101 in most data files seen
  uint32_t numbersEnd = 0;  // end of the field numbers, counted from 0x58
  uint32_t changeCount4 = 0;

  // The variable part.
  std::vector<FieldDescriptor> fields;
  std::string tableName;
  std::vector<std::string> fieldNames;  // data files only
  std::vector<uint16_t> fieldNumbers;   // level-4+ data files
  std::string sortOrderName;            // level-4+ data files
  std::string indexName;                // .X files

  // The header as read; empty for a header built from scratch.
  std::string raw;

  FileKind kind() const { return kindOfFileType(static_cast<uint8_t>(fileType)); }
  bool hasDataExtension() const;
  uint32_t blockSize() const { return blockSizeCode * 1024; }
  bool isEncrypted() const;
};

// Reads and checks a header. Throws EngineError(Format) for a damaged or cut header.
FileHeader parseHeader(std::string_view file);

// Lays out the variable part of a header built from scratch (empty `raw`): sets headerEnd,
// namesEnd, numbersEnd, indexNameOffset and hiFieldId, and grows headerSize in steps of
// 2 KB when the fields need more room than the default block.
void layOutHeader(FileHeader& h);

// The header block: the bytes read (or zeros) with every known place set from `h`; the
// variable part is written from `h` only when `raw` is empty.
std::string encodeHeader(const FileHeader& h);

}  // namespace kvt::paradox
