#include "forms/upgrade/FormUpgrade.h"

#include <array>

#include "forms/FileHelpers.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "forms/FormTables.h"
#include "forms/upgrade/EntryLists.h"
#include "forms/upgrade/FormImport.h"
#include "forms/upgrade/FormPatches.h"
#include "forms/upgrade/WorkTables.h"
#include "run/EntryFields.h"
#include "schema/BorrowedDatabase.h"
#include "schema/Table.h"

namespace kvt::forms {
namespace {

// The version from which form files store the class of a form.
constexpr const char* kClassVersion = "0950209";

std::string upperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Opens one work table for a group of changes and closes it when the group is done.
class OpenedTable {
 public:
  OpenedTable(Database& db, const char* stem) : table_(db, stem) { table_.open(); }
  ~OpenedTable() = default;  // the handle closes itself
  Table& operator*() { return table_; }

 private:
  Table table_;
};

// Empties the work directory when the entry is done, whichever way it ends.
class WorkDirectoryCleaner {
 public:
  WorkDirectoryCleaner(platform::FileSystem& fs, std::string dir) : fs_(fs), dir_(std::move(dir)) {}
  ~WorkDirectoryCleaner() { ClearDirectory(fs_, dir_); }
  WorkDirectoryCleaner(const WorkDirectoryCleaner&) = delete;
  WorkDirectoryCleaner& operator=(const WorkDirectoryCleaner&) = delete;

 private:
  platform::FileSystem& fs_;
  std::string dir_;
};

// One handle on each work table from the read to the save: the reader, the import, the groups
// of changes and the writer then share rows loaded once, instead of reading a table's files
// for every group.
class LoadedTables {
 public:
  explicit LoadedTables(Database& db) : db_(db) {
    for (FormTable t : kFormTables) {
      handles_.push_back(std::make_unique<Table>(db, formTableName(t)));
      handles_.back()->open();
    }
  }

  // The work tables go with the step: once the form file is saved from them, their rows
  // need not reach their files.
  void discard() {
    for (FormTable t : kFormTables) db_.discardOnClose(formTableName(t));
  }

