// Whole-file replacement that never leaves a half-written file: the new content is written to
// a temporary file in the target's directory and renamed over the target only when complete.
// Local POSIX paths; the Windows-path layer is above this.
#pragma once

#include <sys/types.h>
#include <filesystem>
#include <optional>
#include <string_view>

namespace kvt::platform {

// Writes `bytes` as the new content of `target` with permission bits `mode` (when not given,
// those of a newly created file).
bool replaceWithBytes(const std::filesystem::path& target, std::string_view bytes,
                      std::optional<mode_t> mode);

// Makes `target` a copy of `source`: bytes, permission bits and modification time. With
// `noReplace`, fails instead of replacing an existing target.
bool replaceWithCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                     bool noReplace);

// Renames `from` to `to`; fails when `to` exists, never replacing it.
bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace kvt::platform
