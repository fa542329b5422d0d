// The form-file step of a run: every SourceDBT entry read into the work tables, new forms
// imported, the entry lists and fixed patches applied, and the file written back.
#pragma once

#include <string>

#include "run/RunContext.h"

namespace kvt::forms {

// Every SourceDBT entry in list order, each by UpgradeFormFile; the form directory an entry
// names for itself holds for that entry only.
void UpgradeFormFiles(RunContext& ctx);

// One entry: `index` counts from 1 (it names the source work directory "SrcTable<n>\"),
// `kind` is "I" or "E" (anything else gets only the import and the rewrite), `sourceName` is
// a form file of the release directory or "*", `destinationName` a file of ctx.FormDir.
void UpgradeFormFile(RunContext& ctx, int index, const std::string& kind,
                     const std::string& sourceName, bool applyAdditions,
                     const std::string& destinationName);

}  // namespace kvt::forms
