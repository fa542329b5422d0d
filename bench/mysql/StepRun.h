// One upgrade step run on its own against a package database, in a run context that shows
// nothing, for timing it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "run/RunContext.h"
#include "schema/Database.h"

namespace kvt::bench {

// A refresh of release rows into a table that holds some of them, run twice.
struct RefreshFigures {
  int releaseRows = 0;  // release rows merged
  int heldRows = 0;     // rows of the package table before the merge
  double seconds = 0;
  double againSeconds = 0;  // the same merge run again: every row already as it is to be
};

// What a refresh starts from: the package table made again and holding `held`, and a release
// in memory holding one table.
struct RefreshSetup {
  std::string table, create;  // the package table and its CREATE statement
  std::vector<Row> held;
  std::string releaseTable;
  TableSchema releaseSchema;
  std::vector<Row> releaseRows;
};

// Sets the tables up and runs `step` twice. Throws std::runtime_error when the package table
// refuses a row.
RefreshFigures TimeRefresh(std::unique_ptr<Database>& package, RefreshSetup setup,
                           const std::function<void(RunContext&)>& step);

// Runs `step` `runs` times in a MySQL run with `release` as the release database and returns
// the seconds of each run. The run borrows the package database and gives it back.
std::vector<double> TimeStep(std::unique_ptr<Database>& package, std::unique_ptr<Database> release,
                             const std::function<void(RunContext&)>& step, int runs);

}  // namespace kvt::bench
