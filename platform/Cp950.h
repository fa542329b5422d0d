// Code page 950 (Big5) <-> UTF-8. Stored text stays in code page 950; this is used only
// where a person reads it or where built-in text is stored.
#pragma once

#include <string>
#include <string_view>

namespace kvt::platform {

// Bytes that are not valid code page 950 become U+FFFD; never throws. User-defined
// characters (lead bytes 0x81-0xA0, 0xFA-0xFE, and 0xC6A1-0xC8FE) become the private-use
// characters Windows gives them, and go back to the same bytes.
std::string cp950ToUtf8(std::string_view bytes);
// Characters that code page 950 lacks become "?"; never throws.
std::string utf8ToCp950(std::string_view utf8);

}  // namespace kvt::platform
