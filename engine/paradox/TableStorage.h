// Loading a table from its directory and saving it back, with its whole family of files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "engine/paradox/FileOps.h"
#include "engine/paradox/FileSetCommit.h"
#include "engine/paradox/TableCodec.h"
#include "engine/paradox/TableFiles.h"

namespace kvt::paradox {

struct StoredTable {
  TableImage image;
  TableFiles files;
};

// Reads the table's .DB, .MB and .PX (for its header) and its secondary index headers,
// first finishing any write of it that a crash interrupted (unless `recover` is false, for
// readers that must change nothing). Throws EngineError: MissingTable, Format (damaged
// files), Unsupported (encrypted), Io (unreadable).
// With `sink`, the rows go to it as they are read (decodeTable) and the image holds none.
StoredTable loadTable(FileOps& ops, const std::filesystem::path& dir, const std::string& tableName,
                      bool recover = true, const RowSink& sink = {});

// The same without the rows: the .DB's header only (and the .MB when `readBlobs`), the rest
// as loadTable reads it.
StoredTable describeStoredTable(FileOps& ops, const std::filesystem::path& dir,
                                const std::string& tableName, bool recover = true,
                                bool readBlobs = false);
// Hands the rows of a table described so (with its .MB) to `sink`, or without one keeps them
// in the image, reading the .DB a megabyte at a time; the header becomes the one the rows were read
// with. Throws as loadTable does, and EngineError(State) when the fields changed since the
// description.
void walkStoredRows(FileOps& ops, StoredTable& table, const RowSink& sink);

// The language (see TableLanguage) most tables of code page `codePage` in `dir` are
// written with, leaving out the table `exceptStem`; nullopt when there is none. Only the
// headers are read; files that are not readable tables are passed over.
std::optional<TableLanguage> languageOfDirectory(const std::filesystem::path& dir,
                                                 const std::string& exceptStem,
                                                 uint32_t codePage = 950);

// Writes the table's rows (in key order for a keyed table) as new .DB, .PX and .MB files,
// rebuilds its secondary indexes from the rows, and replaces the old files in one commit
// (FileSetCommit.h). `files` lists the table's current files; for a new table it is null
// and the files are named STEM.DB, STEM.PX, STEM.MB. `extra` files of the family (a .VAL)
// are replaced in the same commit. `prefixAt`, when given, serves the passes over the keys
// alone (TableEncoder). Throws EngineError with the old files untouched: Io when
// writing fails, Unsupported when a secondary index cannot be rebuilt, Conversion for a
// value a field cannot hold.
void saveTable(FileOps& ops, const std::filesystem::path& dir, const std::string& stem,
               const TableFiles* files, const TableFormat& format, const TableSchema& schema,
               size_t count, const RowAt& rowAt, const std::vector<NewFile>& extra = {},
               const RowPrefixAt& prefixAt = {});

}  // namespace kvt::paradox
