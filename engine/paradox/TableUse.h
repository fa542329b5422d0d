// Whether other processes use a table: the package's programs open their tables through the
// desktop engine, which keeps the table's files open for as long as a table is in use and
// keeps its session's lock files (PARADOX.LCK, PDOXUSRS.LCK) open in every directory it works
// in. A file replaced under such a program is lost to it, and with it the edits it goes on
// making, so no file of a table is replaced while any of these is open elsewhere.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileUse.h"

namespace kvt::paradox {

// The network control file of the desktop engine's sessions, in its network control directory.
inline constexpr const char* kNetControlFile = "PDOXUSRS.NET";

// True for the names of the desktop engine's lock and control files (PARADOX.LCK,
// PDOXUSRS.LCK, PDOXUSRS.NET), in any letter case: a session keeps those open.
bool isEngineLockFile(const std::string& fileName);

// The lock and control files of the desktop engine that `dir` holds, found
// ignoring letter case. A lock file that no process has open is left over from a session that
// ended without removing it.
std::vector<std::filesystem::path> directoryLockFiles(const std::filesystem::path& dir);

// Before the files of the table `stem` are replaced, created or removed: makes sure no other
// process has any file of the table or a lock file of the directory open, and keeps others out
// of them (platform/FileUse.h) until the hold is released. Throws EngineError(Locked) naming
// the files in use; `table` names the table in that message.
std::unique_ptr<platform::FileHold> holdTable(const platform::FileUse& use,
                                              const std::filesystem::path& dir,
                                              const std::string& stem, const std::string& table);

}  // namespace kvt::paradox
