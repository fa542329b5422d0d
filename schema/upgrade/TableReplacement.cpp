#include "schema/upgrade/TableReplacement.h"

#include <cstddef>
#include <exception>

#include "schema/EngineError.h"
#include "schema/Table.h"
#include "schema/upgrade/TableOperations.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {

bool ReplaceKeepingRows(RunContext& ctx, const std::string& table,
                        const files::TableCopyOptions& options) {
  Database& db = PackageDatabase(ctx);
  db.tableExists(table);  // finishes a write that a crash cut short: one table is moved aside
  const files::TableCopyResult copy = files::CopyReleaseTable(ctx, table, options);
  if (!copy.copied || !copy.replaced) return copy.copied;

  Table source(db, copy.backup);
  try {
    source.open(OpenMode::ReadOnly);
  } catch (const EngineError&) {
    // Nothing readable to carry over: the old files stay as they were under the dated name.
    ctx.AppendLog("資料表 " + table + " 的資料無法讀出，舊的資料表保留為 " + copy.backup + ".DB。");
    return true;
  }

  std::size_t refused = 0;
  try {
    Table target(db, table);
    refused = CopyAllRows(ctx, source, target);
    target.close();  // the rows reach the file here
  } catch (const EngineError&) {
    source.close();
    if (files::PutBackTable(ctx, table, copy.backup)) {
      ctx.AppendLog("資料表 " + table + " 沒有更新，已還原原來的資料表。");
    } else {
      ctx.AppendLog("資料表 " + table + " 沒有更新，原來的資料保留在 " + copy.backup + ".DB。");
    }
    return false;
  }
  if (refused > 0) {
    ctx.AppendLog("資料表 " + table + " 有 " + std::to_string(refused) +
                  " 筆資料無法移入新的資料表，舊的資料表保留為 " + copy.backup + ".DB。");
  }
  return true;
}

bool ReleaseTableReadable(RunContext& ctx, const std::string& table) {
  try {
    if (!ReleaseDatabase(ctx).tableExists(table)) {
      ctx.AppendLog("找不到來源資料表 " + table + "。");
      return false;
    }
    ReleaseDatabase(ctx).readRows(table, [](const Row&) {});
    return true;
  } catch (const std::exception&) {  // a damaged file may fail in more ways than the engine names
    ctx.AppendLog("開啟來源資料表 " + table + " 時失敗。");
    return false;
  }
}

}  // namespace kvt::upgrade
