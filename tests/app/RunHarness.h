// Test doubles for the main window's logic: a scripted window that records what it was told
// and can act when events are processed, a database opener that opens nothing real, and run
// steps that record their calls. RunHarness puts them together on a temporary prefix.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestPrefix.h"
#include "app/DatabaseOpener.h"
#include "app/MainView.h"
#include "app/RunSteps.h"
#include "app/UpgradeFrm.h"
#include "forms/SelectGlobalPathFrm.h"

namespace kvt::app::testing {

struct Box {
  platform::BoxKind kind;
  std::string text;
};

class ScriptedView : public MainView {
 public:
  std::vector<std::string> memo;  // lines
  // The line naming where the platform looked the alias up (on Windows: the installed engine or
  // the registry file), counted here and kept out of `memo`, so that the expected logs hold on
  // every platform.
  std::string aliasSourceLine;
  int aliasSourceLines = 0;
  std::string label = "DirLabel";
  std::map<MainButton, bool> visible = {{MainButton::DoBtn, true},
                                        {MainButton::ExitBtn, true},
                                        {MainButton::ReportBtn, false},
                                        {MainButton::StopBtn, false}};
  bool busy = false;
  std::vector<Box> boxes;
  int processEventsCalls = 0;
  // Runs at each processEvents, as the operator's clicks would between items.
  std::function<void()> onProcessEvents;

  // The form directory dialog: what it was shown with, and how the operator answers (by
  // calling the dialog's handlers). Without an answer the dialog is cancelled.
  int dialogsShown = 0;
  std::string dialogPathEdit;
  std::vector<std::string> dialogCandidates;
  std::function<void(TSelectGlobalPathFrm&)> answerDialog;

  // The window's own close handling: asks the logic, then closes.
  TUpgradeFrm* frm = nullptr;
  bool closed = false;
  int closeRequests = 0;

  std::string memoText() const override;
  void setMemoText(const std::string& text) override;
  void appendMemoLine(const std::string& text) override;
  void setDirLabel(const std::string& text) override { label = text; }
  void setButtonVisible(MainButton button, bool v) override { visible[button] = v; }
  void closeWindow() override;
  bool showFormDirDialog(TSelectGlobalPathFrm& dialog) override;
  void messageBox(platform::BoxKind kind, const std::string& text) override {
    boxes.push_back({kind, text});
  }
  void setBusyCursor(bool b) override { busy = b; }
  void processEvents() override;
};

class StubDatabase : public Database {
 public:
  StubDatabase(DatabaseKind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
  DatabaseKind kind() const override { return kind_; }
  std::string name() const override { return name_; }
  bool tableExists(const std::string&) override { return false; }
  std::shared_ptr<RowStore> openTable(const std::string& table, OpenMode) override;
  void closeTable(const std::shared_ptr<RowStore>&, OpenMode) override {}
  void createTable(const std::string& table, const TableSchema&) override;
  void deleteTable(const std::string& table) override;
  void emptyTable(const std::string& table) override;
  void renameTable(const std::string& from, const std::string&) override;
  void execSql(const std::string& sql, const SqlParams&) override;
  int64_t selectCount(const std::string& sql, const SqlParams&) override;

 private:
  DatabaseKind kind_;
  std::string name_;
};

class StubOpener : public DatabaseOpener {
 public:
  std::vector<std::string> calls;
  std::filesystem::path paradoxDir;
  MySqlAliasParams mySqlParams;
  bool refuseMySql = false;
  bool refuseParadox = false;

  std::unique_ptr<Database> openParadox(const std::filesystem::path& localDir,
                                        const std::string& name) override;
  std::unique_ptr<Database> connectMySql(const MySqlAliasParams& params,
                                         const std::string& name) override;
};

class RecordingSteps : public RunSteps {
 public:
  // Every call as "Name arg,arg", in order.
  std::vector<std::string> calls;
  // Runs after a call is recorded; receives the recorded text.
  std::function<void(RunContext&, const std::string&)> onCall;
  bool copyResult = true;
  std::string reportText;

  void SearchInstallations(RunContext& ctx, const std::string& dir) override {
    record(ctx, "SearchInstallations " + dir);
  }
  void UpdateFormDirProgram(RunContext& ctx) override { record(ctx, "UpdateFormDirProgram"); }
  void CopyDtxFile(RunContext& ctx, const std::string& name) override {
    record(ctx, "CopyDtxFile " + name);
  }
  bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                   bool onlyIfNewer, bool reportNew) override {
    record(ctx, "CopyIfNewer " + source + "," + target + "," + (onlyIfNewer ? "1" : "0") + "," +
                    (reportNew ? "1" : "0"));
    return copyResult;
  }
  // Recorded with the database the run found ("" when none), as the step receives it.
  void RunDatabaseSteps(RunContext& ctx) override {
    record(ctx, "RunDatabaseSteps " + ctx.DatabaseDir);
  }
  void UpgradeFormFiles(RunContext& ctx) override { record(ctx, "UpgradeFormFiles"); }
  void SendReport(RunContext& ctx, const std::string& logText) override {
    reportText = logText;
    record(ctx, "SendReport");
  }

  // The recorded calls whose text starts with `prefix`.
  std::vector<std::string> callsStartingWith(const std::string& prefix) const;

 private:
  void record(RunContext& ctx, std::string call) {
    calls.push_back(call);
    if (onCall) onCall(ctx, call);
  }
};

struct RunHarness {
  static constexpr const char* kReleaseDir = "C:\\KVTRelease\\";

  TestPrefix prefix;
  ScriptedView view;
  StubOpener opener;
  RecordingSteps steps;
  std::unique_ptr<TUpgradeFrm> frm;
  // The file system the window's logic uses, when not the prefix's own.
  platform::FileSystem* fsOverride = nullptr;

  RunHarness();

  // A Paradox installation: alias KVT on C:\Velmor\KVT\Database and a KVT.INI with the
  // given System section lines (UTF-8; written in code page 950).
  void installParadox(
      const std::string& kvtIniSystemLines = "DatabasePath=C:\\Velmor\\KVT\\Database");
  // The alias registry with these lines (UTF-8, written in code page 950).
  void writeAliases(const std::string& text);

  // Writes the switch file (section [System] added before the lines), creates the window's
  // logic and shows the window.
  void start(const std::string& systemLines);
  // Creates the window's logic without writing a switch file.
  void startWithoutSwitchFile();
  // For calling steps directly: an empty switch file, and the memo cleared as a run clears it.
  void startForSteps();
  void run() { frm->DoBtnClick(); }

  RunContext& ctx() { return frm->Context(); }
  std::string log() const { return view.memoText(); }
  std::vector<std::string> boxTexts() const;
};

}  // namespace kvt::app::testing
