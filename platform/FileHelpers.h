// Deleting and renaming files without fuss, for every layer that replaces files. None of these
// reports or throws; a caller that cares looks at the file afterwards.
#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace kvt::platform {

// Deletes the file; one that will not go has its read-only, hidden and system attributes
// cleared and is tried once more.
void ForceDeleteFile(FileSystem& fs, const std::string& fileName);

// Deletes every file of `dir` (given with its trailing backslash) whose name does not begin
// with "."; subdirectories stay.
void ClearDirectory(FileSystem& fs, const std::string& dir);

// Renames (moves) the file; when it is still there afterwards, its attributes are cleared and
// the rename is tried once more. An existing file of the new name is never replaced.
void ForceRenameFile(FileSystem& fs, const std::string& from, const std::string& to);
// The same, telling whether the file now has the new name.
bool TryForceRenameFile(FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace kvt::platform
