// The steps the run sequence hands over to other layers, one call per item. The program uses
// UpgradeRunSteps (app/UpgradeSteps.h); tests substitute a recording set.
#pragma once

#include <string>

#include "run/RunContext.h"

namespace kvt::app {

class RunSteps {
 public:
  virtual ~RunSteps() = default;

  // Program files: the search of one drive's installation tree ("C:\Velmor\KVT\").
  virtual void SearchInstallations(RunContext& ctx, const std::string& dir) = 0;
  // KVT.EXE and the SSL libraries into FormDir.
  virtual void UpdateFormDirProgram(RunContext& ctx) = 0;
  // One SourceDTX entry into the trade-facilitation directory.
  virtual void CopyDtxFile(RunContext& ctx, const std::string& name) = 0;
  // The one copy rule; true when the target is the release's copy or already new.
  virtual bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                           bool onlyIfNewer, bool reportNew) = 0;

  // The whole database part, each item under its switch and the stop flag: read-only flags,
  // column upgrades, code tables, new tables, the SourceDB tables and the reference rows.
  // Without a database it logs that none was found and does nothing else.
  virtual void RunDatabaseSteps(RunContext& ctx) = 0;

  // Form files: every SourceDBT entry.
  virtual void UpgradeFormFiles(RunContext& ctx) = 0;

  // Report mail, on the report button.
  virtual void SendReport(RunContext& ctx, const std::string& logText) = 0;
};

}  // namespace kvt::app
