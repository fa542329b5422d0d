// Whether other processes are using files: the package, while it runs, keeps its tables and
// the table engine's lock files open, and a file replaced under it is lost to it. One
// implementation per platform (PosixFileUse.cpp here; on Windows an open that shares nothing
// answers both questions at once); `systemFileUse` is this platform's.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

namespace kvt::platform {

// Keeps other processes out of some files for as long as it lives.
class FileHold {
 public:
  virtual ~FileHold() = default;
};

struct HoldResult {
  std::unique_ptr<FileHold> hold;            // null when a file is in use
  std::vector<std::filesystem::path> inUse;  // the files other processes have, as given
};

class FileUse {
 public:
  virtual ~FileUse() = default;
  // Those of `files` (local paths) that another process has open or locked, in the order
  // given. A file that does not exist is not in use.
  virtual std::vector<std::filesystem::path> inUse(
      const std::vector<std::filesystem::path>& files) const = 0;
  // Makes sure no other process has any of `files` open and keeps others out of them as far
  // as the platform allows, until the hold is released. Files that do not exist are passed
  // over. Either a hold or the files in use.
  virtual HoldResult hold(const std::vector<std::filesystem::path>& files) const = 0;
};

// This platform's implementation; it keeps no state.
const FileUse& systemFileUse();

}  // namespace kvt::platform
