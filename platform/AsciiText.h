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
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace kvt::platform
