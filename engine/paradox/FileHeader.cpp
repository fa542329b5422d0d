#include "engine/paradox/FileHeader.h"

#include <algorithm>
#include <cstring>

#include "engine/paradox/Endian.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

enum class Scope {
  All,
  IndexFiles,     // .PX and .Y files
  DataFiles,      // .DB and .X files
  SecondaryData,  // .X files
  DataExtension,  // level-4+ .DB and .X files
};

struct Slot {
  uint16_t offset;
  uint8_t width;
  uint32_t FileHeader::*member;
  Scope scope;
};

// The fixed places of a header: offset, width in bytes (little-endian), member.
constexpr Slot kSlots[] = {
    {0x00, 2, &FileHeader::recordSize, Scope::All},
    {0x02, 2, &FileHeader::headerSize, Scope::All},
    {0x04, 1, &FileHeader::fileType, Scope::All},
    {0x05, 1, &FileHeader::blockSizeCode, Scope::All},
    {0x06, 4, &FileHeader::recordCount, Scope::All},
    {0x0A, 2, &FileHeader::usedBlocks, Scope::All},
    {0x0C, 2, &FileHeader::totalBlocks, Scope::All},
    {0x0E, 2, &FileHeader::firstBlock, Scope::All},
    {0x10, 2, &FileHeader::lastBlock, Scope::All},
    {0x12, 2, &FileHeader::openOrder, Scope::All},
    {0x14, 1, &FileHeader::modifiedFlags1, Scope::All},
    {0x15, 1, &FileHeader::indexFieldNumber, Scope::All},
    {0x16, 4, &FileHeader::keyWorkspace, Scope::DataFiles},
    {0x1E, 2, &FileHeader::indexRoot, Scope::IndexFiles},
    {0x20, 1, &FileHeader::indexLevels, Scope::IndexFiles},
    {0x21, 2, &FileHeader::fieldCount, Scope::All},
    {0x23, 2, &FileHeader::keyFieldCount, Scope::All},
    {0x25, 4, &FileHeader::encryption1, Scope::All},
    {0x29, 1, &FileHeader::sortOrder, Scope::All},
    {0x2A, 1, &FileHeader::modifiedFlags2, Scope::All},
    {0x2C, 1, &FileHeader::dataCounter, Scope::IndexFiles},
    {0x2D, 1, &FileHeader::changeCount1, Scope::All},
    {0x2E, 1, &FileHeader::changeCount2, Scope::All},
    {0x2F, 1, &FileHeader::primaryCounter, Scope::SecondaryData},
    {0x39, 1, &FileHeader::fileVersion, Scope::All},
    {0x3A, 2, &FileHeader::maxBlocks, Scope::All},
    {0x3E, 2, &FileHeader::unknown3E, Scope::All},
    {0x49, 4, &FileHeader::autoIncrement, Scope::All},
    {0x4D, 2, &FileHeader::firstFreeBlock, Scope::All},
    {0x4F, 1, &FileHeader::indexUpdateRequired, Scope::All},
    {0x51, 2, &FileHeader::headerEnd, Scope::All},
    {0x55, 1, &FileHeader::indexDirection, Scope::All},
    {0x56, 1, &FileHeader::unknown56, Scope::All},
    {0x58, 2, &FileHeader::fileVersion2, Scope::DataExtension},
    {0x5A, 2, &FileHeader::fileVersion3, Scope::DataExtension},
    {0x5C, 4, &FileHeader::encryption2, Scope::DataExtension},
    {0x60, 4, &FileHeader::structureStamp, Scope::DataExtension},
    {0x64, 2, &FileHeader::hiFieldId, Scope::DataExtension},
    {0x66, 2, &FileHeader::namesEnd, Scope::DataExtension},
    {0x68, 2, &FileHeader::indexNameOffset, Scope::DataExtension},
    {0x6A, 2, &FileHeader::codePage, Scope::DataExtension},
    {0x6C, 2, &FileHeader::unknown6C, Scope::DataExtension},
    {0x6E, 2, &FileHeader::numbersEnd, Scope::DataExtension},
    {0x70, 2, &FileHeader::changeCount4, Scope::DataExtension},
};

