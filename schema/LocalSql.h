// The statements the steps run on a directory of tables, carried out with table handles so
// that every engine of the Paradox kind shares them:
//
//   Delete From CB23 Where FormNo = :iFormNo
//   Select * from CB23 Where (EntryNo = :iEntryNo)
//
// Keywords ignore letter case and words may be split over lines. The condition compares
// fields with named integer parameters, numbers or quoted texts, joined with AND/OR, in
// parentheses or not (the grammar of schema/Filter.h); it may be left out. A field name may
// stand in double quotes or be prefixed by its table's name.
#pragma once

#include <cstdint>
#include <string>

#include "schema/Database.h"

namespace kvt {

struct LocalStatement {
  enum class Kind { Delete, Select };
  Kind kind = Kind::Select;
  std::string table;
  std::string condition;  // a filter expression with the parameters put in; empty for all
};

// Throws EngineError(Unsupported) naming the statement for any other statement, and
// EngineError(State) for a parameter without a value.
LocalStatement parseLocalSql(const std::string& sql, const SqlParams& params);

// Runs a Delete (a Select is checked and yields nothing). Errors of the handles (missing
// table or field, a table in exclusive use) pass through.
void runLocalSql(Database& db, const std::string& sql, const SqlParams& params);
// How many rows a Select yields.
int64_t countLocalSql(Database& db, const std::string& sql, const SqlParams& params);

}  // namespace kvt
