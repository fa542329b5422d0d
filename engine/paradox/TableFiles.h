// The files of one table in a directory, found the way the desktop engine finds them: by
// name, ignoring letter case, with or without the ".DB" extension in the table name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvt::paradox {

// "CB20.DB", "cb20.db" and "CB20" all name the table CB20.
std::string tableStem(const std::string& tableName);
std::string upperAscii(std::string text);

struct TableFiles {
  std::filesystem::path db;                 // the .DB file
  std::optional<std::filesystem::path> px;  // .PX
  std::optional<std::filesystem::path> mb;  // .MB
  // Secondary indexes as pairs of data (.Xnn/.XGn) and block index (.Ynn/.YGn) files, nn
  // and n in hexadecimal (.X0A, .XFF, .XG0); a data file without its partner is listed with
  // an empty second path.
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> secondary;
  // Every file of the family: STEM.* (.DB .PX .MB .VAL .TV .FAM .Xnn .Ynn ...).
  std::vector<std::filesystem::path> all;
};

// The table's files, or nullopt when the directory has no .DB file for it. Throws
// EngineError(Io) when the directory cannot be listed.
std::optional<TableFiles> findTableFiles(const std::filesystem::path& dir,
                                         const std::string& tableName);

// Every file in `dir` whose name is STEM followed by a dot and anything, ignoring case.
std::vector<std::filesystem::path> familyFiles(const std::filesystem::path& dir,
                                               const std::string& stem);

}  // namespace kvt::paradox
