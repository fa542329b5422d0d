#include "schema/upgrade/NewTables.h"

#include <vector>

#include "files/TableCopy.h"
#include "schema/EngineError.h"
#include "schema/Table.h"
#include "schema/upgrade/CreateStatements.h"
#include "schema/upgrade/TableOperations.h"
#include "schema/upgrade/TableReplacement.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {
namespace {

// Paradox: the release's files of the table go into the database directory (stray files of
// its name move into a dated backup). Returns whether the table is there afterwards.
bool CopyReleaseTable(RunContext& ctx, const std::string& table, bool withMemo) {
  files::TableCopyOptions options;
  options.reportNew = false;
  options.memoRequired = withMemo;
  return files::CopyReleaseTable(ctx, table, options).copied &&
         PackageDatabase(ctx).tableExists(table);
}

// ECFAUnit comes whole with each release, so it is made again, but the installed one goes
// only once its replacement is in place: a release without the table (or with one that
// cannot be read) leaves the installed table as it was. Returns whether the new one is made.
bool RemakeECFAUnit(RunContext& ctx, const std::vector<std::string>& statement) {
  const std::string table = "ECFAUnit";
  if (!ReleaseTableReadable(ctx, table)) return false;
  Database& db = PackageDatabase(ctx);
  if (!IsMySql(ctx)) {
    // The installed table is moved aside by the copy and deleted once the new one is there.
    db.tableExists(table);  // finishes a write that a crash cut short
    files::TableCopyOptions options;
    options.reportNew = false;
    options.reportReplaced = false;
    const files::TableCopyResult copy = files::CopyReleaseTable(ctx, table, options);
    if (!copy.copied || !db.tableExists(table)) return false;
    if (copy.replaced) files::DeleteTableFiles(ctx, copy.backup);
    return true;
  }
  if (!db.tableExists(table)) return ExecGuarded(ctx, JoinStatement(statement));
  // Made under a name of its own first; the two names change places in one statement.
  ExecGuarded(ctx, "DROP TABLE IF EXISTS `TempECFAUnit`");
  ExecGuarded(ctx, "DROP TABLE IF EXISTS `OldECFAUnit`");
  std::vector<std::string> temp = statement;
  temp.front() = "CREATE TABLE `TempECFAUnit` (";
  if (!ExecGuarded(ctx, JoinStatement(temp))) return false;
  if (!ExecGuarded(ctx, "RENAME TABLE `ECFAUnit` TO `OldECFAUnit`, `TempECFAUnit` TO `ECFAUnit`")) {
    ExecGuarded(ctx, "DROP TABLE IF EXISTS `TempECFAUnit`");
    return false;
  }
  ExecGuarded(ctx, "DROP TABLE `OldECFAUnit`");
  db.flushSchema(table);
  return true;
}

bool HasMemoFile(const std::string& table) {
  return table == "X903_2nd" || table == "XS02Base";
}

bool IsX602Table(const std::string& table) {
  return table == "X602Base" || table == "X602_2nd" || table == "X602_3rd";
}

// Creates the table without the existence test; logs the created line on success.
bool MakeScriptedTable(RunContext& ctx, const std::string& table) {
  if (!IsMySql(ctx)) {
    if (CopyReleaseTable(ctx, table, HasMemoFile(table))) {
      ctx.AppendLog("已建立 " + table + " 資料表。");
      return true;
    }
    ctx.AppendLog("建立 " + table + " 資料表時失敗 !");
    return false;
  }
  if (ExecGuarded(ctx, JoinStatement(ScriptedTableStatement(table)))) {
    ctx.AppendLog("已建立 " + table + " 資料表。");
    return true;
  }
  if (IsX602Table(table)) ctx.AppendLog("建立 " + table + " 資料表時發生錯誤 !");
  return false;
}

}  // namespace

