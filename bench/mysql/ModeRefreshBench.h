// The release's rows of one Mode upserted into a MariaDB XNoMap2 table that already holds
// half of them, through the refresh step itself.
#pragma once

#include <memory>

#include "bench/mysql/StepRun.h"
#include "schema/Database.h"

namespace kvt::bench {

// Replaces XNoMap2 in `package` with every second row of a release Mode of `releaseRows`
// rows (held in memory) and as many rows of another Mode, then refreshes the Mode, twice.
// Throws std::runtime_error when the table does not then hold each release row as it is in
// the release and the other Mode's rows as they were.
RefreshFigures RefreshMode(std::unique_ptr<Database>& package, int releaseRows);

}  // namespace kvt::bench
