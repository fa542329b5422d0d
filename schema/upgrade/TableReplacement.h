// Paradox steps that put the release's table in place of an installed one: the installed
// table is kept whole under its dated name and its rows are carried into the new table.
#pragma once

#include <string>

#include "files/TableCopy.h"
#include "run/RunContext.h"

namespace kvt::upgrade {

// The release's table takes the installed one's place (files::CopyReleaseTable with
// `options`) and the installed rows are copied into it; the installed table stays under its
// dated name. A new table that cannot be opened gives the installed one its name back; an
// installed table whose rows cannot be read is only kept under its dated name. Rows the new
// table refuses are counted in the log. True when the release's table is in place.
bool ReplaceKeepingRows(RunContext& ctx, const std::string& table,
                        const files::TableCopyOptions& options);

// Whether the release directory holds the table and its rows can be read; logs why not.
bool ReleaseTableReadable(RunContext& ctx, const std::string& table);

}  // namespace kvt::upgrade
