// Windows: plain folders drive_c, drive_d and unc in the scratch directory (drive C where a
// demonstration prefix keeps it), put in place of the drives by the test's own drive map over
// the real file system.
#include "support/ScratchDrives.h"

#include <stdexcept>

#include "platform/AsciiText.h"
#include "support/win32/DriveMapFileSystem.h"

namespace kvt::testing {
namespace fs = std::filesystem;
namespace {

std::string windowsPath(const fs::path& p) {
  std::string text = Utf8Text(fs::absolute(p));
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

}  // namespace

std::unique_ptr<platform::FileSystem> PrefixDrives(const fs::path& prefix) {
  return std::make_unique<DriveMapFileSystem>(
      std::map<char, std::string>{{'C', windowsPath(prefix / "drive_c")}},
      windowsPath(prefix / "unc"));
}

ScratchDrives::ScratchDrives() : root_(MakeTempDir("kvt-test")) {
  for (const char* folder : {"drive_c", "drive_d", "unc"}) fs::create_directories(root_ / folder);
  fs_ = std::make_unique<DriveMapFileSystem>(
      std::map<char, std::string>{{'C', windowsPath(drive('C'))}, {'D', windowsPath(drive('D'))}},
      windowsPath(network()));
}

fs::path ScratchDrives::drive(char letter) const {
  const char upper = platform::AsciiUpper(letter);
  if (upper != 'C' && upper != 'D')
    throw std::invalid_argument(std::string("no scratch drive ") + letter);
  return root_ / (upper == 'C' ? "drive_c" : "drive_d");
}

fs::path ScratchDrives::network() const {
  return root_ / "unc";
}

}  // namespace kvt::testing
