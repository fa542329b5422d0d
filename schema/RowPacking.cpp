#include "schema/RowPacking.h"

#include <cstring>
#include <type_traits>
#include <variant>

namespace kvt {
namespace {

// The bytes of a packed row are described once, for three outputs: one that only counts them
// (the room a chunk needs, allocated once), one that writes them into that room and one that
// appends them to a string.
struct ByteCounter {
  size_t n = 0;
  void byte(char) { ++n; }
  void bytes(const char*, size_t len) { n += len; }
};

struct ByteAppender {
  std::string& out;
  void byte(char c) { out.push_back(c); }
  void bytes(const char* from, size_t len) { out.append(from, len); }
};

struct ByteWriter {
  char* at;
  void byte(char c) { *at++ = c; }
  void bytes(const char* from, size_t len) {
    std::memcpy(at, from, len);
    at += len;
  }
};

template <class Out>
void putVarint(Out& out, uint64_t v) {
  while (v >= 0x80) {
    out.byte(static_cast<char>(v | 0x80));
    v >>= 7;
  }
  out.byte(static_cast<char>(v));
}

uint64_t getVarint(std::string_view bytes, size_t& at) {
  uint64_t v = 0;
  for (int shift = 0;; shift += 7) {
    const auto b = static_cast<unsigned char>(bytes[at++]);
    v |= uint64_t(b & 0x7F) << shift;
    if (b < 0x80) return v;
  }
}

template <class Out>
void putSigned(Out& out, int64_t v) {
  putVarint(out, (uint64_t(v) << 1) ^ uint64_t(v >> 63));
}

int64_t getSigned(std::string_view bytes, size_t& at) {
  const uint64_t z = getVarint(bytes, at);
  return int64_t(z >> 1) ^ -int64_t(z & 1);
}

template <class Out>
void putText(Out& out, const std::string& text) {
  putVarint(out, text.size());
  out.bytes(text.data(), text.size());
}

std::string_view getText(std::string_view bytes, size_t& at) {
  const size_t n = getVarint(bytes, at);
  const std::string_view text = bytes.substr(at, n);
  at += n;
  return text;
}

template <class Out>
void putDouble(Out& out, double d) {
  char buf[sizeof d];
  std::memcpy(buf, &d, sizeof d);
  out.bytes(buf, sizeof d);
}

double getDouble(std::string_view bytes, size_t& at) {
  double d = 0;
  std::memcpy(&d, bytes.data() + at, sizeof d);
  at += sizeof d;
  return d;
}

template <class Out>
void putRow(Out& out, const Row& row) {
  for (const Value& v : row) {
    out.byte(static_cast<char>(v.storage().index()));
    std::visit(
        [&](const auto& x) {
          using T = std::decay_t<decltype(x)>;
          if constexpr (std::is_same_v<T, bool>) {
            out.byte(x ? 1 : 0);
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

}  // namespace

size_t packedSize(const Row& row) {
  ByteCounter counter;
  putRow(counter, row);
  return counter.n;
}

char* packRowAt(const Row& row, char* out) {
  ByteWriter writer{out};
  putRow(writer, row);
  return writer.at;
}

void packRow(const Row& row, std::string& out) {
  ByteAppender appender{out};
  putRow(appender, row);
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
