// The run button's sequence on a scripted window: what each switch starts, the stop flag and
// the main-program dependency, the form directory decision, the closing messages, and the
// window's state before, during and after a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "RunHarness.h"
#include "platform/Cp950.h"
#include "schema/EngineError.h"
#include "support/FaultyFileSystem.h"

namespace kvt::app {
namespace {

using testing::RunHarness;

const std::string kClosingHint =
    "如果希望Velmor知道您更新的情形，\r\n請按左下的 [給Velmor回函] 按鈕。";
const std::string kExeWarning =
    "發現有某幾個 KVT.EXE 沒有更新到，\r\n可能是正在執行沒有離開，如果是這樣，\r\n"
    "請先離開後再執行更新程式。另外您也\r\n可以用手動方式直接拷貝 KVT.EXE。";
const std::string kF8Reminder =
    "更新程式結束後，請再執行 KVT，\r\n按 F8 重新讀一次貿易便捷化的回訊。";
const std::string kDependency = "沒有更新到 KVT 主程式，其他資料不繼續更新 !";
// The database part as the demonstration installation's Paradox directory reaches it.
const std::string kDatabaseStep = "RunDatabaseSteps C:\\Velmor\\KVT\\Database\\";

bool contains(const std::string& text, const std::string& piece) {
  return text.find(piece) != std::string::npos;
}

std::string readLocal(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class RunSequenceTest : public ::testing::Test {
 protected:
  RunHarness h;
  const std::vector<std::string>& calls() const { return h.steps.calls; }
  bool called(const std::string& prefix) const {
    return !h.steps.callsStartingWith(prefix).empty();
  }
  // The window as a run leaves it.
  void expectFinishedWindow(bool reportShown) {
    EXPECT_FALSE(h.view.visible[MainButton::DoBtn]);
    EXPECT_FALSE(h.view.visible[MainButton::StopBtn]);
    EXPECT_EQ(h.view.visible[MainButton::ReportBtn], reportShown);
    EXPECT_TRUE(h.view.visible[MainButton::ExitBtn]);
    EXPECT_FALSE(h.view.busy);
    EXPECT_EQ(h.view.label, "");
  }
};

TEST_F(RunSequenceTest, WindowShowsTheSwitchTextAndWaits) {
  h.installParadox();
  h.start("UpgradeKVTEXE=YES ;更新主程式\r\nSourceDBL001=KVTE.DBL\r\n");
  EXPECT_EQ(h.view.memo, (std::vector<std::string>{"[System]", "UpgradeKVTEXE=YES ;更新主程式",
                                                   "SourceDBL001=KVTE.DBL"}));
  EXPECT_EQ(h.view.label, "");
  EXPECT_TRUE(h.view.visible[MainButton::DoBtn]);
  EXPECT_FALSE(h.view.visible[MainButton::StopBtn]);
  EXPECT_FALSE(h.view.visible[MainButton::ReportBtn]);
  EXPECT_TRUE(h.view.boxes.empty());
  EXPECT_TRUE(calls().empty());
  EXPECT_TRUE(h.opener.calls.empty());  // nothing of the installation is touched before the run
}

TEST_F(RunSequenceTest, EverythingOffChangesNothingAndEndsWithTheHint) {
  h.installParadox();
  h.start("");
  h.run();
  EXPECT_EQ(calls(),
            (std::vector<std::string>{kDatabaseStep, "UpdateFormDirProgram", "UpgradeFormFiles"}));
  EXPECT_EQ(h.log(), "KVT Alias 路徑 [C:\\Velmor\\KVT\\Database\\]。");
  EXPECT_EQ(h.view.aliasSourceLines, h.view.aliasSourceLine.empty() ? 0 : 1);
  EXPECT_EQ(h.view.dialogsShown, 0);
  EXPECT_EQ(h.boxTexts(), std::vector<std::string>{kClosingHint});
  EXPECT_EQ(h.ctx().FormDir, "C:\\Velmor\\KVT\\");
  expectFinishedWindow(true);
  EXPECT_FALSE(h.prefix.exists(std::string(RunHarness::kReleaseDir) + "KVTTemp.INI"));
}

TEST_F(RunSequenceTest, MemoTextNotTheFileDecidesAndTheFileIsNeverWritten) {
  h.installParadox();
  h.start("UpgradeKVTEXE=NO\r\n");
  const auto switchFile = h.prefix.local(std::string(RunHarness::kReleaseDir) + "KVTUpgrade.INI");
  const std::string before = readLocal(switchFile);
  const auto stamp = std::filesystem::last_write_time(switchFile);
  h.view.memo[1] = "UpgradeKVTEXE=yes";  // the operator edits the memo
  h.view.memo.push_back("SourceDTX001=ABC.DTX");
  h.run();
  EXPECT_TRUE(called("SearchInstallations C:\\Velmor\\KVT\\"));
  EXPECT_TRUE(called("CopyDtxFile ABC.DTX"));
  EXPECT_EQ(readLocal(switchFile), before);
  EXPECT_EQ(std::filesystem::last_write_time(switchFile), stamp);
}

TEST_F(RunSequenceTest, MissingSwitchFileGivesAClearMessageAndARunWithEverythingOff) {
  h.installParadox();
  h.startWithoutSwitchFile();
  ASSERT_EQ(h.view.boxes.size(), 1u);
  EXPECT_EQ(h.view.boxes[0].kind, platform::BoxKind::Error);
  EXPECT_TRUE(contains(h.view.boxes[0].text, "C:\\KVTRelease\\KVTUpgrade.INI"));
  EXPECT_TRUE(h.view.memo.empty());
  h.run();
  EXPECT_EQ(calls(),
            (std::vector<std::string>{kDatabaseStep, "UpdateFormDirProgram", "UpgradeFormFiles"}));
  EXPECT_FALSE(h.ctx().switches.UpgradeKVTEXE);
  EXPECT_FALSE(h.prefix.exists(std::string(RunHarness::kReleaseDir) + "KVTUpgrade.INI"));
}

TEST_F(RunSequenceTest, SwitchFileInCodePage950WithCrLfLoadsAsText) {
  h.prefix.put(
      std::string(RunHarness::kReleaseDir) + "KVTUpgrade.INI",
      platform::utf8ToCp950(";版本 1020905\r\n[System]\r\nX101目的國家用15766及15768=YES\r\n"));
  h.startWithoutSwitchFile();
  EXPECT_EQ(h.view.memo, (std::vector<std::string>{";版本 1020905", "[System]",
                                                   "X101目的國家用15766及15768=YES"}));
  h.run();
  EXPECT_TRUE(h.ctx().switches.X101DestinationCountry15766And15768);
}

TEST_F(RunSequenceTest, SwitchFileWithAByteOrderMarkKeepsItsSectionAndRareCharacters) {
  // Saved as UTF-8 with its mark; the file name holds a user-defined character (U+E001, 0xFA41
  // in code page 950), which goes through the temporary file and comes back whole.
  const std::string rareName = "陳\xEE\x80\x81.DBL";
  h.prefix.put(std::string(RunHarness::kReleaseDir) + "KVTUpgrade.INI",
               "\xEF\xBB\xBF[System]\r\nShowUpgradeOnly=YES\r\nSourceDBL001=" + rareName + "\r\n");
  h.startWithoutSwitchFile();
  EXPECT_EQ(h.view.memo, (std::vector<std::string>{"[System]", "ShowUpgradeOnly=YES",
                                                   "SourceDBL001=" + rareName}));
  h.run();
  EXPECT_TRUE(h.ctx().switches.ShowUpgradeOnly);
  EXPECT_EQ(h.ctx().switches.SourceDBL, std::vector<std::string>{rareName});
}

TEST_F(RunSequenceTest, SearchWalksTheFixedDrivesInOrder) {
  h.installParadox();
  h.start("UpgradeSSLDLL=YES\r\n");  // the library switch alone starts the search too
  h.run();
  EXPECT_EQ(h.steps.callsStartingWith("SearchInstallations"),
            (std::vector<std::string>{"SearchInstallations C:\\Velmor\\KVT\\",
                                      "SearchInstallations D:\\Velmor\\KVT\\"}));
}

TEST_F(RunSequenceTest, FailureOnOneDriveMovesOnToTheNext) {
  h.installParadox();
  h.start("UpgradeKVTEXE=YES\r\n");
  h.steps.onCall = [](RunContext&, const std::string& call) {
    if (call == "SearchInstallations C:\\Velmor\\KVT\\") throw std::runtime_error("drive gone");
  };
  h.run();
  EXPECT_TRUE(called("SearchInstallations D:\\Velmor\\KVT\\"));
  EXPECT_TRUE(called("UpgradeFormFiles"));
}

TEST_F(RunSequenceTest, DependencyWithoutUpdatedMainProgramStopsEverythingElse) {
  // KVT.INI is missing: were it read, a warning box would show.
  h.writeAliases("[KVT]\r\nDRIVER=STANDARD\r\nPATH=C:\\Velmor\\KVT\\Database\r\n");
  h.prefix.mkdir("C:\\Velmor\\KVT\\Database");
  h.start(
      "UpgradeKVTEXE=YES\r\nDependOnMainEXE=YES\r\nSourceDTX001=A.DTX\r\nDoUpgradeX102Base=YES\r\n"
      "SourceDBT001=E,*,[KVT]KVTE.DBT\r\n");
  h.run();
  EXPECT_EQ(calls(), (std::vector<std::string>{"SearchInstallations C:\\Velmor\\KVT\\",
                                               "SearchInstallations D:\\Velmor\\KVT\\"}));
  EXPECT_TRUE(contains(h.log(), kDependency));
  EXPECT_TRUE(h.ctx().StopFlag);
  EXPECT_TRUE(h.view.boxes.empty());  // no settings warning, no dialog, no closing message
  EXPECT_EQ(h.view.dialogsShown, 0);
  // The window leaves its running state, without the report button.
  expectFinishedWindow(false);
}

TEST_F(RunSequenceTest, DependencyWithMainSwitchOffAlwaysStops) {
  h.installParadox();
  h.start("DependOnMainEXE=YES\r\n");
  h.run();
  EXPECT_TRUE(calls().empty());
  EXPECT_TRUE(contains(h.log(), kDependency));
}

TEST_F(RunSequenceTest, DependencyMetWhenTheSearchUpdatedTheMainProgram) {
  h.installParadox();
  h.start("UpgradeKVTEXE=YES\r\nDependOnMainEXE=YES\r\nSourceDTX001=A.DTX\r\n");
  h.steps.onCall = [](RunContext& ctx, const std::string& call) {
    if (call == "SearchInstallations D:\\Velmor\\KVT\\") ctx.MainExeUpdated = true;
  };
  h.run();
  EXPECT_FALSE(contains(h.log(), kDependency));
  EXPECT_TRUE(called("CopyDtxFile A.DTX"));
  EXPECT_EQ(h.boxTexts(), std::vector<std::string>{kClosingHint});
}

TEST_F(RunSequenceTest, StopDuringTheSearchSkipsTheRestIncludingTheSettings) {
  h.writeAliases("[KVT]\r\nDRIVER=STANDARD\r\nPATH=C:\\Velmor\\KVT\\Database\r\n");
  h.prefix.mkdir("C:\\Velmor\\KVT\\Database");
  h.start("UpgradeKVTEXE=YES\r\nSourceDTX001=A.DTX\r\n");
  // The operator presses Stop while the first drive is searched: the search lets the window
  // process events between entries.
  h.view.onProcessEvents = [&] {
    if (called("SearchInstallations C:") && !h.ctx().StopFlag) h.frm->StopBtnClick();
  };
  h.steps.onCall = [](RunContext& ctx, const std::string&) { ctx.ProcessMessages(); };
  h.run();
  EXPECT_EQ(calls(), std::vector<std::string>{"SearchInstallations C:\\Velmor\\KVT\\"});
  EXPECT_TRUE(h.view.boxes.empty());  // KVT.INI was not looked for
  EXPECT_TRUE(contains(h.log(), "\n\n使用者中止 !\n"));
  EXPECT_EQ(h.view.memo.back(), "");
  expectFinishedWindow(false);
}

TEST_F(RunSequenceTest, StopDuringTheCopiesSkipsLaterItemsAndTheFormSteps) {
  h.installParadox();
  h.start(
      "SourceDTX001=A.DTX\r\nSourceDTX002=B.DTX\r\nSourceDTX003=C.DTX\r\n"
      "SourceDBL001=A.DBL\r\nSourceDBT001=E,*,KVTE.DBT\r\n");
  bool stoppedWhenDatabaseStepsRan = false;
  h.steps.onCall = [&](RunContext& ctx, const std::string& call) {
    if (call == "CopyDtxFile B.DTX") {
      h.view.onProcessEvents = [&] {
        if (!h.ctx().StopFlag) h.frm->StopBtnClick();
      };
      ctx.ProcessMessages();
    }
    if (call.rfind("RunDatabaseSteps", 0) == 0) stoppedWhenDatabaseStepsRan = ctx.StopFlag;
  };
  h.run();
  // The database part is still reached: it guards each of its items by the stop flag itself,
  // and reports a missing database whatever the flag.
  EXPECT_EQ(calls(),
            (std::vector<std::string>{"CopyDtxFile A.DTX", "CopyDtxFile B.DTX", kDatabaseStep}));
  EXPECT_TRUE(stoppedWhenDatabaseStepsRan);
  // The run still ends normally: report button, no closing hint.
  EXPECT_TRUE(h.view.boxes.empty());
  expectFinishedWindow(true);
}

TEST_F(RunSequenceTest, StopDuringTheDatabaseStepsSkipsTheFormSteps) {
  h.installParadox();
  h.start("DoUpgradeX102Base=YES\r\nSourceDBL001=A.DBL\r\nSourceMap001=A.BMP\r\n");
  h.steps.onCall = [&](RunContext& ctx, const std::string& call) {
    if (call == kDatabaseStep) h.frm->StopBtnClick();
  };
  h.run();
  EXPECT_EQ(calls(), std::vector<std::string>{kDatabaseStep});
  EXPECT_EQ(h.view.dialogsShown, 0);
  EXPECT_TRUE(h.view.boxes.empty());
  expectFinishedWindow(true);
}

TEST_F(RunSequenceTest, StepsRunInTheirOrderAfterTheSettingsAreRead) {
  h.installParadox("DatabasePath=C:\\Velmor\\KVT\\Database\r\neTradeDTXPath=C:\\Velmor\\KVT\\DTX");
  h.prefix.mkdir("C:\\Velmor\\KVT\\DTX");
  // Lists and switches in an order of their own; the run keeps its own.
  h.start(
      "SourceDBT001=E,*,KVTE.DBT\r\nSourceMap001=A.BMP\r\nSourceDBL001=A.DBL\r\n"
      "DoUpgradeX102Base=YES\r\nSourceDTX002=B.DTX\r\nSourceDTX001=A.DTX\r\n"
      "UpgradeKVTEXE=YES\r\n");
  std::string dtxDirSeen, formDirSeen;
  bool switchSeen = false;
  h.steps.onCall = [&](RunContext& ctx, const std::string& call) {
    if (call.rfind("SearchInstallations", 0) == 0) ctx.MainExeUpdated = true;
    if (call != kDatabaseStep) return;
    dtxDirSeen = ctx.DtxDir;
    formDirSeen = ctx.FormDir;
    switchSeen = ctx.switches.DoUpgradeX102Base;
  };
  h.run();
  EXPECT_EQ(calls(), (std::vector<std::string>{
                         "SearchInstallations C:\\Velmor\\KVT\\",
                         "SearchInstallations D:\\Velmor\\KVT\\",
                         "CopyDtxFile A.DTX",
                         "CopyDtxFile B.DTX",
                         kDatabaseStep,
                         "UpdateFormDirProgram",
                         "CopyIfNewer C:\\KVTRelease\\A.DBL,C:\\Velmor\\KVT\\A.DBL,1,1",
                         "CopyIfNewer C:\\KVTRelease\\A.BMP,C:\\Velmor\\KVT\\Image\\A.BMP,1,1",
                         "UpgradeFormFiles",
                     }));
  // The database part sees the settings of KVT.INI and the switches of the memo.
  EXPECT_EQ(dtxDirSeen, "C:\\Velmor\\KVT\\DTX\\");
  EXPECT_EQ(formDirSeen, "C:\\Velmor\\KVT\\");
  EXPECT_TRUE(switchSeen);
}

TEST_F(RunSequenceTest, MySqlHandsTheConnectionOnAndTakesTheFoundInstallation) {
  h.writeAliases("[KVT]\r\nDRIVER=MYSQL\r\nSERVER NAME=db\r\n");
  h.prefix.mkdir("C:\\Velmor\\KVT\\Database");
  h.prefix.putCp950("C:\\Velmor\\KVT\\KVT.ini", "[System]\r\neTradeVANID=2\r\n");
  h.start("UpgradeKVTEXE=YES\r\nSourceDB001=XNoMap2\r\n");
  h.steps.onCall = [](RunContext& ctx, const std::string& call) {
    if (call == "SearchInstallations C:\\Velmor\\KVT\\") {
      ctx.MainExeUpdated = true;
      ctx.SharedDirFound = "C:\\Velmor\\KVT\\";
      ctx.UpdatedExeDirs.push_back("C:\\Velmor\\KVT\\");
    }
  };
  h.run();
  EXPECT_TRUE(called("RunDatabaseSteps MyKVT"));
  EXPECT_EQ(h.ctx().databaseKind, DatabaseKind::MySQL);
  EXPECT_EQ(h.ctx().FormDir, "C:\\Velmor\\KVT\\");
  EXPECT_EQ(h.view.memo,
            (std::vector<std::string>{"使用 MySQL 資料庫。", "網路共用路徑 [沒有設定]。",
                                      "網路共用路徑改設為 [C:\\Velmor\\KVT\\]。"}));
  EXPECT_EQ(h.view.dialogsShown, 0);
}

TEST_F(RunSequenceTest, RefusedMySqlConnectionEndsTheRunWithAnErrorAndChangesNothing) {
  h.writeAliases("[KVT]\r\nDRIVER=MYSQL\r\nSERVER NAME=db\r\n");
  h.opener.refuseMySql = true;
  h.start("UpgradeKVTEXE=YES\r\nSourceDBT001=E,*,[KVT]KVTE.DBT\r\n");
  h.run();
  EXPECT_TRUE(calls().empty());
  ASSERT_EQ(h.view.boxes.size(), 1u);
  EXPECT_EQ(h.view.boxes[0].kind, platform::BoxKind::Error);
  EXPECT_TRUE(contains(h.view.boxes[0].text, "Access denied"));
  EXPECT_TRUE(contains(h.log(), "Access denied"));
  EXPECT_EQ(h.view.dialogsShown, 0);
  expectFinishedWindow(false);
  EXPECT_FALSE(h.prefix.exists(std::string(RunHarness::kReleaseDir) + "KVTTemp.INI"));
}

TEST_F(RunSequenceTest, UnforeseenStepErrorEndsTheRunWithItsMessage) {
  h.installParadox();
  h.start("DoUpgradeX102Base=YES\r\nDoUpgradeX202Base=YES\r\n");
  h.steps.onCall = [](RunContext&, const std::string& call) {
    if (call == kDatabaseStep)
      throw EngineError(ErrorKind::MissingField, "X102Base: field SEQ not found");
  };
  h.run();
  EXPECT_FALSE(called("UpdateFormDirProgram"));
  EXPECT_FALSE(called("UpgradeFormFiles"));
  ASSERT_EQ(h.view.boxes.size(), 1u);
  EXPECT_EQ(h.view.boxes[0].kind, platform::BoxKind::Error);
  EXPECT_EQ(h.view.boxes[0].text, "X102Base: field SEQ not found");
  expectFinishedWindow(false);
}

TEST_F(RunSequenceTest, TemporaryFileFailureEndsTheRunBeforeAnyStep) {
  h.installParadox();
  platform::FaultyFileSystem faulty(h.prefix.fs());
  faulty.failOn(platform::FsOp::WriteFile, "KVTTemp.INI");
  h.fsOverride = &faulty;
  h.start("UpgradeKVTEXE=YES\r\n");
  h.run();
  EXPECT_TRUE(calls().empty());
  EXPECT_TRUE(h.opener.calls.empty());
  ASSERT_EQ(h.view.boxes.size(), 1u);
  EXPECT_TRUE(contains(h.view.boxes[0].text, "KVTTemp.INI"));
  // The switch text is still there for the operator to read.
  EXPECT_EQ(h.view.memo, (std::vector<std::string>{"[System]", "UpgradeKVTEXE=YES"}));
  expectFinishedWindow(false);
}

TEST_F(RunSequenceTest, MissingDatabaseReachesTheDatabaseStepsAsNone) {
  h.prefix.putCp950("C:\\Velmor\\KVT\\KVT.ini", "[System]\r\nKVTHostPath=C:\\Velmor\\KVT\r\n");
  h.prefix.mkdir("C:\\Velmor\\KVT");
  h.start("DoUpgradeX102Base=YES\r\nSourceDB001=X\r\nChangeDS43Port=YES\r\n");
  bool databaseOpen = true;
  h.steps.onCall = [&](RunContext& ctx, const std::string& call) {
    if (call.rfind("RunDatabaseSteps", 0) == 0) databaseOpen = ctx.packageDb != nullptr;
  };
  h.run();
  EXPECT_EQ(calls(), (std::vector<std::string>{"RunDatabaseSteps ", "UpdateFormDirProgram",
                                               "UpgradeFormFiles"}));
  EXPECT_FALSE(databaseOpen);
  EXPECT_TRUE(h.opener.calls.empty());
}

TEST_F(RunSequenceTest, FormCopiesGoBelowTheFormDirectory) {
  h.installParadox();
  h.start("SourceDBL001=KVTE.DBL\r\nSourceDBL003=副表單.DBL\r\nSourceMap001=LOGO.BMP\r\n");
  h.run();
  EXPECT_EQ(calls(),
            (std::vector<std::string>{
                kDatabaseStep, "UpdateFormDirProgram",
                "CopyIfNewer C:\\KVTRelease\\KVTE.DBL,C:\\Velmor\\KVT\\KVTE.DBL,1,1",
                "CopyIfNewer C:\\KVTRelease\\副表單.DBL,C:\\Velmor\\KVT\\副表單.DBL,1,1",
                "CopyIfNewer C:\\KVTRelease\\LOGO.BMP,C:\\Velmor\\KVT\\Image\\LOGO.BMP,1,1",
                "UpgradeFormFiles"}));
}

TEST_F(RunSequenceTest, BareFormFileNameWithKnownDirectoryAsksNothing) {
  h.installParadox();
  h.start("SourceDBT001=E, *, KVTE.DBT\r\n");
  h.run();
  EXPECT_EQ(h.view.dialogsShown, 0);
  EXPECT_TRUE(called("UpgradeFormFiles"));
}

TEST_F(RunSequenceTest, SharedDirectoryMarkerAlwaysAsks) {
  h.installParadox();
  h.start(
      "UpgradeKVTEXE=YES\r\nSourceDBT001=E, *, "
      "[KVT]KVTE.DBT\r\nSourceDBT002=I,*,[KVT]KVTI.DBT\r\n");
  h.steps.onCall = [](RunContext& ctx, const std::string& call) {
    if (call.rfind("SearchInstallations C:", 0) == 0) {
      ctx.UpdatedExeDirs = {"C:\\Velmor\\KVT\\Client\\KVT\\", "c:\\velmor\\kvt\\",
                            "C:\\Velmor\\KVT\\Client\\KVT\\"};
    }
  };
  h.view.answerDialog = [](TSelectGlobalPathFrm& d) { d.OkBtnClick(); };
  h.run();
  EXPECT_EQ(h.view.dialogsShown, 1);
  EXPECT_EQ(h.view.dialogPathEdit, "C:\\Velmor\\KVT\\");
  // The form directory, then each updated directory other than it (letter case aside),
  // repeats included.
  EXPECT_EQ(h.view.dialogCandidates,
            (std::vector<std::string>{"C:\\Velmor\\KVT\\", "C:\\Velmor\\KVT\\Client\\KVT\\",
                                      "C:\\Velmor\\KVT\\Client\\KVT\\"}));
  EXPECT_EQ(h.ctx().FormDir, "C:\\Velmor\\KVT\\");
  EXPECT_TRUE(called("UpgradeFormFiles"));
  EXPECT_EQ(h.boxTexts(), std::vector<std::string>{kClosingHint});
}

TEST_F(RunSequenceTest, DirectoryInAnEntrySuggestsItAndStopsTheScan) {
  h.installParadox();
  h.prefix.mkdir("D:\\Share");
  h.start(
      "SourceDBT001=E,*,[KVT]KVTE.DBT\r\nSourceDBT002=I,*, D:\\Share\\KVTI.DBT ,x\r\n"
      "SourceDBT003=E,*,E:\\Other\\KVTE.DBT\r\n");
  h.view.answerDialog = [](TSelectGlobalPathFrm& d) {
    d.PathLBoxClick(0);  // the suggestion
    d.OkBtnClick();
  };
  h.run();
  EXPECT_EQ(h.view.dialogPathEdit, "C:\\Velmor\\KVT\\");  // the known directory wins the field
  EXPECT_EQ(h.view.dialogCandidates,
            (std::vector<std::string>{"D:\\Share\\", "C:\\Velmor\\KVT\\"}));
  EXPECT_EQ(h.ctx().FormDir, "D:\\Share\\");
}

TEST_F(RunSequenceTest, TypedDirectoryIsUsedWithABackslashBeforeNames) {
  // No KVT.INI and no database: the form directory is unknown, so the dialog asks.
  h.prefix.mkdir("D:\\表單");
  h.start("SourceDBL001=KVTE.DBL\r\n");
  h.view.answerDialog = [](TSelectGlobalPathFrm& d) {
    d.SetPathEdit("D:\\表單");
    d.OkBtnClick();
  };
  h.run();
  EXPECT_EQ(h.view.dialogsShown, 1);
  EXPECT_EQ(h.view.dialogPathEdit, "");
  EXPECT_EQ(h.ctx().FormDir, "D:\\表單\\");
  EXPECT_TRUE(called("CopyIfNewer C:\\KVTRelease\\KVTE.DBL,D:\\表單\\KVTE.DBL,1,1"));
  // The missing KVT.INI warning, then the closing hint.
  EXPECT_EQ(h.boxTexts(), (std::vector<std::string>{"找不到 KVT.ini 檔 !", kClosingHint}));
}

TEST_F(RunSequenceTest, CancelledDialogStopsTheFormStepsAndKeepsTheDirectory) {
  h.installParadox();
  h.start("SourceDBT001=E,*,[KVT]KVTE.DBT\r\nSourceDBL001=A.DBL\r\n");
  h.run();  // the scripted dialog is cancelled
  EXPECT_EQ(h.view.dialogsShown, 1);
  EXPECT_TRUE(h.ctx().StopFlag);
  EXPECT_EQ(h.ctx().FormDir, "C:\\Velmor\\KVT\\");
  EXPECT_EQ(calls(), std::vector<std::string>{kDatabaseStep});
  EXPECT_FALSE(contains(h.log(), "沒有更新"));
  EXPECT_TRUE(h.view.boxes.empty());
  expectFinishedWindow(true);
}

TEST_F(RunSequenceTest, CancelledDialogWithoutDirectoryListsWhatWasNotUpdated) {
  h.start(
      "SourceDBT001=E, *, [KVT]KVTE.DBT\r\nSourceDBL001=KVTE.DBL\r\nSourceMap001=A.BMP\r\n"
      "SourceMap002=B.BMP\r\n");
  h.run();
  EXPECT_EQ(h.view.memo,
            (std::vector<std::string>{"找不到 KVT.ini 檔 !", "", "找不到共用主表單的位置。",
                                      "主表單檔 [[KVT]KVTE.DBT] 沒有更新。",
                                      "副表單檔 [KVTE.DBL] 沒有更新。", "圖檔 [A.BMP] 沒有更新。",
                                      "圖檔 [B.BMP] 沒有更新。"}));
}

TEST_F(RunSequenceTest, ClosingMessagesFollowTheRunState) {
  h.installParadox();
  h.start("UpgradeKVTEXE=YES\r\nDoUpgradeX102Base=YES\r\n");
  h.steps.onCall = [](RunContext& ctx, const std::string& call) {
    // A failed copy during the search alone does not bring the warning.
    if (call.rfind("SearchInstallations", 0) == 0) ctx.ExeNotUpdated = true;
    if (call == kDatabaseStep) ctx.TradeRepliesMoved = true;
  };
  h.run();
  EXPECT_EQ(h.boxTexts(), (std::vector<std::string>{kF8Reminder, kClosingHint}));
}

TEST_F(RunSequenceTest, FailedFormDirectoryCopyBringsTheWarningFirst) {
  h.installParadox();
  h.start("UpgradeKVTEXE=YES\r\nDoUpgradeX102Base=YES\r\n");
  h.steps.onCall = [](RunContext& ctx, const std::string& call) {
    if (call == "UpdateFormDirProgram") ctx.ExeNotUpdated = true;
    if (call == kDatabaseStep) ctx.TradeRepliesMoved = true;
  };
  h.run();
  EXPECT_EQ(h.boxTexts(), (std::vector<std::string>{kExeWarning, kF8Reminder, kClosingHint}));
  for (const auto& box : h.view.boxes) EXPECT_EQ(box.kind, platform::BoxKind::Information);
}

TEST_F(RunSequenceTest, WindowStateDuringTheRun) {
  h.installParadox();
  h.start("DoUpgradeX102Base=YES\r\n");
  bool busy = false, stopShown = false, doShown = true;
  std::string label;
  h.steps.onCall = [&](RunContext&, const std::string& call) {
    if (call != kDatabaseStep) return;
    busy = h.view.busy;
    stopShown = h.view.visible[MainButton::StopBtn];
    doShown = h.view.visible[MainButton::DoBtn];
  };
  h.steps.onCall = [&, first = h.steps.onCall](RunContext& ctx, const std::string& call) {
    first(ctx, call);
    if (call == "UpgradeFormFiles") label = h.view.label;
  };
  h.run();
  EXPECT_TRUE(busy);
  EXPECT_TRUE(stopShown);
  EXPECT_FALSE(doShown);
  EXPECT_EQ(label, "更新 KVTE.DBT");
  EXPECT_GT(h.view.processEventsCalls, 2);
  expectFinishedWindow(true);
}

TEST_F(RunSequenceTest, TheRunHappensOncePerStart) {
  h.installParadox();
  h.start("SourceDTX001=A.DTX\r\n");
  h.run();
  const auto first = calls();
  const auto boxes = h.view.boxes.size();
  h.run();
  EXPECT_EQ(calls(), first);
  EXPECT_EQ(h.view.boxes.size(), boxes);
}

TEST_F(RunSequenceTest, ClosingDuringTheRunStopsItAndClosesAfterwards) {
  h.installParadox();
  h.start("UpgradeKVTEXE=YES\r\nSourceDBT001=E,*,[KVT]KVTE.DBT\r\n");
  bool closedDuringRun = true;
  h.steps.onCall = [&](RunContext& ctx, const std::string& call) {
    if (call == "SearchInstallations C:\\Velmor\\KVT\\") {
      ctx.MainExeUpdated = true;
      h.frm->ExitBtnClick();
      closedDuringRun = h.view.closed;
    }
  };
  h.run();
  EXPECT_FALSE(closedDuringRun);  // put off while the run was working
  EXPECT_TRUE(h.view.closed);
  EXPECT_TRUE(h.frm->ClosePending());
  EXPECT_EQ(calls(), std::vector<std::string>{"SearchInstallations C:\\Velmor\\KVT\\"});
  EXPECT_EQ(h.view.dialogsShown, 0);
  EXPECT_TRUE(h.view.boxes.empty());
  EXPECT_EQ(h.ctx().packageDb, nullptr);  // released by the close
}

TEST_F(RunSequenceTest, ClosingLateInTheRunShowsNoDialogOrMessage) {
  h.installParadox();
  h.start("DoUpgradeX102Base=YES\r\nSourceDBT001=E,*,[KVT]KVTE.DBT\r\n");
  h.steps.onCall = [&](RunContext&, const std::string& call) {
    if (call == kDatabaseStep) h.view.closeWindow();
  };
  h.run();
  EXPECT_EQ(h.view.dialogsShown, 0);
  EXPECT_TRUE(h.view.boxes.empty());
  EXPECT_TRUE(h.view.closed);
  EXPECT_FALSE(called("UpgradeFormFiles"));
}

TEST_F(RunSequenceTest, ClosingWhenIdleReleasesAtOnce) {
  h.installParadox();
  h.start("");
  h.run();
  ASSERT_NE(h.ctx().packageDb, nullptr);
  h.frm->ExitBtnClick();
  EXPECT_TRUE(h.view.closed);
  EXPECT_EQ(h.ctx().packageDb, nullptr);
  EXPECT_TRUE(h.ctx().UpdatedExeDirs.empty());
}

TEST_F(RunSequenceTest, ReportGetsTheWholeLogWithCrLf) {
  h.installParadox();
  h.start("");
  h.run();
  h.frm->AppendLog("第二行\r\n第三行");
  h.frm->ReportBtnClick();
  EXPECT_EQ(h.steps.reportText,
            "KVT Alias 路徑 [C:\\Velmor\\KVT\\Database\\]。\r\n第二行\r\n第三行");
}

TEST_F(RunSequenceTest, ReportThatCannotBePreparedShowsItsErrorAndKeepsTheWindow) {
  h.installParadox();
  h.start("");
  h.run();
  const size_t boxesAfterRun = h.view.boxes.size();
  h.steps.onCall = [](RunContext&, const std::string& call) {
    if (call == "SendReport") throw EngineError(ErrorKind::MissingTable, "Table Company not found");
  };
  h.frm->ReportBtnClick();
  ASSERT_EQ(h.view.boxes.size(), boxesAfterRun + 1);
  EXPECT_EQ(h.view.boxes.back().kind, platform::BoxKind::Error);
  EXPECT_EQ(h.view.boxes.back().text, "Table Company not found");
  EXPECT_TRUE(h.view.visible[MainButton::ReportBtn]);  // the operator may try again
  EXPECT_FALSE(h.view.closed);
}

TEST_F(RunSequenceTest, AppendLogSplitsLinesAndKeepsEmptyOnes) {
  h.startForSteps();
  h.frm->AppendLog("");
  h.frm->AppendLog("a\r\nb");
  h.frm->AppendLog("c\n");
  EXPECT_EQ(h.view.memo, (std::vector<std::string>{"", "a", "b", "c", ""}));
}

}  // namespace
}  // namespace kvt::app
