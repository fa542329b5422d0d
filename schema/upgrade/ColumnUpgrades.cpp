#include "schema/upgrade/ColumnUpgrades.h"

#include <string>
#include <vector>

#include "schema/EngineError.h"
#include "schema/upgrade/MessageMoveBack.h"
#include "schema/upgrade/ParadoxRebuild.h"
#include "schema/upgrade/TableOperations.h"
#include "schema/upgrade/TableReplacement.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {
namespace {

// Runs each statement in its own guard, flushes the table's cached layout, and logs the
// table's MySQL line when at least one went through.
void AlterOnMySql(RunContext& ctx, const std::string& table,
                  const std::vector<std::string>& statements) {
  bool any = false;
  for (const auto& sql : statements) any = ExecGuarded(ctx, sql) || any;
  PackageDatabase(ctx).flushSchema(table);
  if (any) ctx.AppendLog("更新了 MySQL 資料表 " + table + "。");
}

// The common shape: a size test, then ALTER statements on MySQL or a rebuild on Paradox.
void SizeTestedUpgrade(RunContext& ctx, const std::string& table, const std::string& column,
                       int size, const std::vector<std::string>& statements) {
  if (CheckFieldSize(ctx, table, column, size)) return;
  if (IsMySql(ctx)) {
    AlterOnMySql(ctx, table, statements);
  } else {
    RebuildParadoxTable(ctx, table);
  }
}

// Paradox: the release's table replaces the installed one when newer, with its rows.
void CopyReleaseTableIfNewer(RunContext& ctx, const std::string& table) {
  files::TableCopyOptions options;
  options.onlyIfNewer = true;
  ReplaceKeepingRows(ctx, table, options);
}

void LogAlreadyNew(RunContext& ctx, const std::string& table) {
  if (!Quiet(ctx)) ctx.AppendLog(TableLabel(table) + " 已是新的。");
}

// X202_4 and X101_12: widened on MySQL only. Their already-new lines are fixed texts.
void WidenOnMySql(RunContext& ctx, const std::string& table, const std::string& column, int wanted,
                  const std::string& statement, const std::string& alreadyNew) {
  const FieldSize found = GetFieldSize(ctx, table, column, true);
  if (found.missing) return;
  if (found.size >= wanted) {
    if (!Quiet(ctx)) ctx.AppendLog(alreadyNew);
    return;
  }
  if (!IsMySql(ctx)) return;
  AlterOnMySql(ctx, table, {statement});
}

}  // namespace

void UpgradeX102Base(RunContext& ctx) {
  ClearTableFileAttributes(ctx, "X102Base");

  const FieldSize validation = GetFieldSize(ctx, "X102Base", "ValidationCode", false);
  if (validation.missing || validation.size < 8)
    AddColumnBySql(ctx, "X102Base", "ValidationCode", "Char(8)");

  const FieldSize msgId = GetFieldSize(ctx, "X102Base", "MsgID", true);
  if (msgId.missing) return;
  if (msgId.size >= 20) {
    LogAlreadyNew(ctx, "X102Base");
    return;
  }
  if (IsMySql(ctx)) {
    AlterOnMySql(ctx, "X102Base", {"ALTER TABLE X102Base Modify Column `MsgID` char(20)"});
  } else {
    // The release's table with the rows carried over; the replaced table stays under its
    // dated backup name.
    ReplaceKeepingRows(ctx, "X102Base", files::TableCopyOptions{});
  }
  MoveBackMessages(ctx);
}

void UpgradeX202Base(RunContext& ctx) {
  SizeTestedUpgrade(ctx, "X202Base", "ProcessingNo", 18,
                    {"ALTER TABLE X202Base Modify Column `ProcessingNo` char(18)",
                     "ALTER TABLE X202Base Drop Column `ApplicantType`",
                     "ALTER TABLE X202Base Drop Column `AgentType`"});
}

void UpgradeX202Memo(RunContext& ctx) {
  SizeTestedUpgrade(ctx, "X202Memo", "ProcessingNo", 18,
                    {"ALTER TABLE X202Memo Modify Column `ProcessingNo` char(18)"});
}

void UpgradeXS02Base(RunContext& ctx) {
  SizeTestedUpgrade(ctx, "XS02Base", "PremiumNo", 14,
                    {"ALTER TABLE XS02Base Modify Column `PremiumNo` char(14)"});
}

