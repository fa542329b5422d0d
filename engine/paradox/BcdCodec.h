// The 17-byte BCD field: a head byte and 32 packed decimal digits of a fixed-point value.
//
// Head byte: 0x80 set for a non-negative value, 0x40 set for any non-blank value, the low
// six bits the number of decimal places. A negative value stores every digit nibble as
// 15 minus the digit. All zero bytes are blank.
#pragma once

#include <optional>
#include <string>

namespace kvt::paradox {

constexpr int kBcdWidth = 17;

// The value as decimal text with exactly `scale` fraction digits ("-1.23", "0.0000", "12").
// Digit nibbles above 9 (left behind by some writers past the precision they fill) end
// the digits: they and all after them count as zero. nullopt for a blank field.
std::optional<std::string> decodeBcd(const char* in, int scale);

// Encodes decimal text ("-12.5", "+3", ".25") with `scale` fraction digits, rounding half
// away from zero. Throws EngineError(Conversion) for text that is not a number or has more
// than 32 - scale integer digits.
void encodeBcd(const std::string& text, int scale, char* out);

}  // namespace kvt::paradox
