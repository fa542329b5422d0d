// The file operations the engine's writer performs, behind one interface so that tests can
// make a chosen write or rename fail and check that the table's files survive intact.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "engine/paradox/ByteSink.h"

namespace kvt::paradox {

// A file open for reading at any offset.
class InputFile {
 public:
  virtual ~InputFile() = default;
  virtual uint64_t size() const = 0;
  // Fills `out` from `offset`; false (with the detail in `error`) when the bytes cannot be
  // read, the file ending before them included.
  virtual bool readAt(uint64_t offset, std::span<char> out, std::string& error) = 0;
};

// Whether a written file reaches the disk before it counts as written. The package's tables
// do; scratch tables, made again from their source when a crash has cut them short, need not
// wait for the disk.
enum class Flushing { ToDisk, Deferred };

class FileOps {
 public:
  explicit FileOps(Flushing flushing = Flushing::ToDisk) : flushing_(flushing) {}
  virtual ~FileOps() = default;
  // Each returns false (with errno-style detail in `error`) instead of throwing.
  virtual bool readFile(const std::filesystem::path& path, std::string& bytes, std::string& error);
  // The file, open for reading; null (with the detail in `error`) when it cannot be opened.
  virtual std::unique_ptr<InputFile> openFile(const std::filesystem::path& path,
                                              std::string& error);
  // Writes the whole file, its bytes made by `content` while it is written, and flushes it
  // to the disk unless flushing is deferred. An exception from `content` leaves the file partly
  // written and goes on to the caller, who removes it.
  virtual bool writeFileFrom(const std::filesystem::path& path, const FileContent& content,
                             std::string& error);
  bool writeFile(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
    return writeFileFrom(
        path, [bytes](ByteSink& out) { out.append(bytes); }, error);
  }
  // Replaces `to` if it exists.
  virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to,
                      std::string& error);
  virtual bool remove(const std::filesystem::path& path, std::string& error);
  // Flushes the directory entry changes of `dir` (not when flushing is deferred).
  virtual void syncDirectory(const std::filesystem::path& dir);

 protected:
  bool flushes() const { return flushing_ == Flushing::ToDisk; }

 private:
  Flushing flushing_;
};

// The plain implementation on the local file system.
FileOps& defaultFileOps();
// The same for scratch tables: nothing waits for the disk.
FileOps& scratchFileOps();

// The suffix of a complete file written beside the one it is to replace.
inline constexpr const char* kNewFileSuffix = ".kvtnew";

// True when anything, a dangling link included, stands at `p`.
inline bool pathExists(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
}

}  // namespace kvt::paradox
