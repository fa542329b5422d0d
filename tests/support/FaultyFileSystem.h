// A FileSystem for tests that passes every call to another one, except the calls a test has
// chosen to fail: a copy, a rename, a write... by operation and by a piece of the path. A
// failed call does nothing and reports failure, as a full disk or a locked file would, so a
// test can check that nothing was lost when a step went wrong halfway.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace kvt::platform {

enum class FsOp {
  ModificationTime,
  SetModificationTime,
  SetReadOnly,  // also clearAttributes
  CopyFile,
  MoveFile,
  DeleteFile,
  CreateDirectory,
  ForceDirectories,
  RemoveDirectory,
  List,  // list and listNames
  ReadFile,
  WriteFile,
};
inline constexpr size_t kFsOpCount = static_cast<size_t>(FsOp::WriteFile) + 1;

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& base) : base_(base) {}

  // Makes calls of `op` fail whose path (either path of a copy or move) contains
  // `pathContains`, ignoring ASCII case; an empty text matches every path. The first `skip`
  // matching calls still succeed; then `times` calls fail (-1: every one from then on).
  void failOn(FsOp op, std::string pathContains = {}, int times = -1, int skip = 0);
  // Removes every fault; later calls pass through again.
  void clearFaults() { faults_.clear(); }

  // How many calls of `op` were made (failed ones included), and how many were failed here.
  int calls(FsOp op) const { return calls_[static_cast<size_t>(op)]; }
  int injectedFailures() const { return injected_; }

  std::optional<std::filesystem::path> resolve(std::string_view winPath) const override {
    return base_.resolve(winPath);
  }
  std::optional<std::string> windowsPathOf(const std::filesystem::path& local) const override {
    return base_.windowsPathOf(local);
  }
  uint32_t logicalDrives() const override { return base_.logicalDrives(); }
  DriveType driveType(char letter) const override { return base_.driveType(letter); }
  std::string windowsDirectory() const override { return base_.windowsDirectory(); }
  bool fileExists(std::string_view path) const override { return base_.fileExists(path); }
  bool directoryExists(std::string_view path) const override { return base_.directoryExists(path); }
  bool isReadOnly(std::string_view path) const override { return base_.isReadOnly(path); }

  std::optional<FileTime> modificationTime(std::string_view path) const override;
  bool setModificationTime(std::string_view path, FileTime t) override;
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

 private:
  struct Fault {
    FsOp op;
    std::string pathContains;
    int times;
    int skip;
  };
  // Counts the call and tells whether it is to fail.
  bool shouldFail(FsOp op, std::string_view path, std::string_view otherPath = {}) const;

  FileSystem& base_;
  // Fault state changes on const calls too (a failed read is still a call).
  mutable std::vector<Fault> faults_;
  mutable std::array<int, kFsOpCount> calls_{};
  mutable int injected_ = 0;
};

}  // namespace kvt::platform
