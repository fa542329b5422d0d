// The release's port list merged into a MariaDB DS43Port table that already holds part of
// it, through the refresh step itself.
#pragma once

#include <memory>

#include "schema/Database.h"

namespace kvt::bench {

struct PortListFigures {
  int releaseRows = 0;  // KVT43 rows merged
  int heldRows = 0;     // DS43Port rows before the merge
  double seconds = 0;
  double againSeconds = 0;  // the same merge run again: every row already as it is to be
};

// Replaces DS43Port in `package` with `held` rows of the release's codes (every second code), then
// merges a release list of `releaseRows` codes. Throws std::runtime_error when the merged
// table does not hold one row per code.
// The step borrows the database for the merge and gives it back.
PortListFigures MergePortList(std::unique_ptr<Database>& package, int releaseRows);

}  // namespace kvt::bench
