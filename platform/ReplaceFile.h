// Whole-file replacement that never leaves a half-written file: the new content is written to
// a temporary file in the target's directory and renamed over the target only when complete.
// Local POSIX paths; the Windows-path layer is above this.
#pragma once

#include <sys/types.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/FileSystem.h"

namespace kvt::platform {

// Writes what `content` hands the writer as the new content of `target`, with permission bits
// `mode` (when not given, those of a newly created file). The target is replaced only when
// `content` returns true and every write succeeded.
bool replaceWithContent(const std::filesystem::path& target, std::optional<mode_t> mode,
                        const std::function<bool(FileWriter&)>& content);

// Makes `target` a copy of `source`: bytes, permission bits and modification time. With
// `noReplace`, fails instead of replacing an existing target.
bool replaceWithCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                     bool noReplace);

// Renames `from` to `to`; fails when `to` exists, never replacing it.
bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace kvt::platform
