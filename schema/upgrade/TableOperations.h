// Table operations shared by the column upgrades, the new tables and the reference refreshes.
// All are bound to the package database of the run.
#pragma once

#include <cstddef>
#include <string>

#include "run/RunContext.h"
#include "schema/Table.h"

namespace kvt::upgrade {

// Paradox only: every file of the database directory that is read-only gets its attributes
// cleared, so that the steps can rewrite the tables.
void ClearReadOnlyFlags(RunContext& ctx);

struct FieldSize {
  int size = -1;              // the declared width, or -1
  bool missing = false;       // the column (or the whole table) could not be read
  bool tableMissing = false;  // the table itself could not be opened
};

// Reads a column's declared size. A table that cannot be opened is always logged; a missing
// column only when `report` is set.
FieldSize GetFieldSize(RunContext& ctx, const std::string& table, const std::string& column,
                       bool report);

// True when there is nothing to do: the table is absent or unreadable, or the column has
// exactly `size`. Logs the already-new line (unless quiet) whenever the answer is true.
bool CheckFieldSize(RunContext& ctx, const std::string& table, const std::string& column, int size);

// True when the table exists; then also logs the already-exists line unless quiet.
bool TableExists(RunContext& ctx, const std::string& table);

// Assigns each column of the source's current row to the target's column of the same name.
// A column the target lacks or cannot take is skipped. Booleans go to MySQL as "T" or "F".
void CopyRecordFields(RunContext& ctx, const Table& source, Table& target);
void CopyRowFields(RunContext& ctx, const TableSchema& sourceSchema, const Row& row, Table& target);

// Appends every source row to the target. A row the target refuses is cancelled and counted;
// the count is returned. Throws when either table cannot be opened.
std::size_t CopyAllRows(RunContext& ctx, Table& source, Table& target);

// "Alter Table <table> Add <column> <type>" on the package database; failure ignored. On
// Paradox a "Char(n)" column is added by making the table again with its rows.
void AddColumnBySql(RunContext& ctx, const std::string& table, const std::string& column,
                    const std::string& type);

}  // namespace kvt::upgrade
