// The seven form-definition tables that a form file unpacks into: forms (CB20), input entries
// (CB21), field definitions (CB22), entry placements (CB23), print-field placements (CB24),
// named text blocks (CB25) and the code-to-field map (CB2F0).
#pragma once

#include <array>
#include <string>

#include "schema/Database.h"
#include "schema/TableSchema.h"

namespace kvt::forms {

enum class FormTable { CB20, CB21, CB22, CB23, CB24, CB25, CB2F0 };
inline constexpr size_t kFormTableCount = 7;
// In the order the tables are created and the sections of a form file follow.
inline constexpr std::array<FormTable, kFormTableCount> kFormTables{
    FormTable::CB20, FormTable::CB21, FormTable::CB22, FormTable::CB23,
    FormTable::CB24, FormTable::CB25, FormTable::CB2F0};

// "CB20.DB", ...
const char* formTableName(FormTable t);
// "CB20", ... (the name without its extension)
const char* formTableStem(FormTable t);
// Fields (in their order) and indexes, the primary key first.
const TableSchema& formTableSchema(FormTable t);

// The name of the k-th lookup list number of CB22 (k = 1..12). The package spells the third
// and the ninth with a lower-case f, and the tables must keep that spelling.
std::string listFieldNoName(int k);

// Drops and creates the seven tables, empty, in `db`, and sets FormFileVersion to
// ProgramFormVersion. A table that cannot be dropped is emptied instead (and keeps its
// structure). Returns true; an engine error from a table that can be neither dropped nor
// opened reaches the caller.
bool CreateFormTables(Database& db);

}  // namespace kvt::forms
