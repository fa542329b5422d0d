#include "engine/paradox/BlobField.h"

#include <cstring>
#include <string>

#include "engine/paradox/Endian.h"
#include "engine/paradox/FieldTypes.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

constexpr size_t kGraphicHead = 8;

std::string graphicHead(size_t pictureLength) {
  std::string head(kGraphicHead, '\0');
  head[0] = 0x01;
  head[3] = 0x01;
  putLe(head, 4, 4, static_cast<uint32_t>(pictureLength));
  return head;
}

bool hasGraphicHead(const std::string& stored) {
  return stored.size() >= kGraphicHead &&
         stored.compare(0, 4, std::string("\x01\0\0\x01", 4)) == 0 &&
         getU32(stored, 4) == stored.size() - kGraphicHead;
}

}  // namespace

Value decodeBlobField(FieldType type, const char* in, int width, const BlobFileReader* mb) {
  const int leader = width - kBlobPointerSize;
  const std::string_view pointer(in + leader, kBlobPointerSize);
  BlobPointer p;
  p.location = getU32(pointer, 0);
  p.length = getU32(pointer, 4);
  p.modNumber = getU16(pointer, 8);
  if (p.length == 0) return Value::null();
  std::string data;
  if (p.location == 0) {
    if (p.length > static_cast<uint32_t>(leader)) throwFormat("blob leader is damaged");
    data.assign(in, p.length);
  } else {
    if (!mb) throwFormat("blob file (.MB) is missing");
    data = mb->read(p);
  }
  if (type == FieldType::Memo || type == FieldType::FmtMemo) return Value(std::move(data));
  if (type == FieldType::Graphic && hasGraphicHead(data)) data.erase(0, kGraphicHead);
  return Value(kvt::Bytes{std::move(data)});
}

void encodeBlobField(FieldType type, const Value& value, char* out, int width, BlobFileWriter& mb) {
  std::memset(out, 0, width);
  if (value.isNull()) return;
  const std::string* data = value.get<std::string>();
  if (!data) {
    const auto* bytes = value.get<kvt::Bytes>();
    if (!bytes) {
      throw EngineError(ErrorKind::Conversion,
                        std::string("value does not fit a field of type ") + letterOf(type));
    }
    data = &bytes->data;
  }
  if (data->empty()) return;
  // A block of its own holds at most 0xFFFF units of 4 KB.
  if (data->size() > 0xFFFFull * 0x1000 - 64) {
    throw EngineError(ErrorKind::Unsupported, "blob value is too long for a table");
  }
  const size_t leader = width - kBlobPointerSize;
  std::memcpy(out, data->data(), std::min(leader, data->size()));
  BlobPointer p;
  if (type == FieldType::Graphic) {
    p = mb.add(graphicHead(data->size()) + *data);
  } else if (data->size() > leader) {
    p = mb.add(*data);
  } else {
    p.length = static_cast<uint32_t>(data->size());
  }
  char* pointer = out + leader;
  putLe(pointer, 4, p.location);
  putLe(pointer + 4, 4, p.length);
  putLe(pointer + 8, 2, p.modNumber);
}

}  // namespace kvt::paradox
