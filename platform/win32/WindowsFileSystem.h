// Windows paths on Windows: the real drives, the real Windows directory, the system's own
// wildcard rules and attributes. Every path is UTF-8 here and UTF-16 at each call.
#pragma once

#include "platform/FileSystem.h"

namespace kvt::platform {

class WindowsFileSystem : public FileSystem {
 public:
  std::optional<std::filesystem::path> resolve(std::string_view winPath) const override;
  std::optional<std::string> windowsPathOf(const std::filesystem::path& local) const override;
  uint32_t logicalDrives() const override;
  DriveType driveType(char letter) const override;
  std::string windowsDirectory() const override;
  bool fileExists(std::string_view path) const override;
  bool directoryExists(std::string_view path) const override;
  std::optional<FileTime> modificationTime(std::string_view path) const override;
  bool setModificationTime(std::string_view path, FileTime t) override;
  bool isReadOnly(std::string_view path) const override;
  bool setReadOnly(std::string_view path, bool readOnly) override;
  bool clearAttributes(std::string_view path) override;
  bool copyFile(std::string_view from, std::string_view to, bool failIfExists) override;
  bool moveFile(std::string_view from, std::string_view to) override;
  bool deleteFile(std::string_view path) override;
  bool createDirectory(std::string_view path) override;
  bool forceDirectories(std::string_view path) override;
  bool removeDirectory(std::string_view path) override;
  std::optional<std::vector<DirEntry>> list(std::string_view pattern) const override;
  std::optional<std::vector<NameEntry>> listNames(std::string_view pattern) const override;
  std::optional<std::string> readFile(std::string_view path) const override;
  bool writeFile(std::string_view path, std::string_view bytes) override;
  bool writeFileWith(std::string_view path,
                     const std::function<bool(FileWriter&)>& content) override;
};

}  // namespace kvt::platform
