#include "tools/demo/DriveLink.h"

namespace kvt::demo {

void LinkDriveC(const std::filesystem::path& prefix) {
  std::filesystem::create_directories(prefix / "dosdevices");
  std::filesystem::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
}

}  // namespace kvt::demo
