#include "support/win32/DriveMapFileSystem.h"

#include "platform/AsciiText.h"

namespace kvt::testing {
namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view head) {
  if (text.size() < head.size()) return false;
  for (size_t i = 0; i < head.size(); ++i)
    if (platform::AsciiUpper(text[i]) != platform::AsciiUpper(head[i])) return false;
  return true;
}

// Whether `real` is `folder` itself or lies below it; the rest after the folder goes to `rest`.
bool below(std::string_view real, std::string_view folder, std::string_view& rest) {
  if (!startsWithIgnoringCase(real, folder)) return false;
  rest = real.substr(folder.size());
  return rest.empty() || rest.front() == '\\';
}

}  // namespace

DriveMapFileSystem::DriveMapFileSystem(std::map<char, std::string> drives, std::string network)
    : network_(std::move(network)) {
  for (auto& [letter, folder] : drives) drives_[platform::AsciiUpper(letter)] = std::move(folder);
}

std::string DriveMapFileSystem::map(std::string_view path) const {
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
      (path[1] == '\\' || path[1] == '/'))
    return network_ + std::string(path.substr(1));
  if (path.size() >= 2 && path[1] == ':') {
    const auto drive = drives_.find(platform::AsciiUpper(path[0]));
    if (drive != drives_.end()) {
      std::string rest(path.substr(2));
      return drive->second + (rest.empty() ? "\\" : rest);
    }
  }
  return std::string(path);
}

std::optional<std::string> DriveMapFileSystem::unmap(std::string_view real) const {
  std::string_view rest;
  for (const auto& [letter, folder] : drives_)
    if (below(real, folder, rest))
      return std::string{letter, ':'} + std::string(rest.empty() ? "\\" : rest);
  if (below(real, network_, rest) && !rest.empty()) return "\\" + std::string(rest);
  return std::nullopt;
}

bool DriveMapFileSystem::listsDriveRoot(std::string_view pattern) const {
  const size_t slash = pattern.find_last_of('\\');
  return pattern.size() >= 2 && pattern[1] == ':' && slash == 2 &&
         drives_.contains(platform::AsciiUpper(pattern[0]));
}

std::optional<std::filesystem::path> DriveMapFileSystem::resolve(std::string_view winPath) const {
  if (winPath.size() >= 2 && winPath[1] == ':' &&
      !drives_.contains(platform::AsciiUpper(winPath[0])))
    return std::nullopt;
  return real_.resolve(map(winPath));
}

std::optional<std::string> DriveMapFileSystem::windowsPathOf(
    const std::filesystem::path& local) const {
  const auto real = real_.windowsPathOf(local);
  return real ? unmap(*real) : std::nullopt;
}

uint32_t DriveMapFileSystem::logicalDrives() const {
  uint32_t mask = 0;
  for (const auto& entry : drives_) mask |= 1u << (entry.first - 'A');
  return mask;
}

platform::DriveType DriveMapFileSystem::driveType(char letter) const {
  return drives_.contains(platform::AsciiUpper(letter)) ? platform::DriveType::Fixed
                                                        : platform::DriveType::NoRootDir;
}

bool DriveMapFileSystem::fileExists(std::string_view path) const {
  return real_.fileExists(map(path));
}
bool DriveMapFileSystem::directoryExists(std::string_view path) const {
  return real_.directoryExists(map(path));
}
std::optional<platform::FileTime> DriveMapFileSystem::modificationTime(
    std::string_view path) const {
  return real_.modificationTime(map(path));
}
bool DriveMapFileSystem::setModificationTime(std::string_view path, platform::FileTime t) {
  return real_.setModificationTime(map(path), t);
}
bool DriveMapFileSystem::isReadOnly(std::string_view path) const {
  return real_.isReadOnly(map(path));
}
bool DriveMapFileSystem::setReadOnly(std::string_view path, bool readOnly) {
  return real_.setReadOnly(map(path), readOnly);
}
bool DriveMapFileSystem::clearAttributes(std::string_view path) {
  return real_.clearAttributes(map(path));
}
bool DriveMapFileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists) {
  return real_.copyFile(map(from), map(to), failIfExists);
}
bool DriveMapFileSystem::moveFile(std::string_view from, std::string_view to) {
  return real_.moveFile(map(from), map(to));
}
bool DriveMapFileSystem::deleteFile(std::string_view path) {
  return real_.deleteFile(map(path));
}
bool DriveMapFileSystem::createDirectory(std::string_view path) {
  return real_.createDirectory(map(path));
}
bool DriveMapFileSystem::forceDirectories(std::string_view path) {
  return real_.forceDirectories(map(path));
}
bool DriveMapFileSystem::removeDirectory(std::string_view path) {
  return real_.removeDirectory(map(path));
}

std::optional<std::vector<platform::DirEntry>> DriveMapFileSystem::list(
    std::string_view pattern) const {
  auto entries = real_.list(map(pattern));
  if (entries && listsDriveRoot(pattern))
    std::erase_if(*entries, [](const auto& e) { return e.name == "." || e.name == ".."; });
  return entries;
}

std::optional<std::vector<platform::NameEntry>> DriveMapFileSystem::listNames(
    std::string_view pattern) const {
  return real_.listNames(map(pattern));
}

std::optional<std::string> DriveMapFileSystem::readFile(std::string_view path) const {
  return real_.readFile(map(path));
}
bool DriveMapFileSystem::writeFile(std::string_view path, std::string_view bytes) {
  return real_.writeFile(map(path), bytes);
}

bool DriveMapFileSystem::writeFileWith(std::string_view path,
                                       const std::function<bool(platform::FileWriter&)>& content) {
  return real_.writeFileWith(map(path), content);
}

}  // namespace kvt::testing
