#include "schema/RowPacking.h"

#include <cstring>
#include <type_traits>
#include <variant>

namespace kvt {
namespace {

void putVarint(std::string& out, uint64_t v) {
  char buf[10];
  size_t n = 0;
  while (v >= 0x80) {
    buf[n++] = static_cast<char>(v | 0x80);
    v >>= 7;
  }
  buf[n++] = static_cast<char>(v);
  out.append(buf, n);
}

uint64_t getVarint(std::string_view bytes, size_t& at) {
  uint64_t v = 0;
  for (int shift = 0;; shift += 7) {
    const auto b = static_cast<unsigned char>(bytes[at++]);
    v |= uint64_t(b & 0x7F) << shift;
    if (b < 0x80) return v;
  }
}

void putSigned(std::string& out, int64_t v) {
  putVarint(out, (uint64_t(v) << 1) ^ uint64_t(v >> 63));
}

int64_t getSigned(std::string_view bytes, size_t& at) {
  const uint64_t z = getVarint(bytes, at);
  return int64_t(z >> 1) ^ -int64_t(z & 1);
}

void putText(std::string& out, const std::string& text) {
  putVarint(out, text.size());
  out.append(text);
}

std::string_view getText(std::string_view bytes, size_t& at) {
  const size_t n = getVarint(bytes, at);
  const std::string_view text = bytes.substr(at, n);
  at += n;
  return text;
}

void putDouble(std::string& out, double d) {
  char buf[sizeof d];
  std::memcpy(buf, &d, sizeof d);
  out.append(buf, sizeof d);
}

double getDouble(std::string_view bytes, size_t& at) {
  double d = 0;
  std::memcpy(&d, bytes.data() + at, sizeof d);
  at += sizeof d;
  return d;
}

}  // namespace

void packRow(const Row& row, std::string& out) {
  for (const Value& v : row) {
    out.push_back(static_cast<char>(v.storage().index()));
    std::visit(
        [&](const auto& x) {
          using T = std::decay_t<decltype(x)>;
          if constexpr (std::is_same_v<T, bool>) {
            out.push_back(x ? 1 : 0);
          } else if constexpr (std::is_same_v<T, int64_t>) {
            putSigned(out, x);
          } else if constexpr (std::is_same_v<T, double>) {
            putDouble(out, x);
          } else if constexpr (std::is_same_v<T, std::string>) {
            putText(out, x);
          } else if constexpr (std::is_same_v<T, Date>) {
            putSigned(out, x.days);
          } else if constexpr (std::is_same_v<T, Time>) {
            putSigned(out, x.ms);
          } else if constexpr (std::is_same_v<T, Timestamp>) {
            putDouble(out, x.ms);
          } else if constexpr (std::is_same_v<T, Decimal>) {
            putText(out, x.text);
          } else if constexpr (std::is_same_v<T, Bytes>) {
            putText(out, x.data);
          }
        },
        v.storage());
  }
}

// The row buffer is filled again row after row: numbers and text go into the values in place,
// so text reuses the storage the value had.
size_t unpackRow(std::string_view bytes, size_t at, size_t fields, Row& row) {
  row.resize(fields);
  for (Value& v : row) {
    switch (static_cast<unsigned char>(bytes[at++])) {
      case 0:
        v.setNull();
        break;
      case 1:
        v.setBool(bytes[at++] != 0);
        break;
      case 2:
        v.setInt(getSigned(bytes, at));
        break;
      case 3:
        v.setFloat(getDouble(bytes, at));
        break;
      case 4:
        v.setText(getText(bytes, at));
        break;
      case 5:
        v = Value(Date{int32_t(getSigned(bytes, at))});
        break;
      case 6:
        v = Value(Time{int32_t(getSigned(bytes, at))});
        break;
      case 7:
        v = Value(Timestamp{getDouble(bytes, at)});
        break;
      case 8:
        v = Value(Decimal{std::string(getText(bytes, at))});
        break;
      case 9:
        v = Value(Bytes{std::string(getText(bytes, at))});
        break;
    }
  }
  return at;
}

}  // namespace kvt
