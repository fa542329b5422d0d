// POSIX: the drives as a Wine prefix lays them out: drive C a link to PREFIX/drive_c, drive D a
// plain directory, the shares below dosdevices/unc.
#include "support/ScratchDrives.h"

#include <stdexcept>

#include "platform/PrefixFileSystem.h"

namespace kvt::testing {
namespace fs = std::filesystem;

ScratchDrives::ScratchDrives() : root_(MakeTempDir("kvt-test")) {
  fs::create_directories(root_ / "drive_c");
  fs::create_directories(root_ / "dosdevices" / "d:");
  fs::create_directory_symlink("../drive_c", root_ / "dosdevices" / "c:");
  fs_ = std::make_unique<platform::PrefixFileSystem>(root_);
}

std::unique_ptr<platform::FileSystem> PrefixDrives(const fs::path& prefix) {
  return std::make_unique<platform::PrefixFileSystem>(prefix);
}

fs::path ScratchDrives::drive(char letter) const {
  const char lower = static_cast<char>(letter | 0x20);
  if (lower < 'a' || lower > 'z') throw std::invalid_argument(std::string("no drive ") + letter);
  // Any other letter is a drive once a test makes its entry in dosdevices.
  return lower == 'c' ? root_ / "drive_c" : root_ / "dosdevices" / std::string{lower, ':'};
}

fs::path ScratchDrives::network() const {
  return root_ / "dosdevices" / "unc";
}

}  // namespace kvt::testing
