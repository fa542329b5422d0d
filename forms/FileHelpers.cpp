#include "forms/FileHelpers.h"

namespace kvt::forms {

void ForceDeleteFile(platform::FileSystem& fs, const std::string& fileName) {
  fs.deleteFile(fileName);
  if (fs.fileExists(fileName)) {
    fs.clearAttributes(fileName);
    fs.deleteFile(fileName);
  }
}

void ClearDirectory(platform::FileSystem& fs, const std::string& dir) {
  // The directory comes with its backslash, so the joins below double it; paths accept that.
  const auto entries = fs.list(dir + "\\*.*");
  if (!entries) return;
  for (const auto& entry : *entries) {
    if (entry.name.empty() || entry.name.front() == '.') continue;
    ForceDeleteFile(fs, dir + "\\" + entry.name);
  }
}

bool TryForceRenameFile(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  if (fs.moveFile(from, to)) return true;
  if (!fs.fileExists(from)) return false;
  fs.clearAttributes(from);
  return fs.moveFile(from, to);
}

void ForceRenameFile(platform::FileSystem& fs, const std::string& from, const std::string& to) {
  TryForceRenameFile(fs, from, to);
}

}  // namespace kvt::forms
