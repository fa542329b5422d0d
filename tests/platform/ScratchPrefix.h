// The scratch drives seen as the Wine-style prefix they are on POSIX (drive C a link to
// PREFIX/drive_c, drive D a plain directory), for the tests of the prefix file system itself.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/PrefixFileSystem.h"
#include "support/ScratchDrives.h"

namespace kvt::platform::testing {

class ScratchPrefix : public kvt::testing::ScratchDrives {
 public:
  std::filesystem::path driveC() const { return drive('C'); }
  std::filesystem::path driveD() const { return drive('D'); }
  PrefixFileSystem& fs() { return static_cast<PrefixFileSystem&>(ScratchDrives::fs()); }
  const PrefixFileSystem& fs() const {
    return static_cast<const PrefixFileSystem&>(ScratchDrives::fs());
  }

  static void put(const std::filesystem::path& file, std::string_view bytes) {
    kvt::testing::PutLocal(file, bytes);
  }
  static std::string get(const std::filesystem::path& file) { return kvt::testing::GetLocal(file); }
};

}  // namespace kvt::platform::testing
