// A demonstration Windows environment laid out as a Wine prefix: drive C with the Windows
// directory and its alias registry, an installed package under C:\Velmor\KVT\, and a release
// directory holding the upgrade program, the release files and the switch file.
#pragma once

#include <filesystem>
#include <string>

namespace kvt::demo {

struct DemoLayout {
  std::filesystem::path prefix;
  // Windows paths inside it.
  std::string installDir = "C:\\Velmor\\KVT\\";
  std::string databaseDir = "C:\\Velmor\\KVT\\Database\\";
  std::string releaseDir = "C:\\KVT更新\\";

  // The local path of a Windows path on drive C.
  std::filesystem::path local(const std::string& winPath) const;
};

// The switch text of the demonstration release (UTF-8, CR LF), with Chinese comments.
std::string DemoSwitchFileText();

// Builds the prefix. An existing directory is replaced only when an earlier build made it
// (it carries the marker file); any other non-empty directory is refused with an error, so a
// real prefix is never touched. `program` (may be empty) is copied into the release directory.
void BuildDemoPrefix(const DemoLayout& layout, const std::filesystem::path& program);

}  // namespace kvt::demo
