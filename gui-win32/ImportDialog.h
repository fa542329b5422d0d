// The import dialog on Win32, driven by TImportTableFrm: the source file with its open button,
// the three-column list of its forms, the three options and OK / Cancel.
#pragma once

#include "forms/upgrade/FormImport.h"
#include "gui-win32/ModalDialog.h"
#include "gui-win32/WinControls.h"

namespace kvt::gui::win32 {

class ImportDialog : public ModalDialog, public forms::ImportTableView {
 public:
  // The file-open dialog's filter: form files only.
  static std::wstring fileFilter();

  ImportDialog(forms::TImportTableFrm& logic, const Fonts& fonts) : logic_(logic), fonts_(fonts) {}
  void run(HINSTANCE instance, HWND owner);

  // forms::ImportTableView
  void showSourceFile(const std::string& fileName) override;
  void showForms(const std::vector<forms::ImportFormItem>& forms) override;
  void showOptions(bool all, bool printOnly, bool overWrite) override;
  std::optional<std::string> openFileDialog(const std::string& startDir,
                                            const std::string& fileName) override;
  void closeDialog(bool ok) override;

 private:
  void initDialog() override;
  bool command(int id, int code) override;

  forms::TImportTableFrm& logic_;
  const Fonts& fonts_;
};

}  // namespace kvt::gui::win32
