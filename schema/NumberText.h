// Numbers read from and written as text, in the manner of the package's data-aware fields:
// decimal digits with an optional sign, blanks around the number allowed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvt {

// "  -15 " -> -15; nullopt for anything else, including numbers beyond 64 bits.
std::optional<int64_t> parseInteger(std::string_view text);
// A decimal number with optional fraction and exponent ("1.5", "-2e3", " 7 ").
std::optional<double> parseNumber(std::string_view text);
// The shortest text that reads back as the same double ("0.1", "15", "1e+20").
std::string numberText(double value);
// Whether `text` is a plain decimal ("-12.340", "7"), the form of a fixed-point value.
bool isDecimalText(std::string_view text);

}  // namespace kvt
