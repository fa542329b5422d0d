// The twelve column upgrades: each brings one table of the package database to the release's
// layout, by ALTER TABLE on MySQL and by rebuilding from the release's table on Paradox.
#pragma once

#include "run/RunContext.h"

namespace kvt::upgrade {

void UpgradeX102Base(RunContext& ctx);
void UpgradeX202Base(RunContext& ctx);
void UpgradeX202Memo(RunContext& ctx);
void UpgradeXS02Base(RunContext& ctx);
void UpgradeX402Base(RunContext& ctx);
void UpgradeX802Base(RunContext& ctx);
void UpgradeX802_3rd(RunContext& ctx);
void UpgradeX901Base(RunContext& ctx);
void UpgradeX901_2nd(RunContext& ctx);
void UpgradeX902Base(RunContext& ctx);
void UpgradeX202_4(RunContext& ctx);
void UpgradeX101_12(RunContext& ctx);

// Every column upgrade whose switch is on, in run order, while the run is not stopped.
void RunColumnUpgrades(RunContext& ctx);

}  // namespace kvt::upgrade
