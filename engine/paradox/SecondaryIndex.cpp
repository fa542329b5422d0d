#include "engine/paradox/SecondaryIndex.h"

#include <algorithm>
#include <cstring>

#include "engine/paradox/DataBlocks.h"
#include "engine/paradox/Endian.h"
#include "engine/paradox/FamilyTies.h"
#include "engine/paradox/FieldTypes.h"
#include "engine/paradox/IndexFile.h"
#include "engine/paradox/SortOrder.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

constexpr FieldDescriptor kHintField{0x03, 2};

int widthOf(const FieldDescriptor& d) {
  auto type = typeFromCode(d.code);
  return type ? recordWidth(*type, d.size) : 0;
}

std::vector<int> fieldOffsets(const FileHeader& h) {
  std::vector<int> out;
  int offset = 0;
  for (const auto& d : h.fields) {
    out.push_back(offset);
    offset += widthOf(d);
  }
  return out;
}

[[noreturn]] void refuse(const SecondaryIndexFormat& index, const std::string& why) {
  throw EngineError(
      ErrorKind::Unsupported,
      "secondary index " + index.dataFile.filename().string() + " cannot be rebuilt: " + why);
}

}  // namespace

bool isLeftAsIs(const SecondaryIndexFormat& index) {
  const uint32_t type = index.x.fileType;
  return index.unkeyedTable && (type == 3 || type == 6);
}

SecondaryIndexFormat describeSecondaryIndex(const std::filesystem::path& dataFile,
                                            std::string_view x,
                                            const std::filesystem::path& indexFile,
                                            std::string_view y, const FileHeader& db) {
  SecondaryIndexFormat out;
  out.dataFile = dataFile;
  out.indexFile = indexFile;
  out.x = parseHeader(x);
  if (out.x.kind() != FileKind::SecondaryData) throwFormat("not a secondary index file");
  const FileHeader& xh = out.x;
  const int keys = static_cast<int>(db.keyFieldCount);
  const int extra = keys > 0 ? keys + 1 : 3;
  const int count = static_cast<int>(xh.fieldCount) - extra;

  auto mark = [&](const std::string& why) {
    if (out.problem.empty()) out.problem = why;
  };
  if (count < 1) {
    mark("its fields do not match the table");
  } else {
    for (int i = 0; i < count; ++i) {
      int number = 0;
      bool descending = false;
      if (i < static_cast<int>(xh.fieldNumbers.size())) {
        number = xh.fieldNumbers[i] & 0x7FFF;
        descending = (xh.fieldNumbers[i] & 0x8000) != 0;
      } else if (count == 1) {
        number = static_cast<int>(xh.indexFieldNumber);
      }
      if (number < 1 || number > static_cast<int>(db.fieldCount) ||
          !(xh.fields[i] == db.fields[number - 1])) {
        mark("its fields do not match the table");
        break;
      }
      out.fields.push_back(number - 1);
      out.descending.push_back(descending);
    }
  }
  if (keys > 0 && count >= 1) {
    for (int j = 0; j < keys; ++j) {
      if (!(xh.fields[count + j] == db.fields[j])) mark("its key fields do not match the table");
    }
    if (!(xh.fields.back() == kHintField)) mark("its block field is not understood");
  }
  out.unkeyedTable = keys == 0;
  int keyWidth = 0;
  for (uint32_t i = 0; i < xh.keyFieldCount && i < xh.fields.size(); ++i) {
    keyWidth += widthOf(xh.fields[i]);
  }
  if (y.empty()) {
    mark("its block index file (.Y) is missing");
  } else {
    out.y = parseHeader(y);
    const FileHeader& yh = out.y;
    bool same = yh.kind() == FileKind::SecondaryIndex && yh.fieldCount == xh.keyFieldCount &&
                static_cast<int>(yh.recordSize) == keyWidth + 6;
    for (uint32_t i = 0; same && i < yh.fieldCount; ++i) same = yh.fields[i] == xh.fields[i];
    if (!same) mark("its block index file (.Y) does not match it");
  }

  out.definition.name = xh.indexName;
  for (int f : out.fields) {
    const std::string& name = f < static_cast<int>(db.fieldNames.size()) ? db.fieldNames[f] : "";
    out.definition.fields.push_back(name);
  }
  // A single-field index goes by the name of its field.
  if (out.definition.name.empty() && !out.definition.fields.empty()) {
    out.definition.name = out.definition.fields.front();
  }
  return out;
}

