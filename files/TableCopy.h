// A release's Paradox table over an installed one, as one family of files. A table is every
// file named TABLE.<anything> (ignoring case): .DB, .PX, .MB, the secondary indexes .Xnn/.Ynn
// and .XGn/.YGn, .VAL, .TV, .FAM... The installed table is moved aside whole under one dated
// name (the .DB file's date) before the release's files take its name, so the installed
// directory never holds a mix of two tables and the backup is a table that opens.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "run/RunContext.h"

namespace kvt::files {

// The names of the table's files in `dir` (with its trailing backslash): .DB, .PX and .MB
// first, then the rest in name order.
std::vector<std::string> TableFamily(const platform::FileSystem& fs, const std::string& dir,
                                     const std::string& table);

struct TableCopyOptions {
  bool onlyIfNewer = false;    // keep an installed table whose .DB is at least as new
  bool reportNew = true;       // "沒找到 ... 但更新完成。" for a file that was not there
  bool reportReplaced = true;  // "找到 ... 並更新完成。" for a file that was
  bool memoRequired = false;   // a missing release .MB is logged like a missing .DB or .PX
};

struct TableCopyResult {
  bool copied = false;    // the release's table is in place (or was found already new)
  bool replaced = false;  // an installed table was there and has been moved aside
  std::string backup;     // the installed table's name now ("X102Base1020905"), when moved
};

// Puts the release's table `table` into the database directory. The release must have the
// .DB file; without it nothing is touched. The installed table is moved aside whole first;
// when it cannot be, or a release file cannot be copied, the installed table stays as it was
// and the failure line is logged.
TableCopyResult CopyReleaseTable(RunContext& ctx, const std::string& table,
                                 const TableCopyOptions& options);

// Undoes CopyReleaseTable: removes the table's files now in place and gives the moved-aside
// table its name again. False when some file could not be put back.
bool PutBackTable(RunContext& ctx, const std::string& table, const std::string& backup);

// Deletes every file of a table in the database directory. False when some file stays.
bool DeleteTableFiles(RunContext& ctx, const std::string& table);

}  // namespace kvt::files
