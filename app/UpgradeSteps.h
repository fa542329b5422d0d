// The program's run steps: each call handed to the layer that does the work (program files,
// database, form files, report mail).
#pragma once

#include <string>

#include "app/RunSteps.h"
#include "report/MailClient.h"

namespace kvt::app {

class UpgradeRunSteps : public RunSteps {
 public:
  // `mailParent`: the tool's window, which owns the report mail's compose window.
  explicit UpgradeRunSteps(report::ParentWindow mailParent = 0) : mailParent_(mailParent) {}
  // For a window made after its steps (it is handed them when it is made).
  void setMailParent(report::ParentWindow parent) { mailParent_ = parent; }
  void SearchInstallations(RunContext& ctx, const std::string& dir) override;
  void UpdateFormDirProgram(RunContext& ctx) override;
  void CopyDtxFile(RunContext& ctx, const std::string& name) override;
  bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                   bool onlyIfNewer, bool reportNew) override;
  void RunDatabaseSteps(RunContext& ctx) override;
  void UpgradeFormFiles(RunContext& ctx) override;
  void SendReport(RunContext& ctx, const std::string& logText) override;

 private:
  report::ParentWindow mailParent_;
};

}  // namespace kvt::app
