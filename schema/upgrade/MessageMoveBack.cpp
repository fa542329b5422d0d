#include "schema/upgrade/MessageMoveBack.h"

#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {

void MoveBackMessages(RunContext& ctx) {
  if (ctx.AskDir.empty()) return;  // no ASK directory configured: nothing to look at
  const std::string backupDir = ctx.AskDir + "backup\\";
  const std::string prefix = ctx.VanId == "1" ? "BX102" : "X102";
  auto entries = ctx.fs.list(backupDir + prefix + "*.*");
  if (!entries) return;
  for (const auto& entry : *entries) {
    if (entry.isDirectory) continue;
    const std::string name = UpperAscii(entry.name);
    const std::string source = backupDir + name;
    const std::string destination = ctx.AskDir + name;
    if (ctx.fs.fileExists(destination)) continue;
    if (!ctx.fs.moveFile(source, destination)) continue;
    ctx.TradeRepliesMoved = true;
    ctx.AppendLog("移回 " + destination + " 訊息。");
  }
}

}  // namespace kvt::upgrade
