// Windows paths on POSIX, laid out as a Wine prefix: PREFIX/dosdevices/c: is drive C (a
// link or directory); a drive entry that is a directory (or a link to one) is a fixed disk;
// a network path \\server\share\rest lies in PREFIX/dosdevices/unc/server/share/rest, as Wine
// keeps it; the Windows directory is C:\windows; the read-only attribute is the owner's write
// bit.
#pragma once

#include "platform/FileSystem.h"

namespace kvt::platform {

class PrefixFileSystem : public FileSystem {
 public:
  explicit PrefixFileSystem(std::filesystem::path prefix);
  // The prefix named by WINEPREFIX, else ~/.wine.
  static std::filesystem::path defaultPrefix();
  const std::filesystem::path& prefix() const { return prefix_; }

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

 private:
  // The drive's entry in dosdevices (a directory or a link to one), or nullopt when there is no
  // such drive.
  std::optional<std::filesystem::path> driveRoot(char letter) const;
  // The share's directory below dosdevices/unc (names found ignoring case), or nullopt.
  std::optional<std::filesystem::path> shareRoot(std::string_view server,
                                                 std::string_view share) const;
  // The local directory and the wildcard of a listing pattern; nullopt when the directory's
  // drive is unknown or the pattern names no directory.
  struct ListTarget {
    std::filesystem::path dir;
    std::string wildcard;
    bool isDriveRoot = false;
  };
  std::optional<ListTarget> listTarget(std::string_view pattern) const;

  std::filesystem::path prefix_;
};

}  // namespace kvt::platform
