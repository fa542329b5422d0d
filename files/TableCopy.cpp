#include "files/TableCopy.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "files/CopyRule.h"
#include "platform/AsciiText.h"
#include "platform/FileHelpers.h"

namespace kvt::files {
namespace {

using platform::UpperAscii;

int Rank(const std::string& upperExt) {
  if (upperExt == ".DB") return 0;
  if (upperExt == ".PX") return 1;
  if (upperExt == ".MB") return 2;
  return 3;
}

// The part of a family member's name after the table name: ".DB", ".X0A", ".DB.kvtold"...
std::string ExtOf(const std::string& member, const std::string& table) {
  return member.substr(table.size());
}

const std::string* Member(const std::vector<std::string>& family, const std::string& table,
                          const std::string& upperExt) {
  for (const std::string& m : family)
    if (UpperAscii(ExtOf(m, table)) == upperExt) return &m;
  return nullptr;
}

std::string StemOf(const std::string& backupOfDb) {
  const std::string name = platform::extractFileName(backupOfDb);
  return name.substr(0, name.size() - 3);  // without ".DB"
}

struct Moved {
  std::string from, to;
  bool readOnly;
};

void MoveBack(platform::FileSystem& fs, const std::vector<Moved>& moved) {
  for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
    platform::ForceRenameFile(fs, it->to, it->from);
    if (it->readOnly) fs.setReadOnly(it->from, true);
  }
}

// Moves every installed file of the table to one free dated name; the name, or nullopt with
// everything as it was.
std::optional<std::string> MoveAside(platform::FileSystem& fs, const std::string& dir,
                                     const std::string& table,
                                     const std::vector<std::string>& installed) {
  const std::string* db = Member(installed, table, ".DB");
  const std::string& dated = db ? *db : installed.front();
  const platform::FileTime stamp = fs.modificationTime(dir + dated).value_or(platform::FileTime{});
  int refused = 0;
  for (int copy = 1; copy < 1000 && refused < 2; ++copy) {
    const std::string stem = StemOf(BackupName(dir + table + ".DB", stamp, copy));
    if (!TableFamily(fs, dir, stem).empty()) continue;  // an earlier backup of that date
    std::vector<Moved> moved;
    for (const std::string& m : installed) {
      const std::string from = dir + m;
      const bool readOnly = fs.isReadOnly(from);
      const std::string to = BackupName(from, stamp, copy);
      if (!platform::TryForceRenameFile(fs, from, to)) break;
      moved.push_back({from, to, readOnly});
    }
    if (moved.size() == installed.size()) return stem;
    MoveBack(fs, moved);
    ++refused;
  }
  return std::nullopt;
}

bool SameVersion(const platform::FileSystem& fs, const std::string& releaseDir,
                 const std::vector<std::string>& release, const std::string& dir,
                 const std::vector<std::string>& installed, const std::string& table) {
  for (const std::string& r : release) {
    const std::string* i = Member(installed, table, UpperAscii(ExtOf(r, table)));
    if (!i || ModificationSeconds(fs, releaseDir + r) != ModificationSeconds(fs, dir + *i) ||
        fs.readFile(releaseDir + r) != fs.readFile(dir + *i))
      return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> TableFamily(const platform::FileSystem& fs, const std::string& dir,
                                     const std::string& table) {
  std::vector<std::string> family;
  const auto names = fs.listNames(dir + table + ".*");
  if (!names) return family;
  const std::string prefix = UpperAscii(table) + ".";
  for (const auto& entry : *names) {
    if (entry.isDirectory || entry.name.size() <= prefix.size() ||
        UpperAscii(entry.name.substr(0, prefix.size())) != prefix)
      continue;
    family.push_back(entry.name);
  }
  std::sort(family.begin(), family.end(), [&](const std::string& a, const std::string& b) {
    const int ra = Rank(UpperAscii(ExtOf(a, table))), rb = Rank(UpperAscii(ExtOf(b, table)));
    return ra != rb ? ra < rb : a < b;
  });
  return family;
}

TableCopyResult CopyReleaseTable(RunContext& ctx, const std::string& table,
                                 const TableCopyOptions& options) {
  platform::FileSystem& fs = ctx.fs;
  const std::string& releaseDir = ctx.ReleaseDir;
  const std::string& dir = ctx.DatabaseDir;
  if (dir.empty()) return {};

  const std::vector<std::string> release = TableFamily(fs, releaseDir, table);
  std::vector<std::string> required = {".DB", ".PX"};
  if (options.memoRequired) required.push_back(".MB");
  for (const std::string& ext : required)
    if (!Member(release, table, ext))
      ctx.AppendLog("找不到來源檔 " + releaseDir + table + ext + "。");
  const std::string* releaseDb = Member(release, table, ".DB");
  if (!releaseDb) return {};

  const std::vector<std::string> installed = TableFamily(fs, dir, table);
  auto target = [&](const std::string& r) { return dir + table + ExtOf(r, table); };
  auto wasInstalled = [&](const std::string& r) {
    return Member(installed, table, UpperAscii(ExtOf(r, table))) != nullptr;
  };

  if (const std::string* installedDb = Member(installed, table, ".DB");
      installedDb && options.onlyIfNewer) {
    const int64_t t = ModificationSeconds(fs, dir + *installedDb);
    if (t >= ModificationSeconds(fs, releaseDir + *releaseDb)) {
      if (t > 0 && !ctx.ShowUpgradeOnly)
        for (const std::string& r : release)
          if (wasInstalled(r)) ctx.AppendLog("找到 " + target(r) + "，但這個檔案已是新的。");
      return {true, false, ""};
    }
  }

  TableCopyResult result;
  if (!installed.empty() && !SameVersion(fs, releaseDir, release, dir, installed, table)) {
    std::optional<std::string> backup = MoveAside(fs, dir, table, installed);
    if (!backup) {
      for (const std::string& r : release)
        if (wasInstalled(r)) ctx.AppendLog("找到 " + target(r) + "，但更新失敗。");
      return {};
    }
    result.replaced = true;
    result.backup = *backup;
  }

  for (const std::string& r : release) {
    if (fs.fileExists(target(r))) fs.clearAttributes(target(r));
    if (fs.copyFile(releaseDir + r, target(r), false)) continue;
    if (installed.empty()) {
      DeleteTableFiles(ctx, table);
    } else if (result.replaced) {
      PutBackTable(ctx, table, result.backup);
    }  // else the installed files were the same version as the ones copied over them
    for (const std::string& f : release)
      if (wasInstalled(f)) ctx.AppendLog("找到 " + target(f) + "，但更新失敗。");
    return {};
  }

  for (const std::string& r : release) {
    if (wasInstalled(r)) {
      if (options.reportReplaced) ctx.AppendLog("找到 " + target(r) + " 並更新完成。");
    } else if (options.reportNew) {
      ctx.AppendLog("沒找到 " + target(r) + " 但更新完成。");
    }
  }
  result.copied = true;
  return result;
}

bool DeleteTableFiles(RunContext& ctx, const std::string& table) {
  for (const std::string& m : TableFamily(ctx.fs, ctx.DatabaseDir, table))
    platform::ForceDeleteFile(ctx.fs, ctx.DatabaseDir + m);
  return TableFamily(ctx.fs, ctx.DatabaseDir, table).empty();
}

bool PutBackTable(RunContext& ctx, const std::string& table, const std::string& backup) {
  bool ok = DeleteTableFiles(ctx, table);
  for (const std::string& m : TableFamily(ctx.fs, ctx.DatabaseDir, backup)) {
    // The backup's names begin with the table's own spelling of its name.
    const std::string name = m.substr(0, table.size()) + m.substr(backup.size());
    ok = platform::TryForceRenameFile(ctx.fs, ctx.DatabaseDir + m, ctx.DatabaseDir + name) && ok;
  }
  return ok;
}

}  // namespace kvt::files
