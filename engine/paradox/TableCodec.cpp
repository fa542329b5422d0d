#include "engine/paradox/TableCodec.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "engine/paradox/BlobField.h"
#include "engine/paradox/BlobFile.h"
#include "engine/paradox/DataBlocks.h"
#include "engine/paradox/Endian.h"
#include "engine/paradox/FamilyTies.h"
#include "engine/paradox/FieldCodec.h"
#include "engine/paradox/FieldTypes.h"
#include "engine/paradox/IndexFile.h"
#include "engine/paradox/SortOrder.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

constexpr uint8_t kNewTableVersion = 0x0B;  // level 5
constexpr uint32_t kMaxBlocks = 0xFFFF;

struct FieldLayout {
  FieldType type;
  int descriptorSize;
  int offset;
  int width;
};

std::vector<FieldLayout> layoutFields(const FileHeader& h) {
  std::vector<FieldLayout> out;
  int offset = 0;
  for (const auto& d : h.fields) {
    auto type = typeFromCode(d.code);
    if (!type) throwFormat("table has a field of unknown type " + std::to_string(d.code));
    const int width = recordWidth(*type, d.size);
    if (isBlob(*type) && width < kBlobPointerSize) throwFormat("blob field size is damaged");
    if (width < 1) throwFormat("table field size is damaged");
    out.push_back({*type, d.size, offset, width});
    offset += width;
  }
  if (offset != static_cast<int>(h.recordSize)) {
    throwFormat("table field sizes do not add up to its record size");
  }
  return out;
}

uint32_t unixNow() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
}

bool isAlpha(const FieldDescriptor& d) {
  return d.code == codeOf(FieldType::Alpha);
}

// A table whose indexes order text under a sort order this engine does not implement is
// not written: its rows or index rows could not be put where the desktop engine looks.
void requireKnownOrder(const TableFormat& format, size_t count) {
  const FileHeader& h = format.db;
  const TextOrder order(h);
  if (order.implemented() || count == 0) return;
  bool ordersText = false;
  for (uint32_t i = 0; i < h.keyFieldCount && i < h.fields.size(); ++i) {
    ordersText = ordersText || isAlpha(h.fields[i]);
  }
  for (const auto& index : format.secondary) {
    if (isLeftAsIs(index)) continue;
    for (int f : index.fields) ordersText = ordersText || isAlpha(h.fields[f]);
  }
  if (ordersText) {
    throw EngineError(ErrorKind::Unsupported,
                      "table " + h.tableName + " is ordered by sort order \"" + order.name() +
                          "\", which this engine does not implement; it is left as it was");
  }
}

// Puts the records of a keyed table (already in their blocks) in the order of its key
// under its sort order.
void placeInKeyOrder(char* blocks, size_t size, const FileHeader& h, size_t count) {
  std::vector<KeySpan> spans;
  int offset = 0;
  for (uint32_t i = 0; i < h.keyFieldCount; ++i) {
    const int width = recordWidth(*typeFromCode(h.fields[i].code), h.fields[i].size);
    spans.push_back({offset, width, isAlpha(h.fields[i])});
    offset += width;
  }
  const KeyOrder order(TextOrder(h), std::move(spans));
  const uint32_t recordSize = h.recordSize;
  const uint32_t blockSize = h.blockSize();
  std::vector<uint32_t> positions;
  try {
    positions = keyOrderOf(count, order, true, static_cast<size_t>(offset), [&](size_t r) {
      return blocks + recordOffset(r, recordSize, blockSize);
    });
  } catch (const EngineError& e) {
    throw EngineError(e.kind(), "table " + h.tableName + " cannot be written: " + e.what());
  }
  if (positions.empty()) return;
  const std::string records =
      unpackBlocks(std::string_view(blocks, size), count, recordSize, blockSize);
  for (size_t r = 0; r < count; ++r) {
    std::memcpy(blocks + recordOffset(r, recordSize, blockSize),
                records.data() + size_t{positions[r]} * recordSize, recordSize);
  }
}

}  // namespace

int tableLevel(const FileHeader& db) {
  const uint32_t v = db.fileVersion;
  if (v <= 3) return 3;
  if (v == 4) return 35;
  if (v <= 9) return 4;
  if (v <= 0x0B) return 5;
  return 7;
}

int keyFieldCount(const TableSchema& schema) {
  for (const auto& index : schema.indexes) {
    if (!index.primary) continue;
    const auto& names = index.fields;
    if (names.size() > schema.fields.size()) {
      throw EngineError(ErrorKind::Unsupported, "primary key names more fields than the table has");
    }
    for (size_t i = 0; i < names.size(); ++i) {
      if (schema.fields[i].name != names[i]) {
        throw EngineError(ErrorKind::Unsupported,
                          "the primary key must be the leading fields, in order");
      }
    }
    return static_cast<int>(names.size());
  }
  return 0;
}

