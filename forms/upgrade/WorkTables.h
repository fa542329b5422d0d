// The scratch directories of the form-file upgrade and the import: a directory of Paradox
// tables named by a Windows path, and the version strings that reading a form file changes.
#pragma once

#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "schema/Database.h"

namespace kvt::forms {

// The Paradox tables of `winDir` (with its trailing backslash). Null when the path names no
// place on this machine.
std::unique_ptr<Database> OpenWorkTables(platform::FileSystem& fs, const std::string& winDir);

// Keeps FormFileVersion and LoadedFormFileVersion as they were when it was made, and puts them
// back when it goes: reading a second form file must not change the version the first one is
// written in.
class FormFileVersionKeeper {
 public:
  FormFileVersionKeeper();
  ~FormFileVersionKeeper();
  FormFileVersionKeeper(const FormFileVersionKeeper&) = delete;
  FormFileVersionKeeper& operator=(const FormFileVersionKeeper&) = delete;

 private:
  std::string formFileVersion_;
  std::string loadedFormFileVersion_;
};

}  // namespace kvt::forms
