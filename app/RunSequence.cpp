// The run sequence of the run button: the switches from the memo, the database kind, the
// executable search, the installation settings, the trade-facilitation files, the database
// steps, the form directory and its copies, the form files, and the closing messages. Every
// step after the switches is guarded by its switch and by the stop flag.
#include <cstdint>

#include "app/InstallationSettings.h"
#include "app/UpgradeFrm.h"
#include "app/UpgradeSwitchFile.h"
#include "files/InstallationSearch.h"
#include "forms/SelectGlobalPathFrm.h"
#include "platform/AsciiText.h"

namespace kvt::app {

void TUpgradeFrm::RunSequence() {
  RunContext& ctx = ctx_;
  const UpgradeSwitches& sw = ctx.switches;

  view_.setBusyCursor(true);
  view_.setButtonVisible(MainButton::StopBtn, true);
  ctx.StopFlag = false;
  ctx.TradeRepliesMoved = false;
  view_.setButtonVisible(MainButton::DoBtn, false);
  ctx.MainExeUpdated = false;

  ctx.switches = ReadUpgradeSwitches(ctx.fs, releaseDir_, view_.memoText());
  ctx.ShowUpgradeOnly = sw.ShowUpgradeOnly;

  view_.setMemoText("");
  memoIsLog_ = true;
  ctx.ProcessMessages();

  ctx.ReleaseDir = releaseDir_;
  DetectDatabaseKind(ctx, opener_, "KVT");
  ctx.UpdatedExeDirs.clear();

  if (sw.UpgradeKVTEXE || sw.UpgradeSSLDLL) {
    files::SearchAllDrives(
        ctx, [this](RunContext& c, const std::string& dir) { steps_.SearchInstallations(c, dir); });
  }
  ctx.SetDirLabel("");
  ctx.ProcessMessages();

  if (sw.DependOnMainEXE && !ctx.MainExeUpdated) {
    AppendLog("沒有更新到 KVT 主程式，其他資料不繼續更新 !");
    ctx.StopFlag = true;
  }
  if (ctx.StopFlag) {
    // Nothing more is done. The window leaves its running state here as at a normal end,
    // without the report button and the closing messages.
    ResetRunWindow();
    return;
  }

  ReadInstallationSettings(ctx);
  for (const std::string& name : sw.SourceDTX) {
    if (ctx.StopFlag) break;
    steps_.CopyDtxFile(ctx, name);
  }
  // The database part keeps its own order, switches and stop-flag guards, and logs the
  // missing database itself.
  steps_.RunDatabaseSteps(ctx);
  ctx.ProcessMessages();

  ctx.ExeNotUpdated = false;  // only the form-directory copies lead to the final warning
  ctx.SetDirLabel("更新 KVTE.DBT");
  DecideFormDir();
  if (!ctx.FormDir.empty())
    UpdateFormDir();
  else
    ListNotUpdated();
  FinishRun();
}

void TUpgradeFrm::DecideFormDir() {
  RunContext& ctx = ctx_;
  if (ctx.databaseKind == DatabaseKind::MySQL && ctx.FormDir.empty()) {
    ctx.FormDir = ctx.SharedDirFound;
    if (!ctx.FormDir.empty()) AppendLog("網路共用路徑改設為 [" + ctx.FormDir + "]。");
  }

  // A target that names the shared directory ("[KVT]") or a directory of its own asks the
  // operator to confirm where the form files go; a bare file name does not.
  bool askForFormDir = false;
  std::string suggestedFormDir;
  for (const std::string& entry : ctx.switches.SourceDBT) {
    const std::string target = SplitEntryFields(entry)[2];
    if (target.find("[KVT]") != std::string::npos) {
      askForFormDir = true;
      continue;
    }
    std::string dir = std::string(platform::TrimBlanks(platform::extractFilePath(target)));
    if (!dir.empty()) {
      suggestedFormDir = dir;
      askForFormDir = true;
      break;
    }
  }
  if (!askForFormDir && !ctx.FormDir.empty()) return;
  if (closePending_) return;  // the window is going away: nobody is there to answer

  TSelectGlobalPathFrm dialog(ctx.fs);
  if (!suggestedFormDir.empty()) {
    dialog.SetPathEdit(suggestedFormDir);
    dialog.AddCandidate(suggestedFormDir);
  }
  if (!ctx.FormDir.empty()) {
    dialog.SetPathEdit(ctx.FormDir);
    dialog.AddCandidate(ctx.FormDir);
  }
  for (const std::string& dir : ctx.UpdatedExeDirs) {
    if (!platform::EqualsIgnoringAsciiCase(dir, ctx.FormDir) &&
        !platform::EqualsIgnoringAsciiCase(dir, suggestedFormDir))
      dialog.AddCandidate(dir);
  }
  if (view_.showFormDirDialog(dialog)) {
    // Paths are formed by appending names to it, so a typed directory gets its backslash.
    ctx.FormDir = platform::includeTrailingBackslash(dialog.PathEdit());
  } else {
    ctx.StopFlag = true;
  }
  ctx.ProcessMessages();
}

void TUpgradeFrm::UpdateFormDir() {
  RunContext& ctx = ctx_;
  const UpgradeSwitches& sw = ctx.switches;
  if (!ctx.StopFlag) steps_.UpdateFormDirProgram(ctx);
  for (const std::string& name : sw.SourceDBL) {
    if (ctx.StopFlag) break;
    steps_.CopyIfNewer(ctx, ctx.ReleaseDir + name, ctx.FormDir + name, true, true);
  }
  for (const std::string& name : sw.SourceMap) {
    if (ctx.StopFlag) break;
    steps_.CopyIfNewer(ctx, ctx.ReleaseDir + name, ctx.FormDir + "Image\\" + name, true, true);
  }
  if (!ctx.StopFlag) steps_.UpgradeFormFiles(ctx);
}

void TUpgradeFrm::ListNotUpdated() {
  const UpgradeSwitches& sw = ctx_.switches;
  if (sw.SourceDBT.empty() && sw.SourceDBL.empty() && sw.SourceMap.empty()) return;
  AppendLog("");
  AppendLog("找不到共用主表單的位置。");
  for (const std::string& entry : sw.SourceDBT)
    AppendLog("主表單檔 [" + SplitEntryFields(entry)[2] + "] 沒有更新。");
  for (const std::string& name : sw.SourceDBL) AppendLog("副表單檔 [" + name + "] 沒有更新。");
  for (const std::string& name : sw.SourceMap) AppendLog("圖檔 [" + name + "] 沒有更新。");
}

void TUpgradeFrm::FinishRun() {
  RunContext& ctx = ctx_;
  ctx.ProcessMessages();
  ctx.SetDirLabel("");
  view_.setButtonVisible(MainButton::StopBtn, false);
  view_.setButtonVisible(MainButton::ReportBtn, true);
  view_.setBusyCursor(false);
  if (closePending_) return;  // the window is closing: no one to read the closing messages
  if (ctx.DatabaseInUse) {
    view_.messageBox(platform::BoxKind::Warning,
                     "KVT 正在執行，資料庫沒有更新。\r\n請先離開 KVT 後再重新執行更新程式。");
  }
  if (ctx.ExeNotUpdated) {
    view_.messageBox(platform::BoxKind::Information,
                     "發現有某幾個 KVT.EXE 沒有更新到，\r\n可能是正在執行沒有離開，如果是這樣，\r\n"
                     "請先離開後再執行更新程式。另外您也\r\n可以用手動方式直接拷貝 KVT.EXE。");
  }
  if (ctx.TradeRepliesMoved) {
    view_.messageBox(platform::BoxKind::Information,
                     "更新程式結束後，請再執行 KVT，\r\n按 F8 重新讀一次貿易便捷化的回訊。");
  }
  if (!ctx.StopFlag) {
    view_.messageBox(platform::BoxKind::Information,
                     "如果希望Velmor知道您更新的情形，\r\n請按左下的 [給Velmor回函] 按鈕。");
  }
}

}  // namespace kvt::app
