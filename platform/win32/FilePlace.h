// The place of a positioned read or write: a synchronous handle reads or writes there, and the
// file's own position is not relied on.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kvt::platform::win32 {

inline OVERLAPPED placeAt(uint64_t offset) {
  OVERLAPPED place{};
  place.Offset = DWORD(offset & 0xFFFFFFFFu);
  place.OffsetHigh = DWORD(offset >> 32);
  return place;
}

}  // namespace kvt::platform::win32
