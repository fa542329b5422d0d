// Whole tables named by the SourceDB list: refilled from the release's copy on MySQL, the
// release's table files copied in on Paradox.
#pragma once

#include <string>

#include "run/RunContext.h"

namespace kvt::upgrade {

// "ALTER TABLE <table> Add Column `<column>` char(<width>) After `<after>`"; logs the added
// column on success, ignores a failure.
void AddMySQLColumn(RunContext& ctx, const std::string& table, const std::string& column, int width,
                    const std::string& after);

// MySQL: replaces the rows of the package table `name` by those of the release's table of
// that name, after bringing a few old layouts up to date. The package table is emptied only
// once the release table has been opened and read.
void RefreshTableFromRelease(RunContext& ctx, const std::string& name);

// For each SourceDB entry while not stopped: the refill on MySQL, the table's files on Paradox.
void RunSourceDbStep(RunContext& ctx);

}  // namespace kvt::upgrade
