// File and path names are compared after upper-casing ASCII letters; the UTF-8 bytes of other
// characters ("備份") are left as they are, so a search for them still finds them.
#pragma once

#include <string>
#include <string_view>

namespace kvt::files {

std::string UpperAscii(std::string_view text);

}  // namespace kvt::files
