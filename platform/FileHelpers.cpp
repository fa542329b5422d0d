#include "platform/FileHelpers.h"

namespace kvt::platform {

void ForceDeleteFile(FileSystem& fs, const std::string& fileName) {
  fs.deleteFile(fileName);
  if (fs.fileExists(fileName)) {
    fs.clearAttributes(fileName);
    fs.deleteFile(fileName);
  }
}

void ClearDirectory(FileSystem& fs, const std::string& dir) {
  // The directory comes with its backslash, so the joins below double it; paths accept that.
  const auto entries = fs.list(dir + "\\*.*");
  if (!entries) return;
  for (const auto& entry : *entries) {
    if (entry.name.empty() || entry.name.front() == '.') continue;
    ForceDeleteFile(fs, dir + "\\" + entry.name);
  }
}

bool TryForceRenameFile(FileSystem& fs, const std::string& from, const std::string& to) {
  if (fs.moveFile(from, to)) return true;
  if (!fs.fileExists(from)) return false;
  fs.clearAttributes(from);
  return fs.moveFile(from, to);
}

void ForceRenameFile(FileSystem& fs, const std::string& from, const std::string& to) {
  TryForceRenameFile(fs, from, to);
}

}  // namespace kvt::platform
