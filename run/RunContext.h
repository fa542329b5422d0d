// The run state of the main window and the services every upgrade step uses: the log, the
// label, message boxes, the file system, the other processes' use of files and the databases. The
// main window owns one; each step receives it by reference.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FileUse.h"
#include "platform/Ui.h"
#include "run/Switches.h"
#include "schema/Database.h"

namespace kvt {

// The main window's own controls, as far as the steps touch them.
class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;
  // Adds one line to the log; CR LF inside the text make several lines.
  virtual void appendLog(const std::string& text) = 0;
  virtual void setDirLabel(const std::string& text) = 0;
};

struct RunContext {
  RunContext(MainWindowPort& window, platform::Ui& ui, platform::FileSystem& fs)
      : window(window), ui(ui), fs(fs) {}

  MainWindowPort& window;
  platform::Ui& ui;
  platform::FileSystem& fs;
  // Whether other processes have files open: the package, while it runs, has its tables.
  const platform::FileUse& fileUse = platform::systemFileUse();

  void AppendLog(const std::string& text) { window.appendLog(text); }
  void SetDirLabel(const std::string& text) { window.setDirLabel(text); }
  void ProcessMessages() { ui.processEvents(); }

  UpgradeSwitches switches;

  bool StopFlag = false;
  bool MainExeUpdated = false;
  bool ExeNotUpdated = false;
  bool TradeRepliesMoved = false;
  bool ShowUpgradeOnly = false;
  // The database part found the package running on its database and changed nothing.
  bool DatabaseInUse = false;

  DatabaseKind databaseKind = DatabaseKind::Standard;
  // The MySQL connection (MySQL) or the database directory (Paradox); null when no database
  // was found.
  std::unique_ptr<Database> packageDb;
  // The release directory's Paradox tables; opened when first needed.
  std::unique_ptr<Database> releaseDb;

  std::string ReleaseDir;  // ends with a backslash
  std::string DatabaseDir;
  std::string FormDir;
  std::string SharedDirFound;
  std::string NetDir, HostDir, DtxDir, VanId, AskDir;
  // The table engine's network control directory (with trailing backslash); set from NetDir
  // when that directory exists, empty otherwise.
  std::string NetControlDir;
  std::vector<std::string> UpdatedExeDirs;
};

}  // namespace kvt