TableImage decodeTable(std::string_view db, std::string_view mb, const RowSink& sink) {
  FileHeader h = parseHeader(db);
  if (h.kind() != FileKind::Data) throwFormat("not a table data file (.DB)");
  if (h.isEncrypted()) {
    throw EngineError(ErrorKind::Unsupported, "the table is encrypted (password protected)");
  }
  const auto layout = layoutFields(h);
  if (h.fileType == 0 && h.keyFieldCount == 0) throwFormat("keyed table without key fields");
  if (h.fileType == 2) h.keyFieldCount = 0;

  TableImage image;
  for (size_t i = 0; i < layout.size(); ++i) {
    const std::string name = i < h.fieldNames.size() ? h.fieldNames[i] : std::string();
    image.schema.fields.push_back(
        {name, layout[i].type, defSizeFromDescriptor(layout[i].type, layout[i].descriptorSize)});
  }
  if (h.keyFieldCount > 0) {
    IndexDef primary;
    primary.primary = true;
    primary.unique = true;
    for (uint32_t i = 0; i < h.keyFieldCount; ++i) {
      if (isBlob(layout[i].type)) throwFormat("table key holds a blob field");
      primary.fields.push_back(image.schema.fields[i].name);
    }
    image.schema.indexes.push_back(std::move(primary));
  }

  std::optional<BlobFileReader> blobs;
  if (!mb.empty()) blobs.emplace(mb);
  const auto records = readRecordChain(db, h);
  if (!sink) image.rows.reserve(records.size());
  Row row;
  for (const RecordRef& ref : records) {
    const char* rec = db.data() + ref.offset;
    row.clear();
    row.reserve(layout.size());
    for (const auto& f : layout) {
      if (isBlob(f.type)) {
        row.push_back(decodeBlobField(f.type, rec + f.offset, f.width, blobs ? &*blobs : nullptr));
      } else {
        row.push_back(decodeField(f.type, f.descriptorSize, rec + f.offset, f.width));
      }
    }
    if (sink) {
      sink(row);
    } else {
      image.rows.push_back(std::move(row));
    }
  }
  image.format.db = std::move(h);
  image.format.blobFile = std::string(mb);
  return image;
}

FileHeader primaryIndexHeader(const FileHeader& db, const std::optional<FileHeader>& px) {
  if (px) return *px;
  FileHeader h;
  h.fileType = 1;
  h.fileVersion = db.fileVersion;
  h.blockSizeCode = db.blockSizeCode;
  h.sortOrder = db.sortOrder;
  h.fields.assign(db.fields.begin(), db.fields.begin() + db.keyFieldCount);
  uint32_t keyWidth = 0;
  for (const auto& d : h.fields) keyWidth += recordWidth(*typeFromCode(d.code), d.size);
  h.recordSize = keyWidth + 6;
  const std::string& name = db.tableName;
  h.tableName = name.substr(0, name.rfind('.')) + ".PX";
  h.autoIncrement = 1;
  h.openOrder = newPrimaryIndexOpenOrder(db);
  layOutHeader(h);
  h.indexRoot = 1;
  return h;
}

std::optional<TableLanguage> languageOf(const FileHeader& db) {
  if (!db.hasDataExtension() || db.sortOrderName.empty()) return std::nullopt;
  return TableLanguage{db.codePage, db.sortOrder, db.sortOrderName};
}

TableFormat newTableFormat(const std::string& fileName, const TableSchema& schema,
                           const TableLanguage& language) {
  if (schema.fields.empty() || schema.fields.size() > 255) {
    throw EngineError(ErrorKind::Unsupported, "a table holds 1 to 255 fields");
  }
  FileHeader h;
  const int keys = keyFieldCount(schema);
  h.fileType = keys > 0 ? 0 : 2;
  h.fileVersion = kNewTableVersion;
  uint32_t recordSize = 0;
  for (const auto& f : schema.fields) {
    if (f.name.empty() || f.name.size() > 25) {
      throw EngineError(ErrorKind::Unsupported,
                        "field name \"" + f.name + "\" is not 1 to 25 bytes");
    }
    const int size = descriptorSizeFor(f);
    h.fields.push_back({codeOf(f.type), static_cast<uint8_t>(size)});
    h.fieldNames.push_back(f.name);
    recordSize += recordWidth(f.type, size);
    h.fileVersion = std::max<uint32_t>(h.fileVersion, minimumVersionFor(f.type));
  }
  for (int i = 0; i < keys; ++i) {
    if (isBlob(schema.fields[i].type)) {
      throw EngineError(ErrorKind::Unsupported, "a blob field cannot be part of the key");
    }
  }
  h.recordSize = recordSize;
  h.blockSizeCode = 2;
  while (recordSize + kBlockHeadSize > h.blockSize()) {
    h.blockSizeCode *= 2;
    if (h.blockSizeCode > 32) {
      throw EngineError(ErrorKind::Unsupported, "record too long for a table block");
    }
  }
  // Blocks above 4 KB need level 7.
  if (h.blockSizeCode > 4) h.fileVersion = 0x0C;
  h.keyFieldCount = static_cast<uint32_t>(keys);
  h.encryption1 = 0xFF00FF00;
  h.sortOrder = language.sortOrder;
  h.sortOrderName = language.sortOrderName;
  h.codePage = language.codePage;
  h.fileVersion2 = 0x0100 | h.fileVersion;
  h.fileVersion3 = h.fileVersion2;
  h.unknown3E = 0x0F1F;
  h.unknown56 = 0x20;
  h.unknown6C = 0x0101;
  h.changeCount4 = 1;
  fillNewTable(h, unixNow());
  h.tableName = fileName;
  for (size_t i = 0; i < schema.fields.size(); ++i)
    h.fieldNumbers.push_back(static_cast<uint16_t>(i + 1));
  layOutHeader(h);
  TableFormat format;
  format.db = std::move(h);
  return format;
}