void CreateCodeTable(RunContext& ctx, const std::string& table, int codeWidth,
                     const std::string& descriptionColumn, int descriptionWidth) {
  const std::vector<std::string> statement =
      CodeTableStatement(table, codeWidth, descriptionColumn, descriptionWidth);
  bool created = false;
  if (table == "ECFAUnit") {
    created = RemakeECFAUnit(ctx, statement);
  } else if (TableExists(ctx, table)) {
    return;
  } else if (IsMySql(ctx)) {
    created = ExecGuarded(ctx, JoinStatement(statement));
  } else {
    created = CopyReleaseTable(ctx, table, false);
  }
  ctx.AppendLog(created ? "已建立 " + table + " 資料表。" : "建立 " + table + " 資料表時失敗 !");
}

bool CreateScriptedTable(RunContext& ctx, const std::string& table) {
  // The X602Base statement spells the name "X602base"; a server that tells letter cases apart
  // keeps it under that spelling, and the step must still find it the next time.
  if (table == "X602Base" && IsMySql(ctx) && !PackageDatabase(ctx).tableExists(table) &&
      PackageDatabase(ctx).tableExists("X602base")) {
    if (!Quiet(ctx)) ctx.AppendLog(TableLabel(table) + " 已存在。");
    return false;
  }
  if (TableExists(ctx, table)) return false;
  return MakeScriptedTable(ctx, table);
}

void AddXIDPSW(RunContext& ctx) {
  if (TableExists(ctx, "XIDPSW")) return;
  if (!MakeScriptedTable(ctx, "XIDPSW")) {
    // Nothing to fill; the reason is in the log already on Paradox.
    if (IsMySql(ctx)) ctx.AppendLog("建立 XIDPSW 資料表時失敗 !");
    return;
  }

  Table package(PackageDatabase(ctx), "XIDPSW");
  package.open(OpenMode::ReadWrite);  // a table just made that cannot be opened ends the run

  std::vector<Row> rows;
  TableSchema schema;
  try {
    Table release(ReleaseDatabase(ctx), "XIDPSW");
    release.open(OpenMode::ReadOnly);
    schema = release.schema();
    for (release.first(); !release.eof(); release.next()) rows.push_back(RecordValues(release));
  } catch (const EngineError&) {
    ctx.AppendLog("開啟來源資料表 XIDPSW 時失敗。");
    return;
  }

  CutValues cut;
  try {
    const std::vector<int> positions = CopiedFieldPositions(schema, package);
    for (Row& row : rows) row = NewRowFields(ctx, schema, positions, row, package, &cut);
    package.addRows(std::move(rows));  // a row the table refuses is left out
    package.close();
  } catch (const EngineError&) {
    ctx.AppendLog("更新 XIDPSW 資料表時失敗。");
    return;
  }
  LogCutValues(ctx, "XIDPSW", cut, ctx.ReleaseDir + "XIDPSW.DB");
  ctx.AppendLog("更新了 XIDPSW 資料表。");
}

void AddEMailFTP(RunContext& ctx) {
  const bool haveFtp = TableExists(ctx, "EMailFTP");
  if (haveFtp && TableExists(ctx, "EMailLog")) return;
  // Only the missing one is made, on either kind: an EMailFTP that exists holds the
  // customer's own mail and transfer settings.
  for (const char* table : {"EMailFTP", "EMailLog"}) {
    if (PackageDatabase(ctx).tableExists(table)) continue;
    if (IsMySql(ctx)) {
      if (ExecGuarded(ctx, JoinStatement(ScriptedTableStatement(table))))
        ctx.AppendLog(std::string("已建立 ") + table + " 資料表。");
    } else {
      MakeScriptedTable(ctx, table);
    }
  }
}

