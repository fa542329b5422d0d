#include "gui-win32/FormDirDialog.h"

#include "gui-win32/ControlIds.h"
#include "platform/win32/WideText.h"

namespace kvt::gui::win32 {

using forms::TSelectGlobalPathFrm;

void FormDirDialog::run(HINSTANCE instance, HWND owner) {
  logic_.AttachView(this);
  runTemplate(instance, IDD_FORMDIR, owner);
  logic_.AttachView(nullptr);
}

void FormDirDialog::initDialog() {
  setText(dialog(), TSelectGlobalPathFrm::kCaption);
  setText(item(IDC_FD_LABEL1), TSelectGlobalPathFrm::kLabel1);
  setText(item(IDC_FD_LABEL2), TSelectGlobalPathFrm::kLabel2);
  setText(item(IDOK), TSelectGlobalPathFrm::kOkCaption);
  setText(item(IDCANCEL), TSelectGlobalPathFrm::kCancelCaption);
  for (int id : {IDC_FD_LABEL1, IDC_FD_LABEL2, IDOK, IDCANCEL, IDC_FD_PATHEDIT, IDC_FD_PATHLBOX})
    ::SendMessageW(item(id), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.controls()), FALSE);
  pathEditChanged(logic_.PathEdit());
  for (const std::string& dir : logic_.PathLBox()) {
    const std::wstring wide = platform::win32::widen(dir);
    ::SendMessageW(item(IDC_FD_PATHLBOX), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
}

bool FormDirDialog::command(int id, int code) {
  switch (id) {
    case IDC_FD_PATHEDIT:
      if (code == EN_CHANGE && !settingPath_) logic_.SetPathEdit(textOf(item(IDC_FD_PATHEDIT)));
      return true;
    case IDC_FD_PATHLBOX:
      if (code == LBN_SELCHANGE) {
        const LRESULT at = ::SendMessageW(item(IDC_FD_PATHLBOX), LB_GETCURSEL, 0, 0);
        if (at != LB_ERR) logic_.PathLBoxClick(std::size_t(at));
      }
      return true;
    case IDC_FD_SELPATH:
      if (code == BN_CLICKED) logic_.SelPathSBtnClick();
      return true;
    case IDOK:
      logic_.OkBtnClick();
      return true;
    case IDCANCEL:  // also Esc and the close box
      logic_.CancelBtnClick();
      return true;
  }
  return false;
}

void FormDirDialog::showWarning(const std::string& text) {
  messageBox(dialog(), platform::BoxKind::Warning, TSelectGlobalPathFrm::kCaption, text);
}

std::optional<std::string> FormDirDialog::openFileDialog(const std::string& startDir,
                                                         const std::string& presetFileName) {
  OpenFileRequest request;
  request.title = TSelectGlobalPathFrm::kCaption;
  request.startDir = startDir;
  request.fileName = presetFileName;
  request.fileMustExist = false;  // the preset name only stands for "this directory"
  return openFile(dialog(), request);
}

void FormDirDialog::pathEditChanged(const std::string& text) {
  settingPath_ = true;
  setText(item(IDC_FD_PATHEDIT), text);
  settingPath_ = false;
}

void FormDirDialog::closeDialog(bool ok) {
  ::EndDialog(dialog(), ok ? IDOK : IDCANCEL);
}

}  // namespace kvt::gui::win32
