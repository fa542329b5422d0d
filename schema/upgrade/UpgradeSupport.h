// Small pieces every database upgrade step shares: the quiet switch, the padded table label,
// the two databases, guarded SQL and the attribute clearing of a Paradox table's files.
#pragma once

#include <string>
#include <vector>

#include "platform/AsciiText.h"
#include "run/RunContext.h"
#include "schema/Database.h"

namespace kvt::upgrade {

// True when the lines saying a table is already new or already exists are to be left out.
bool Quiet(const RunContext& ctx);

bool IsMySql(const RunContext& ctx);

// "資料表 " followed by the table name padded with blanks to eight characters.
std::string TableLabel(const std::string& table);

// The package database. Throws EngineError(State) when the run found none.
Database& PackageDatabase(RunContext& ctx);

// The release directory's Paradox tables, opened on first use.
// Throws EngineError(Io) when the release directory cannot be placed on this machine.
Database& ReleaseDatabase(RunContext& ctx);

// A statement held as lines, sent as one text with the lines joined by CR LF.
std::string JoinStatement(const std::vector<std::string>& lines);

// Executes one statement on the package database; a failure is swallowed. Returns whether it
// went through.
bool ExecGuarded(RunContext& ctx, const std::string& sql);

// Paradox: clears the attributes of the table's .DB and .PX files in the database directory
// so that they can be rewritten; failures are ignored. Nothing on MySQL.
void ClearTableFileAttributes(RunContext& ctx, const std::string& table);

// The copy rule from the release directory into the Paradox database directory, with its
// result: true when the file there is now the release's copy (or was found already new).
bool CopyReleaseFileToDatabase(RunContext& ctx, const std::string& name, bool onlyIfNewer,
                               bool reportNew);

// Upper-cases ASCII letters only.
using platform::UpperAscii;

}  // namespace kvt::upgrade
