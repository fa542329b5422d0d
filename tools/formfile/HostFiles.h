// This machine's own files as the form-file code reaches them, through Windows paths (on
// POSIX a scratch prefix whose drive Z is the root directory, as Wine sets one up; on Windows
// the real file system), and scratch directories that are removed again.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Ui.h"

namespace kvt::formfile {

// A fresh directory under the system's temporary directory, removed with what it holds.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& stem);
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class HostFileSystem {
 public:
  HostFileSystem();
  ~HostFileSystem();  // a drive link goes first, on its own
  HostFileSystem(const HostFileSystem&) = delete;
  HostFileSystem& operator=(const HostFileSystem&) = delete;
  platform::FileSystem& fs() { return *fs_; }
  // The Windows path of a local one (made absolute first): "Z:\dir\file" for /dir/file.
  static std::string windowsPath(const std::filesystem::path& local);

 private:
  std::unique_ptr<ScratchDirectory> prefix_;  // POSIX: the prefix that holds drive Z
  std::unique_ptr<platform::FileSystem> fs_;
};

// Message boxes written as lines to a stream; no cursor, no events.
class StreamUi : public platform::Ui {
 public:
  explicit StreamUi(std::ostream& out) : out_(out) {}
  void messageBox(platform::BoxKind kind, const std::string& text) override;
  void setBusyCursor(bool) override {}
  void processEvents() override {}

 private:
  std::ostream& out_;
};

}  // namespace kvt::formfile
