// The release's port list merged into a MariaDB DS43Port table that already holds half of
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

// Replaces DS43Port in `package` with rows of every second code of a release list of
// `releaseRows` codes (held in memory), then merges the list, twice. The step borrows the
// database and gives it back. Throws std::runtime_error when the merged table does not hold
// one changed row per code.
PortListFigures MergePortList(std::unique_ptr<Database>& package, int releaseRows);

}  // namespace kvt::bench