void RunCodeTableSteps(RunContext& ctx) {
  const auto& sw = ctx.switches;
  const struct {
    bool on;
    const char* table;
    int codeWidth;
    const char* description;
    int descriptionWidth;
  } steps[] = {
      {sw.DoAddX101_9, "X101_9", 2, "", 20},      {sw.DoAddX101_10, "X101_10", 2, "", 200},
      {sw.DoAddX101_11, "X101_11", 1, "", 60},    {sw.DoAddX101_12, "X101_12", 3, "", 200},
      {sw.DoAddX101_13, "X101_13", 2, "", 200},   {sw.DoAddX101_14, "X101_14", 2, "", 200},
      {sw.DoAddX101_15, "X101_15", 3, "", 100},   {sw.DoAddX101_16, "X101_16", 2, "", 140},
      {sw.DoAddX101_17, "X101_17", 2, "", 100},   {sw.DoAddECFAUnit, "ECFAUnit", 3, "Unit", 20},
      {sw.DoAddPortCN, "PortCN", 5, "CName", 30}, {sw.DoAddPortTW, "PortTW", 5, "CName", 30},
  };
  for (const auto& s : steps) {
    if (ctx.StopFlag) return;
    if (!s.on) continue;
    CreateCodeTable(ctx, s.table, s.codeWidth, s.description, s.descriptionWidth);
    ctx.ProcessMessages();
  }
}

void RunNewTableSteps(RunContext& ctx) {
  const auto& sw = ctx.switches;
  struct Step {
    bool on;
    const char* table;
    int codeWidth = 0;  // 0: a message table with a fixed statement
    const char* description = "";
    int descriptionWidth = 0;
  };
  std::vector<Step> steps = {
      {sw.DoAddX901_5th, "X901_5th"},
      {sw.DoAddXIDPSW, "XIDPSW"},
      {sw.DoAddEMailFTP, "EMailFTP"},
      {sw.DoAddX903Base, "X903Base"},
      {sw.DoAddX903_2nd, "X903_2nd"},
      {sw.DoAddXS01Base, "XS01Base"},
      {sw.DoAddXS02Base, "XS02Base"},
      {sw.DoAddCargoDOC, "CargoDOC", 3, "", 50},
      {sw.DoAddCargoSex, "CargoSex", 1, "CName", 10},
      {sw.DoAddCargoBM, "CargoBM", 1, "CName", 10},
      {sw.DoAddCargoCY, "CargoCY", 1, "CName", 20},
      {sw.DoAddCNCode, "CNCode", 8, "", 200},
      {sw.DoAddX602Base, "X602Base"},
      {sw.DoAddX602_2nd, "X602_2nd"},
      {sw.DoAddX602_3rd, "X602_3rd"},
  };
  const int x601Widths[15][2] = {{1, 10}, {1, 10}, {1, 10}, {1, 40},  {10, 20},
                                 {3, 40}, {3, 20}, {2, 60}, {2, 40},  {1, 10},
                                 {2, 20}, {2, 20}, {2, 20}, {2, 100}, {5, 40}};
  static const char* const x601Names[15] = {"X601_1",  "X601_2",  "X601_3",  "X601_4",  "X601_5",
                                            "X601_6",  "X601_7",  "X601_8",  "X601_9",  "X601_10",
                                            "X601_11", "X601_12", "X601_13", "X601_14", "X601_15"};
  for (int i = 0; i < 15; ++i)
    steps.push_back({sw.DoAddX601[i], x601Names[i], x601Widths[i][0], "", x601Widths[i][1]});
  steps.push_back({sw.DoAddX602_01, "X602_1", 1, "", 10});
  steps.push_back({sw.DoAddX602_02, "X602_2", 1, "", 20});
  steps.push_back({sw.DoAddX602_03, "X602_3", 4, "", 100});

  for (const Step& s : steps) {
    if (ctx.StopFlag) return;
    if (!s.on) continue;
    const std::string table = s.table;
    if (s.codeWidth > 0) {
      CreateCodeTable(ctx, table, s.codeWidth, s.description, s.descriptionWidth);
    } else if (table == "XIDPSW") {
      AddXIDPSW(ctx);
    } else if (table == "EMailFTP") {
      AddEMailFTP(ctx);
    } else {
      CreateScriptedTable(ctx, table);
    }
    ctx.ProcessMessages();
  }
}

}  // namespace kvt::upgrade