 private:
  Database& db_;
  std::vector<std::unique_ptr<Table>> handles_;
};

// The import works on the step's own work tables (`work`, over `workDir`), whose rows the
// step holds loaded: nothing is written to the tables' files until the step is done.
void importNewForms(RunContext& ctx, int index, const std::string& sourcePath,
                    const std::string& workDir, Database& work) {
  // The destination file keeps its own version whatever the source file has.
  FormFileVersionKeeper versions;
  const std::string sourceWorkDir = ctx.ReleaseDir + "SrcTable" + std::to_string(index) + "\\";
  ctx.fs.forceDirectories(sourceWorkDir);
  if (!ctx.fs.directoryExists(sourceWorkDir)) return;
  TImportTableFrm importer(ctx.fs, ctx.ui,
                           [&](const std::string& dir) -> std::unique_ptr<Database> {
                             if (dir == workDir) return std::make_unique<BorrowedDatabase>(work);
                             return OpenWorkTables(ctx.fs, dir);
                           });
  importer.ImportForms(sourcePath, sourceWorkDir, workDir);
  ctx.AppendLog("匯入主表單檔 [" + sourcePath + "]。");
}

void applyAdditions(RunContext& ctx, Database& db, const std::string& kind) {
  const UpgradeSwitches& s = ctx.switches;
  OpenedTable cb21(db, "CB21");
  if (kind == "I") {
    ApplyAdditionList(*cb21, s.IAddition);
  } else if (kind == "E") {
    ApplyAdditionList(*cb21, s.EAddition);
    if (s.SetE15735Clear) SetE15735Clear(ctx, *cb21);
    if (s.SetE15706Lookup) SetE15706Lookup(ctx, *cb21);
    if (s.SetE13090Clear) SetE13090Clear(ctx, *cb21);
  }
}

void applyFormClasses(RunContext& ctx, Database& db, const std::string& kind) {
  const UpgradeSwitches& s = ctx.switches;
  if (!s.DoIFormClass && !s.DoEFormClass) return;
  OpenedTable cb20(db, "CB20");
  const std::vector<std::string>* list = nullptr;
  if (kind == "I" && s.DoIFormClass) list = &s.IFormClass;
  if (kind == "E" && s.DoEFormClass) list = &s.EFormClass;
  if (list == nullptr) return;
  ApplyFormClassList(*cb20, *list);
  // Older versions would drop the classes just set when the file is written.
  if (FormFileVersion < kClassVersion) FormFileVersion = kClassVersion;
}

void applyFieldChanges(RunContext& ctx, Database& db, const std::string& kind) {
  const UpgradeSwitches& s = ctx.switches;
  if (!s.IAlterBodyFieldSize && !s.EAlterBodyFieldSize && !s.EAlterX6And7Trans &&
      !s.EAlterECFAFormular && !s.EAlterFR16Formular && !s.EAlterX191Lookup &&
      !s.EAlterX198Lookup && !s.EAlterX198FieldLen) {
    return;
  }
  OpenedTable cb22(db, "CB22");
  if (kind == "I" && s.IAlterBodyFieldSize)
    ApplyBodyFieldSizeList(*cb22, s.IAlterBodyFieldSizeList);
  if (kind == "E" && s.EAlterBodyFieldSize)
    ApplyBodyFieldSizeList(*cb22, s.EAlterBodyFieldSizeList);
  if (kind != "E") return;
  if (s.EAlterX191Lookup) EAlterX191Lookup(ctx, *cb22);
  if (s.EAlterX198Lookup) EAlterX198Lookup(ctx, *cb22);
  if (s.EAlterX198FieldLen) EAlterX198FieldLen(ctx, *cb22);
  if (s.EAlterX6And7Trans) EAlterX6And7Trans(ctx, *cb22);
  if (s.EAlterECFAFormular) EAlterECFAFormulas(ctx, *cb22);
  if (s.EAlterFR16Formular) EAlterFR16Formular(ctx, *cb22);
  if (s.EAlterECFAFormular) EAlterECFAEnterCopy(ctx, *cb22);
}

void applyCodeChanges(RunContext& ctx, Database& db, const std::string& kind) {
  const UpgradeSwitches& s = ctx.switches;
  if (!s.IAlterBigFormular && !s.EAlterFI05Formular && !s.EAlterBigFormular &&
      !s.EAlterFI36Formular && !s.EAlterEZ84EZ86) {
    return;
  }
  OpenedTable cb2f0(db, "CB2F0");
  if (kind == "I" && s.IAlterBigFormular) ApplyBigFormularList(*cb2f0, s.IAlterBigFormularList);
  if (kind == "E" && s.EAlterBigFormular) ApplyBigFormularList(*cb2f0, s.EAlterBigFormularList);
  if (kind != "E") return;
  if (s.EAlterFI05Formular) EAlterFI05Formular(ctx, *cb2f0);
  if (s.EAlterFI36Formular) EAlterFI36Formular(ctx, *cb2f0);
  if (s.EAlterEZ84EZ86) EAlterEZ84EZ86(ctx, *cb2f0);
}

// Steps 6 to 13: the lists and the fixed patches, one table open at a time.
void applyChanges(RunContext& ctx, Database& db, const std::string& kind, bool additions) {
  const UpgradeSwitches& s = ctx.switches;
  const bool exportForms = kind == "E";
  if (additions) applyAdditions(ctx, db, kind);
  if (exportForms && s.X101DestinationCountry15766And15768) {
    {
      OpenedTable cb21(db, "CB21");
      X101DestinationCountryEntries(ctx, *cb21);
    }
    OpenedTable cb23(db, "CB23");
    X101DestinationCountryPlacements(ctx, *cb23);
  }
  if (exportForms && s.X101Country15766Mode) {
    OpenedTable cb21(db, "CB21");
    X101Country15766Mode(ctx, *cb21);
  }
  if (exportForms && s.DisableOldX101Form) {
    OpenedTable cb20(db, "CB20");
    DisableOldX101Form(ctx, *cb20);
  }
  applyFormClasses(ctx, db, kind);
  applyFieldChanges(ctx, db, kind);
  if (exportForms && s.InvisibleF15104) {
    OpenedTable cb20(db, "CB20");
    InvisibleF15104(ctx, *cb20);
  }
  applyCodeChanges(ctx, db, kind);
}

}  // namespace

void UpgradeFormFiles(RunContext& ctx) {
  const std::string formDir = ctx.FormDir;
  const auto& entries = ctx.switches.SourceDBT;
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto fields = SplitEntryFields(entries[i]);
    const bool applyAdditions = upperAscii(fields[3]) == "YES";
    std::string destination = fields[2];
    if (const size_t marker = destination.find("[KVT]"); marker != std::string::npos) {
      destination.erase(marker, 5);
    }
    std::string dir = platform::extractFilePath(destination);
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!dir.empty() && blank(dir.front())) dir.erase(0, 1);
    while (!dir.empty() && blank(dir.back())) dir.pop_back();
    if (!dir.empty()) {
      ctx.FormDir = dir;
      destination = platform::extractFileName(destination);
    }
    try {
      UpgradeFormFile(ctx, int(i + 1), fields[0], fields[1], applyAdditions, destination);
    } catch (...) {
      ctx.FormDir = formDir;
      throw;
    }
    ctx.FormDir = formDir;
    // The window stays responsive between form files.
    ctx.ProcessMessages();
  }
}

