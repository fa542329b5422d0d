// A library loaded at run time, released again when its holder goes, and the typed look-up of
// its exports.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace kvt::platform::win32 {

struct LibraryRelease {
  void operator()(HMODULE library) const { ::FreeLibrary(library); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryRelease>;

// The export of that name as a pointer of type Fn, or null.
template <class Fn>
Fn exportOf(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

}  // namespace kvt::platform::win32
