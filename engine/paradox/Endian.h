// Little-endian access to the control structures of the table files (headers, block headers,
// blob pointers). Field data uses the sortable big-endian form of FieldCodec.h instead.
//
// Reads past the end of the given bytes throw EngineError(Format): every caller parses a file
// that may be damaged or cut short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "schema/EngineError.h"

namespace kvt::paradox {

[[noreturn]] inline void throwFormat(const std::string& what) {
  throw EngineError(ErrorKind::Format, what);
}

inline uint32_t getLe(std::string_view bytes, size_t offset, int width) {
  if (offset > bytes.size() || bytes.size() - offset < static_cast<size_t>(width)) {
    throwFormat("table file is cut short");
  }
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) {
    v = (v << 8) | static_cast<uint8_t>(bytes[offset + i]);
  }
  return v;
}

inline uint16_t getU16(std::string_view bytes, size_t offset) {
  return static_cast<uint16_t>(getLe(bytes, offset, 2));
}
inline uint32_t getU32(std::string_view bytes, size_t offset) {
  return getLe(bytes, offset, 4);
}

// Writes `width` bytes; the target must already be large enough.
inline void putLe(std::string& bytes, size_t offset, int width, uint32_t value) {
  for (int i = 0; i < width; ++i) {
    bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}
inline void putLe(char* out, int width, uint32_t value) {
  for (int i = 0; i < width; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace kvt::paradox
