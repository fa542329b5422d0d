// The form directory dialog on Win32, driven by TSelectGlobalPathFrm: the path field with its
// browse button (a file-open dialog whose directory is taken), the candidates, OK and Cancel.
#pragma once

#include "forms/SelectGlobalPathFrm.h"
#include "gui-win32/ModalDialog.h"
#include "gui-win32/WinControls.h"

namespace kvt::gui::win32 {

class FormDirDialog : public ModalDialog, public forms::SelectGlobalPathView {
 public:
  FormDirDialog(forms::TSelectGlobalPathFrm& logic, const Fonts& fonts)
      : logic_(logic), fonts_(fonts) {}
  ~FormDirDialog() override { logic_.AttachView(nullptr); }
  void run(HINSTANCE instance, HWND owner);

  // forms::SelectGlobalPathView
  void showWarning(const std::string& text) override;
  std::optional<std::string> openFileDialog(const std::string& startDir,
                                            const std::string& presetFileName) override;
  void pathEditChanged(const std::string& text) override;
  void closeDialog(bool ok) override;

 private:
  void initDialog() override;
  bool command(int id, int code) override;

  forms::TSelectGlobalPathFrm& logic_;
  const Fonts& fonts_;
  bool settingPath_ = false;
};

}  // namespace kvt::gui::win32
