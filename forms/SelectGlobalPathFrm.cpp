#include "forms/SelectGlobalPathFrm.h"

namespace kvt::forms {

void TSelectGlobalPathFrm::SelPathSBtnClick() {
  if (view_ == nullptr) return;
  std::optional<std::string> chosen = view_->openFileDialog(kBrowseStart, kPresetFileName);
  if (chosen) setPathFromLogic(platform::extractFilePath(*chosen));
}

void TSelectGlobalPathFrm::PathLBoxClick(std::size_t index) {
  if (index < pathLBox_.size()) setPathFromLogic(pathLBox_[index]);
}

void TSelectGlobalPathFrm::OkBtnClick() {
  if (pathEdit_.empty()) {
    if (view_ != nullptr) view_->showWarning("請先選擇目錄 !");
  } else if (fs_.directoryExists(pathEdit_)) {
    close(true);
  } else if (view_ != nullptr) {
    view_->showWarning("目錄 [" + pathEdit_ + "] 不存在 !");
  }
}

void TSelectGlobalPathFrm::CancelBtnClick() {
  close(false);
}

void TSelectGlobalPathFrm::setPathFromLogic(std::string text) {
  pathEdit_ = std::move(text);
  if (view_ != nullptr) view_->pathEditChanged(pathEdit_);
}

void TSelectGlobalPathFrm::close(bool ok) {
  result_ = ok;
  if (view_ != nullptr) view_->closeDialog(ok);
}

}  // namespace kvt::forms
