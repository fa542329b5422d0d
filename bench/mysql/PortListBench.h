// The release's port list merged into a MariaDB DS43Port table that already holds half of
// it, through the refresh step itself.
#pragma once

#include <memory>

#include "bench/mysql/StepRun.h"
#include "schema/Database.h"

namespace kvt::bench {

// Replaces DS43Port in `package` with rows of every second code of a release list of
// `releaseRows` codes (held in memory), then merges the list, twice. The step borrows the
// database and gives it back. Throws std::runtime_error when the merged table does not hold
// one changed row per code.
RefreshFigures MergePortList(std::unique_ptr<Database>& package, int releaseRows);

}  // namespace kvt::bench
