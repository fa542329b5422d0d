// The import dialog's Qt window, driven by TImportTableFrm: the source file with its open
// button, the list of its forms, the three options and OK / Cancel.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "forms/upgrade/FormImport.h"
#include "platform/FileSystem.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace kvt::gui {

class ImportTableDialog : public QDialog, public forms::ImportTableView {
 public:
  using Frm = forms::TImportTableFrm;
  static constexpr const char* kCaption = Frm::kCaption;
  static constexpr const char* kFileFilter = "主表單檔名稱(*.DBT) (*.DBT *.dbt)";

  // Asks for a form file, starting in `startDir` with `fileName` preselected (Windows paths);
  // nullopt when the operator gives up.
  using FilePicker = std::function<std::optional<std::string>(const std::string& startDir,
                                                              const std::string& fileName)>;

  ImportTableDialog(forms::TImportTableFrm& logic, platform::FileSystem& fs, QWidget* owner);
  ~ImportTableDialog() override;
  // Tests answer the open dialog themselves.
  void setFilePicker(FilePicker picker) { pickFile_ = std::move(picker); }

  // forms::ImportTableView
  void showSourceFile(const std::string& fileName) override;
  void showForms(const std::vector<forms::ImportFormItem>& forms) override;
  void showOptions(bool all, bool printOnly, bool overWrite) override;
  std::optional<std::string> openFileDialog(const std::string& startDir,
                                            const std::string& fileName) override;
  void closeDialog(bool ok) override;

 protected:
  void reject() override;

 private:
  std::optional<std::string> pickWithFileDialog(const std::string& startDir,
                                                const std::string& fileName);

  forms::TImportTableFrm& logic_;
  platform::FileSystem& fs_;
  FilePicker pickFile_;
  QLineEdit* importTableEdit_;
  QListWidget* formNameLBox_;
  QCheckBox* allCBox_;
  QCheckBox* printOnlyCBtn_;
  QCheckBox* overWriteCBox_;
};

}  // namespace kvt::gui
