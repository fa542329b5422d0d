// The fields of a list entry of the switch file ("E, *, [KVT]KVTE.DBT, YES"), read the same
// way by the run sequence and the form-file upgrade.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/AsciiText.h"

namespace kvt {

// The first four comma-separated fields of a list entry, each trimmed of blanks and control
// characters; missing ones empty, later ones ignored.
inline std::array<std::string, 4> SplitEntryFields(std::string_view entry) {
  std::array<std::string, 4> fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    const size_t comma = entry.find(',');
    fields[i] = std::string(platform::TrimBlanks(entry.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    entry.remove_prefix(comma + 1);
  }
  return fields;
}

}  // namespace kvt
