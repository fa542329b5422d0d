// Every file below a directory with its bytes and permission bits, to compare before and after.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace kvt::testing {

struct FileState {
  std::string bytes;
  std::filesystem::perms perms;
  bool operator==(const FileState&) const = default;
};
using DirectorySnapshot = std::map<std::string, FileState>;  // by path below the directory

DirectorySnapshot SnapshotDirectory(const std::filesystem::path& dir);

}  // namespace kvt::testing
