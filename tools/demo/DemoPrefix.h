// A demonstration Windows environment laid out as a Wine prefix: drive C with the Windows
// directory and its alias registry, an installed package under C:\Velmor\KVT\ (programs,
// Paradox tables in their old layouts, form files, trade-facilitation files), and a release
// directory holding the upgrade program, the newer files and tables and a switch file that
// asks for every step, so that one run changes something in every part of the installation.
#pragma once

#include <filesystem>
#include <string>

#include "tools/demo-db/DemoTables.h"
#include "tools/demo/DemoSwitches.h"

namespace kvt::demo {

struct DemoLayout {
  std::filesystem::path prefix;
  // Windows paths inside it.
  std::string installDir = "C:\\Velmor\\KVT\\";
  std::string databaseDir = "C:\\Velmor\\KVT\\Database\\";
  std::string releaseDir = "C:\\KVT更新\\";

  // The local path of a Windows path on drive C.
  std::filesystem::path local(const std::string& winPath) const;
};

// The table Company of the installed package, which the report mail reads.
DemoTable CompanyTable();

// Builds the prefix. An existing directory is replaced only when an earlier build made it
// (it carries the marker file); any other non-empty directory is refused with an error, so a
// real prefix is never touched. `program` (may be empty) is copied into the release directory.
void BuildDemoPrefix(const DemoLayout& layout, const std::filesystem::path& program);

}  // namespace kvt::demo
