// Bringing a Paradox table to the release's layout: the release's empty table takes the
// table's place and the rows are copied into it.
#pragma once

#include <functional>
#include <string>

#include "run/RunContext.h"

namespace kvt::upgrade {

// Rebuilds the package's Paradox table `name` from the release's table files and carries the
// rows over. Never loses rows:
// - when the release's table cannot be copied or opened, or the old rows cannot be read, the
//   old table is put back under its own name and the log says the table was not upgraded;
// - when the new table refuses some rows, the old table stays beside it under a dated name
//   and the log gives the number of rows that were not carried over.
// Returns true when the new layout is in place.
bool RebuildParadoxTable(RunContext& ctx, const std::string& name);

// The common part: moves the table aside, lets `makeNew` put an empty table of the new
// layout under its name (false or an EngineError when it could not), and carries the rows
// over with the same guarantees. `reportSuccess` logs the updated line.
bool ReplaceParadoxTable(RunContext& ctx, const std::string& name,
                         const std::function<bool()>& makeNew, bool reportSuccess);

}  // namespace kvt::upgrade
