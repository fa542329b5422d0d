// Renaming a table with all its files so that a process that dies at any point leaves the
// whole table under one of its two names.
//
// 1. A journal "FROM.kvtrename" listing every file's old and new name is written under a
//    temporary name and renamed into place.
// 2. The files are renamed one by one.
// 3. The journal is removed. (Should that fail, a rename under way is told apart from a
//    journal left over by the files: each is under exactly one of its names, and some under
//    the new one; a leftover is dropped.)
// A rename that fails in step 2 puts the renamed files back. A process that dies after step 1
// leaves the journal, and the next open of the directory (recoverRenames) finishes the renames
// it lists; dying before it leaves at most a temporary file, which the next write of the
// table clears.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/paradox/FileOps.h"
#include "engine/paradox/TableFiles.h"

namespace kvt::paradox {

// Renames the table's files (`files.all`) from `fromStem` to `toStem`. Throws EngineError(Io)
// with every file under its old name again when a rename fails.
void renameTableFiles(FileOps& ops, const std::filesystem::path& dir, const TableFiles& files,
                      const std::string& fromStem, const std::string& toStem);

struct FinishedRename {
  std::string from, to;  // the table names
};

// Finishes every rename of `dir` that a crash cut short. A journal that cannot be read or
// carried out is left for a later open.
std::vector<FinishedRename> recoverRenames(FileOps& ops, const std::filesystem::path& dir);

}  // namespace kvt::paradox
