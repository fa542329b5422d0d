// The copy rule. A replaced file is renamed aside first, so the release's copy can take its
// name and the old one stays beside it; if the copy then fails, the old file is put back.
#include "files/CopyRule.h"

#include <chrono>
#include <cstdint>
#include <optional>

#include "files/TableCopy.h"
#include "platform/FileHelpers.h"
#include "platform/LocalDate.h"

namespace kvt::files {
namespace {

// Where the file name starts in a Windows path.
size_t fileNameStart(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? 0 : cut + 1;
}

bool fileNameHasDot(const std::string& path) {
  return path.find('.', fileNameStart(path)) != std::string::npos;
}

}  // namespace

int64_t ModificationSeconds(const platform::FileSystem& fs, const std::string& path) {
  const std::optional<platform::FileTime> t = fs.modificationTime(path);
  if (!t) return 0;
  return std::chrono::floor<std::chrono::seconds>(t->time_since_epoch()).count();
}

std::string BackupName(const std::string& target, platform::FileTime replacedFileTime) {
  const std::string stamp = platform::formatEraYymmdd(replacedFileTime);
  size_t dot = target.find('.', fileNameStart(target));
  if (dot == std::string::npos) return target + stamp;
  return target.substr(0, dot) + stamp + target.substr(dot);
}

std::string BackupName(const std::string& target, platform::FileTime replacedFileTime, int copy) {
  if (copy <= 1) return BackupName(target, replacedFileTime);
  const std::string first = BackupName(target, replacedFileTime);
  const std::string stamp = platform::formatEraYymmdd(replacedFileTime);
  const size_t at = first.find(stamp, fileNameStart(first)) + stamp.size();
  return first.substr(0, at) + "(" + std::to_string(copy) + ")" + first.substr(at);
}

std::optional<std::string> SetAside(platform::FileSystem& fs, const std::string& target,
                                    platform::FileTime replacedFileTime) {
  // A name taken by an earlier backup is passed over; a rename refused for another reason is
  // tried once more under the next free name before giving up.
  int refused = 0;
  for (int copy = 1; copy < 1000 && refused < 2; ++copy) {
    const std::string name = BackupName(target, replacedFileTime, copy);
    if (fs.fileExists(name)) continue;
    if (platform::TryForceRenameFile(fs, target, name)) return name;
    ++refused;
  }
  return std::nullopt;
}

bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                 bool OnlyIfNewer, bool ReportNew) {
  platform::FileSystem& fs = ctx.fs;
  if (!fs.fileExists(source)) {
    ctx.AppendLog("找不到來源檔 " + source + "。");
    return false;
  }

  const bool targetExisted = fs.fileExists(target);
  bool wasReadOnly = false;
  std::optional<std::string> setAsideAs;  // the backup name, once the target was renamed to it
  if (targetExisted) {
    const std::optional<platform::FileTime> targetTime = fs.modificationTime(target);
    const int64_t targetSeconds = ModificationSeconds(fs, target);
    const int64_t sourceSeconds = ModificationSeconds(fs, source);
    if (OnlyIfNewer && targetSeconds >= sourceSeconds) {
      if (targetSeconds > 0 && !ctx.ShowUpgradeOnly)
        ctx.AppendLog("找到 " + target + "，但這個檔案已是新的。");
      // With both times unknown there is nothing to go by: the target stays as it is.
      return true;
    }
    wasReadOnly = fs.isReadOnly(target);
    fs.clearAttributes(target);
    // A file with the same time as the release's copy is the same version: no backup. Equal
    // times with other contents (a table written in the same second as the release's copy)
    // still get one, or the replaced contents would be lost.
    const bool sameVersion =
        targetSeconds == sourceSeconds && fs.readFile(target) == fs.readFile(source);
    if (!sameVersion && fileNameHasDot(target)) {
      setAsideAs = SetAside(fs, target, targetTime.value_or(platform::FileTime{}));
      if (!setAsideAs) {
        // No backup, no replacement.
        if (wasReadOnly) fs.setReadOnly(target, true);
        ctx.AppendLog("找到 " + target + "，但更新失敗。");
        return false;
      }
    }
  }

  if (fs.fileExists(target)) fs.clearAttributes(target);
  const bool copied = fs.copyFile(source, target, false);

  if (!copied && targetExisted) {
    // The installed file stays in place when its replacement could not be written.
    if (setAsideAs && !fs.fileExists(target)) platform::ForceRenameFile(fs, *setAsideAs, target);
    if (wasReadOnly && fs.fileExists(target)) fs.setReadOnly(target, true);
  }

  if (targetExisted) {
    ctx.AppendLog("找到 " + target + (copied ? " 並更新完成。" : "，但更新失敗。"));
  } else if (copied && ReportNew) {
    ctx.AppendLog("沒找到 " + target + " 但更新完成。");
  }
  return copied;
}

void CopyToDatabaseDir(RunContext& ctx, const std::string& name, bool OnlyIfNewer, bool ReportNew) {
  if (ctx.DatabaseDir.empty()) return;
  CopyIfNewer(ctx, ctx.ReleaseDir + name, ctx.DatabaseDir + name, OnlyIfNewer, ReportNew);
}

void CopyTableFiles(RunContext& ctx, const std::string& table) {
  CopyReleaseTable(ctx, table, TableCopyOptions{});
}

}  // namespace kvt::files
