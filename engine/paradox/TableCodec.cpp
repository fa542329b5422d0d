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

std::vector<FieldLayout> layoutFields(const FileHeader& h) {
  std::vector<FieldLayout> out;
  int offset = 0;
  for (const auto& d : h.fields) {
    auto type = typeFromCode(d.code);
    if (!type) throwFormat("table has a field of unknown type " + std::to_string(d.code));
    const int width = recordWidth(*type, d.size);
    if (isBlob(*type) && width < kBlobPointerSize) throwFormat("blob field size is damaged");
    if (width < 1) throwFormat("table field size is damaged");
    out.push_back({*type, d.size, offset, width, isBlob(*type)});
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

namespace {

// A table's header, checked for what decoding its records needs, and the schema it gives.
struct DataFile {
  FileHeader h;
  std::vector<FieldLayout> layout;
  TableImage image;  // schema only
};

DataFile dataFileOf(std::string_view head) {
  DataFile out{parseHeader(head), {}, {}};
  FileHeader& h = out.h;
  if (h.kind() != FileKind::Data) throwFormat("not a table data file (.DB)");
  if (h.isEncrypted()) {
    throw EngineError(ErrorKind::Unsupported, "the table is encrypted (password protected)");
  }
  out.layout = layoutFields(h);
  const auto& layout = out.layout;
  if (h.fileType == 0 && h.keyFieldCount == 0) throwFormat("keyed table without key fields");
  if (h.fileType == 2) h.keyFieldCount = 0;
  TableSchema& schema = out.image.schema;
  for (size_t i = 0; i < layout.size(); ++i) {
    const std::string name = i < h.fieldNames.size() ? h.fieldNames[i] : std::string();
    schema.fields.push_back(
        {name, layout[i].type, defSizeFromDescriptor(layout[i].type, layout[i].descriptorSize)});
  }
  if (h.keyFieldCount > 0) {
    IndexDef primary;
    primary.primary = true;
    primary.unique = true;
    for (uint32_t i = 0; i < h.keyFieldCount; ++i) {
      if (isBlob(layout[i].type)) throwFormat("table key holds a blob field");
      primary.fields.push_back(schema.fields[i].name);
    }
    schema.indexes.push_back(std::move(primary));
  }
  return out;
}

// A row buffer used again keeps its values' storage.
void decodeRecord(const std::vector<FieldLayout>& layout, const char* rec,
                  const BlobFileReader* blobs, Row& row) {
  if (row.size() != layout.size()) row.assign(layout.size(), Value());
  for (size_t i = 0; i < layout.size(); ++i) {
    const FieldLayout& f = layout[i];
    if (f.blob) {
      row[i] = decodeBlobField(f.type, rec + f.offset, f.width, blobs);
    } else {
      decodeFieldInto(f.type, f.descriptorSize, rec + f.offset, f.width, row[i]);
    }
  }
}

TableImage finished(DataFile&& file, std::string_view mb) {
  file.image.format.db = std::move(file.h);
  file.image.format.blobFile = std::string(mb);
  return std::move(file.image);
}

}  // namespace

TableImage decodeTable(std::string_view db, std::string_view mb, const RowSink& sink) {
  DataFile file = dataFileOf(db);
  std::optional<BlobFileReader> blobs;
  if (!mb.empty()) blobs.emplace(mb);
  const auto records = readRecordChain(db, file.h);
  if (!sink) file.image.rows.reserve(records.size());
  Row row;
  for (const RecordRef& ref : records) {
    decodeRecord(file.layout, db.data() + ref.offset, blobs ? &*blobs : nullptr, row);
    if (sink) {
      sink(row);
    } else {
      file.image.rows.push_back(std::move(row));
    }
  }
  return finished(std::move(file), mb);
}

TableImage describeDataFile(std::string_view head) {
  return finished(dataFileOf(head), {});
}

TableImage streamTable(uint64_t size, const ReadAt& readAt, std::string_view mb,
                       const RowSink& sink) {
  std::string buffer(static_cast<size_t>(std::min<uint64_t>(size, kMaxHeaderSize)), '\0');
  readAt(0, buffer);
  DataFile file = dataFileOf(buffer);
  const FileHeader& h = file.h;
  const uint32_t blockSize = h.blockSize();
  const size_t blocksInFile =
      size > h.headerSize ? (size - h.headerSize + blockSize - 1) / blockSize : 0;
  // A megabyte or so of the blocks that follow each other in the file, in one buffer: a chain
  // in file order is read once, front to back.
  const size_t perChunk = std::max<size_t>(1, (size_t{1} << 20) / blockSize);
  uint32_t first = 0;  // the first block in the buffer, 0 for none
  size_t held = 0;     // blocks in the buffer
  const auto blockAt = [&](uint32_t b) -> const char* {
    if (first == 0 || b < first || b >= first + held) {
      held = std::min(perChunk, blocksInFile + 1 - b);
      const uint64_t start = blockStart(h, b);
      buffer.resize(
          static_cast<size_t>(std::min<uint64_t>(size, start + held * blockSize) - start));
      readAt(start, buffer);
      first = b;
    }
    return buffer.data() + size_t(b - first) * blockSize;
  };

  // Rows kept get room for what the header counts, as far as the file could hold them: a
  // damaged count makes no huge reservation.
  if (!sink && h.recordSize > 0) {
    file.image.rows.reserve(size_t(std::min<uint64_t>(h.recordCount, size / h.recordSize)));
  }
  std::optional<BlobFileReader> blobs;
  if (!mb.empty()) blobs.emplace(mb);
  Row row;
  walkRecordChain(
      h, size, [&](uint32_t b) { return blockHeadAt(blockAt(b)); },
      [&](const ChainBlock& b) {
        const char* records = blockAt(b.block) + kBlockHeadSize;
        for (uint32_t r = 0; r < b.records; ++r) {
          decodeRecord(file.layout, records + size_t(r) * h.recordSize, blobs ? &*blobs : nullptr,
                       row);
          if (sink) {
            sink(row);
          } else {
            file.image.rows.push_back(std::move(row));
          }
        }
      });
  return finished(std::move(file), mb);
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

TableEncoder::TableEncoder(const TableFormat& format, const TableSchema& schema, size_t count,
                           const RowAt& rowAt, const RowPrefixAt& prefixAt)
    : format_(format),
      rowAt_(rowAt),
      prefixAt_(prefixAt),
      count_(count),
      h_(format.db),
      blobs_(format.blobFile) {
  fields_ = layoutFields(h_);
  requireKnownOrder(format, count);
  if (fields_.size() != schema.fields.size()) {
    throw EngineError(ErrorKind::State, "rows do not match the table's fields");
  }
  perBlock_ = recordsPerBlock(h_.recordSize, h_.blockSize());
  blocks_ = (count + perBlock_ - 1) / perBlock_;
  if (blocks_ > kMaxBlocks) {
    throw EngineError(ErrorKind::Unsupported, "table too large for its block size");
  }
  for (size_t i = 0; i < fields_.size(); ++i) {
    hasBlobs_ = hasBlobs_ || fields_[i].blob;
    if (fields_[i].type == FieldType::AutoInc && autoIncField_ < 0)
      autoIncField_ = static_cast<int>(i);
    if (fields_[i].blob) blobFieldsWidth_ += size_t(fields_[i].width);
  }

  // The auto-increment counter continues from the highest value in use; blank values take
  // the next ones in the given order.
  uint32_t counter = h_.autoIncrement;
  if (autoIncField_ >= 0) {
    const size_t upTo = size_t(autoIncField_) + 1;
    for (size_t r = 0; r < count; ++r) {
      if (const int64_t* v = prefixOf(r, upTo)[size_t(autoIncField_)].get<int64_t>()) {
        counter = std::max<uint32_t>(counter, static_cast<uint32_t>(std::max<int64_t>(*v, 0)));
      }
    }
    assigned_.assign(count, 0);
    for (size_t r = 0; r < count; ++r) {
      if (prefixOf(r, upTo)[size_t(autoIncField_)].isNull()) assigned_[r] = ++counter;
    }
  }

  setBlockCounts(h_, static_cast<uint32_t>(count));
  h_.modifiedFlags1 = 0;
  h_.modifiedFlags2 = 0;
  h_.indexUpdateRequired = 0;
  countWrite(h_);
  h_.autoIncrement = counter;
  headerBytes_ = encodeHeader(h_);

  if (h_.keyFieldCount == 0) return;
  // The keys alone, encoded as the records will hold them, give the order of the records
  // and the first key of each block for the primary index.
  std::vector<KeySpan> spans;
  keyWidth_ = 0;
  for (uint32_t i = 0; i < h_.keyFieldCount; ++i) {
    spans.push_back({fields_[i].offset, fields_[i].width, isAlpha(h_.fields[i])});
    keyWidth_ += size_t(fields_[i].width);
  }
  keys_.assign(count * keyWidth_, '\0');
  for (size_t r = 0; r < count; ++r) {
    const Row& row = prefixOf(r, h_.keyFieldCount);
    for (uint32_t i = 0; i < h_.keyFieldCount; ++i)
      encodeValue(i, row, r, keys_.data() + r * keyWidth_);
  }
  const KeyOrder order(TextOrder(h_), std::move(spans));
  try {
    order_ = keyOrderOf(count, order, true, keyWidth_,
                        [&](size_t r) { return keys_.data() + r * keyWidth_; });
  } catch (const EngineError& e) {
    throw EngineError(e.kind(), "table " + h_.tableName + " cannot be written: " + e.what());
  }
  if (!order_.empty() && hasBlobs_) {
    blobFields_.assign(count * blobFieldsWidth_, '\0');
    for (size_t r = 0; r < count; ++r) {
      const Row& row = rowOf(r);
      char* out = blobFields_.data() + r * blobFieldsWidth_;
      for (size_t i = 0; i < fields_.size(); ++i) {
        if (!fields_[i].blob) continue;
        encodeBlobField(fields_[i].type, row[i], out, fields_[i].width, blobs_);
        out += fields_[i].width;
      }
    }
  }

  FileHeader pxHeader = primaryIndexHeader(h_, format.px);
  pxHeader.dataCounter = indexCounterFor(h_);
  const uint32_t pxKeyWidth = indexKeyWidth(pxHeader);
  std::vector<IndexEntry> leaves;
  for (size_t first = 0; first < count; first += perBlock_) {
    const size_t r = order_.empty() ? first : order_[first];
    std::string key(keys_.data() + r * keyWidth_, keyWidth_);
    key.resize(pxKeyWidth, '\0');
    leaves.push_back({std::move(key), static_cast<uint32_t>(first / perBlock_ + 1),
                      static_cast<uint32_t>(std::min<size_t>(perBlock_, count - first))});
  }
  px_ = buildIndexFile(pxHeader, leaves);
}

void TableEncoder::encodeValue(size_t i, const Row& row, size_t r, char* rec) {
  const FieldLayout& f = fields_[i];
  if (static_cast<int>(i) == autoIncField_ && row[i].isNull()) {
    encodeField(f.type, f.descriptorSize, Value(static_cast<int64_t>(assigned_[r])), rec + f.offset,
                f.width);
  } else {
    encodeField(f.type, f.descriptorSize, row[i], rec + f.offset, f.width);
  }
}

const Row& TableEncoder::rowOf(size_t r) const {
  const Row& row = rowAt_(r);
  if (row.size() != fields_.size()) {
    throw EngineError(ErrorKind::State, "a row does not match the table's fields");
  }
  return row;
}

const Row& TableEncoder::prefixOf(size_t r, size_t fields) const {
  if (!prefixAt_) return rowOf(r);
  const Row& row = prefixAt_(r, fields);
  if (row.size() < fields || row.size() > fields_.size()) {
    throw EngineError(ErrorKind::State, "a row does not match the table's fields");
  }
  return row;
}

void TableEncoder::encodeRecord(size_t place, char* rec) {
  const size_t r = order_.empty() ? place : order_[place];
  const Row& row = rowOf(r);
  const char* laidOut = blobFields_.empty() ? nullptr : blobFields_.data() + r * blobFieldsWidth_;
  // The key fields lie at the record's start, as the key pass encoded them.
  const size_t keyed = keyWidth_ == 0 ? 0 : h_.keyFieldCount;
  if (keyed > 0) std::memcpy(rec, keys_.data() + r * keyWidth_, keyWidth_);
  for (size_t i = keyed; i < fields_.size(); ++i) {
    const FieldLayout& f = fields_[i];
    if (!f.blob) {
      encodeValue(i, row, r, rec);
    } else if (laidOut != nullptr) {
      std::memcpy(rec + f.offset, laidOut, size_t(f.width));
      laidOut += f.width;
    } else {
      encodeBlobField(f.type, row[i], rec + f.offset, f.width, blobs_);
    }
  }
}

void TableEncoder::writeDb(ByteSink& out) {
  out.append(headerBytes_);
  const uint32_t blockSize = h_.blockSize();
  const uint32_t recordSize = h_.recordSize;
  // A megabyte or so of blocks at a time, in one buffer used again: fresh memory for a whole
  // table costs more than the encoding.
  const size_t perChunk = std::max<size_t>(1, (size_t{1} << 20) / blockSize);
  std::string chunk;
  for (size_t b0 = 0; b0 < blocks_; b0 += perChunk) {
    const size_t n = std::min(perChunk, blocks_ - b0);
    chunk.assign(n * blockSize, '\0');
    for (size_t b = b0; b < b0 + n; ++b) {
      char* block = chunk.data() + (b - b0) * blockSize;
      const size_t first = b * perBlock_;
      const size_t records = std::min<size_t>(perBlock_, count_ - first);
      writeBlockHead(block, b, blocks_, records, recordSize);
      for (size_t i = 0; i < records; ++i) {
        encodeRecord(first + i, block + kBlockHeadSize + i * recordSize);
      }
    }
    out.append(chunk);
  }
}

std::optional<std::string> TableEncoder::finishBlobs() {
  if (!writesBlobFile()) return std::nullopt;
  return blobs_.finish();
}

std::vector<uint32_t> TableEncoder::rowBlocks() const {
  std::vector<uint32_t> out(count_);
  for (size_t r = 0; r < count_; ++r) out[r] = static_cast<uint32_t>(r / perBlock_ + 1);
  return out;
}

EncodedTable encodeTable(const TableFormat& format, const TableSchema& schema, size_t count,
                         const RowAt& rowAt, const RowPrefixAt& prefixAt) {
  TableEncoder encoder(format, schema, count, rowAt, prefixAt);
  EncodedTable out;
  out.db.reserve(encoder.dbSize());
  StringSink sink(out.db);
  encoder.writeDb(sink);
  out.header = encoder.header();
  out.px = encoder.px();
  out.mb = encoder.finishBlobs();
  out.autoIncrement = out.header.autoIncrement;
  out.blocksAt = encoder.headerSize();
  out.rowBlocks = encoder.rowBlocks();
  return out;
}

}  // namespace kvt::paradox
