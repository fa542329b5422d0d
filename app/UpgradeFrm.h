// The main window's logic: the switch text before a run, the log during and after it, the
// stop flag, and the run sequence on the run button. It talks to its window through MainView
// and hands the steps of other layers to RunSteps.
#pragma once

#include <string>

#include "app/DatabaseOpener.h"
#include "app/MainView.h"
#include "app/RunSteps.h"
#include "platform/FileSystem.h"
#include "run/RunContext.h"

namespace kvt::app {

class TUpgradeFrm : public MainWindowPort {
 public:
  static constexpr const char* kCaption = "KVT 更新程式";
  // The supplier line that follows the caption in parentheses.
  static constexpr const char* kSupplierLine = "Velmor 電腦 服務電話 02-2345-6789";
  static constexpr const char* kDoBtnCaption = "執  行";
  static constexpr const char* kExitBtnCaption = "結  束";
  static constexpr const char* kReportBtnCaption = "給Velmor回函";
  static constexpr const char* kStopBtnCaption = "Stop";

  // `releaseDir`: the Windows directory of the running program, with trailing backslash.
  TUpgradeFrm(MainView& view, platform::FileSystem& fs, DatabaseOpener& opener, RunSteps& steps,
              std::string releaseDir);
  TUpgradeFrm(const TUpgradeFrm&) = delete;
  TUpgradeFrm& operator=(const TUpgradeFrm&) = delete;

  // Loads the switch file KVTUpgrade.INI of the release directory into the memo.
  void FormCreate();
  void FormShow();
  // The run sequence; once per program start.
  void DoBtnClick();
  void StopBtnClick();
  void ExitBtnClick();
  void ReportBtnClick();
  // Asked before the window closes. During a run the close is put off: the stop flag is set,
  // and the window is closed once the run has unwound (nothing may work on a released
  // connection). True when the window may close now.
  bool FormCloseQuery();
  // The window is closing: releases the database connection and the directory list.
  void FormClose();

  // Adds one line to the log; CR LF (or LF) inside the text makes several lines.
  void AppendLog(const std::string& text);

  // MainWindowPort, for the steps.
  void appendLog(const std::string& text) override { AppendLog(text); }
  void setDirLabel(const std::string& text) override { view_.setDirLabel(text); }

  bool Running() const { return running_; }
  bool ClosePending() const { return closePending_; }
  RunContext& Context() { return ctx_; }
  const RunContext& Context() const { return ctx_; }

 private:
  void RunSequence();
  void DecideFormDir();
  void UpdateFormDir();
  void ListNotUpdated();
  void FinishRun();
  void ResetRunWindow();
  void ReportRunError(const std::string& message);

  MainView& view_;
  DatabaseOpener& opener_;
  RunSteps& steps_;
  std::string releaseDir_;
  RunContext ctx_;
  bool started_ = false;
  bool running_ = false;
  bool closePending_ = false;
  bool memoIsLog_ = false;  // the memo was cleared for the log (the switch text is gone)
};

}  // namespace kvt::app
