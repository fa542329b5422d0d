// The real Win32 file system with a drive map of the test's own: each mapped drive letter and
// the network paths lead into folders, and only the mapped drives exist (as fixed disks), so
// a drive search sees the scratch drives alone. Every other path is passed on unchanged.
#pragma once

#include <map>
#include <string>

#include "platform/win32/WindowsFileSystem.h"

namespace kvt::testing {

class DriveMapFileSystem : public platform::FileSystem {
 public:
  // Folders as full Windows paths without a trailing backslash; `network` holds
  // \\server\share\rest as network\server\share\rest.
  DriveMapFileSystem(std::map<char, std::string> drives, std::string network);

  std::optional<std::filesystem::path> resolve(std::string_view winPath) const override;
  std::optional<std::string> windowsPathOf(const std::filesystem::path& local) const override;
  uint32_t logicalDrives() const override;
  platform::DriveType driveType(char letter) const override;
  std::string windowsDirectory() const override { return "C:\\windows"; }
  bool fileExists(std::string_view path) const override;
  bool directoryExists(std::string_view path) const override;
  std::optional<platform::FileTime> modificationTime(std::string_view path) const override;
  bool setModificationTime(std::string_view path, platform::FileTime t) override;
  bool isReadOnly(std::string_view path) const override;
  bool setReadOnly(std::string_view path, bool readOnly) override;
  bool clearAttributes(std::string_view path) override;
  bool copyFile(std::string_view from, std::string_view to, bool failIfExists) override;
  bool moveFile(std::string_view from, std::string_view to) override;
  bool deleteFile(std::string_view path) override;
  bool createDirectory(std::string_view path) override;
  bool forceDirectories(std::string_view path) override;
  bool removeDirectory(std::string_view path) override;
  std::optional<std::vector<platform::DirEntry>> list(std::string_view pattern) const override;
  std::optional<std::vector<platform::NameEntry>> listNames(
      std::string_view pattern) const override;
  std::optional<std::string> readFile(std::string_view path) const override;
  bool writeFile(std::string_view path, std::string_view bytes) override;
  bool writeFileWith(std::string_view path,
                     const std::function<bool(platform::FileWriter&)>& content) override;

 private:
  // The real path of a mapped path; others unchanged.
  std::string map(std::string_view path) const;
  // The mapped path of a real one, or nullopt when it lies in no mapped folder.
  std::optional<std::string> unmap(std::string_view real) const;
  // Whether a listing pattern lists a mapped drive's root, which has no "." and "..".
  bool listsDriveRoot(std::string_view pattern) const;

  std::map<char, std::string> drives_;
  std::string network_;
  platform::WindowsFileSystem real_;
};

}  // namespace kvt::testing
