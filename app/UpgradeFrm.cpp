#include "app/UpgradeFrm.h"

#include <exception>

#include "app/UpgradeSwitchFile.h"
#include "platform/ProfileFile.h"

namespace kvt::app {
namespace {

// Line breaks of stored or built text (CR LF, or a lone CR or LF) as the view's "\n".
std::string viewLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The memo's text with CR LF line breaks, as the report carries it.
std::string windowsText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n')
      out += "\r\n";
    else
      out += c;
  }
  return out;
}

}  // namespace

TUpgradeFrm::TUpgradeFrm(MainView& view, platform::FileSystem& fs, DatabaseOpener& opener,
                         RunSteps& steps, std::string releaseDir)
    : view_(view),
      opener_(opener),
      steps_(steps),
      releaseDir_(std::move(releaseDir)),
      ctx_(*this, view, fs) {
  ctx_.ReleaseDir = releaseDir_;
}

void TUpgradeFrm::FormCreate() {
  ctx_.packageDb.reset();
  ctx_.UpdatedExeDirs.clear();
  view_.setMemoText("");
  const std::string file = releaseDir_ + std::string(kSwitchFile);
  std::optional<std::string> bytes;
  if (!releaseDir_.empty()) bytes = ctx_.fs.readFile(file);
  if (!bytes) {
    // Without the switch text every switch reads as off and every list as empty.
    view_.messageBox(platform::BoxKind::Error,
                     "無法開啟更新設定檔 [" + file + "] !\r\n" +
                         "所有更新開關都視為關閉，執行時不會更新任何項目。");
    return;
  }
  std::string text = viewLines(platform::DecodeProfileText(*bytes));
  if (text.ends_with('\n')) text.pop_back();  // the last line's break ends it, adds none
  view_.setMemoText(text);
}

void TUpgradeFrm::FormShow() {
  view_.setDirLabel("");
  ctx_.SharedDirFound.clear();
}

void TUpgradeFrm::DoBtnClick() {
  if (started_) return;  // the run happens once per program start
  started_ = true;
  running_ = true;
  try {
    RunSequence();
  } catch (const std::exception& e) {
    ReportRunError(e.what());
  } catch (...) {
    ReportRunError("執行時發生無法處理的錯誤 !");
  }
  running_ = false;
  if (closePending_) view_.closeWindow();
}

void TUpgradeFrm::StopBtnClick() {
  ctx_.StopFlag = true;
  AppendLog("\r\n使用者中止 !\r\n");
  view_.setDirLabel("");
  view_.setButtonVisible(MainButton::StopBtn, false);
  view_.setBusyCursor(false);
}

void TUpgradeFrm::ExitBtnClick() {
  view_.closeWindow();
}

void TUpgradeFrm::ReportBtnClick() {
  // A report that cannot be prepared (no Company table, no database) is shown as any failure
  // the steps do not foresee; the window stays usable.
  try {
    steps_.SendReport(ctx_, windowsText(view_.memoText()));
  } catch (const std::exception& e) {
    view_.messageBox(platform::BoxKind::Error, e.what());
  } catch (...) {
    view_.messageBox(platform::BoxKind::Error, "無法準備回函 !");
  }
}

bool TUpgradeFrm::FormCloseQuery() {
  if (!running_) return true;
  ctx_.StopFlag = true;
  closePending_ = true;
  return false;
}

void TUpgradeFrm::FormClose() {
  ctx_.releaseDb.reset();
  ctx_.packageDb.reset();
  ctx_.UpdatedExeDirs.clear();
}

void TUpgradeFrm::AppendLog(const std::string& text) {
  view_.appendMemoLine(viewLines(text));
}

void TUpgradeFrm::ResetRunWindow() {
  view_.setDirLabel("");
  view_.setButtonVisible(MainButton::StopBtn, false);
  view_.setBusyCursor(false);
}

void TUpgradeFrm::ReportRunError(const std::string& message) {
  // The run ends here; the window leaves its running state so the operator can read the log.
  ResetRunWindow();
  if (memoIsLog_) AppendLog(message);
  if (!closePending_) view_.messageBox(platform::BoxKind::Error, message);
}

}  // namespace kvt::app
