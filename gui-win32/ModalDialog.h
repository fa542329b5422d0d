// A modal dialog of the resource file whose messages go to one object.
#pragma once

#include <windows.h>

namespace kvt::gui::win32 {

class ModalDialog {
 public:
  virtual ~ModalDialog() = default;
  // Shows the dialog `templateId` over `owner` until it ends; EndDialog's result.
  INT_PTR runTemplate(HINSTANCE instance, int templateId, HWND owner);

 protected:
  virtual void initDialog() = 0;
  // A control's notification; true when handled.
  virtual bool command(int id, int code) = 0;
  HWND dialog() const { return hwnd_; }
  HWND item(int id) const { return ::GetDlgItem(hwnd_, id); }

 private:
  static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace kvt::gui::win32
