// Bringing a Paradox table to the release's layout: the release's empty table takes the
// table's place and the rows are copied into it.
#pragma once

#include <functional>
#include <string>

#include "run/RunContext.h"

namespace kvt::upgrade {

// Rebuilds the package's Paradox table `name` from the release's table files and carries the
// rows over. Never loses rows or values:
// - when the release's table cannot be copied or opened, or the old rows cannot be read, the
//   old table is put back under its own name and the log says the table was not upgraded;
// - when the new table refuses some rows or shortens some values, the old table stays beside
//   it under a dated name and the log gives the number of rows that were not carried over
//   and of the values of each column that were shortened;
// - a note in the database directory records how far it got, so that after a crash the next
//   run puts the old table back (the new one was not yet whole) or finishes (it was).
// Returns true when the new layout is in place.
bool RebuildParadoxTable(RunContext& ctx, const std::string& name);

// The common part: moves the table aside, lets `makeNew` put an empty table of the new
// layout under its name (false or an EngineError when it could not), and carries the rows
// over with the same guarantees. `reportSuccess` logs the updated line.
bool ReplaceParadoxTable(RunContext& ctx, const std::string& name,
                         const std::function<bool()>& makeNew, bool reportSuccess);

// Finishes or undoes every rebuild of the package's Paradox directory that a crash cut short,
// with a log line for each. Nothing on MySQL.
void RecoverInterruptedRebuilds(RunContext& ctx);

}  // namespace kvt::upgrade
