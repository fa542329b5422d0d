// How drive C of a demonstration prefix (PREFIX/drive_c) becomes a drive: on POSIX the prefix is
// a Wine prefix and Wine finds the drive through the link dosdevices/c:; on Windows there is
// nothing to link, whoever runs the demonstration maps the folder itself.
#pragma once

#include <filesystem>

namespace kvt::demo {

void LinkDriveC(const std::filesystem::path& prefix);

}  // namespace kvt::demo
