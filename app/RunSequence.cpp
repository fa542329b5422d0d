// The run sequence of the run button: the switches from the memo, the database kind, the
// executable search, the installation settings, the trade-facilitation files, the database
// steps, the form directory and its copies, the form files, and the closing messages. Every
// step after the switches is guarded by its switch and by the stop flag.
#include <cstdint>
#include <cstdio>

#include "app/InstallationSettings.h"
#include "app/SelectGlobalPathFrm.h"
#include "app/UpgradeFrm.h"
#include "app/UpgradeSwitchFile.h"

namespace kvt::app {
namespace {

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

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

  if (sw.UpgradeKVTEXE || sw.UpgradeSSLDLL) SearchFixedDisks();
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
  RunDatabaseSteps();

  ctx.ExeNotUpdated = false;  // only the form-directory copies lead to the final warning
  ctx.SetDirLabel("更新 KVTE.DBT");
  DecideFormDir();
  if (!ctx.FormDir.empty())
    UpdateFormDir();
  else
    ListNotUpdated();
  FinishRun();
}

void TUpgradeFrm::SearchFixedDisks() {
  RunContext& ctx = ctx_;
  const uint32_t drives = ctx.fs.logicalDrives();
  for (char drive : {'C', 'D', 'E', 'F', 'G'}) {
    if (ctx.StopFlag) break;
    try {
      if ((drives & (uint32_t{1} << (drive - 'A'))) == 0) continue;
      if (ctx.fs.driveType(drive) != platform::DriveType::Fixed) continue;
      std::string dir = "A:\\Velmor\\KVT\\";
      dir[0] = drive;
      steps_.SearchInstallations(ctx, dir);
    } catch (const std::exception&) {
      // A drive that cannot be searched is passed over; the next one is tried.
    }
  }
}

void TUpgradeFrm::RunDatabaseSteps() {
  RunContext& ctx = ctx_;
  const UpgradeSwitches& sw = ctx.switches;
  if (ctx.DatabaseDir.empty()) {
    AppendLog("沒有找到資料庫的路徑 !");
    return;
  }
  const bool mySql = ctx.databaseKind == DatabaseKind::MySQL;
  if (!mySql) steps_.ClearReadOnlyFlags(ctx);

  // Each item runs when its switch is on and the run is not stopped.
  auto guarded = [&](bool on, auto&& step) {
    if (!on || ctx.StopFlag) return;
    step();
    ctx.ProcessMessages();
  };

  const std::pair<bool, const char*> columnUpgrades[] = {
      {sw.DoUpgradeX102Base, "X102Base"}, {sw.DoUpgradeX202Base, "X202Base"},
      {sw.DoUpgradeX202Memo, "X202Memo"}, {sw.DoUpgradeXS02Base, "XS02Base"},
      {sw.DoUpgradeX402Base, "X402Base"}, {sw.DoUpgradeX802Base, "X802Base"},
      {sw.DoUpgradeX802_3rd, "X802_3rd"}, {sw.DoUpgradeX901Base, "X901Base"},
      {sw.DoUpgradeX901_2nd, "X901_2nd"}, {sw.DoUpgradeX902Base, "X902Base"},
      {sw.DoUpgradeX202_4, "X202_4"},     {sw.DoUpgradeX101_12, "X101_12"},
  };
  for (const auto& [on, name] : columnUpgrades)
    guarded(on, [&] { steps_.UpgradeColumns(ctx, name); });

  struct CodeTable {
    bool on;
    const char* table;
    int codeWidth;
    const char* descriptionColumn;  // "" means Description
    int descriptionWidth;
  };
  const CodeTable codeTables[] = {
      {sw.DoAddX101_9, "X101_9", 2, "", 20},      {sw.DoAddX101_10, "X101_10", 2, "", 200},
      {sw.DoAddX101_11, "X101_11", 1, "", 60},    {sw.DoAddX101_12, "X101_12", 3, "", 200},
      {sw.DoAddX101_13, "X101_13", 2, "", 200},   {sw.DoAddX101_14, "X101_14", 2, "", 200},
      {sw.DoAddX101_15, "X101_15", 3, "", 100},   {sw.DoAddX101_16, "X101_16", 2, "", 140},
      {sw.DoAddX101_17, "X101_17", 2, "", 100},   {sw.DoAddECFAUnit, "ECFAUnit", 3, "Unit", 20},
      {sw.DoAddPortCN, "PortCN", 5, "CName", 30}, {sw.DoAddPortTW, "PortTW", 5, "CName", 30},
  };
  for (const CodeTable& t : codeTables) {
    guarded(t.on, [&] {
      steps_.CreateCodeTable(ctx, t.table, t.codeWidth, t.descriptionColumn, t.descriptionWidth);
    });
  }

  std::vector<std::pair<bool, std::string>> newTables = {
      {sw.DoAddX901_5th, "X901_5th"}, {sw.DoAddXIDPSW, "XIDPSW"},
      {sw.DoAddEMailFTP, "EMailFTP"}, {sw.DoAddX903Base, "X903Base"},
      {sw.DoAddX903_2nd, "X903_2nd"}, {sw.DoAddXS01Base, "XS01Base"},
      {sw.DoAddXS02Base, "XS02Base"}, {sw.DoAddCargoDOC, "CargoDOC"},
      {sw.DoAddCargoSex, "CargoSex"}, {sw.DoAddCargoBM, "CargoBM"},
      {sw.DoAddCargoCY, "CargoCY"},   {sw.DoAddCNCode, "CNCode"},
      {sw.DoAddX602Base, "X602Base"}, {sw.DoAddX602_2nd, "X602_2nd"},
      {sw.DoAddX602_3rd, "X602_3rd"},
  };
  for (int i = 0; i < 15; ++i) {
    char step[16];
    std::snprintf(step, sizeof step, "X601_%02d", i + 1);
    newTables.emplace_back(sw.DoAddX601[i], step);
  }
  newTables.emplace_back(sw.DoAddX602_01, "X602_01");
  newTables.emplace_back(sw.DoAddX602_02, "X602_02");
  newTables.emplace_back(sw.DoAddX602_03, "X602_03");
  for (const auto& [on, step] : newTables) guarded(on, [&] { steps_.AddNewTable(ctx, step); });

  for (const std::string& table : sw.SourceDB) {
    guarded(true, [&] {
      if (mySql)
        steps_.RefreshTableFromRelease(ctx, table);
      else
        steps_.CopyTableFiles(ctx, table);
    });
  }

  guarded(sw.ChangeDS43Port, [&] { steps_.RefreshDS43Port(ctx); });
  // The X602 and X903 refreshes take the rows of their "No" modes along.
  const std::pair<bool, const char*> xmlApp[] = {
      {sw.ChangeXMLAppX102, "X102"}, {sw.ChangeXMLAppX602, "X602"}, {sw.ChangeXMLAppX903, "X903"},
      {sw.ChangeXMLAppXS01, "XS01"}, {sw.ChangeXMLAppXS02, "XS02"},
  };
  for (const auto& [on, mode] : xmlApp)
    guarded(on, [&] { steps_.RefreshFromReleaseByMode(ctx, "XMLApp", mode); });
  const std::pair<bool, const char*> xNoMap2[] = {
      {sw.ChangeXNoMap2X101, "X101"}, {sw.ChangeXNoMap2X201, "X201"},
      {sw.ChangeXNoMap2X301, "X301"}, {sw.ChangeXNoMap2X401, "X401"},
      {sw.ChangeXNoMap2X601, "X601"}, {sw.ChangeXNoMap2XSEA, "XSEA"},
  };
  for (const auto& [on, mode] : xNoMap2)
    guarded(on, [&] { steps_.RefreshFromReleaseByMode(ctx, "XNoMap2", mode); });
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
    std::string dir = trimmed(platform::extractFilePath(target));
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
    if (!sameIgnoringAsciiCase(dir, ctx.FormDir) && !sameIgnoringAsciiCase(dir, suggestedFormDir))
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
