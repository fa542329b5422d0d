// A scratch installation for one test: drives C and D and the network shares as fresh folders
// in a temporary directory, removed again at the end, reached through this platform's own file
// system. On POSIX the folders form a Wine-style prefix read by PrefixFileSystem; on Windows
// they are plain folders that a drive map of the test's own puts in place of the drives over
// the real Win32 file system, so no test touches the machine's own drives. Files are put and
// read with local paths, past the layer under test.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace kvt::testing {

class ScratchDrives {
 public:
  ScratchDrives();
  ~ScratchDrives();
  ScratchDrives(const ScratchDrives&) = delete;
  ScratchDrives& operator=(const ScratchDrives&) = delete;

  platform::FileSystem& fs() { return *fs_; }
  const platform::FileSystem& fs() const { return *fs_; }
  const std::filesystem::path& root() const { return root_; }
  // The folder that stands for drive C or D (on POSIX any letter: dosdevices/x:).
  std::filesystem::path drive(char letter) const;
  // The local path of a Windows path on drive C or D or on a share ("\\server\share\rest").
  std::filesystem::path local(std::string_view winPath) const;

  // Writes bytes, making the directories; throws when it cannot.
  void put(std::string_view winPath, std::string_view bytes) const;
  // The bytes of a file; throws when it cannot be read.
  std::string get(std::string_view winPath) const;
  bool exists(std::string_view winPath) const;
  void mkdir(std::string_view winPath) const;
  // The names in a directory, sorted; empty when there is none.
  std::vector<std::string> namesIn(std::string_view winDir) const;

 private:
  // The folder below which \\server\share\rest lies as server/share/rest.
  std::filesystem::path network() const;

  std::filesystem::path root_;
  std::unique_ptr<platform::FileSystem> fs_;
};

// The file system of a demonstration prefix made elsewhere, its drive C at PREFIX/drive_c: on
// POSIX the Wine prefix itself, on Windows a drive map of that folder.
std::unique_ptr<platform::FileSystem> PrefixDrives(const std::filesystem::path& prefix);

// A path of UTF-8 text, and the UTF-8 text of a path: std::filesystem's own narrow forms are
// the ANSI code page on Windows.
std::filesystem::path Utf8Path(std::string_view utf8);
std::string Utf8Text(const std::filesystem::path& path);

// Local file helpers that bypass the layer under test.
void PutLocal(const std::filesystem::path& file, std::string_view bytes);
std::string GetLocal(const std::filesystem::path& file);
// Removes a directory tree, read-only entries too; errors are ignored.
void RemoveTree(const std::filesystem::path& dir);
// A fresh, empty directory below the temporary directory, its name starting with `stem`.
std::filesystem::path MakeTempDir(std::string_view stem);

}  // namespace kvt::testing