EncodedTable encodeTable(const TableFormat& format, const TableSchema& schema, size_t count,
                         const RowAt& rowAt) {
  FileHeader h = format.db;
  const auto layout = layoutFields(h);
  requireKnownOrder(format, count);
  if (layout.size() != schema.fields.size()) {
    throw EngineError(ErrorKind::State, "rows do not match the table's fields");
  }
  const uint32_t perBlock = recordsPerBlock(h.recordSize, h.blockSize());
  if ((count + perBlock - 1) / perBlock > kMaxBlocks) {
    throw EngineError(ErrorKind::Unsupported, "table too large for its block size");
  }
  bool hasBlobs = false;
  int autoIncField = -1;
  for (size_t i = 0; i < layout.size(); ++i) {
    hasBlobs = hasBlobs || isBlob(layout[i].type);
    if (layout[i].type == FieldType::AutoInc && autoIncField < 0)
      autoIncField = static_cast<int>(i);
  }

  // The auto-increment counter continues from the highest value in use.
  uint32_t counter = h.autoIncrement;
  if (autoIncField >= 0) {
    for (size_t r = 0; r < count; ++r) {
      if (const int64_t* v = rowAt(r)[autoIncField].get<int64_t>()) {
        counter = std::max<uint32_t>(counter, static_cast<uint32_t>(std::max<int64_t>(*v, 0)));
      }
    }
  }

  setBlockCounts(h, static_cast<uint32_t>(count));
  h.modifiedFlags1 = 0;
  h.modifiedFlags2 = 0;
  h.indexUpdateRequired = 0;
  countWrite(h);

  // Records are encoded where they stand in their blocks, so a large table is not held a
  // second time as loose records. The header goes in front once the counter is known.
  EncodedTable out;
  out.db = encodeHeader(h);
  const size_t blocksAt = out.db.size();
  appendEmptyBlocks(out.db, count, h.recordSize, h.blockSize());
  BlobFileWriter blobs(format.blobFile);
  for (size_t r = 0; r < count; ++r) {
    const Row& row = rowAt(r);
    if (row.size() != layout.size()) {
      throw EngineError(ErrorKind::State, "a row does not match the table's fields");
    }
    char* rec = out.db.data() + blocksAt + recordOffset(r, h.recordSize, h.blockSize());
    for (size_t i = 0; i < layout.size(); ++i) {
      const auto& f = layout[i];
      if (isBlob(f.type)) {
        encodeBlobField(f.type, row[i], rec + f.offset, f.width, blobs);
      } else if (static_cast<int>(i) == autoIncField && row[i].isNull()) {
        encodeField(f.type, f.descriptorSize, Value(static_cast<int64_t>(++counter)),
                    rec + f.offset, f.width);
      } else {
        encodeField(f.type, f.descriptorSize, row[i], rec + f.offset, f.width);
      }
    }
  }

  if (h.keyFieldCount > 0) {
    placeInKeyOrder(out.db.data() + blocksAt, out.db.size() - blocksAt, h, count);
  }

  h.autoIncrement = counter;
  out.autoIncrement = counter;
  const std::string header = encodeHeader(h);
  if (header.size() == blocksAt) {
    std::memcpy(out.db.data(), header.data(), header.size());
  } else {
    out.db.replace(0, blocksAt, header);
  }
  out.blocksAt = header.size();

  out.rowBlocks.resize(count);
  for (size_t r = 0; r < count; ++r) out.rowBlocks[r] = static_cast<uint32_t>(r / perBlock + 1);

  if (h.keyFieldCount > 0) {
    FileHeader pxHeader = primaryIndexHeader(h, format.px);
    pxHeader.dataCounter = indexCounterFor(h);
    const uint32_t keyWidth = indexKeyWidth(pxHeader);
    std::vector<IndexEntry> leaves;
    for (size_t first = 0; first < count; first += perBlock) {
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(perBlock, count - first));
      leaves.push_back(
          {out.db.substr(out.blocksAt + recordOffset(first, h.recordSize, h.blockSize()), keyWidth),
           static_cast<uint32_t>(first / perBlock + 1), n});
    }
    out.px = buildIndexFile(pxHeader, leaves);
  }
  if (hasBlobs || !format.blobFile.empty()) out.mb = blobs.finish();
  out.header = std::move(h);
  return out;
}

}  // namespace kvt::paradox
