#include "platform/win32/WideText.h"

namespace kvt::platform::win32 {
namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr long long kEpochDifference = 11644473600LL;
using Ticks = std::chrono::duration<long long, std::ratio<1, 10'000'000>>;

// Bytes of a code page to UTF-16 and back; flags 0, so what does not convert becomes the
// replacement or default character.
std::wstring decode(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), wide.data(), n);
  return wide;
}

std::string encode(UINT codePage, std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string bytes(size_t(n > 0 ? n : 0), '\0');
  if (n > 0)
    ::WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), bytes.data(), n, nullptr,
                          nullptr);
  return bytes;
}

}  // namespace

std::wstring widen(std::string_view utf8) {
  return decode(CP_UTF8, utf8);
}

std::string narrow(std::wstring_view wide) {
  return encode(CP_UTF8, wide);
}

std::string toCodePage(UINT codePage, std::string_view utf8) {
  return encode(codePage, widen(utf8));
}

std::string fromCodePage(UINT codePage, std::string_view bytes) {
  return narrow(decode(codePage, bytes));
}

FileTime fromFiletime(const FILETIME& ft) {
  const long long ticks = static_cast<long long>(
      (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  const auto sinceEpoch = Ticks(ticks) - std::chrono::seconds(kEpochDifference);
  return FileTime(std::chrono::duration_cast<FileTime::duration>(sinceEpoch));
}

FILETIME toFiletime(FileTime t) {
  const auto ticks =
      std::chrono::floor<Ticks>(t.time_since_epoch()) + std::chrono::seconds(kEpochDifference);
  const auto value = static_cast<unsigned long long>(ticks.count());
  return FILETIME{DWORD(value & 0xFFFFFFFFu), DWORD(value >> 32)};
}

}  // namespace kvt::platform::win32
