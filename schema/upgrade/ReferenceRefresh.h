// Reference rows of the release merged into the package database: rows of one message Mode
// upserted into a shared mapping table, and the release's port list merged into DS43Port.
#pragma once

#include <string>

#include "run/RunContext.h"

namespace kvt::upgrade {

struct ModeRefresh {
  std::string table;      // "XMLApp" or "XNoMap2"
  std::string mode;       // the Mode named in the log ("X102", "X602", ...)
  std::string filter;     // applied to the release table
  std::string keyFields;  // "Mode;SEQ" or "Mode;KVTNo"
  std::string label;      // ends the log line: "(X102)。"
};

// The refresh of one switch of the reference table: XMLApp for X102, X602, X903, XS01, XS02;
// XNoMap2 for X101, X201, X301, X401, X601, XSEA.
ModeRefresh XMLAppRefresh(const std::string& mode);
ModeRefresh XNoMap2Refresh(const std::string& mode);

// Upserts the release rows that pass the filter into the package table, keyed by Mode and
// the second key column. Package rows of other Modes, and rows the release lacks, stay.
void RefreshFromReleaseByMode(RunContext& ctx, const ModeRefresh& refresh);

// Merges the release's KVT43 port list into the package's DS43Port.
void RefreshDS43Port(RunContext& ctx);

// DS43Port and then every Mode refresh whose switch is on, while not stopped.
void RunReferenceRefreshes(RunContext& ctx);

}  // namespace kvt::upgrade
