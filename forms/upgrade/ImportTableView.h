// What the import dialog's logic (TImportTableFrm) needs of its window: the source file field,
// the list of forms, the three options, the file-open dialog and closing. The window passes the
// operator's choices back through the logic's setters and button handlers. The Qt dialog and
// the Win32 dialog implement it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvt::forms {

// One form of the source file as the list shows it.
struct ImportFormItem {
  int64_t formNo = 0;
  std::string text;  // the number right-aligned in six places, a blank, the name (UTF-8)
  bool selected = false;
};

class ImportTableView {
 public:
  virtual ~ImportTableView() = default;
  virtual void showSourceFile(const std::string& fileName) = 0;
  // The whole list, with each item's selection.
  virtual void showForms(const std::vector<ImportFormItem>& forms) = 0;
  virtual void showOptions(bool all, bool printOnly, bool overWrite) = 0;
  // A file-open dialog for a form file, started in `startDir` with `fileName` preselected
  // (Windows paths); the Windows path of the chosen file, or nullopt when cancelled.
  virtual std::optional<std::string> openFileDialog(const std::string& startDir,
                                                    const std::string& fileName) = 0;
  virtual void closeDialog(bool ok) = 0;
};

}  // namespace kvt::forms
