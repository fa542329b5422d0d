#include "engine/paradox/FieldTypes.h"

#include <string>

#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

struct TypeRow {
  uint8_t code;
  char letter;
  FieldType type;
  int fixedWidth;  // 0 when the descriptor gives the width
  uint8_t minVersion;
};

// Level 3 knows A D S $ N and the level-4 blob M B; level 5 adds the rest.
constexpr TypeRow kTypes[] = {
    {0x01, 'A', FieldType::Alpha, 0, 0x03},   {0x02, 'D', FieldType::Date, 4, 0x03},
    {0x03, 'S', FieldType::Short, 2, 0x03},   {0x04, 'I', FieldType::Long, 4, 0x0A},
    {0x05, '$', FieldType::Money, 8, 0x03},   {0x06, 'N', FieldType::Number, 8, 0x03},
    {0x09, 'L', FieldType::Logical, 1, 0x0A}, {0x0C, 'M', FieldType::Memo, 0, 0x05},
    {0x0D, 'B', FieldType::Blob, 0, 0x05},    {0x0E, 'F', FieldType::FmtMemo, 0, 0x0A},
    {0x0F, 'O', FieldType::Ole, 0, 0x0A},     {0x10, 'G', FieldType::Graphic, 0, 0x0A},
    {0x14, 'T', FieldType::Time, 4, 0x0A},    {0x15, '@', FieldType::Timestamp, 8, 0x0A},
    {0x16, '+', FieldType::AutoInc, 4, 0x0A}, {0x17, '#', FieldType::Bcd, 17, 0x0A},
    {0x18, 'Y', FieldType::Bytes, 0, 0x0A},
};

const TypeRow& rowOf(FieldType type) {
  for (const auto& r : kTypes) {
    if (r.type == type) return r;
  }
  throw EngineError(ErrorKind::Unsupported, "unknown field type");
}

}  // namespace

std::optional<FieldType> typeFromCode(uint8_t code) {
  for (const auto& r : kTypes) {
    if (r.code == code) return r.type;
  }
  return std::nullopt;
}

uint8_t codeOf(FieldType type) {
  return rowOf(type).code;
}

char letterOf(FieldType type) {
  return rowOf(type).letter;
}

bool isBlob(FieldType type) {
  switch (type) {
    case FieldType::Memo:
    case FieldType::Blob:
    case FieldType::FmtMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
      return true;
    default:
      return false;
  }
}

int defSizeFromDescriptor(FieldType type, int descriptorSize) {
  if (isBlob(type)) return descriptorSize - kBlobPointerSize;
  switch (type) {
    case FieldType::Alpha:
    case FieldType::Bcd:
    case FieldType::Bytes:
      return descriptorSize;
    default:
      return 0;
  }
}

int descriptorSizeFor(const FieldDef& field) {
  auto bad = [&](const char* why) -> int {
    throw EngineError(ErrorKind::Unsupported, "field " + field.name + ": " + why);
  };
  if (isBlob(field.type)) {
    // A memo keeps at least one leader byte; the others may keep none. The descriptor is a
    // byte, so the leader stops at 240.
    const int minLeader = field.type == FieldType::Memo ? 1 : 0;
    if (field.size < minLeader || field.size > 240) return bad("blob leader size out of range");
    return field.size + kBlobPointerSize;
  }
  switch (field.type) {
    case FieldType::Alpha:
      if (field.size < 1 || field.size > 255) return bad("alpha width must be 1 to 255");
      return field.size;
    case FieldType::Bytes:
      if (field.size < 1 || field.size > 255) return bad("bytes length must be 1 to 255");
      return field.size;
    case FieldType::Bcd:
      if (field.size < 0 || field.size > 32) return bad("BCD decimal places must be 0 to 32");
      return field.size;
    default:
      return rowOf(field.type).fixedWidth;
  }
}

int recordWidth(FieldType type, int descriptorSize) {
  const int fixed = rowOf(type).fixedWidth;
  return fixed != 0 ? fixed : descriptorSize;
}

uint8_t minimumVersionFor(FieldType type) {
  return rowOf(type).minVersion;
}

}  // namespace kvt::paradox
