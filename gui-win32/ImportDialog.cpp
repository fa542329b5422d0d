#include "gui-win32/ImportDialog.h"

#include "gui-win32/ControlIds.h"
#include "platform/win32/WideText.h"

namespace kvt::gui::win32 {

using Frm = forms::TImportTableFrm;

std::wstring ImportDialog::fileFilter() {
  std::wstring filter = platform::win32::widen(Frm::kFileFilterName);
  filter += L'\0';
  filter += L"*.DBT";
  filter += L'\0';
  return filter;
}

void ImportDialog::run(HINSTANCE instance, HWND owner) {
  runTemplate(instance, IDD_IMPORT, owner);
  logic_.AttachView(nullptr);
}

void ImportDialog::initDialog() {
  setText(dialog(), Frm::kCaption);
  setText(item(IDC_IM_LABEL), Frm::kSourceLabel);
  setText(item(IDC_IM_ALL), Frm::kAllCaption);
  setText(item(IDC_IM_PRINTONLY), Frm::kPrintOnlyCaption);
  setText(item(IDC_IM_OVERWRITE), Frm::kOverWriteCaption);
  setText(item(IDOK), Frm::kOkCaption);
  setText(item(IDCANCEL), Frm::kCancelCaption);
  for (int id :
       {IDC_IM_LABEL, IDC_IM_EDIT, IDC_IM_ALL, IDC_IM_PRINTONLY, IDC_IM_OVERWRITE, IDOK, IDCANCEL})
    ::SendMessageW(item(id), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.controls()), FALSE);
  ::SendMessageW(item(IDC_IM_LIST), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.fixedPitch()),
                 FALSE);
  // Three columns of items, as many rows as fit.
  RECT list;
  ::GetClientRect(item(IDC_IM_LIST), &list);
  ::SendMessageW(item(IDC_IM_LIST), LB_SETCOLUMNWIDTH, WPARAM(list.right / 3), 0);
  logic_.AttachView(this);  // shows the logic's state
}

bool ImportDialog::command(int id, int code) {
  const auto checked = [this](int box) {
    return ::IsDlgButtonChecked(dialog(), box) == BST_CHECKED;
  };
  switch (id) {
    case IDC_IM_OPEN:
      if (code == BN_CLICKED) logic_.OpenSBtnClick();
      return true;
    case IDC_IM_LIST:
      if (code == LBN_SELCHANGE) {
        const LRESULT count = ::SendMessageW(item(IDC_IM_LIST), LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i)
          logic_.SetFormSelected(size_t(i),
                                 ::SendMessageW(item(IDC_IM_LIST), LB_GETSEL, WPARAM(i), 0) > 0);
      }
      return true;
    case IDC_IM_ALL:
      if (code == BN_CLICKED) logic_.AllCBoxClick(checked(IDC_IM_ALL));
      return true;
    case IDC_IM_PRINTONLY:
      if (code == BN_CLICKED) logic_.SetPrintOnlyCBtnClick(checked(IDC_IM_PRINTONLY));
      return true;
    case IDC_IM_OVERWRITE:
      if (code == BN_CLICKED) logic_.OverWriteCBoxClick(checked(IDC_IM_OVERWRITE));
      return true;
    case IDOK:
      logic_.OKBtnClick();
      return true;
    case IDCANCEL:  // also Esc and the close box
      logic_.CancelBtnClick();
      return true;
  }
  return false;
}

void ImportDialog::showSourceFile(const std::string& fileName) {
  setText(item(IDC_IM_EDIT), fileName);
}

void ImportDialog::showForms(const std::vector<forms::ImportFormItem>& forms) {
  HWND list = item(IDC_IM_LIST);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const auto& form : forms) {
    const std::wstring text = platform::win32::widen(form.text);
    const LRESULT at =
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (at >= 0 && form.selected) ::SendMessageW(list, LB_SETSEL, TRUE, at);
  }
}

void ImportDialog::showOptions(bool all, bool printOnly, bool overWrite) {
  ::CheckDlgButton(dialog(), IDC_IM_ALL, all ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(dialog(), IDC_IM_PRINTONLY, printOnly ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(dialog(), IDC_IM_OVERWRITE, overWrite ? BST_CHECKED : BST_UNCHECKED);
}

std::optional<std::string> ImportDialog::openFileDialog(const std::string& startDir,
                                                        const std::string& fileName) {
  OpenFileRequest request;
  request.title = Frm::kCaption;
  request.startDir = startDir;
  request.fileName = fileName;
  request.filter = fileFilter();
  return openFile(dialog(), request);
}

void ImportDialog::closeDialog(bool ok) {
  ::EndDialog(dialog(), ok ? IDOK : IDCANCEL);
}

}  // namespace kvt::gui::win32
