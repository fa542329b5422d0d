#include "forms/upgrade/InteractiveImport.h"

#include <memory>

#include "forms/FileHelpers.h"
#include "forms/FormFileReader.h"
#include "forms/FormFileVersion.h"
#include "forms/FormFileWriter.h"
#include "forms/FormTables.h"
#include "forms/upgrade/WorkTables.h"

namespace kvt::forms {
namespace {

// Both scratch directories are left empty, whichever way the import ends; the source one goes.
class ScratchCleaner {
 public:
  ScratchCleaner(platform::FileSystem& fs, std::string work, std::string source)
      : fs_(fs), work_(std::move(work)), source_(std::move(source)) {}
  ~ScratchCleaner() {
    ClearDirectory(fs_, work_);
    ClearDirectory(fs_, source_);
    fs_.removeDirectory(platform::excludeTrailingBackslash(source_));
  }
  ScratchCleaner(const ScratchCleaner&) = delete;
  ScratchCleaner& operator=(const ScratchCleaner&) = delete;

 private:
  platform::FileSystem& fs_;
  std::string work_;
  std::string source_;
};

}  // namespace

InteractiveImportResult ImportIntoFormFile(
    platform::FileSystem& fs, platform::Ui& ui, const std::string& workDir,
    const std::string& sourceWorkDir, const std::string& destinationFile,
    const std::function<void(TImportTableFrm&)>& showDialog) {
  // The run's version strings are not this import's business.
  FormFileVersionKeeper runVersions;
  fs.forceDirectories(workDir);
  fs.forceDirectories(sourceWorkDir);
  ScratchCleaner cleaner(fs, workDir, sourceWorkDir);
  const std::unique_ptr<Database> work = OpenWorkTables(fs, workDir);
  if (!work || !fs.directoryExists(workDir)) return InteractiveImportResult::Unreadable;
  CreateFormTables(*work);
  if (!ReadFormFile(fs, ui, destinationFile, *work)) return InteractiveImportResult::Unreadable;
  const std::string destinationVersion = FormFileVersion;

  TImportTableFrm dialog(fs, ui);
  dialog.destinationDir = workDir;
  dialog.sourceDir = sourceWorkDir;
  showDialog(dialog);
  if (dialog.modalResult != TImportTableFrm::ModalResult::Ok) {
    return InteractiveImportResult::Cancelled;
  }
  FormFileVersion = destinationVersion;
  return SaveFormFile(fs, ui, *work, destinationFile) ? InteractiveImportResult::Saved
                                                      : InteractiveImportResult::NotSaved;
}

void ReportImportResult(platform::Ui& ui, InteractiveImportResult result,
                        const std::string& destinationFile) {
  using platform::BoxKind;
  switch (result) {
    case InteractiveImportResult::Saved:
      ui.messageBox(BoxKind::Information, "主表單檔 [" + destinationFile + "] 更改完成。");
      break;
    case InteractiveImportResult::NotSaved:
      ui.messageBox(BoxKind::Error, "主表單檔 [" + destinationFile + "] 沒有更改。");
      break;
    case InteractiveImportResult::Unreadable:
      ui.messageBox(BoxKind::Error, "主表單檔 [" + destinationFile + "] 讀取失敗。");
      break;
    case InteractiveImportResult::Cancelled:
      break;
  }
}

}  // namespace kvt::forms
