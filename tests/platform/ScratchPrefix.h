// A Wine-style prefix in a fresh temporary directory, removed again at the end of the test:
// drive C is a link to PREFIX/drive_c (as Wine makes it), drive D a plain directory.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/PrefixFileSystem.h"

namespace kvt::platform::testing {

class ScratchPrefix {
 public:
  ScratchPrefix();
  ~ScratchPrefix();
  ScratchPrefix(const ScratchPrefix&) = delete;
  ScratchPrefix& operator=(const ScratchPrefix&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path driveC() const { return root_ / "drive_c"; }
  std::filesystem::path driveD() const { return root_ / "dosdevices" / "d:"; }
  PrefixFileSystem& fs() { return fs_; }
  const PrefixFileSystem& fs() const { return fs_; }

  // Local helpers that bypass the layer under test, to set up and check the disk.
  static void put(const std::filesystem::path& file, std::string_view bytes);
  static std::string get(const std::filesystem::path& file);

 private:
  std::filesystem::path root_;
  PrefixFileSystem fs_;
};

}  // namespace kvt::platform::testing
