// UTF-8 text inside the tool, UTF-16 at every Win32 call. Never through the ANSI code page,
// and never through std::filesystem::path's own reading of a narrow string, which takes it
// as the ANSI code page on Windows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace kvt::platform::win32 {

// Ill-formed UTF-8 becomes U+FFFD.
std::wstring widen(std::string_view utf8);
// Lone surrogates become U+FFFD.
std::string narrow(std::wstring_view wide);

// UTF-8 to the bytes of a code page (CP_OEMCP, 950...); characters it lacks become its default
// character.
std::string toCodePage(UINT codePage, std::string_view utf8);
// The bytes of a code page to UTF-8.
std::string fromCodePage(UINT codePage, std::string_view bytes);

// FILETIME counts 100-nanosecond steps from 1601-01-01 UTC.
FileTime fromFiletime(const FILETIME& ft);
FILETIME toFiletime(FileTime t);

}  // namespace kvt::platform::win32
