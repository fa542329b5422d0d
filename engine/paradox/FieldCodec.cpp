#include "engine/paradox/FieldCodec.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/paradox/BcdCodec.h"
#include "engine/paradox/FieldTypes.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

bool allZero(const char* in, int width) {
  for (int i = 0; i < width; ++i) {
    if (in[i] != 0) return false;
  }
  return true;
}

uint64_t readBigEndian(const char* in, int width) {
  uint64_t v = 0;
  for (int i = 0; i < width; ++i) v = (v << 8) | static_cast<uint8_t>(in[i]);
  return v;
}

void writeBigEndian(uint64_t v, char* out, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>(v & 0xFF);
    v >>= 8;
  }
}

int64_t decodeInteger(const char* in, int width) {
  // The stored bits are the value plus 2^(bits-1), an offset binary form.
  const int64_t offset = int64_t{1} << (8 * width - 1);
  return static_cast<int64_t>(readBigEndian(in, width)) - offset;
}

void encodeInteger(int64_t v, char* out, int width) {
  const int64_t offset = int64_t{1} << (8 * width - 1);
  writeBigEndian(static_cast<uint64_t>(v + offset), out, width);
}

double decodeDouble(const char* in) {
  uint64_t raw = readBigEndian(in, 8);
  if (raw & 0x8000000000000000ULL) {
    raw &= 0x7FFFFFFFFFFFFFFFULL;
  } else {
    raw = ~raw;
  }
  return std::bit_cast<double>(raw);
}

void encodeDouble(double d, char* out) {
  uint64_t raw = std::bit_cast<uint64_t>(d);
  if (raw & 0x8000000000000000ULL) {
    raw = ~raw;
  } else {
    raw |= 0x8000000000000000ULL;
  }
  writeBigEndian(raw, out, 8);
}

[[noreturn]] void wrongKind(FieldType type) {
  throw EngineError(ErrorKind::Conversion,
                    std::string("value does not fit a field of type ") + letterOf(type));
}

int64_t integerOf(FieldType type, const Value& v, int64_t lo, int64_t hi) {
  const int64_t* i = v.get<int64_t>();
  if (!i) wrongKind(type);
  if (*i < lo || *i > hi) {
    throw EngineError(
        ErrorKind::Conversion,
        "integer " + std::to_string(*i) + " is out of range for a field of type " + letterOf(type));
  }
  return *i;
}

}  // namespace

void decodeFieldInto(FieldType type, int descriptorSize, const char* in, int width, Value& out) {
  if (type == FieldType::Alpha) {
    const void* nul = std::memchr(in, 0, width);
    const size_t len = nul ? static_cast<const char*>(nul) - in : width;
    if (len == 0) {
      out.setNull();
    } else {
      out.setText(std::string_view(in, len));
    }
    return;
  }
  if (type == FieldType::Bytes) {
    int len = width;
    while (len > 0 && in[len - 1] == 0) --len;
    out = len == 0 ? Value::null() : Value(kvt::Bytes{std::string(in, len)});
    return;
  }
  if (allZero(in, width)) {
    out.setNull();
    return;
  }
  switch (type) {
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
      out.setInt(decodeInteger(in, width));
      return;
    case FieldType::Date:
      out = Value(kvt::Date{static_cast<int32_t>(decodeInteger(in, 4))});
      return;
    case FieldType::Time:
      out = Value(kvt::Time{static_cast<int32_t>(decodeInteger(in, 4))});
      return;
    case FieldType::Number:
    case FieldType::Money:
      out.setFloat(decodeDouble(in));
      return;
    case FieldType::Timestamp:
      // Stored as milliseconds from the start of day 0; the value counts from day 1.
      out = Value(kvt::Timestamp{decodeDouble(in) - 86400000.0});
      return;
    case FieldType::Logical:
      out.setBool(static_cast<uint8_t>(in[0]) != 0x80);
      return;
    case FieldType::Bcd: {
      auto text = decodeBcd(in, descriptorSize);
      out = text ? Value(kvt::Decimal{*text}) : Value::null();
      return;
    }
    default:
      out.setNull();
      return;
  }
}

Value decodeField(FieldType type, int descriptorSize, const char* in, int width) {
  Value v;
  decodeFieldInto(type, descriptorSize, in, width, v);
  return v;
}

void encodeField(FieldType type, int descriptorSize, const Value& v, char* out, int width) {
  std::memset(out, 0, width);
  if (v.isNull()) return;
  switch (type) {
    case FieldType::Alpha: {
      const std::string* s = v.get<std::string>();
      if (!s) wrongKind(type);
      // A zero byte would end the text early when read back.
      const size_t len = std::min(s->size(), static_cast<size_t>(width));
      const void* nul = std::memchr(s->data(), 0, len);
      std::memcpy(out, s->data(), nul ? static_cast<const char*>(nul) - s->data() : len);
      return;
    }
    case FieldType::Bytes: {
      const kvt::Bytes* b = v.get<kvt::Bytes>();
      const std::string* s = b ? &b->data : v.get<std::string>();
      if (!s) wrongKind(type);
      std::memcpy(out, s->data(), std::min(s->size(), static_cast<size_t>(width)));
      return;
    }
    case FieldType::Short:
      encodeInteger(integerOf(type, v, -32767, 32767), out, 2);
      return;
    case FieldType::Long:
    case FieldType::AutoInc:
      encodeInteger(integerOf(type, v, -2147483647, 2147483647), out, 4);
      return;
    case FieldType::Date: {
      const auto* d = v.get<kvt::Date>();
      if (!d) wrongKind(type);
      encodeInteger(d->days, out, 4);
      return;
    }
    case FieldType::Time: {
      const auto* t = v.get<kvt::Time>();
      if (!t) wrongKind(type);
      encodeInteger(t->ms, out, 4);
      return;
    }
    case FieldType::Number:
    case FieldType::Money: {
      const double* d = v.get<double>();
      if (d) {
        encodeDouble(*d, out);
        return;
      }
      const int64_t* i = v.get<int64_t>();
      if (!i) wrongKind(type);
      encodeDouble(static_cast<double>(*i), out);
      return;
    }
    case FieldType::Timestamp: {
      const auto* t = v.get<kvt::Timestamp>();
      if (!t) wrongKind(type);
      encodeDouble(t->ms + 86400000.0, out);
      return;
    }
    case FieldType::Logical: {
      const bool* b = v.get<bool>();
      if (!b) wrongKind(type);
      out[0] = static_cast<char>(*b ? 0x81 : 0x80);
      return;
    }
    case FieldType::Bcd: {
      const auto* d = v.get<kvt::Decimal>();
      if (d) {
        encodeBcd(d->text, descriptorSize, out);
        return;
      }
      if (const int64_t* i = v.get<int64_t>()) {
        encodeBcd(std::to_string(*i), descriptorSize, out);
        return;
      }
      wrongKind(type);
    }
    default:
      wrongKind(type);
  }
}

}  // namespace kvt::paradox