constexpr size_t kCommonEnd = 0x58;
constexpr size_t kExtensionEnd = 0x78;
// Offsets of the variable part are counted from here in the level-4+ places.
constexpr uint32_t kOffsetBase = 0x58;

bool applies(const Slot& s, const FileHeader& h) {
  switch (s.scope) {
    case Scope::All:
      return true;
    case Scope::IndexFiles:
      return h.kind() == FileKind::PrimaryIndex || h.kind() == FileKind::SecondaryIndex;
    case Scope::DataFiles:
      return h.kind() == FileKind::Data || h.kind() == FileKind::SecondaryData;
    case Scope::SecondaryData:
      return h.kind() == FileKind::SecondaryData;
    case Scope::DataExtension:
      return h.hasDataExtension();
  }
  return false;
}

bool isDataFile(const FileHeader& h) {
  return h.kind() == FileKind::Data || h.kind() == FileKind::SecondaryData;
}

size_t tableNameLength(const FileHeader& h) {
  return h.fileVersion >= 0x0C ? 261 : 79;
}

// Where the parts of the variable section start that do not depend on text lengths.
struct Layout {
  size_t descriptors;
  size_t tableName;
  size_t names;  // data files: just after the table name
};

Layout layoutOf(const FileHeader& h) {
  Layout l{};
  l.descriptors = h.hasDataExtension() ? kExtensionEnd : kCommonEnd;
  size_t pos = l.descriptors + 2 * h.fieldCount + 4;  // the table name pointer
  if (isDataFile(h)) pos += 4 * h.fieldCount;         // the field name pointers
  l.tableName = pos;
  l.names = pos + tableNameLength(h);
  return l;
}

// A zero-terminated string inside the header; throws when it runs past `end`.
std::string readText(std::string_view bytes, size_t& pos, size_t end) {
  if (pos > end) throwFormat("table header is damaged");
  const size_t nul = bytes.substr(0, end).find('\0', pos);
  if (nul == std::string_view::npos) throwFormat("table header is damaged");
  std::string text(bytes.substr(pos, nul - pos));
  pos = nul + 1;
  return text;
}

void writeText(std::string& out, size_t& pos, const std::string& text) {
  if (out.size() < pos + text.size() + 1) out.resize(pos + text.size() + 1, '\0');
  std::memcpy(out.data() + pos, text.data(), text.size());
  out[pos + text.size()] = '\0';
  pos += text.size() + 1;
}

}  // namespace

FileKind kindOfFileType(uint8_t fileType) {
  switch (fileType) {
    case 0:
    case 2:
      return FileKind::Data;
    case 1:
      return FileKind::PrimaryIndex;
    case 4:
    case 7:
      return FileKind::SecondaryIndex;
    default:
      return FileKind::SecondaryData;
  }
}

bool FileHeader::hasDataExtension() const {
  return (kind() == FileKind::Data || kind() == FileKind::SecondaryData) && fileVersion >= 5;
}

bool FileHeader::isEncrypted() const {
  return hasDataExtension() ? encryption2 != 0 : encryption1 != 0;
}

