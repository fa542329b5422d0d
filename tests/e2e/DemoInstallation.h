// The demonstration installation in a temporary prefix, upgraded by the program's own logic:
// the main window's logic on a scripted window, the real table engines and the real run steps.
// Each run is a fresh program start on the same prefix.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "RunHarness.h"
#include "platform/FileSystem.h"
#include "schema/Database.h"
#include "schema/TableSchema.h"
#include "schema/Value.h"
#include "tools/demo/DemoPrefix.h"

namespace kvt::e2e {

// What one run left on the window.
struct RunResult {
  std::vector<std::string> log;  // the memo's lines after the run
  std::vector<app::testing::Box> boxes;
  int dialogsShown = 0;
  std::string formDir;
  std::string reportText;  // what the report button handed on, when pressed
};

// Every regular file below drive C, by its path relative to the prefix, with its bytes.
using FileSnapshot = std::map<std::string, std::string>;

class DemoInstallation {
 public:
  // The Paradox installation.
  DemoInstallation();
#ifdef KVT_WITH_MYSQL_DEMO
  // The installation with its tables in a fresh database of the test server; the database
  // is dropped again at the end.
  struct OnMySql {};
  explicit DemoInstallation(OnMySql);
#endif
  ~DemoInstallation();
  DemoInstallation(const DemoInstallation&) = delete;
  DemoInstallation& operator=(const DemoInstallation&) = delete;

  const demo::DemoLayout& layout() const {
    return layout_;
  }
  platform::FileSystem& fs() {
    return *fs_;
  }
  std::filesystem::path local(const std::string& winPath) const {
    return layout_.local(winPath);
  }

  // A program start on the prefix, the run button, the operator taking the form directory
  // offered, then the window closed.
  RunResult Run();

  FileSnapshot Snapshot() const;
  std::string Read(const std::string& winPath) const;
  // The names in a Windows directory, sorted.
  std::vector<std::string> List(const std::string& winDir) const;

  // A form file (local path) read into the seven form-definition tables; none when the reader
  // refuses it.
  static std::unique_ptr<Database> ReadForms(const std::filesystem::path& file);

  // The installed package's database, as the program opens it.
  std::unique_ptr<Database> OpenDatabase() const;
  // The installed table's layout and rows; none when the table does not exist.
  std::optional<TableSchema> SchemaOf(const std::string& table) const;
  std::vector<Row> RowsOf(const std::string& table) const;
  // The named tables of the installed database as text (fields, keys, rows), for comparing
  // runs; a missing table is left out.
  std::map<std::string, std::string> Dump(const std::vector<std::string>& names) const;

 private:
  std::filesystem::path root_;
  demo::DemoLayout layout_;
  std::unique_ptr<platform::FileSystem> fs_;
  std::string mySqlDatabase_;  // empty: Paradox
};

// Returns once the clock has passed into the next second. Form-file backups are named to the
// second, so a second run started within the same second would reuse the first run's name.
void WaitForNextSecond();

// The index of the first log line holding `piece`, from `from` on; -1 when none does.
int FindLine(const std::vector<std::string>& log, const std::string& piece, int from = 0);
int CountLines(const std::vector<std::string>& log, const std::string& piece);

}  // namespace kvt::e2e
