// Steps of the run whose work lives in other layers (program files, database, form files,
// report). Each is called by the run sequence at its place, with what it needs; for now they
// do nothing, and each will hand over to its layer.
#pragma once

#include <string>

#include "app/RunSteps.h"
#include "run/RunContext.h"

namespace kvt::app::pending {

// Program files: the search of one drive's installation tree ("C:\Velmor\KVT\").
void SearchInstallations(RunContext& ctx, const std::string& dir);
// KVT.EXE and the SSL libraries into FormDir.
void UpdateFormDirProgram(RunContext& ctx);
// One SourceDTX entry into the trade-facilitation directory.
void CopyDtxFile(RunContext& ctx, const std::string& name);
// The one copy rule; true when the target is the release's copy or already new.
bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                 bool onlyIfNewer, bool reportNew);

// Database: read-only flags of the Paradox database directory.
void ClearReadOnlyFlags(RunContext& ctx);
// Database: one column upgrade, named as its switch without "DoUpgrade" ("X102Base").
void UpgradeColumns(RunContext& ctx, const std::string& upgrade);
// Database: a code table; an empty description column means "Description".
void CreateCodeTable(RunContext& ctx, const std::string& table, int codeWidth,
                     const std::string& descriptionColumn, int descriptionWidth);
// Database: one new table, named as its switch without "DoAdd" ("X901_5th", "X601_01").
void AddNewTable(RunContext& ctx, const std::string& step);
// Database: a SourceDB entry, by kind.
void CopyTableFiles(RunContext& ctx, const std::string& table);           // Paradox
void RefreshTableFromRelease(RunContext& ctx, const std::string& table);  // MySQL
// Database: reference rows; the modes X602 and X903 take their "No" modes along.
void RefreshDS43Port(RunContext& ctx);
void RefreshFromReleaseByMode(RunContext& ctx, const std::string& table, const std::string& mode);

// Form files: every SourceDBT entry.
void UpgradeFormFiles(RunContext& ctx);

// Report mail, on the report button.
void SendReport(RunContext& ctx, const std::string& logText);

}  // namespace kvt::app::pending

namespace kvt::app {

// The run's steps as the functions above.
class PendingRunSteps : public RunSteps {
 public:
  void SearchInstallations(RunContext& ctx, const std::string& dir) override {
    pending::SearchInstallations(ctx, dir);
  }
  void UpdateFormDirProgram(RunContext& ctx) override { pending::UpdateFormDirProgram(ctx); }
  void CopyDtxFile(RunContext& ctx, const std::string& name) override {
    pending::CopyDtxFile(ctx, name);
  }
  bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                   bool onlyIfNewer, bool reportNew) override {
    return pending::CopyIfNewer(ctx, source, target, onlyIfNewer, reportNew);
  }
  void ClearReadOnlyFlags(RunContext& ctx) override { pending::ClearReadOnlyFlags(ctx); }
  void UpgradeColumns(RunContext& ctx, const std::string& upgrade) override {
    pending::UpgradeColumns(ctx, upgrade);
  }
  void CreateCodeTable(RunContext& ctx, const std::string& table, int codeWidth,
                       const std::string& descriptionColumn, int descriptionWidth) override {
    pending::CreateCodeTable(ctx, table, codeWidth, descriptionColumn, descriptionWidth);
  }
  void AddNewTable(RunContext& ctx, const std::string& step) override {
    pending::AddNewTable(ctx, step);
  }
  void CopyTableFiles(RunContext& ctx, const std::string& table) override {
    pending::CopyTableFiles(ctx, table);
  }
  void RefreshTableFromRelease(RunContext& ctx, const std::string& table) override {
    pending::RefreshTableFromRelease(ctx, table);
  }
  void RefreshDS43Port(RunContext& ctx) override { pending::RefreshDS43Port(ctx); }
  void RefreshFromReleaseByMode(RunContext& ctx, const std::string& table,
                                const std::string& mode) override {
    pending::RefreshFromReleaseByMode(ctx, table, mode);
  }
  void UpgradeFormFiles(RunContext& ctx) override { pending::UpgradeFormFiles(ctx); }
  void SendReport(RunContext& ctx, const std::string& logText) override {
    pending::SendReport(ctx, logText);
  }
};

}  // namespace kvt::app
