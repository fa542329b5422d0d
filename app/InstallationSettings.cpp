#include "app/InstallationSettings.h"

#include "app/AliasRegistry.h"
#include "app/UpgradeSwitchFile.h"
#include "platform/AsciiText.h"
#include "platform/ProfileFile.h"
#include "schema/EngineError.h"

namespace kvt::app {
namespace {

std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// A directory value of KVT.INI: comment cut, and a trailing backslash when not empty.
std::string directoryValue(const SectionValues& values, std::string_view key) {
  std::string value = StripComment(platform::lookupValue(values, key));
  return value.empty() ? value : platform::includeTrailingBackslash(value);
}

void connectMySql(RunContext& ctx, DatabaseOpener& opener, const AliasInfo& alias) {
  if (ctx.packageDb && ctx.packageDb->kind() == DatabaseKind::MySQL) return;  // still open
  try {
    ctx.packageDb = opener.connectMySql(MySqlParamsOf(alias), kMySqlDatabaseName);
  } catch (const EngineError& e) {
    throw EngineError(
        e.kind(),
        std::string("無法連接 MySQL 資料庫 (別名 KVT)，沒有更新任何資料 !\r\n") + e.what());
  }
}

void openParadoxDirectory(RunContext& ctx, DatabaseOpener& opener, const AliasInfo& alias) {
  ctx.DatabaseDir.clear();
  if (alias.params.empty()) return;
  const std::string& first = alias.params.front();
  size_t eq = first.find('=');
  std::string dir = eq == std::string::npos ? first : first.substr(eq + 1);
  dir = platform::includeTrailingBackslash(dir);
  if (ctx.fs.directoryExists(dir)) ctx.DatabaseDir = dir;
  ctx.AppendLog("KVT Alias 路徑 [" + ctx.DatabaseDir + "]。");
  if (ctx.DatabaseDir.empty()) return;

  std::optional<std::filesystem::path> local = ctx.fs.resolve(ctx.DatabaseDir);
  try {
    if (!local) throw EngineError(ErrorKind::Io, "the directory has no place on this machine");
    ctx.packageDb = opener.openParadox(*local, ctx.DatabaseDir);
  } catch (const EngineError& e) {
    // Without its tables the directory is no use to the database steps: they are skipped.
    ctx.AppendLog("無法開啟資料庫 [" + ctx.DatabaseDir + "]：" + e.what());
    ctx.DatabaseDir.clear();
    ctx.packageDb.reset();
  }
}

}  // namespace

void DetectDatabaseKind(RunContext& ctx, DatabaseOpener& opener, const std::string& aliasName) {
  DetectDatabaseKind(ctx, opener, *InstalledAliasSource(ctx.fs), aliasName);
}

void DetectDatabaseKind(RunContext& ctx, DatabaseOpener& opener, const AliasSource& aliases,
                        const std::string& aliasName) {
  ctx.databaseKind = DatabaseKind::Standard;
  AliasLookup lookup = aliases.lookup(aliasName);
  if (!lookup.sourceLine.empty()) ctx.AppendLog(lookup.sourceLine);
  std::optional<AliasInfo>& alias = lookup.alias;
  if (alias) {
    std::string driver = upperAscii(alias->driver);
    if (driver != "STANDARD" && driver.find("MYSQL") != std::string::npos)
      ctx.databaseKind = DatabaseKind::MySQL;
  }

  if (ctx.databaseKind == DatabaseKind::MySQL) {
    connectMySql(ctx, opener, *alias);
    ctx.DatabaseDir = kMySqlDatabaseName;
    ctx.AppendLog("使用 MySQL 資料庫。");
    return;
  }
  ctx.DatabaseDir.clear();
  if (ctx.packageDb && ctx.packageDb->kind() == DatabaseKind::MySQL) ctx.packageDb.reset();
  if (alias) openParadoxDirectory(ctx, opener, *alias);
}

std::string FindSettingsFile(RunContext& ctx) {
  const std::string candidates[] = {
      "C:\\Velmor\\KVT\\KVT.ini",
      "D:\\Velmor\\KVT\\KVT.ini",
      platform::includeTrailingBackslash(
          std::string(platform::TrimBlanks(ctx.fs.windowsDirectory()))) +
          "KVT.INI",
  };
  for (const std::string& file : candidates)
    if (ctx.fs.fileExists(file)) return file;
  ctx.ui.messageBox(platform::BoxKind::Warning, "找不到 KVT.ini 檔 !");
  return {};
}

void ReadInstallationSettings(RunContext& ctx) {
  const std::string file = FindSettingsFile(ctx);
  if (file.empty()) {
    ctx.AppendLog("找不到 KVT.ini 檔 !");
    return;
  }
  SectionValues values;
  if (std::optional<std::string> bytes = ctx.fs.readFile(file)) {
    values =
        platform::ProfileFile::parse(platform::DecodeProfileText(*bytes)).sectionValues("System");
  } else {
    ctx.AppendLog("無法讀取 [" + file + "] !");
  }

  ctx.NetDir = directoryValue(values, "NetFileDir");
  ctx.HostDir = directoryValue(values, "KVTHostPath");
  const std::string databasePath = directoryValue(values, "DatabasePath");
  ctx.FormDir = databasePath;
  ctx.DtxDir = directoryValue(values, "eTradeDTXPath");
  ctx.VanId = StripComment(platform::lookupValue(values, "eTradeVANID"));
  ctx.AskDir = directoryValue(values, "eTradeASKPath");

  if (ctx.NetDir.empty()) ctx.NetDir = databasePath;
  if (!ctx.NetDir.empty() && ctx.fs.directoryExists(ctx.NetDir)) ctx.NetControlDir = ctx.NetDir;

  if (ctx.FormDir.empty() && ctx.databaseKind == DatabaseKind::Standard)
    ctx.FormDir = ctx.DatabaseDir;
  if (!ctx.HostDir.empty()) {
    ctx.FormDir = ctx.HostDir;
  } else if (!ctx.FormDir.empty()) {
    // The shared files lie one level above the database directory.
    ctx.FormDir = platform::extractFilePath(platform::excludeTrailingBackslash(ctx.FormDir));
  }

  if (ctx.databaseKind == DatabaseKind::MySQL) {
    ctx.AppendLog(ctx.FormDir.empty() ? std::string("網路共用路徑 [沒有設定]。")
                                      : "網路共用路徑 [" + ctx.FormDir + "]。");
  }
}

}  // namespace kvt::app
