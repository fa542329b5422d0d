// The one copy rule for every file the upgrade installs: a release file replaces an installed
// one (optionally only when it is newer), the replaced file is kept under a dated backup name,
// and each outcome is one log line.
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "run/RunContext.h"

namespace kvt::files {

// Copies `source` over `target`. With OnlyIfNewer, a target at least as new as the source is
// left alone ("already new"). A replaced target whose time differs from the source's is first
// renamed to BackupName. With ReportNew, a target that did not exist is reported when copied.
// True when the target now is the release's copy or was found already new.
bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                 bool OnlyIfNewer, bool ReportNew);

// The name a replaced file is kept under: the era date of its modification time (year, month,
// day) inserted before the first "." of the file name, so "C:\KVT\KVT.EXE" dated 15 July 2005
// becomes "C:\KVT\KVT940715.EXE". Dots in directory names are never touched; a name without a
// dot gets the stamp at its end.
std::string BackupName(const std::string& target, platform::FileTime replacedFileTime);

// CopyIfNewer from ReleaseDir + name to DatabaseDir + name; nothing when DatabaseDir is empty.
// Meant for a Paradox database, where DatabaseDir is a directory.
void CopyToDatabaseDir(RunContext& ctx, const std::string& name, bool OnlyIfNewer, bool ReportNew);

// The files of one release table into the database directory, always replacing: ".DB" and
// ".PX", and ".MB" when the release has one.
void CopyTableFiles(RunContext& ctx, const std::string& table);

}  // namespace kvt::files
