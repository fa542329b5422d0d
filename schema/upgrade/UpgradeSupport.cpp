#include "schema/upgrade/UpgradeSupport.h"

#include "engine/paradox/ParadoxDatabase.h"
#include "files/CopyRule.h"
#include "platform/TextPadding.h"
#include "schema/EngineError.h"

namespace kvt::upgrade {

bool Quiet(const RunContext& ctx) {
  return ctx.ShowUpgradeOnly || ctx.switches.ShowUpgradeOnly;
}

bool IsMySql(const RunContext& ctx) {
  return ctx.databaseKind == DatabaseKind::MySQL;
}

std::string TableLabel(const std::string& table) {
  return "資料表 " + platform::PadRight(table, 8);
}

Database& PackageDatabase(RunContext& ctx) {
  if (!ctx.packageDb) throw EngineError(ErrorKind::State, "no package database is open");
  return *ctx.packageDb;
}

Database& ReleaseDatabase(RunContext& ctx) {
  if (!ctx.releaseDb) {
    auto local = ctx.fs.resolve(ctx.ReleaseDir);
    if (!local) {
      throw EngineError(ErrorKind::Io,
                        "the release directory " + ctx.ReleaseDir + " is not on a known drive");
    }
    ctx.releaseDb = std::make_unique<paradox::ParadoxDatabase>(*local, ctx.ReleaseDir);
  }
  return *ctx.releaseDb;
}

std::string JoinStatement(const std::vector<std::string>& lines) {
  std::string sql;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) sql += "\r\n";
    sql += lines[i];
  }
  return sql;
}

bool ExecGuarded(RunContext& ctx, const std::string& sql) {
  try {
    PackageDatabase(ctx).execSql(sql);
    return true;
  } catch (const EngineError&) {
    return false;
  }
}

void ClearTableFileAttributes(RunContext& ctx, const std::string& table) {
  if (IsMySql(ctx)) return;
  for (const char* ext : {".DB", ".PX"}) {
    const std::string path = ctx.DatabaseDir + table + ext;
    if (ctx.fs.fileExists(path)) ctx.fs.clearAttributes(path);
  }
}

bool CopyReleaseFileToDatabase(RunContext& ctx, const std::string& name, bool onlyIfNewer,
                               bool reportNew) {
  if (ctx.DatabaseDir.empty()) return false;
  return files::CopyIfNewer(ctx, ctx.ReleaseDir + name, ctx.DatabaseDir + name, onlyIfNewer,
                            reportNew);
}

}  // namespace kvt::upgrade
