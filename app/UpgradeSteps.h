// The program's run steps: each call handed to the layer that does the work (program files,
// database, form files, report mail).
#pragma once

#include <string>

#include "app/RunSteps.h"

namespace kvt::app {

class UpgradeRunSteps : public RunSteps {
 public:
  void SearchInstallations(RunContext& ctx, const std::string& dir) override;
  void UpdateFormDirProgram(RunContext& ctx) override;
  void CopyDtxFile(RunContext& ctx, const std::string& name) override;
  bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                   bool onlyIfNewer, bool reportNew) override;
  void RunDatabaseSteps(RunContext& ctx) override;
  void UpgradeFormFiles(RunContext& ctx) override;
  void SendReport(RunContext& ctx, const std::string& logText) override;
};

}  // namespace kvt::app
