// Code page 950 through the system's own table, which already gives the user-defined
// characters their private-use code points. The byte 0xFF, which this table alone takes for
// U+F8F8, is no character here, so that both builds turn the same bytes into the same text.
#include "platform/Cp950.h"

#include "platform/Utf8.h"
#include "platform/win32/WideText.h"

namespace kvt::platform {
namespace {

constexpr UINT kCodePage = 950;

bool isLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
bool isTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFE);
}

// Decodes a run of ASCII bytes and lead/trail pairs; false when the table refuses any of them.
bool decodeRun(std::string_view run, std::wstring& out) {
  if (run.empty()) return true;
  const int n = ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), int(run.size()),
                                      nullptr, 0);
  if (n <= 0) return false;
  const size_t at = out.size();
  out.resize(at + size_t(n));
  ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), int(run.size()),
                        out.data() + at, n);
  return true;
}

// Length of the character at the start of `bytes`: 2 for a lead/trail pair, 1 otherwise.
size_t charLength(std::string_view bytes) {
  return bytes.size() >= 2 && isLeadByte(bytes[0]) && isTrailByte(bytes[1]) ? 2 : 1;
}

}  // namespace

std::string cp950ToUtf8(std::string_view bytes) {
  std::wstring wide;
  wide.reserve(bytes.size());
  // Runs of characters that may be valid go to the table at once; a refused run goes again
  // one character at a time, an unassigned pair or a stray byte is one U+FFFD.
  while (!bytes.empty()) {
    size_t runEnd = 0;
    while (runEnd < bytes.size()) {
      const unsigned char c = bytes[runEnd];
      const size_t len = charLength(bytes.substr(runEnd));
      if (c > 0x80 && len == 1) break;
      runEnd += len;
    }
    const std::string_view run = bytes.substr(0, runEnd);
    if (!decodeRun(run, wide)) {
      for (std::string_view rest = run; !rest.empty();) {
        const size_t len = charLength(rest);
        if (!decodeRun(rest.substr(0, len), wide)) wide += L'\xFFFD';
        rest.remove_prefix(len);
      }
    }
    bytes.remove_prefix(runEnd);
    if (!bytes.empty()) {  // a byte that is no character on its own
      wide += L'\xFFFD';
      bytes.remove_prefix(1);
    }
  }
  return win32::narrow(wide);
}

std::string utf8ToCp950(std::string_view utf8) {
  // UTF-16 by hand: a malformed byte is one "?", a character past the BMP (which code page
  // 950 lacks) one "?" rather than two halves of a pair.
  std::wstring wide;
  wide.reserve(utf8.size());
  while (!utf8.empty()) {
    const size_t len = Utf8SequenceLength(utf8);
    const char32_t cp = len == 0 ? U'?' : Utf8CodePoint(utf8, len);
    wide += cp > 0xFFFF || cp == 0xF8F8 ? L'?' : wchar_t(cp);
    utf8.remove_prefix(len == 0 ? 1 : len);
  }
  if (wide.empty()) return {};
  const int n = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      int(wide.size()), nullptr, 0, "?", nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0)
    ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()),
                          out.data(), n, "?", nullptr);
  return out;
}

}  // namespace kvt::platform
