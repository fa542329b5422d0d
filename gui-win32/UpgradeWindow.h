// The main window on Win32: the label, the memo and four buttons (and the import button),
// driven by TUpgradeFrm, with the message boxes, the busy cursor and the pending messages the
// logic asks for. Closing is put off while a run is in progress.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/DatabaseOpener.h"
#include "app/MainView.h"
#include "app/RunSteps.h"
#include "app/UpgradeFrm.h"
#include "gui-win32/WinControls.h"
#include "platform/FileSystem.h"

namespace kvt::gui::win32 {

class UpgradeWindow : public app::MainView {
 public:
  static constexpr int kWidth = 597;
  static constexpr int kHeight = 450;

  UpgradeWindow(HINSTANCE instance, platform::FileSystem& fs, app::DatabaseOpener& opener,
                app::RunSteps& steps, std::string releaseDir);
  ~UpgradeWindow() override;
  UpgradeWindow(const UpgradeWindow&) = delete;
  UpgradeWindow& operator=(const UpgradeWindow&) = delete;

  // Loads the switch text, centres and shows the window.
  void show(int showCommand);
  // The window's handle, for what opens a window of its own over it (the mail client).
  HWND handle() const { return hwnd_; }

  // app::MainView
  std::string memoText() const override;
  void setMemoText(const std::string& text) override;
  void appendMemoLine(const std::string& text) override;
  void setDirLabel(const std::string& text) override;
  void setButtonVisible(app::MainButton button, bool visible) override;
  void closeWindow() override;
  bool showFormDirDialog(forms::TSelectGlobalPathFrm& dialog) override;
  // platform::Ui
  void messageBox(platform::BoxKind kind, const std::string& text) override;
  void setBusyCursor(bool busy) override;
  void processEvents() override;

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void createControls();
  void layout();
  void command(int id);
  // Closes unless a run is in progress, which then closes the window when it has unwound.
  void tryClose();
  void importBtnClick();
  HWND button(app::MainButton which) const;

  HINSTANCE instance_;
  platform::FileSystem& fs_;
  std::string releaseDir_;
  Fonts fonts_;
  HWND hwnd_ = nullptr;
  HWND dirLabel_ = nullptr;
  HWND mainMemo_ = nullptr;
  HWND doBtn_ = nullptr;
  HWND exitBtn_ = nullptr;
  HWND reportBtn_ = nullptr;
  HWND stopBtn_ = nullptr;
  HWND importBtn_ = nullptr;  // only with a release directory
  bool busy_ = false;
  bool memoHasLines_ = false;
  std::unique_ptr<app::TUpgradeFrm> frm_;
};

}  // namespace kvt::gui::win32
