#include "app/UpgradeSteps.h"

#include "app/UpgradeSwitchFile.h"
#include "files/CopyRule.h"
#include "files/DtxFiles.h"
#include "files/InstallationSearch.h"
#include "schema/upgrade/DatabaseSteps.h"
#ifdef KVT_WITH_FORM_UPGRADE
#include "forms/upgrade/FormUpgrade.h"
#endif
#ifdef KVT_WITH_REPORT
#include "report/ReportMail.h"
#endif

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

bool UpgradeRunSteps::HasFormUpgrade() {
#ifdef KVT_WITH_FORM_UPGRADE
  return true;
#else
  return false;
#endif
}

bool UpgradeRunSteps::HasReportMail() {
#ifdef KVT_WITH_REPORT
  return true;
#else
  return false;
#endif
}

void UpgradeRunSteps::UpgradeFormFiles(RunContext& ctx) {
#ifdef KVT_WITH_FORM_UPGRADE
  forms::UpgradeFormFiles(ctx);
#else
  // A build without the form-file layer: every form file stays as it is, and the log says so.
  for (const std::string& entry : ctx.switches.SourceDBT) {
    ctx.AppendLog("這個版本不含表單檔更新，主表單檔 [" + SplitEntryFields(entry)[2] +
                  "] 沒有更新。");
  }
#endif
}

void UpgradeRunSteps::SendReport(RunContext& ctx, const std::string& logText) {
#ifdef KVT_WITH_REPORT
  report::SendReport(ctx, *report::DefaultMailClient(), logText);
#else
  ctx.ui.messageBox(platform::BoxKind::Error, "這個版本不含回函功能，沒有寄出回函 !");
#endif
}

}  // namespace kvt::app
