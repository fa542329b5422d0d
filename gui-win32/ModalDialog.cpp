#include "gui-win32/ModalDialog.h"

#include "platform/ErrorReport.h"

namespace kvt::gui::win32 {

INT_PTR ModalDialog::runTemplate(HINSTANCE instance, int templateId, HWND owner) {
  return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, dialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ModalDialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ModalDialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->initDialog();
    return TRUE;
  }
  auto* self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_COMMAND) return self->command(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
  if (message == WM_DESTROY) ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
  return FALSE;
}

}  // namespace kvt::gui::win32
