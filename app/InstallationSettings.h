// Where the installed package keeps its database and its shared files: the database alias
// "KVT" of the alias registry and the package's settings file KVT.INI (section "System").
#pragma once

#include <string>

#include "app/AliasSource.h"
#include "app/DatabaseOpener.h"
#include "run/RunContext.h"

namespace kvt::app {

// The name the MySQL connection goes by; the table steps use it as their database name.
inline constexpr const char* kMySqlDatabaseName = "MyKVT";

// Decides databaseKind from the alias's driver (a name containing "MYSQL", other than
// "STANDARD", is MySQL), then either connects to MySQL (DatabaseDir "MyKVT") or takes the
// alias's directory as DatabaseDir and opens its tables; logs what it found. A missing or
// unreadable alias leaves STANDARD with DatabaseDir empty. Throws EngineError when the MySQL
// connection fails: nothing has been changed at that point.
// The alias is looked up in `aliases`, or in the installed package's place for it.
void DetectDatabaseKind(RunContext& ctx, DatabaseOpener& opener, const AliasSource& aliases,
                        const std::string& aliasName);
void DetectDatabaseKind(RunContext& ctx, DatabaseOpener& opener, const std::string& aliasName);

// The package's KVT.INI: C:\Velmor\KVT\KVT.ini, D:\Velmor\KVT\KVT.ini, then KVT.INI in the
// Windows directory. Empty, after a warning box, when none exists.
std::string FindSettingsFile(RunContext& ctx);

// Reads KVT.INI into NetDir, HostDir, FormDir, DtxDir, VanId and AskDir, and records the
// network control directory. Every directory read ends with a backslash.
void ReadInstallationSettings(RunContext& ctx);

}  // namespace kvt::app