void UpgradeFormFile(RunContext& ctx, int index, const std::string& kind,
                     const std::string& sourceName, bool applyAdditions,
                     const std::string& destinationName) {
  const bool importing = sourceName != "*";
  const std::string sourcePath = ctx.ReleaseDir + sourceName;
  const std::string destinationPath = ctx.FormDir + destinationName;
  if (importing && !ctx.fs.fileExists(sourcePath)) {
    ctx.AppendLog("找不到來源主表單檔 [" + sourcePath + "]。");
    return;
  }
  if (!ctx.fs.fileExists(destinationPath)) {
    ctx.AppendLog("找不到目的主表單檔 [" + destinationPath + "]。");
    return;
  }
  const std::string workDir = ctx.ReleaseDir + "Table\\";
  ctx.fs.forceDirectories(workDir);
  if (!ctx.fs.directoryExists(workDir)) {
    ctx.AppendLog("建立目錄 [" + workDir + "] 失敗。");
    return;
  }
  // Made before the tables, so that they are closed before the directory is emptied.
  WorkDirectoryCleaner cleaner(ctx.fs, workDir);
  const std::unique_ptr<Database> work = OpenWorkTables(ctx.fs, workDir);
  if (!work) {
    ctx.AppendLog("建立目錄 [" + workDir + "] 失敗。");
    return;
  }

  ctx.AppendLog("讀入主表單檔 [" + destinationPath + "]。");
  CreateFormTables(*work);
  // Held from before the read, so that the rows read stay in memory for the changes and the
  // save, and the work tables' files are never written.
  LoadedTables loaded(*work);
  if (!ReadFormFile(ctx.fs, ctx.ui, destinationPath, *work)) {
    ctx.AppendLog("主表單檔 [" + destinationPath + "] 讀取失敗。");
    loaded.discard();
    return;
  }
  if (importing) importNewForms(ctx, index, sourcePath, workDir, *work);
  applyChanges(ctx, *work, kind, applyAdditions);

  ctx.AppendLog("儲存主表單檔 [" + destinationPath + "]。");
  const bool saved = SaveFormFile(ctx.fs, ctx.ui, *work, destinationPath,
                                  std::chrono::system_clock::now(), ctx.fileUse);
  loaded.discard();
  if (saved) {
    ctx.AppendLog("主表單檔 [" + destinationPath + "] 更改完成。");
  } else {
    ctx.AppendLog("主表單檔 [" + destinationPath + "] 沒有更改。");
  }
}

}  // namespace kvt::forms