void UpgradeX402Base(RunContext& ctx) {
  SizeTestedUpgrade(ctx, "X402Base", "ProcessingNo", 18,
                    {"ALTER TABLE X402Base Modify Column `ProcessingNo` char(18)",
                     "ALTER TABLE X402Base Drop Column `TransitCountry`"});
}

void UpgradeX802Base(RunContext& ctx) {
  const FieldSize box = GetFieldSize(ctx, "X802Base", "BoxNumber", false);
  if (!box.missing && box.size > 0) {
    if (IsMySql(ctx)) {
      AlterOnMySql(ctx, "X802Base", {"ALTER TABLE X802Base Drop Column `BoxNumber`"});
    } else {
      RebuildParadoxTable(ctx, "X802Base");
    }
    return;
  }
  if (!box.missing) return;
  if (IsMySql(ctx)) {
    if (!box.tableMissing) LogAlreadyNew(ctx, "X802Base");
    return;
  }
  CopyReleaseTableIfNewer(ctx, "X802Base");
}

void UpgradeX802_3rd(RunContext& ctx) {
  const FieldSize found = GetFieldSize(ctx, "X802_3rd", "ErrorCodeDescription", true);
  if (found.tableMissing) {
    if (!IsMySql(ctx)) CopyReleaseTableIfNewer(ctx, "X802_3rd");
    return;
  }
  if (!found.missing) {
    LogAlreadyNew(ctx, "X802_3rd");
    return;
  }
  if (IsMySql(ctx)) {
    AlterOnMySql(ctx, "X802_3rd",
                 {"ALTER TABLE X802_3rd Add Column `ErrorCodeDescription` char(150) after "
                  "`VerifiedQuantity`"});
  } else {
    RebuildParadoxTable(ctx, "X802_3rd");
  }
}

void UpgradeX901Base(RunContext& ctx) {
  SizeTestedUpgrade(ctx, "X901Base", "ProcessingNo", 18,
                    {"ALTER TABLE X901Base Modify Column `ProcessingNo` char(18)"});
}

void UpgradeX901_2nd(RunContext& ctx) {
  SizeTestedUpgrade(ctx, "X901_2nd", "ErrorCode", 4,
                    {"ALTER TABLE X901_2nd Modify Column `ErrorCode` char(4)"});
}

void UpgradeX902Base(RunContext& ctx) {
  SizeTestedUpgrade(ctx, "X902Base", "ProcessingNo", 18,
                    {"ALTER TABLE X902Base Modify Column `ProcessingNo` char(18)"});
}

void UpgradeX202_4(RunContext& ctx) {
  WidenOnMySql(ctx, "X202_4", "Description", 150,
               "ALTER TABLE X202_4 Modify Column `Description` char(150)",
               "資料表 X202_4   已是新的。");
}

void UpgradeX101_12(RunContext& ctx) {
  WidenOnMySql(ctx, "X101_12", "Code", 3, "ALTER TABLE X101_12 Modify Column `Code` char(3)",
               "資料表 X101_12   已是新的。");
}

void RunColumnUpgrades(RunContext& ctx) {
  const auto& sw = ctx.switches;
  const struct {
    bool on;
    void (*step)(RunContext&);
  } steps[] = {
      {sw.DoUpgradeX102Base, UpgradeX102Base}, {sw.DoUpgradeX202Base, UpgradeX202Base},
      {sw.DoUpgradeX202Memo, UpgradeX202Memo}, {sw.DoUpgradeXS02Base, UpgradeXS02Base},
      {sw.DoUpgradeX402Base, UpgradeX402Base}, {sw.DoUpgradeX802Base, UpgradeX802Base},
      {sw.DoUpgradeX802_3rd, UpgradeX802_3rd}, {sw.DoUpgradeX901Base, UpgradeX901Base},
      {sw.DoUpgradeX901_2nd, UpgradeX901_2nd}, {sw.DoUpgradeX902Base, UpgradeX902Base},
      {sw.DoUpgradeX202_4, UpgradeX202_4},     {sw.DoUpgradeX101_12, UpgradeX101_12},
  };
  for (const auto& s : steps) {
    if (ctx.StopFlag) return;
    if (!s.on) continue;
    s.step(ctx);
    ctx.ProcessMessages();
  }
}

}  // namespace kvt::upgrade
