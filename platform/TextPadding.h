// Padding text with spaces (widths in bytes, as the tables count them).
#pragma once

#include <string>

namespace kvt::platform {

// `count` spaces; empty when count is 0 or less.
std::string Spaces(int count);
// `text` followed by spaces up to `width` bytes; never cut.
std::string PadRight(const std::string& text, int width);

}  // namespace kvt::platform
