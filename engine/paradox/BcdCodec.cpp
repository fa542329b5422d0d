#include "engine/paradox/BcdCodec.h"

#include <cctype>
#include <cstring>

#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

constexpr int kDigits = 32;

int nibble(const char* in, int i) {
  const auto byte = static_cast<uint8_t>(in[1 + i / 2]);
  return i % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

[[noreturn]] void notANumber(const std::string& text) {
  throw EngineError(ErrorKind::Conversion, "\"" + text + "\" is not a decimal number");
}

}  // namespace

std::optional<std::string> decodeBcd(const char* in, int scale) {
  const auto head = static_cast<uint8_t>(in[0]);
  if (head == 0) return std::nullopt;
  const bool negative = (head & 0x80) == 0;
  if (scale < 0 || scale > kDigits) scale = head & 0x3F;
  if (scale > kDigits) scale = kDigits;

  std::string digits(kDigits, '0');
  for (int i = 0; i < kDigits; ++i) {
    int d = nibble(in, i);
    if (negative) d = 15 - d;
    if (d > 9) break;
    digits[i] = static_cast<char>('0' + d);
  }
  std::string whole = digits.substr(0, kDigits - scale);
  const size_t firstNonZero = whole.find_first_not_of('0');
  whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
  std::string text = whole;
  if (scale > 0) text += "." + digits.substr(kDigits - scale);
  const bool isZero = text.find_first_not_of("0.") == std::string::npos;
  if (negative && !isZero) text.insert(text.begin(), '-');
  return text;
}

void encodeBcd(const std::string& text, int scale, char* out) {
  if (scale < 0 || scale > kDigits) scale = 0;
  size_t pos = 0;
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  std::string whole, fraction;
  bool seenPoint = false, seenDigit = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      (seenPoint ? fraction : whole) += c;
      seenDigit = true;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      break;
    } else {
      notANumber(text);
    }
  }
  for (; pos < text.size(); ++pos) {
    if (!std::isspace(static_cast<unsigned char>(text[pos]))) notANumber(text);
  }
  if (!seenDigit) notANumber(text);

  // Round the fraction to `scale` digits, half away from zero.
  bool roundUp = static_cast<int>(fraction.size()) > scale && fraction[scale] >= '5';
  fraction.resize(scale, '0');
  std::string digits = whole + fraction;
  const size_t firstNonZero = digits.find_first_not_of('0');
  digits = firstNonZero == std::string::npos ? "" : digits.substr(firstNonZero);
  if (roundUp) {
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0 && digits[i] == '9'; --i) digits[i] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits.insert(digits.begin(), '1');
    }
  }
  if (static_cast<int>(digits.size()) > kDigits) {
    throw EngineError(ErrorKind::Conversion, "\"" + text + "\" is too wide for a BCD field");
  }
  digits.insert(0, kDigits - digits.size(), '0');
  if (digits.find_first_not_of('0') == std::string::npos) negative = false;

  std::memset(out, 0, kBcdWidth);
  out[0] = static_cast<char>((negative ? 0x00 : 0x80) | 0x40 | scale);
  for (int i = 0; i < kDigits; ++i) {
    int d = digits[i] - '0';
    if (negative) d = 15 - d;
    auto& byte = reinterpret_cast<unsigned char&>(out[1 + i / 2]);
    byte |= static_cast<unsigned char>(i % 2 == 0 ? d << 4 : d);
  }
}

}  // namespace kvt::paradox
