#include "schema/upgrade/DatabaseSteps.h"

#include "schema/upgrade/ColumnUpgrades.h"
#include "schema/upgrade/DatabaseInUse.h"
#include "schema/upgrade/NewTables.h"
#include "schema/upgrade/ParadoxRebuild.h"
#include "schema/upgrade/ReferenceRefresh.h"
#include "schema/upgrade/ReleaseRefill.h"
#include "schema/upgrade/TableOperations.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {

void RunDatabaseSteps(RunContext& ctx) {
  ctx.DatabaseInUse = false;
  if (ctx.DatabaseDir.empty() || !ctx.packageDb) {
    ctx.AppendLog("沒有找到資料庫的路徑 !");
    return;
  }
  // The package running on its tables would go on working on files replaced under it.
  ctx.DatabaseInUse = !ctx.StopFlag && ReportDatabaseInUse(ctx);
  if (ctx.DatabaseInUse) return;
  if (!IsMySql(ctx)) {
    ClearReadOnlyFlags(ctx);
    RecoverInterruptedRebuilds(ctx);
  }
  RunColumnUpgrades(ctx);
  RunCodeTableSteps(ctx);
  RunNewTableSteps(ctx);
  RunSourceDbStep(ctx);
  RunReferenceRefreshes(ctx);
}

}  // namespace kvt::upgrade
