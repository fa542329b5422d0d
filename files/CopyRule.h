// The one copy rule for every file the upgrade installs: a release file replaces an installed
// one (optionally only when it is newer), the replaced file is kept under a dated backup name,
// and each outcome is one log line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "run/RunContext.h"

namespace kvt::files {

// A file's modification time to the second: a copy keeps the second everywhere, but not
// every file system keeps its fraction. A time that cannot be read counts as zero.
int64_t ModificationSeconds(const platform::FileSystem& fs, const std::string& path);

// Copies `source` over `target`. With OnlyIfNewer, a target at least as new as the source is
// left alone ("already new"), and so is a target when neither time can be read. A replaced
// target that is not the same version as the source is first renamed to a free backup name;
// when it cannot be, it is not replaced ("update failed"). With ReportNew, a target that did
// not exist is reported when copied. True when the target now is the release's copy or was
// found already new.
bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                 bool OnlyIfNewer, bool ReportNew);

// The name a replaced file is kept under: the era date of its modification time (year, month,
// day) inserted before the first "." of the file name, so "C:\KVT\KVT.EXE" dated 15 July 2005
// becomes "C:\KVT\KVT940715.EXE". Dots in directory names are never touched; a name without a
// dot gets the stamp at its end.
std::string BackupName(const std::string& target, platform::FileTime replacedFileTime);
// The same name for the `copy`-th backup of one date: "KVT940715(2).EXE" for the second.
std::string BackupName(const std::string& target, platform::FileTime replacedFileTime, int copy);

// Renames `target` to the first free one of its backup names (dated, then numbered); the
// name it now has, or nullopt when it could not be moved.
std::optional<std::string> SetAside(platform::FileSystem& fs, const std::string& target,
                                    platform::FileTime replacedFileTime);

// CopyIfNewer from ReleaseDir + name to DatabaseDir + name; nothing when DatabaseDir is empty.
// Meant for a Paradox database, where DatabaseDir is a directory.
void CopyToDatabaseDir(RunContext& ctx, const std::string& name, bool OnlyIfNewer, bool ReportNew);

// The release's table into the database directory, always replacing, as one family of files
// (see TableCopy.h): the installed table is kept whole under its dated name.
void CopyTableFiles(RunContext& ctx, const std::string& table);

}  // namespace kvt::files
