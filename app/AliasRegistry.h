// The table engine's alias registry: the profile file DBALIAS.INI in the Windows directory,
// one section per alias with the keys DRIVER ("STANDARD", "MYSQL", ...), PATH and, for MySQL,
// SERVER NAME, PORT, DATABASE NAME, USER NAME, PASSWORD and CHARSET.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/DatabaseOpener.h"
#include "platform/FileSystem.h"

namespace kvt::app {

inline constexpr std::string_view kAliasFile = "DBALIAS.INI";

struct AliasInfo {
  std::string driver;
  // The alias's parameter lines "NAME=value" without DRIVER; PATH comes first when present,
  // as the path line leads a standard alias's parameters.
  std::vector<std::string> params;
};

// The alias of that name (ASCII case ignored), or nullopt when the registry or the alias is
// missing or unreadable.
std::optional<AliasInfo> ReadAlias(const platform::FileSystem& fs, std::string_view alias);

// The connection parameters of a MySQL alias (or an ODBC one: ODBC DSN, USER NAME, PASSWORD);
// a missing or unreadable PORT gives 3306.
MySqlAliasParams MySqlParamsOf(const AliasInfo& alias);

}  // namespace kvt::app
