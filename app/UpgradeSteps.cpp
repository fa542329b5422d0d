#include "app/UpgradeSteps.h"

#include "files/CopyRule.h"
#include "files/DtxFiles.h"
#include "files/InstallationSearch.h"
#include "forms/upgrade/FormUpgrade.h"
#include "report/ReportMail.h"
#include "schema/upgrade/DatabaseSteps.h"

namespace kvt::app {

void UpgradeRunSteps::SearchInstallations(RunContext& ctx, const std::string& dir) {
  files::SearchInstallations(ctx, dir);
}

void UpgradeRunSteps::UpdateFormDirProgram(RunContext& ctx) {
  files::UpdateFormDirProgram(ctx);
}

void UpgradeRunSteps::CopyDtxFile(RunContext& ctx, const std::string& name) {
  files::CopyDtxFile(ctx, name);
}

bool UpgradeRunSteps::CopyIfNewer(RunContext& ctx, const std::string& source,
                                  const std::string& target, bool onlyIfNewer, bool reportNew) {
  return files::CopyIfNewer(ctx, source, target, onlyIfNewer, reportNew);
}

void UpgradeRunSteps::RunDatabaseSteps(RunContext& ctx) {
  upgrade::RunDatabaseSteps(ctx);
}

void UpgradeRunSteps::UpgradeFormFiles(RunContext& ctx) {
  forms::UpgradeFormFiles(ctx);
}

void UpgradeRunSteps::SendReport(RunContext& ctx, const std::string& logText) {
  report::SendReport(ctx, *report::DefaultMailClient(mailParent_), logText);
}

}  // namespace kvt::app
