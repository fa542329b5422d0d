// Adding a field at the end of an existing table while keeping the rest of the table: its
// rows, its primary and secondary indexes (rebuilt over the rows), its language (code page and
// sort order) and its validity checks (.VAL), all replaced in one commit (FileSetCommit.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/paradox/FileHeader.h"
#include "engine/paradox/FileOps.h"
#include "schema/TableSchema.h"

namespace kvt::paradox {

// Appends `field` (empty in every row) to the table. Throws EngineError: MissingTable, State
// (a field of that name exists), Unsupported (the record would outgrow the table's blocks, or
// an index cannot be rebuilt), Io, Format; the table's files are then as they were.
void appendField(FileOps& ops, const std::filesystem::path& dir, const std::string& tableName,
                 const FieldDef& field);

// A validity check file for the table with one more field. The file ends with the table's
// field list (count, key field count, length of the names part, field numbers, descriptors,
// the table's path in a fixed 79-byte place, the names); checks name fields by number, so
// they stand. nullopt when the file does not end in the list of `fieldNames`.
std::optional<std::string> validityWithAppendedField(std::string_view val,
                                                     const std::vector<std::string>& fieldNames,
                                                     FieldDescriptor added,
                                                     const std::string& name);

}  // namespace kvt::paradox
