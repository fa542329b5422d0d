// The database part of a run: column upgrades, code tables, new tables, the SourceDB tables
// and the reference refreshes, each under its switch and the stop flag.
#pragma once

#include "run/RunContext.h"

namespace kvt::upgrade {

// Logs "沒有找到資料庫的路徑 !" and does nothing when the run found no database, and logs
// why and does nothing when the package is running on its Paradox tables (DatabaseInUse.h;
// sets DatabaseInUse). Otherwise, in order: clears read-only flags (Paradox), the column upgrades,
// the code tables, the new tables, the SourceDB entries and the reference refreshes. Failures the
// steps foresee are logged; any other EngineError propagates to the run handler.
void RunDatabaseSteps(RunContext& ctx);

}  // namespace kvt::upgrade
