// The rename used to put a replaced file aside under its backup name.
#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace kvt::files {

// Renames `from` to `to`, ignoring failure; if `from` is still there afterwards, clears its
// attributes and tries once more. An existing file named `to` is never replaced. Callers that
// care look at the disk afterwards.
void ForceRenameFile(platform::FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace kvt::files
