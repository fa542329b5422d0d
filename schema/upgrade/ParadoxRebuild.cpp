#include "schema/upgrade/ParadoxRebuild.h"

#include <cstddef>
#include <functional>
#include <optional>

#include "files/CopyRule.h"
#include "schema/EngineError.h"
#include "schema/Table.h"
#include "schema/upgrade/TableOperations.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {
namespace {

const char* const kTableExtensions[] = {".DB", ".PX", ".MB"};

// The rebuild's note in the database directory. Its name is no table's, so no table operation
// moves or deletes it. It says how far a rebuild got, for a run that follows a crash:
// "aside" while the new table may still be incomplete (the old one is then put back), "done"
// and the name to keep the old table under ("" to delete it) once the new one is whole.
const char* const kJournalPrefix = "KVTRebuild-";
const char* const kJournalExtension = ".kvtstep";

std::string JournalPath(const RunContext& ctx, const std::string& name) {
  return ctx.DatabaseDir + kJournalPrefix + name + kJournalExtension;
}

bool WriteJournal(RunContext& ctx, const std::string& name, const std::string& text) {
  return ctx.fs.writeFile(JournalPath(ctx, name), text);
}

void RemoveJournal(RunContext& ctx, const std::string& name) {
  const std::string path = JournalPath(ctx, name);
  if (ctx.fs.fileExists(path)) ctx.fs.deleteFile(path);
}

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

// Puts the moved-aside table back under its own name. False when it stays under `temp`.
bool PutBack(RunContext& ctx, Database& db, const std::string& name, const std::string& temp) {
  DiscardNewTable(ctx, db, name);
  try {
    db.renameTable(temp, name);
    return true;
  } catch (const EngineError&) {
    return false;
  }
}

void RestoreOriginal(RunContext& ctx, Database& db, const std::string& name,
                     const std::string& temp) {
  if (PutBack(ctx, db, name, temp)) {
    RemoveJournal(ctx, name);
    ctx.AppendLog("資料表 " + name + " 沒有更新，已還原原來的資料表。");
  } else {
    // The note stays, so the next run tries again to put the table back.
    ctx.AppendLog("資料表 " + name + " 沒有更新，原來的資料保留在 " + temp + ".DB。");
  }
}

// Deletes the moved-aside table (with any file a cut-short delete left), or keeps it under
// `keep`. False when that failed.
bool SettleOld(RunContext& ctx, Database& db, const std::string& temp, const std::string& keep) {
  if (keep == temp) return true;
  if (keep.empty()) {
    DiscardNewTable(ctx, db, temp);
    return !db.tableExists(temp);
  }
  try {
    if (db.tableExists(temp)) db.renameTable(temp, keep);
    return true;
  } catch (const EngineError&) {
    return false;
  }
}

// The renames that opening the directory finished after a crash.
void LogFinishedRenames(RunContext& ctx, Database& db) {
  for (const auto& [from, to] : db.takeFinishedRenames()) {
    ctx.AppendLog("資料表 " + from + " 上次的更名沒有做完，已更名為 " + to + "。");
  }
}

// Finishes or undoes a rebuild of `name` that a crash cut short, by its note.
void RecoverRebuild(RunContext& ctx, Database& db, const std::string& name) {
  const std::string path = JournalPath(ctx, name);
  if (!ctx.fs.fileExists(path)) return;
  const std::string temp = "Temp" + name;
  const std::string note = ctx.fs.readFile(path).value_or("");
  if (note.rfind("done ", 0) == 0 || note == "done") {
    const std::string keep = note.size() > 5 ? note.substr(5) : std::string();
    if (!SettleOld(ctx, db, temp, keep)) return;
    RemoveJournal(ctx, name);
    ctx.AppendLog("資料表 " + name + " 上次的更新沒有做完，已完成更新" +
                  (keep.empty() ? std::string() : "，舊的資料表保留為 " + keep + ".DB") + "。");
    return;
  }
  // Anything short of "done", an unreadable note included: the new table may be incomplete.
  if (db.tableExists(temp)) {
    if (!PutBack(ctx, db, name, temp)) {
      ctx.AppendLog("資料表 " + name + " 上次的更新沒有做完，原來的資料保留在 " + temp + ".DB。");
      return;
    }
    ctx.AppendLog("資料表 " + name + " 上次的更新沒有做完，已還原原來的資料表。");
  }
  RemoveJournal(ctx, name);
}

}  // namespace

