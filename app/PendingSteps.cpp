// Nothing is done here yet: each function hands over to its layer once that is wired in.
#include "app/PendingSteps.h"

namespace kvt::app::pending {

void SearchInstallations(RunContext&, const std::string&) {}
void UpdateFormDirProgram(RunContext&) {}
void CopyDtxFile(RunContext&, const std::string&) {}
bool CopyIfNewer(RunContext&, const std::string&, const std::string&, bool, bool) {
  return false;
}

void ClearReadOnlyFlags(RunContext&) {}
void UpgradeColumns(RunContext&, const std::string&) {}
void CreateCodeTable(RunContext&, const std::string&, int, const std::string&, int) {}
void AddNewTable(RunContext&, const std::string&) {}
void CopyTableFiles(RunContext&, const std::string&) {}
void RefreshTableFromRelease(RunContext&, const std::string&) {}
void RefreshDS43Port(RunContext&) {}
void RefreshFromReleaseByMode(RunContext&, const std::string&, const std::string&) {}

void UpgradeFormFiles(RunContext&) {}

void SendReport(RunContext&, const std::string&) {}

}  // namespace kvt::app::pending
