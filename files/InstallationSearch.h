// Installed copies of the package's executables: the search of the fixed disks for them, the
// update of each one found, and the copies into the shared form directory.
#pragma once

#include <functional>
#include <string>

#include "run/RunContext.h"

namespace kvt::files {

// The maker's address given in the request for an executable the release does not carry.
inline constexpr const char* kMakerMailAddress = "service@velmor.example";

// Walks `dir` (with trailing backslash) and everything below it, depth first in listing
// order, and hands every executable of the package it meets to UpdateFoundExecutable.
// System, temporary, program and document directories and the release's own update
// directory are passed over with everything below them; an unreadable directory is passed
// over silently. The stop flag is tested before each entry; the window processes its events
// after each one. A directory reached a second time through a link is not walked again.
void SearchInstallations(RunContext& ctx, const std::string& dir);

// `searchDrive` (SearchInstallations unless given) of "X:\Velmor\KVT\" on each fixed disk C
// to G, while not stopped; a failure on one drive is passed over and the next one is tried.
using DriveSearch = std::function<void(RunContext&, const std::string&)>;
void SearchAllDrives(RunContext& ctx, const DriveSearch& searchDrive = SearchInstallations);

// One executable (`upperName`, upper-cased) found in `dir` (with trailing backslash): in an
// installation directory that is not too old, it is replaced by the release's copy when that
// is newer (UpgradeKVTEXE) and the SSL libraries are copied beside it (UpgradeSSLDLL).
void UpdateFoundExecutable(RunContext& ctx, const std::string& upperName, const std::string& dir);

// KVT.EXE and the SSL libraries into FormDir, as the switches ask.
void UpdateFormDirProgram(RunContext& ctx);

// The rule for an installation directory: its own name is KVT and no part of its path marks
// it as a backup.
bool IsInstallationDir(const std::string& dir);

}  // namespace kvt::files
