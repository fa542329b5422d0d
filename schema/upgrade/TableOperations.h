// Table operations shared by the column upgrades, the new tables and the reference refreshes.
// All are bound to the package database of the run.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

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

// Values that did not fit the field they were put into, counted by column in the order the
// columns were first met.
struct CutValues {
  std::vector<std::pair<std::string, std::size_t>> byColumn;
  void add(const std::string& column, std::size_t count = 1);
  std::size_t total() const;
  bool empty() const { return byColumn.empty(); }
};

// One line per column: how many of its values were shortened and where the whole ones are
// kept (a table name, as the line shows it).
void LogCutValues(RunContext& ctx, const std::string& table, const CutValues& cut,
                  const std::string& keptIn);

// A free name for keeping a copy of `table` beside it: the name and today's era date, with
// "_2", "_3" ... when that is taken.
std::string DatedTableName(Database& db, const std::string& table);

// The values of the table's current row (or of its record buffer), one per field.
Row RecordValues(const Table& table);

// Assigns each column of the source's current row to the target's column of the same name.
// A column the target lacks or cannot take is skipped. Booleans go to MySQL as "T" or "F".
// A value longer than its target column holds is counted in `cut` (it is stored shortened).
void CopyRecordFields(RunContext& ctx, const Table& source, Table& target,
                      CutValues* cut = nullptr);
void CopyRowFields(RunContext& ctx, const TableSchema& sourceSchema, const Row& row, Table& target,
                   CutValues* cut = nullptr);

// The new row of `target` that CopyRowFields would assign: the source's columns by name,
// converted as Table::set converts them, every other column null. For Table::addRows.
Row NewRowFields(RunContext& ctx, const TableSchema& sourceSchema, const Row& row,
                 const Table& target, CutValues* cut = nullptr);
// The same with the target position of each source column worked out once for many rows
// (CopiedFieldPositions: -1 for a column the target lacks).
std::vector<int> CopiedFieldPositions(const TableSchema& sourceSchema, const Table& target);
Row NewRowFields(RunContext& ctx, const TableSchema& sourceSchema,
                 const std::vector<int>& positions, const Row& row, const Table& target,
                 CutValues* cut = nullptr);
// The row `held` of `target` with the source's columns assigned as CopyRowFields assigns them
// in the record buffer: what an edit, CopyRowFields and a post store. For Table::tryChangeRows.
Row ChangedRowFields(RunContext& ctx, const TableSchema& sourceSchema,
                     const std::vector<int>& positions, const Row& row, const Table& target,
                     Row held, CutValues* cut = nullptr);

// Appends every source row to the target. A row the target refuses is cancelled and counted;
// the count is returned, and the values that were shortened are counted in `cut`. Throws when
// either table cannot be opened.
std::size_t CopyAllRows(RunContext& ctx, Table& source, Table& target, CutValues* cut = nullptr);

// "Alter Table <table> Add <column> <type>" on the package database; failure ignored. On
// Paradox a "Char(n)" column is added by making the table again with its rows.
void AddColumnBySql(RunContext& ctx, const std::string& table, const std::string& column,
                    const std::string& type);

}  // namespace kvt::upgrade
