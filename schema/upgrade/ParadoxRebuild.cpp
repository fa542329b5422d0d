#include "schema/upgrade/ParadoxRebuild.h"

#include <chrono>
#include <cstddef>
#include <functional>

#include "files/CopyRule.h"
#include "platform/LocalDate.h"
#include "schema/EngineError.h"
#include "schema/Table.h"
#include "schema/upgrade/TableOperations.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {
namespace {

const char* const kTableExtensions[] = {".DB", ".PX", ".MB"};

// Removes whatever files of the new table made it into the database directory.
void DiscardNewTable(RunContext& ctx, Database& db, const std::string& name) {
  try {
    if (db.tableExists(name)) db.deleteTable(name);
  } catch (const EngineError&) {
  }
  for (const char* ext : kTableExtensions) {
    const std::string path = ctx.DatabaseDir + name + ext;
    if (ctx.fs.fileExists(path)) {
      ctx.fs.clearAttributes(path);
      ctx.fs.deleteFile(path);
    }
  }
}

// Puts the moved-aside table back under its own name.
void RestoreOriginal(RunContext& ctx, Database& db, const std::string& name,
                     const std::string& temp) {
  DiscardNewTable(ctx, db, name);
  try {
    db.renameTable(temp, name);
    ctx.AppendLog("資料表 " + name + " 沒有更新，已還原原來的資料表。");
  } catch (const EngineError&) {
    ctx.AppendLog("資料表 " + name + " 沒有更新，原來的資料保留在 " + temp + ".DB。");
  }
}

// A name for keeping the old table beside the new one: the table name and today's date,
// with a counter when that name is taken.
std::string DatedName(Database& db, const std::string& name) {
  const std::string base = name + platform::formatEraYymmdd(std::chrono::system_clock::now());
  std::string candidate = base;
  for (int n = 2; db.tableExists(candidate); ++n) candidate = base + "_" + std::to_string(n);
  return candidate;
}

}  // namespace

bool ReplaceParadoxTable(RunContext& ctx, const std::string& name,
                         const std::function<bool()>& makeNew, bool reportSuccess) {
  Database& db = PackageDatabase(ctx);
  const std::string temp = "Temp" + name;

  try {
    if (db.tableExists(temp)) db.deleteTable(temp);
  } catch (const EngineError&) {
  }

  const bool hadOriginal = db.tableExists(name);
  if (hadOriginal) {
    try {
      db.renameTable(name, temp);
    } catch (const EngineError&) {
      ctx.AppendLog("資料表 " + name + " 無法移開，沒有更新。");
      return false;
    }
  } else {
    ctx.AppendLog("找不到目的資料表 " + name + ".DB" + "。");
  }

  bool made = false;
  try {
    made = makeNew();
  } catch (const EngineError&) {
    made = false;
  }

  if (!hadOriginal) {
    if (!made) {
      DiscardNewTable(ctx, db, name);
      ctx.AppendLog("資料表 " + name + " 沒有更新。");
      return false;
    }
    if (reportSuccess) ctx.AppendLog("更新了 Paradox 資料表 " + name + "。");
    return true;
  }
  if (!made) {
    RestoreOriginal(ctx, db, name, temp);
    return false;
  }

  std::size_t refused = 0;
  try {
    Table source(db, temp);
    Table target(db, name);
    refused = CopyAllRows(ctx, source, target);
    target.close();  // the rows reach the file here
  } catch (const EngineError&) {
    RestoreOriginal(ctx, db, name, temp);
    return false;
  }

  if (reportSuccess) ctx.AppendLog("更新了 Paradox 資料表 " + name + "。");
  if (refused == 0) {
    try {
      if (db.tableExists(temp)) db.deleteTable(temp);
    } catch (const EngineError&) {
    }
    return true;
  }

  std::string kept = temp;
  try {
    kept = DatedName(db, name);
    db.renameTable(temp, kept);
  } catch (const EngineError&) {
    kept = temp;
  }
  ctx.AppendLog("資料表 " + name + " 有 " + std::to_string(refused) +
                " 筆資料無法移入新的資料表，舊的資料表保留為 " + kept + ".DB。");
  return true;
}

bool RebuildParadoxTable(RunContext& ctx, const std::string& name) {
  return ReplaceParadoxTable(
      ctx, name,
      [&] {
        bool copied = CopyReleaseFileToDatabase(ctx, name + ".DB", false, false);
        copied = CopyReleaseFileToDatabase(ctx, name + ".PX", false, false) && copied;
        if (ctx.fs.fileExists(ctx.ReleaseDir + name + ".MB"))
          copied = CopyReleaseFileToDatabase(ctx, name + ".MB", false, false) && copied;
        return copied;
      },
      true);
}

}  // namespace kvt::upgrade
