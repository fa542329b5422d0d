#include "tools/demo/DriveLink.h"

namespace kvt::demo {

// Windows has no prefix: the folder drive_c is mapped by whoever runs the demonstration.
void LinkDriveC(const std::filesystem::path&) {}

}  // namespace kvt::demo
