// Letter case of ASCII letters only. Names, switch values and keys compare after upper-casing
// ASCII letters; the bytes of every other character (UTF-8 or code page 950) stay as they are.
#pragma once

#include <string>
#include <string_view>

namespace kvt::platform {

constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string UpperAscii(std::string_view text);

// `text` without blanks and control characters at either end. The bytes of multi-byte
// characters (UTF-8 or code page 950) all lie above them, so no character is cut.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace kvt::platform
