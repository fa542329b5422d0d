#include "files/ForceRename.h"

namespace kvt::files {

void ForceRenameFile(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  if (fs.moveFile(from, to)) return;
  if (!fs.fileExists(from)) return;
  fs.clearAttributes(from);
  fs.moveFile(from, to);
}

}  // namespace kvt::files
