// What a run on the demonstration installation must have done, checked on disk, in the
// tables and in the log; shared by the Paradox and the MySQL installation.
#pragma once

#include <string>

#include "DemoInstallation.h"

namespace kvt::e2e {

// The closing message of a run that was not stopped.
inline constexpr const char* kClosingHint =
    "如果希望Velmor知道您更新的情形，\r\n請按左下的 [給Velmor回函] 按鈕。";

// Old executables replaced by the release's, each kept under a dated backup name beside it;
// the too old one, the backup directory's and the loose copy untouched; no file lost.
void ExpectProgramsUpgraded(const FileSnapshot& before, const FileSnapshot& after);

// The trade-facilitation files, the secondary form file (with its backup) and the picture.
void ExpectFilesCopied(const FileSnapshot& before, const FileSnapshot& after);

// Altered tables in the release's layout with all their rows, the new tables there, the
// SourceDB table in the release's layout and the reference rows refreshed.
void ExpectTablesUpgraded(DemoInstallation& inst);

// Both form files rewritten with the old one kept in the backup directory, the entry lists
// applied and the release's forms imported; in the log after the shared files.
void ExpectFormFilesUpgraded(DemoInstallation& inst, const RunResult& run,
                             const FileSnapshot& before, const FileSnapshot& after);

// The log holds one line of every part in the order of the run (`columnLine` is the line of
// the X202Base column upgrade, which names the engine), no failure, and only the closing box.
void ExpectLogInRunOrder(const RunResult& run, const std::string& columnLine);

// The second run reports files and tables as already new, creates nothing but the table made
// afresh on every run, and leaves every file as the first run left it.
// Table files whose rows a run always refreshes may differ in their bytes; their rows are
// compared by the caller. Every form-file rewrite keeps a backup of the file it replaced.
void ExpectNothingChangedBySecondRun(const RunResult& second, const FileSnapshot& afterFirst,
                                     const FileSnapshot& afterSecond,
                                     const std::vector<std::string>& refreshedFiles = {});

}  // namespace kvt::e2e

namespace kvt::e2e {

// Every table of the installed package as it was before a run: layout and rows.
struct TableImage {
  TableSchema schema;
  std::vector<Row> rows;
};
using DatabaseImage = std::map<std::string, TableImage>;
DatabaseImage CaptureInstalledTables(DemoInstallation& inst);

// Every row of every table and every value in it is still there after the run, unless the
// switches of the demonstration asked for the change: the columns the column upgrades drop,
// the rows of the refreshed Modes and of the SourceDB tables (then holding the release's
// values), and the FNo override of XNoMap2.
void ExpectNoValueLost(const DatabaseImage& before, DemoInstallation& inst);

}  // namespace kvt::e2e
