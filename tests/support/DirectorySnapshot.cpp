#include "support/DirectorySnapshot.h"

#include <fstream>
#include <sstream>

namespace kvt::testing {

DirectorySnapshot SnapshotDirectory(const std::filesystem::path& dir) {
  DirectorySnapshot out;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    out[std::filesystem::relative(entry.path(), dir).string()] = {bytes.str(),
                                                                  entry.status().permissions()};
  }
  return out;
}

}  // namespace kvt::testing
