// The form directory dialog: asks for the directory that receives the main form files, the
// secondary form files and the pictures. It offers candidates, lets the operator browse or
// type, and closes with OK only on an existing directory. Its window implements
// SelectGlobalPathView; tests use a scripted one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace kvt::forms {

class SelectGlobalPathView {
 public:
  virtual ~SelectGlobalPathView() = default;
  virtual void showWarning(const std::string& text) = 0;
  // A file-open dialog started in `startDir` with the file name preset; the Windows path of
  // the confirmed name, or nullopt when the operator cancelled.
  virtual std::optional<std::string> openFileDialog(const std::string& startDir,
                                                    const std::string& presetFileName) = 0;
  // The path field was set by the dialog's logic (browsing, a candidate clicked).
  virtual void pathEditChanged(const std::string& text) = 0;
  virtual void closeDialog(bool ok) = 0;
};

class TSelectGlobalPathFrm {
 public:
  static constexpr const char* kCaption = "選擇表單檔目錄";
  static constexpr const char* kLabel1 = "選擇表單檔的路徑";
  static constexpr const char* kLabel2 = "本程式會將主表單、副表單及圖檔更新到您在這裡所選的目錄";
  static constexpr const char* kOkCaption = "確 定 (&O)";
  static constexpr const char* kCancelCaption = "中止執行";
  static constexpr const char* kPresetFileName = "選擇目錄後直接按開啟鈕";
  static constexpr const char* kBrowseStart = "C:\\";

  explicit TSelectGlobalPathFrm(const platform::FileSystem& fs) : fs_(fs) {}

  // The window showing this dialog; null when none is attached.
  void AttachView(SelectGlobalPathView* view) { view_ = view; }

  const std::string& PathEdit() const { return pathEdit_; }
  // Set by the caller before showing, and by the window as the operator types.
  void SetPathEdit(std::string text) { pathEdit_ = std::move(text); }
  const std::vector<std::string>& PathLBox() const { return pathLBox_; }
  void AddCandidate(std::string dir) { pathLBox_.push_back(std::move(dir)); }

  // The browse button: the directory part of the confirmed name, with its backslash.
  void SelPathSBtnClick();
  // A candidate clicked: it goes into the path field.
  void PathLBoxClick(std::size_t index);
  // OK: closes with OK when the path field names an existing directory, else warns and stays.
  void OkBtnClick();
  void CancelBtnClick();

  // Set once the dialog was closed: true for OK, false for Cancel.
  std::optional<bool> Result() const { return result_; }

 private:
  void setPathFromLogic(std::string text);
  void close(bool ok);

  const platform::FileSystem& fs_;
  SelectGlobalPathView* view_ = nullptr;
  std::string pathEdit_;
  std::vector<std::string> pathLBox_;
  std::optional<bool> result_;
};

}  // namespace kvt::forms
