// The system's table of the code page; a byte it refuses is one U+FFFD.
#include "tools/tableinfo/CodePageText.h"

#include <windows.h>

namespace kvt::tableinfo {
namespace {

// Appends the UTF-8 of the wide text.
void appendUtf8(const wchar_t* wide, int length, std::string& out) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return;
  const size_t at = out.size();
  out.resize(at + size_t(n));
  ::WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data() + at, n, nullptr, nullptr);
}

}  // namespace

std::string toUtf8(std::string_view bytes, int codePage) {
  const UINT cp = UINT(codePage == 0 ? 437 : codePage);
  std::string out;
  wchar_t wide[2];
  // A character at a time: one or two bytes, as the code page's lead bytes say.
  while (!bytes.empty()) {
    const unsigned char c = bytes[0];
    if (c < 0x80) {
      out += char(c);
      bytes.remove_prefix(1);
      continue;
    }
    const size_t len = ::IsDBCSLeadByteEx(cp, c) && bytes.size() >= 2 ? 2 : 1;
    const int n = ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), int(len), wide, 2);
    if (n > 0)
      appendUtf8(wide, n, out);
    else
      out += "\xEF\xBF\xBD";
    bytes.remove_prefix(n > 0 ? len : 1);
  }
  return out;
}

}  // namespace kvt::tableinfo
