// The copy rule. A replaced file is renamed aside first, so the release's copy can take its
// name and the old one stays beside it; if the copy then fails, the old file is put back.
#include "files/CopyRule.h"

#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/FileHelpers.h"
#include "platform/LocalDate.h"

namespace kvt::files {
namespace {

// File times are compared to the second: a copy keeps the second everywhere, but not every
// file system keeps its fraction. A time that cannot be read counts as zero.
int64_t secondsOf(const std::optional<platform::FileTime>& t) {
  if (!t) return 0;
  return std::chrono::floor<std::chrono::seconds>(t->time_since_epoch()).count();
}

// Where the file name starts in a Windows path.
size_t fileNameStart(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? 0 : cut + 1;
}

bool fileNameHasDot(const std::string& path) {
  return path.find('.', fileNameStart(path)) != std::string::npos;
}

}  // namespace

std::string BackupName(const std::string& target, platform::FileTime replacedFileTime) {
  const std::string stamp = platform::formatEraYymmdd(replacedFileTime);
  size_t dot = target.find('.', fileNameStart(target));
  if (dot == std::string::npos) return target + stamp;
  return target.substr(0, dot) + stamp + target.substr(dot);
}

bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                 bool OnlyIfNewer, bool ReportNew) {
  platform::FileSystem& fs = ctx.fs;
  if (!fs.fileExists(source)) {
    ctx.AppendLog("找不到來源檔 " + source + "。");
    return false;
  }

  const bool targetExisted = fs.fileExists(target);
  bool upToDate = false;
  bool wasReadOnly = false;
  std::optional<std::string> setAsideAs;  // the backup name, once the target was renamed to it
  if (targetExisted) {
    const std::optional<platform::FileTime> targetTime = fs.modificationTime(target);
    const int64_t targetSeconds = secondsOf(targetTime);
    const int64_t sourceSeconds = secondsOf(fs.modificationTime(source));
    if (OnlyIfNewer) upToDate = targetSeconds >= sourceSeconds;
    if (upToDate && targetSeconds > 0) {
      if (!ctx.ShowUpgradeOnly) ctx.AppendLog("找到 " + target + "，但這個檔案已是新的。");
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
      // A backup of the same date kept from an earlier run makes this rename fail; that older
      // backup is kept and the file is replaced without a new one.
      std::string backup = BackupName(target, targetTime.value_or(platform::FileTime{}));
      platform::ForceRenameFile(fs, target, backup);
      if (!fs.fileExists(target) && fs.fileExists(backup)) setAsideAs = std::move(backup);
    }
  }
  if (upToDate) return true;  // both times zero: nothing to go by

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
  CopyToDatabaseDir(ctx, table + ".DB", false, true);
  CopyToDatabaseDir(ctx, table + ".PX", false, true);
  if (ctx.fs.fileExists(ctx.ReleaseDir + table + ".MB"))
    CopyToDatabaseDir(ctx, table + ".MB", false, true);
}

}  // namespace kvt::files
