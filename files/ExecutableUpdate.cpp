// What happens to one installed executable, and to the copies in the shared form directory.
#include <array>

#include "files/CopyRule.h"
#include "files/InstallationSearch.h"
#include "platform/AsciiText.h"
#include "platform/LocalDate.h"

namespace kvt::files {
namespace {

constexpr std::array<const char*, 2> kSslLibraries = {"libeay32.dll", "ssleay32.dll"};

// Executables older than this date are left for the operator to update by hand.
platform::FileTime cutOffDate() {
  return platform::localDate(2005, 7, 15);
}

// The last component of a directory path given with its trailing backslash.
std::string lastComponent(const std::string& dir) {
  std::string trimmed = platform::excludeTrailingBackslash(dir);
  return platform::extractFileName(trimmed);
}

// A complete installation: the shared one when the database is MySQL.
bool hasInstallationMarkers(platform::FileSystem& fs, const std::string& dir) {
  for (const char* sub : {"Database", "Image", "DOC", "Help"})
    if (!fs.directoryExists(dir + sub)) return false;
  return true;
}

void copySslLibraries(RunContext& ctx, const std::string& dir) {
  for (const char* library : kSslLibraries)
    if (!CopyIfNewer(ctx, ctx.ReleaseDir + library, dir + library, true, true))
      ctx.ExeNotUpdated = true;
}

}  // namespace

bool IsInstallationDir(const std::string& dir) {
  if (platform::UpperAscii(lastComponent(dir)) != "KVT") return false;
  const std::string upper = platform::UpperAscii(dir);
  return upper.find("BACKUP") == std::string::npos && upper.find("備份") == std::string::npos;
}

void UpdateFoundExecutable(RunContext& ctx, const std::string& upperName, const std::string& dir) {
  if (!IsInstallationDir(dir)) return;
  const std::string source = ctx.ReleaseDir + upperName;
  const std::string target = dir + upperName;

  // A time that cannot be read counts as zero, which is too old as well.
  const platform::FileTime targetTime =
      ctx.fs.modificationTime(target).value_or(platform::FileTime{});
  if (targetTime < cutOffDate()) {
    ctx.AppendLog("找到 " + target + "，但太舊不行自動更新。");
    return;
  }
  if (!ctx.fs.fileExists(source)) {
    ctx.AppendLog("找到 " + target + "，但沒有更新。\r\n     請回函Velmor電腦 " +
                  kMakerMailAddress + "\r\n     要求補寄 " + upperName + "。");
    return;
  }

  if (ctx.switches.UpgradeKVTEXE) {
    if (CopyIfNewer(ctx, source, target, true, true)) {
      ctx.MainExeUpdated = true;
      // Once per executable: a directory with two of them is listed twice.
      ctx.UpdatedExeDirs.push_back(platform::extractFilePath(target));
    } else {
      ctx.ExeNotUpdated = true;
    }
    if (ctx.databaseKind == DatabaseKind::MySQL && ctx.FormDir.empty() &&
        ctx.SharedDirFound.empty()) {
      const std::string targetDir = platform::extractFilePath(target);
      if (hasInstallationMarkers(ctx.fs, targetDir)) ctx.SharedDirFound = targetDir;
    }
  }
  if (ctx.switches.UpgradeSSLDLL) copySslLibraries(ctx, dir);
}

void UpdateFormDirProgram(RunContext& ctx) {
  if (ctx.switches.UpgradeKVTEXE) {
    if (CopyIfNewer(ctx, ctx.ReleaseDir + "KVT.EXE", ctx.FormDir + "KVT.EXE", true, true))
      ctx.MainExeUpdated = true;
    else
      ctx.ExeNotUpdated = true;
  }
  if (ctx.switches.UpgradeSSLDLL) copySslLibraries(ctx, ctx.FormDir);
}

}  // namespace kvt::files