void RecoverInterruptedRebuilds(RunContext& ctx) {
  if (IsMySql(ctx) || ctx.DatabaseDir.empty() || !ctx.packageDb) return;
  LogFinishedRenames(ctx, *ctx.packageDb);
  auto entries = ctx.fs.list(ctx.DatabaseDir + kJournalPrefix + "*" + kJournalExtension);
  if (!entries) return;
  const std::string prefix = kJournalPrefix;
  const std::string extension = kJournalExtension;
  for (const auto& entry : *entries) {
    if (entry.isDirectory || entry.name.size() <= prefix.size() + extension.size()) continue;
    const std::string name =
        entry.name.substr(prefix.size(), entry.name.size() - prefix.size() - extension.size());
    RecoverRebuild(ctx, *ctx.packageDb, name);
  }
}

bool ReplaceParadoxTable(RunContext& ctx, const std::string& name,
                         const std::function<bool()>& makeNew, bool reportSuccess) {
  Database& db = PackageDatabase(ctx);
  const std::string temp = "Temp" + name;
  LogFinishedRenames(ctx, db);
  RecoverRebuild(ctx, db, name);
  if (ctx.fs.fileExists(JournalPath(ctx, name))) {
    ctx.AppendLog("資料表 " + name + " 沒有更新。");
    return false;
  }

  const bool hadOriginal = db.tableExists(name);
  try {
    if (db.tableExists(temp)) {
      if (hadOriginal) {
        db.deleteTable(temp);
      } else {
        // Only the moved-aside table holds the rows: it is the table.
        db.renameTable(temp, name);
        ctx.AppendLog("資料表 " + name + " 已由 " + temp + ".DB 還原。");
        return ReplaceParadoxTable(ctx, name, makeNew, reportSuccess);
      }
    }
  } catch (const EngineError&) {
  }

  if (hadOriginal) {
    if (!WriteJournal(ctx, name, "aside")) {
      ctx.AppendLog("資料表 " + name + " 無法移開，沒有更新。");
      return false;
    }
    try {
      db.renameTable(name, temp);
    } catch (const EngineError&) {
      RemoveJournal(ctx, name);
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
  CutValues cut;
  try {
    Table source(db, temp);
    Table target(db, name);
    refused = CopyAllRows(ctx, source, target, &cut);
    target.close();  // the rows reach the file here
  } catch (const EngineError&) {
    RestoreOriginal(ctx, db, name, temp);
    return false;
  }

  // The old rows stay whole beside the new table when any did not go over as they were.
  std::string keep;
  if (refused > 0 || !cut.empty()) {
    try {
      keep = DatedTableName(db, name);
    } catch (const EngineError&) {
      keep = temp;
    }
  }
  if (!WriteJournal(ctx, name, keep.empty() ? "done" : "done " + keep)) {
    // Without the note a crash now could not tell the new table whole; go back to the old.
    RestoreOriginal(ctx, db, name, temp);
    return false;
  }
  if (reportSuccess) ctx.AppendLog("更新了 Paradox 資料表 " + name + "。");
  std::string kept = keep;
  if (SettleOld(ctx, db, temp, keep)) {
    RemoveJournal(ctx, name);
  } else {
    kept = temp;  // the note stays: the next run finishes it
  }
  if (refused > 0) {
    ctx.AppendLog("資料表 " + name + " 有 " + std::to_string(refused) +
                  " 筆資料無法移入新的資料表，舊的資料表保留為 " + kept + ".DB。");
  }
  LogCutValues(ctx, name, cut, kept + ".DB");
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
