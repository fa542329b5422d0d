// A Wine-style prefix in a fresh temporary directory for one test: drive C links to
// PREFIX/drive_c, drive D is a plain directory, the Windows directory C:\windows exists. Files
// are put and read with local paths, past the layer under test.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/PrefixFileSystem.h"

namespace kvt::app::testing {

class TestPrefix {
 public:
  TestPrefix();
  ~TestPrefix();
  TestPrefix(const TestPrefix&) = delete;
  TestPrefix& operator=(const TestPrefix&) = delete;

  platform::PrefixFileSystem& fs() { return fs_; }
  // The local path of a Windows path on drive C or D ("C:\KVTRelease\x").
  std::filesystem::path local(std::string_view winPath) const;

  // Writes bytes (UTF-8 text is converted to code page 950 with putCp950).
  void put(std::string_view winPath, std::string_view bytes);
  void putCp950(std::string_view winPath, std::string_view utf8);
  void mkdir(std::string_view winPath);
  bool exists(std::string_view winPath) const;

 private:
  std::filesystem::path root_;
  platform::PrefixFileSystem fs_;
};

}  // namespace kvt::app::testing
