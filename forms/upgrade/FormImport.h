// Bringing forms from a new form file into the form-definition tables of another: each chosen
// form replaces the destination's form of the same number, with its entry and print-field
// placements and the dictionary rows they use; the named text blocks are merged. The upgrade
// runs it without showing anything; a dialog shows the same state and calls the same
// actions through ImportTableView. Both sides are directories of the seven tables, named by Windows
// paths.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/upgrade/ImportTableView.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "schema/Database.h"

namespace kvt::forms {

class TImportTableFrm {
 public:
  enum class ModalResult { None, Ok, Cancel };

  // The dialog's texts.
  static constexpr const char* kCaption = "匯入主表單";
  static constexpr const char* kSourceLabel = "來源的主表單檔名稱：";
  static constexpr const char* kAllCaption = "全部表單";
  static constexpr const char* kPrintOnlyCaption = "只匯入表單的列印參數";
  static constexpr const char* kOverWriteCaption = "總表部份使用覆蓋方式";
  static constexpr const char* kOkCaption = "確 定 (&O)";
  static constexpr const char* kCancelCaption = "取 消 &X)";
  static constexpr const char* kFileFilterName = "主表單檔名稱(*.DBT)";

  using FormItem = ImportFormItem;

  // Opens the tables of a directory; the Paradox tables of the directory by default.
  using DatabaseOpener = std::function<std::unique_ptr<Database>(const std::string& winDir)>;

  TImportTableFrm(platform::FileSystem& fs, platform::Ui& ui, DatabaseOpener opener = {});

  // The upgrade's use: every form of `sourceFile` into the tables of `destinationDir`, with
  // `sourceDir` as scratch space, which is emptied and removed afterwards.
  void ImportForms(const std::string& sourceFile, const std::string& sourceDir,
                   const std::string& destinationDir);

  // Makes `fileName` the source, unpacks it into the source directory and lists its forms; the
  // list is empty when it cannot be read.
  void LoadSourceFormFile(const std::string& fileName);
  // The OK button: imports the chosen forms (or reloads an empty list), then merges blocks.
  void ImportSelectedForms();
  void ImportWholeForm(int64_t formNo);
  void ImportPrintParameters(int64_t formNo);
  // Whether the destination dictionary has the entry, or a destination form places it.
  bool IsEntryKnown(int64_t entryNo);
  void MergeBlocks();
  void CancelBtnClick();
  // The dialog's Open and OK buttons: LoadSourceFormFile and ImportSelectedForms with any error
  // (of the table engine, of the files) shown in an error box instead of passed on. A failed
  // open leaves the list empty; a failed OK closes the dialog as cancelled, since the
  // destination tables may then hold half an import.
  void OpenSourceFile(const std::string& fileName);
  void OKBtnClick();

  // The window showing this dialog (null when none): it is shown the current state at once,
  // and again after every action that changes it; OK and Cancel close it.
  void AttachView(ImportTableView* view);
  // The open button: a file-open dialog in the current source's directory (D:\ at first).
  void OpenSBtnClick();
  // The operator's choices, as the window reports them.
  void SetFormSelected(std::size_t index, bool selected);
  void AllCBoxClick(bool on) { AllCBox = on; }
  void SetPrintOnlyCBtnClick(bool on) { SetPrintOnlyCBtn = on; }
  void OverWriteCBoxClick(bool on) { OverWriteCBox = on; }

  // The dialog state.
  std::string destinationDir;
  std::string sourceDir;
  std::string sourceFile;
  std::string ImportTableEdit;
  std::vector<FormItem> FormNameLBox;
  bool AllCBox = true;
  bool SetPrintOnlyCBtn = false;
  bool OverWriteCBox = false;
  ModalResult modalResult = ModalResult::None;

  // "    12 NAME": the number right-aligned in six places; a wider number is shown whole.
  static std::string FormItemText(int64_t formNo, const std::string& formName);

 private:
  std::unique_ptr<Database> open(const std::string& dir, bool mustExist) const;
  // The destination and source tables of one import, opened once for all its forms.
  struct Sides;
  void importWholeForm(Sides& sides, int64_t formNo);
  void importPrintParameters(Sides& sides, int64_t formNo);
  bool isEntryKnown(Database& destination, int64_t entryNo);
  void mergeBlocks(Database& destination, Database& source);
  void showState();

  platform::FileSystem& fs_;
  platform::Ui& ui_;
  DatabaseOpener opener_;
  ImportTableView* view_ = nullptr;
};

}  // namespace kvt::forms
