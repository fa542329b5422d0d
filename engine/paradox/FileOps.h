// The file operations the engine's writer performs, behind one interface so that tests can
// make a chosen write or rename fail and check that the table's files survive intact.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace kvt::paradox {

class FileOps {
 public:
  virtual ~FileOps() = default;
  // Each returns false (with errno-style detail in `error`) instead of throwing.
  virtual bool readFile(const std::filesystem::path& path, std::string& bytes, std::string& error);
  // Writes the whole file and flushes it to the disk.
  virtual bool writeFile(const std::filesystem::path& path, std::string_view bytes,
                         std::string& error);
  // Replaces `to` if it exists.
  virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to,
                      std::string& error);
  virtual bool remove(const std::filesystem::path& path, std::string& error);
  // Flushes the directory entry changes of `dir`.
  virtual void syncDirectory(const std::filesystem::path& dir);
};

// The plain implementation on the local file system.
FileOps& defaultFileOps();

// The suffix of a complete file written beside the one it is to replace.
inline constexpr const char* kNewFileSuffix = ".kvtnew";

// True when anything, a dangling link included, stands at `p`.
inline bool pathExists(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
}

}  // namespace kvt::paradox