FileHeader parseHeader(std::string_view file) {
  if (file.size() < kCommonEnd) throwFormat("table file is too short for a header");
  FileHeader h;
  if (static_cast<uint8_t>(file[4]) > 8) throwFormat("unknown table file type");
  h.fileType = static_cast<uint8_t>(file[4]);
  h.fileVersion = static_cast<uint8_t>(file[0x39]);
  for (const Slot& s : kSlots) {
    if (applies(s, h)) h.*s.member = getLe(file, s.offset, s.width);
  }
  if (h.headerSize < kCommonEnd || h.headerSize > file.size()) {
    throwFormat("table header size is damaged");
  }
  if (h.blockSizeCode < 1 || h.blockSizeCode > 32) throwFormat("table block size is damaged");
  if (h.fieldCount < 1 || h.fieldCount > 255) throwFormat("table field count is damaged");
  if (h.keyFieldCount > h.fieldCount) throwFormat("table key field count is damaged");
  if (h.recordSize < 1 || h.recordSize + 6 > h.blockSize()) {
    throwFormat("table record size is damaged");
  }
  const std::string_view header = file.substr(0, h.headerSize);
  const Layout l = layoutOf(h);
  if (l.names > header.size()) throwFormat("table header is cut short");
  for (uint32_t i = 0; i < h.fieldCount; ++i) {
    h.fields.push_back({static_cast<uint8_t>(header[l.descriptors + 2 * i]),
                        static_cast<uint8_t>(header[l.descriptors + 2 * i + 1])});
  }
  {
    size_t pos = l.tableName;
    const std::string_view nameField = header.substr(l.tableName, tableNameLength(h));
    h.tableName = std::string(nameField.substr(0, nameField.find('\0')));
    pos = l.names;
    if (isDataFile(h)) {
      for (uint32_t i = 0; i < h.fieldCount; ++i) {
        h.fieldNames.push_back(readText(header, pos, header.size()));
      }
      if (h.hasDataExtension()) {
        for (uint32_t i = 0; i < h.fieldCount; ++i) {
          h.fieldNumbers.push_back(getU16(header, pos));
          pos += 2;
        }
        h.sortOrderName = readText(header, pos, header.size());
        if (h.kind() == FileKind::SecondaryData) {
          h.indexName = readText(header, pos, header.size());
        }
      }
    }
  }
  h.raw = std::string(header);
  return h;
}

void layOutHeader(FileHeader& h) {
  h.fieldCount = static_cast<uint32_t>(h.fields.size());
  const Layout l = layoutOf(h);
  size_t pos = l.names;
  if (isDataFile(h)) {
    for (const auto& name : h.fieldNames) pos += name.size() + 1;
    if (h.hasDataExtension()) {
      h.namesEnd = static_cast<uint32_t>(pos - kOffsetBase);
      pos += 2 * h.fieldNames.size();
      h.numbersEnd = static_cast<uint32_t>(pos - kOffsetBase);
      pos += h.sortOrderName.size() + 1;
      h.indexNameOffset = 0;
      if (h.kind() == FileKind::SecondaryData) {
        if (!h.indexName.empty()) h.indexNameOffset = static_cast<uint32_t>(pos - kOffsetBase);
        pos += h.indexName.size() + 1;
      }
      h.hiFieldId = h.fieldCount + 1;
    }
  }
  h.headerEnd = static_cast<uint32_t>(pos);
  h.headerSize = std::max<uint32_t>(0x800, static_cast<uint32_t>((pos + 0x7FF) / 0x800 * 0x800));
}

std::string encodeHeader(const FileHeader& h) {
  std::string out = h.raw;
  const bool fresh = out.empty();
  if (out.size() < h.headerSize) out.resize(h.headerSize, '\0');
  for (const Slot& s : kSlots) {
    if (applies(s, h)) putLe(out, s.offset, s.width, h.*s.member);
  }
  if (!fresh) return out;

  const Layout l = layoutOf(h);
  for (size_t i = 0; i < h.fields.size(); ++i) {
    out[l.descriptors + 2 * i] = static_cast<char>(h.fields[i].code);
    out[l.descriptors + 2 * i + 1] = static_cast<char>(h.fields[i].size);
  }
  const size_t nameRoom = tableNameLength(h) - 1;
  std::memcpy(out.data() + l.tableName, h.tableName.data(), std::min(h.tableName.size(), nameRoom));
  size_t pos = l.names;
  if (isDataFile(h)) {
    for (const auto& name : h.fieldNames) writeText(out, pos, name);
    if (h.hasDataExtension()) {
      for (size_t i = 0; i < h.fieldNames.size(); ++i) {
        const uint16_t number = i < h.fieldNumbers.size() ? h.fieldNumbers[i] : i + 1;
        putLe(out, pos, 2, number);
        pos += 2;
      }
      writeText(out, pos, h.sortOrderName);
      if (h.kind() == FileKind::SecondaryData) writeText(out, pos, h.indexName);
    }
  }
  out.resize(std::max<size_t>(out.size(), h.headerSize), '\0');
  return out;
}

}  // namespace kvt::paradox
