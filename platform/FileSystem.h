// Windows paths on this machine. Every file operation of the tool's logic goes through this
// interface with Windows paths ("C:\Velmor\KVT\KVT.EXE"); the implementation decides where
// they live. Tests substitute a subclass that makes chosen operations fail.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvt::platform {

using FileTime = std::chrono::system_clock::time_point;

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

struct DirEntry {
  std::string name;  // UTF-8, as stored on disk
  bool isDirectory = false;
  bool readOnly = false;
  FileTime modified{};
};

// A directory entry as the directory itself records it: name and kind, no attributes.
struct NameEntry {
  std::string name;          // UTF-8, as stored on disk
  bool isDirectory = false;  // a directory, or a link that leads to one
  bool isLink = false;       // a symbolic link, whatever it leads to
  friend bool operator==(const NameEntry&, const NameEntry&) = default;
};

// A new file written front to back. `patch` rewrites bytes written earlier (a count known only
// after what it counts). Each returns false when the write did not succeed; after that the file
// is not kept.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  virtual bool append(std::string_view bytes) = 0;
  virtual bool patch(uint64_t at, std::string_view bytes) = 0;
};

// Content collected in memory.
class StringWriter : public FileWriter {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  bool append(std::string_view bytes) override {
    out_.append(bytes);
    return true;
  }
  bool patch(uint64_t at, std::string_view bytes) override {
    if (at > out_.size() || bytes.size() > out_.size() - at) return false;
    out_.replace(size_t(at), bytes.size(), bytes);
    return true;
  }

 private:
  std::string& out_;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The local path a Windows path names, resolving names case-insensitively where the exact
  // name is absent; nullopt when the drive is unknown. Missing trailing components are kept
  // as given, so a path to a file still to be created resolves too.
  virtual std::optional<std::filesystem::path> resolve(std::string_view winPath) const = 0;
  // The Windows path of a local path (the inverse of resolve), or nullopt.
  virtual std::optional<std::string> windowsPathOf(const std::filesystem::path& local) const = 0;

  // Bit 0 is drive A.
  virtual uint32_t logicalDrives() const = 0;
  virtual DriveType driveType(char letter) const = 0;
  // The Windows directory without trailing backslash ("C:\windows").
  virtual std::string windowsDirectory() const = 0;

  virtual bool fileExists(std::string_view path) const = 0;
  virtual bool directoryExists(std::string_view path) const = 0;
  virtual std::optional<FileTime> modificationTime(std::string_view path) const = 0;
  virtual bool setModificationTime(std::string_view path, FileTime t) = 0;
  virtual bool isReadOnly(std::string_view path) const = 0;
  virtual bool setReadOnly(std::string_view path, bool readOnly) = 0;
  // Clears read-only, hidden and system: what is left is a plain writable file.
  virtual bool clearAttributes(std::string_view path) { return setReadOnly(path, false); }

  // Copies the bytes and the modification time, replacing `to` unless failIfExists.
  virtual bool copyFile(std::string_view from, std::string_view to, bool failIfExists) = 0;
  // Renames or moves a file or directory; fails when `to` exists.
  virtual bool moveFile(std::string_view from, std::string_view to) = 0;
  virtual bool deleteFile(std::string_view path) = 0;
  virtual bool createDirectory(std::string_view path) = 0;   // one level
  virtual bool forceDirectories(std::string_view path) = 0;  // with every missing parent
  virtual bool removeDirectory(std::string_view path) = 0;   // only when empty

  // Entries of a directory matching the wildcard of the last component ("C:\dir\*.*",
  // "C:\bak\X102*.*"); "." and ".." are listed as a Windows listing lists them.
  // nullopt when the directory cannot be read.
  virtual std::optional<std::vector<DirEntry>> list(std::string_view pattern) const = 0;
  // The same entries as list() gives, without "." and "..", by name and kind only: nothing is
  // looked up per entry but a link, so a large directory lists at the speed of reading it.
  // nullopt when the directory cannot be read.
  virtual std::optional<std::vector<NameEntry>> listNames(std::string_view pattern) const = 0;

  virtual std::optional<std::string> readFile(std::string_view path) const = 0;
  // Writes the whole file, replacing it.
  virtual bool writeFile(std::string_view path, std::string_view bytes) = 0;
  // Writes the whole file from what `content` hands the writer, replacing the file only when
  // `content` returns true and every write succeeded; an exception from `content` passes on
  // with the file as it was. This one collects the content and writes it with writeFile; the
  // platforms' own write it to the disk as it comes, so a large file is never whole in memory.
  virtual bool writeFileWith(std::string_view path,
                             const std::function<bool(FileWriter&)>& content);
};

// Path helpers on Windows path text (no file system access).
std::string extractFileDir(std::string_view path);   // "C:\a\b.txt" -> "C:\a"
std::string extractFilePath(std::string_view path);  // "C:\a\b.txt" -> "C:\a\"
std::string extractFileName(std::string_view path);  // "C:\a\b.txt" -> "b.txt"
std::string extractFileExt(std::string_view path);   // "C:\a\b.txt" -> ".txt"
std::string includeTrailingBackslash(std::string_view path);
std::string excludeTrailingBackslash(std::string_view path);
// True when `name` matches a Windows wildcard ("*.*", "X102*.*", "*.DBT"), ignoring case.
bool matchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace kvt::platform
