// Stored text of a table in the code page its header names, turned into UTF-8 for output.
#pragma once

#include <string>
#include <string_view>

namespace kvt::tableinfo {

// Bytes that the code page does not define become U+FFFD. Code page 0 (tables that do not
// name one) is read as 437, the code page of the desktop engine's DOS-era tables.
std::string toUtf8(std::string_view bytes, int codePage);

}  // namespace kvt::tableinfo
