// The steps the run sequence hands over to other layers, one call per item. The program uses
// PendingRunSteps (app/PendingSteps.h); tests substitute a recording set.
#pragma once

#include <string>

#include "run/RunContext.h"

namespace kvt::app {

class RunSteps {
 public:
  virtual ~RunSteps() = default;

  virtual void SearchInstallations(RunContext& ctx, const std::string& dir) = 0;
  virtual void UpdateFormDirProgram(RunContext& ctx) = 0;
  virtual void CopyDtxFile(RunContext& ctx, const std::string& name) = 0;
  virtual bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                           bool onlyIfNewer, bool reportNew) = 0;

  virtual void ClearReadOnlyFlags(RunContext& ctx) = 0;
  virtual void UpgradeColumns(RunContext& ctx, const std::string& upgrade) = 0;
  virtual void CreateCodeTable(RunContext& ctx, const std::string& table, int codeWidth,
                               const std::string& descriptionColumn, int descriptionWidth) = 0;
  virtual void AddNewTable(RunContext& ctx, const std::string& step) = 0;
  virtual void CopyTableFiles(RunContext& ctx, const std::string& table) = 0;
  virtual void RefreshTableFromRelease(RunContext& ctx, const std::string& table) = 0;
  // Reference rows; the modes X602 and X903 take their "No" modes along.
  virtual void RefreshDS43Port(RunContext& ctx) = 0;
  virtual void RefreshFromReleaseByMode(RunContext& ctx, const std::string& table,
                                        const std::string& mode) = 0;

  virtual void UpgradeFormFiles(RunContext& ctx) = 0;

  virtual void SendReport(RunContext& ctx, const std::string& logText) = 0;
};

}  // namespace kvt::app
