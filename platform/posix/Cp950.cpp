// Conversions through iconv. Each thread keeps its two descriptors open: opening one costs far
// more than converting a short log line, and most texts converted are short.
#include "platform/Cp950.h"

#include <iconv.h>
#include <algorithm>
#include <cerrno>
#include <iterator>
#include <optional>

#include "platform/Utf8.h"

namespace kvt::platform {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

bool isAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as iconv accepts, appending to `out`. Returns the errno that
  // stopped it (0 when all of `in` was consumed); `in` is advanced past what was converted.
  int convert(std::string_view& in, std::string& out) {
    char buffer[1024];
    while (!in.empty()) {
      char* src = const_cast<char*>(in.data());
      size_t srcLeft = in.size();
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      int err = rc == static_cast<size_t>(-1) ? errno : 0;
      out.append(buffer, dst - buffer);
      in.remove_prefix(in.size() - srcLeft);
      if (err != 0 && err != E2BIG) return err;
    }
    return 0;
  }

  void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

Converter& decoder() {
  thread_local Converter c("UTF-8", "CP950");
  return c;
}

Converter& encoder() {
  thread_local Converter c("CP950", "UTF-8");
  return c;
}

bool isLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
bool isTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFE);
}

// The user-defined areas of code page 950 as Windows maps them onto the private use area: each
// area runs over whole rows of lead bytes, 157 characters a row (trail bytes 0x40-0x7E, then
// 0xA1-0xFE), from its first character on. iconv knows only the last one.
struct UserDefinedArea {
  unsigned char firstLead, firstTrail, lastLead;
  char32_t firstCodePoint;
};
constexpr UserDefinedArea kUserDefinedAreas[] = {
    {0xFA, 0x40, 0xFE, 0xE000},  // U+E000-U+E310
    {0x8E, 0x40, 0xA0, 0xE311},  // U+E311-U+EEB7
    {0x81, 0x40, 0x8D, 0xEEB8},  // U+EEB8-U+F6B0
    {0xC6, 0xA1, 0xC8, 0xF6B1},  // U+F6B1-U+F848
};

constexpr int trailIndex(unsigned char trail) {
  return trail < 0x80 ? trail - 0x40 : trail - 0x62;
}

std::optional<char32_t> userDefinedToPrivateUse(unsigned char lead, unsigned char trail) {
  if (!((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE))) return std::nullopt;
  for (const UserDefinedArea& a : kUserDefinedAreas) {
    if (lead < a.firstLead || lead > a.lastLead) continue;
    const int offset = 157 * (lead - a.firstLead) + trailIndex(trail) - trailIndex(a.firstTrail);
    if (offset >= 0) return a.firstCodePoint + char32_t(offset);
  }
  return std::nullopt;
}

std::optional<std::string> privateUseToUserDefined(char32_t cp) {
  for (const UserDefinedArea& a : kUserDefinedAreas) {
    const int rows = a.lastLead - a.firstLead + 1;
    const int size = 157 * rows - trailIndex(a.firstTrail);
    if (cp < a.firstCodePoint || cp >= a.firstCodePoint + char32_t(size)) continue;
    const int index = int(cp - a.firstCodePoint) + trailIndex(a.firstTrail);
    const int trail = index % 157;
    return std::string{char(a.firstLead + index / 157),
                       char(trail < 63 ? trail + 0x40 : trail + 0x62)};
  }
  return std::nullopt;
}

// Four box-drawing characters have two codes in code page 950 (0xA2A4 and 0xF9F9 are both
// U+2550). Windows writes the second and iconv the first; the package's programs write what
// Windows writes, so this does too, and a value written here compares equal to theirs.
constexpr std::pair<std::string_view, std::string_view> kWindowsCodes[] = {
    {"\u2550", "\xF9\xF9"}, {"\u255E", "\xF9\xE9"}, {"\u256A", "\xF9\xEA"}, {"\u2561", "\xF9\xEB"}};

std::string encodeWithIconv(std::string_view utf8);

}  // namespace

std::string cp950ToUtf8(std::string_view bytes) {
  if (isAscii(bytes)) return std::string(bytes);
  Converter& c = decoder();
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  if (!c.ok()) {
    for (unsigned char ch : bytes) out += ch < 0x80 ? std::string(1, ch) : kReplacementUtf8;
    return out;
  }
  c.reset();
  while (!bytes.empty()) {
    if (c.convert(bytes, out) == 0) break;
    // A byte pair shaped like a double-byte character but unassigned counts as one character,
    // so the text keeps its character count; any other bad byte is one character on its own.
    bool pair = bytes.size() >= 2 && isLeadByte(bytes[0]) && isTrailByte(bytes[1]);
    const auto userDefined = pair ? userDefinedToPrivateUse(bytes[0], bytes[1]) : std::nullopt;
    if (userDefined)
      AppendUtf8(out, *userDefined);
    else
      out += kReplacementUtf8;
    bytes.remove_prefix(pair ? 2 : 1);
    c.reset();
  }
  return out;
}

std::string utf8ToCp950(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  std::string out;
  size_t from = 0;  // the start of what is still to convert
  // All four begin with E2 95: a text without that pair goes to iconv whole.
  for (size_t at = utf8.find("\xE2\x95"); at != std::string_view::npos;
       at = utf8.find("\xE2\x95", at + 1)) {
    const auto code = std::find_if(std::begin(kWindowsCodes), std::end(kWindowsCodes),
                                   [&](auto& c) { return utf8.substr(at).starts_with(c.first); });
    if (code == std::end(kWindowsCodes)) continue;
    out += encodeWithIconv(utf8.substr(from, at - from));
    out += code->second;
    from = at + code->first.size();
  }
  return out + encodeWithIconv(utf8.substr(from));
}

namespace {

std::string encodeWithIconv(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  Converter& c = encoder();
  std::string out;
  out.reserve(utf8.size());
  c.reset();
  while (!utf8.empty()) {
    if (c.ok() && c.convert(utf8, out) == 0) break;
    // Unmappable or malformed: one "?" per character (per byte when malformed).
    size_t len = Utf8SequenceLength(utf8);
    if (const auto userDefined =
            len == 0 ? std::nullopt : privateUseToUserDefined(Utf8CodePoint(utf8, len)))
      out += *userDefined;
    else
      out += static_cast<unsigned char>(utf8[0]) < 0x80 ? utf8[0] : '?';
    utf8.remove_prefix(len == 0 ? 1 : len);
    if (c.ok()) c.reset();
  }
  return out;
}

}  // namespace
}  // namespace kvt::platform
