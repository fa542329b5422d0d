// What the form-upgrade tests share beside the form-file tests' support: a log that keeps its
// lines, and form files made from (and read back into) the form tool's JSON.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FormsTestSupport.h"
#include "run/RunContext.h"
#include "schema/MemoryDatabase.h"

namespace kvt::forms::testing {

class LogLines : public MainWindowPort {
 public:
  std::vector<std::string> lines;
  void appendLog(const std::string& text) override { lines.push_back(text); }
  void setDirLabel(const std::string&) override {}
};

// Writes the form file `winPath` on the drive in `version`, holding the tables of `tablesJson`
// (the "tables" object of the form tool's document: {"CB20": [{...}], ...}; text in UTF-8).
void writeFormFile(ScratchDrive& drive, const std::string& winPath, const std::string& version,
                   const std::string& tablesJson);

// The tables a form file reads into, and its version.
struct ReadBack {
  std::unique_ptr<MemoryDatabase> db;
  std::string version;
};
ReadBack readFormFile(ScratchDrive& drive, const std::string& winPath);

// The whole content of a database's seven tables, as the form tool's JSON.
std::string contentOf(Database& db);

// A text value as the tables store it.
Value text(std::string_view utf8);

}  // namespace kvt::forms::testing
