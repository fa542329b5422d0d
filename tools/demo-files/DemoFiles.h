// What the demonstration prefix holds for the program-file steps: installed executables that
// are old, too old and current, one in a backup directory and one in a directory that is no
// installation, an executable the release does not carry, and an installed trade-facilitation
// directory; the release gets the newer copies and the SSL libraries.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kvt::demo {

// The local path of a Windows path on drive C of a demonstration prefix (PREFIX/drive_c), its
// names read as UTF-8 on every platform.
std::filesystem::path DriveCPath(const std::filesystem::path& prefix, std::string_view winPath);

// Adds the files to a prefix made by kvt-demo (drive C at PREFIX/drive_c, the package under
// C:\Velmor\KVT\, the release in `releaseDir`). Refuses, with an exception, a prefix without
// the demonstration marker file, so a real one is never touched.
void AddProgramFileDemo(const std::filesystem::path& prefix,
                        const std::string& releaseDir = "C:\\KVT更新\\");

// Switch lines the demonstration release needs for these files to take part.
inline constexpr const char* kProgramFileDemoSwitches =
    "UpgradeKVTEXE=YES\r\nUpgradeSSLDLL=YES\r\n"
    "SourceDTX001=X102.DTX\r\nSourceDTX002=X102.XSD\r\n";

}  // namespace kvt::demo