static void checkSecondaryIndex(const SecondaryIndexFormat& index, std::string_view records) {
  if (!index.problem.empty()) refuse(index, index.problem);
  if (index.unkeyedTable && !records.empty()) {
    refuse(index, "indexes of tables without a primary key are rebuilt only when empty");
  }
}

RebuiltIndex rebuildSecondaryIndex(const SecondaryIndexFormat& index, const FileHeader& db,
                                   std::string_view records,
                                   const std::vector<uint32_t>& rowBlocks) {
  checkSecondaryIndex(index, records);
  FileHeader xh = index.x;
  const size_t count = records.size() / db.recordSize;
  const std::vector<int> dbOffsets = fieldOffsets(db);
  const std::vector<int> xOffsets = fieldOffsets(xh);

  // The fields of an index row: the indexed fields, the primary key, the block number.
  std::vector<KeySpan> keySpans;
  std::vector<std::pair<int, int>> copies;  // (table offset, width) per index field
  for (size_t i = 0; i < index.fields.size(); ++i) {
    const int f = index.fields[i];
    const int width = widthOf(db.fields[f]);
    copies.emplace_back(dbOffsets[f], width);
    keySpans.push_back(
        {xOffsets[i], width, db.fields[f].code == codeOf(FieldType::Alpha), index.descending[i]});
  }
  for (uint32_t j = 0; j < db.keyFieldCount; ++j) {
    const int width = widthOf(db.fields[j]);
    copies.emplace_back(dbOffsets[j], width);
    keySpans.push_back({xOffsets[index.fields.size() + j], width,
                        db.fields[j].code == codeOf(FieldType::Alpha), false});
  }

  std::string rows(count * xh.recordSize, '\0');
  for (size_t r = 0; r < count; ++r) {
    const char* rec = records.data() + r * db.recordSize;
    char* out = rows.data() + r * xh.recordSize;
    int pos = 0;
    for (const auto& [offset, width] : copies) {
      std::memcpy(out + pos, rec + offset, width);
      pos += width;
    }
    const uint32_t hint = (rowBlocks[r] & 0xFFFF) ^ 0x8000;
    out[pos] = static_cast<char>(hint >> 8);
    out[pos + 1] = static_cast<char>(hint & 0xFF);
  }

  const KeyOrder order(TextOrder(db), std::move(keySpans));
  std::vector<uint32_t> positions;
  try {
    positions = keyOrderOf(count, order, false, 0,
                           [&](size_t r) { return rows.data() + r * xh.recordSize; });
  } catch (const EngineError& e) {
    refuse(index, e.what());
  }
  std::string sorted;
  if (positions.empty()) {
    sorted = std::move(rows);
  } else {
    sorted.reserve(rows.size());
    for (uint32_t r : positions) sorted.append(rows, size_t{r} * xh.recordSize, xh.recordSize);
  }

  setBlockCounts(xh, static_cast<uint32_t>(count));
  xh.modifiedFlags1 = 0;
  xh.modifiedFlags2 = 0;
  xh.indexUpdateRequired = 0;
  countWrite(xh);
  tieSecondaryData(xh, db, indexCounterFor(db));
  RebuiltIndex out;
  out.data = encodeHeader(xh) + packBlocks(sorted, xh.recordSize, xh.blockSize());

  const uint32_t perBlock = recordsPerBlock(xh.recordSize, xh.blockSize());
  const uint32_t keyWidth = indexKeyWidth(index.y);
  std::vector<IndexEntry> leaves;
  for (size_t first = 0; first < count; first += perBlock) {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(perBlock, count - first));
    leaves.push_back({sorted.substr(first * xh.recordSize, keyWidth),
                      static_cast<uint32_t>(first / perBlock + 1), n});
  }
  FileHeader yh = index.y;
  yh.dataCounter = indexCounterFor(xh);
  out.index = buildIndexFile(yh, leaves);
  return out;
}

}  // namespace kvt::paradox
