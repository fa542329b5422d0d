#include "schema/upgrade/DatabaseInUse.h"

#include <algorithm>

#include "engine/paradox/TableUse.h"
#include "platform/AsciiText.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {
namespace fs = std::filesystem;

bool ReportDatabaseInUse(RunContext& ctx) {
  if (IsMySql(ctx) || ctx.DatabaseDir.empty()) return false;
  const auto dir = ctx.fs.resolve(ctx.DatabaseDir);
  const auto names = ctx.fs.listNames(ctx.DatabaseDir + "*.*");
  if (!dir || !names) return false;  // the steps report an unreadable directory themselves

  std::vector<fs::path> files;
  for (const auto& entry : *names) {
    if (!entry.isDirectory) files.push_back(*dir / entry.name);
  }
  std::optional<fs::path> netFile;
  if (!ctx.NetControlDir.empty()) {
    netFile = ctx.fs.resolve(ctx.NetControlDir + paradox::kNetControlFile);
    if (netFile) files.push_back(*netFile);
  }
  const std::vector<fs::path> used = ctx.fileUse.inUse(files);
  if (used.empty()) return false;

  bool directoryInUse = false, netDirInUse = false;
  std::vector<std::string> tables;  // each once
  for (const auto& path : used) {
    const std::string name = path.filename().string();
    if (netFile && path == *netFile) {
      netDirInUse = true;
    } else if (paradox::isEngineLockFile(name)) {
      directoryInUse = true;
    } else {
      const std::string table = name.substr(0, name.find('.'));
      const bool seen = std::any_of(tables.begin(), tables.end(), [&](const std::string& t) {
        return platform::EqualsIgnoringAsciiCase(t, table);
      });
      if (!seen) tables.push_back(table);
    }
  }
  std::sort(tables.begin(), tables.end(), [](const std::string& a, const std::string& b) {
    return platform::UpperAscii(a) < platform::UpperAscii(b);
  });
  if (directoryInUse) ctx.AppendLog("資料庫目錄 [" + ctx.DatabaseDir + "] 正在被 KVT 使用中。");
  if (netDirInUse) ctx.AppendLog("網路控制目錄 [" + ctx.NetControlDir + "] 正在被 KVT 使用中。");
  for (const auto& table : tables) ctx.AppendLog("資料表 " + table + " 正在被其他程式使用中。");
  ctx.AppendLog(kDatabaseInUseLine);
  return true;
}

}  // namespace kvt::upgrade
