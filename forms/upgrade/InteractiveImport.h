// The import offered to the operator outside a run: a form file of the installation is
// unpacked, the import dialog is shown over its tables, and the file is written back when the
// operator imported something.
#pragma once

#include <functional>
#include <string>

#include "forms/upgrade/FormImport.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"

namespace kvt::forms {

enum class InteractiveImportResult {
  Saved,       // forms were imported and the file written back
  Cancelled,   // the operator closed the dialog without importing; the file is as it was
  Unreadable,  // the destination could not be read (the reader said why); nothing changed
  NotSaved,    // the writer could not put the new file in place (it said why)
};

// `workDir` and `sourceWorkDir` (Windows paths with trailing backslashes) are scratch
// directories, emptied afterwards; the source one is removed. `showDialog` shows the dialog
// modally over the logic and returns once it is closed. The destination keeps its own
// format version whatever the source file has.
InteractiveImportResult ImportIntoFormFile(platform::FileSystem& fs, platform::Ui& ui,
                                           const std::string& workDir,
                                           const std::string& sourceWorkDir,
                                           const std::string& destinationFile,
                                           const std::function<void(TImportTableFrm&)>& showDialog);

// The box that tells the operator how an import into `destinationFile` ended; none when the
// operator cancelled.
void ReportImportResult(platform::Ui& ui, InteractiveImportResult result,
                        const std::string& destinationFile);

}  // namespace kvt::forms
