// New tables of a release: code tables and message tables. MySQL gets a CREATE TABLE
// statement, Paradox the release's table files. A table that exists is left alone (except
// ECFAUnit, which is made again each time its switch is on).
#pragma once

#include <string>

#include "run/RunContext.h"

namespace kvt::upgrade {

// A code table; `descriptionColumn` empty means "Description".
void CreateCodeTable(RunContext& ctx, const std::string& table, int codeWidth,
                     const std::string& descriptionColumn, int descriptionWidth);

// One of the message tables with a fixed statement (X901_5th, X903Base, X903_2nd, XS01Base,
// XS02Base, X602Base, X602_2nd, X602_3rd). Returns true when the table was created.
bool CreateScriptedTable(RunContext& ctx, const std::string& table);

// XIDPSW, created and then filled with the release's rows.
void AddXIDPSW(RunContext& ctx);

// EMailFTP and EMailLog under one switch.
void AddEMailFTP(RunContext& ctx);

// The code-table steps whose switches are on, in run order, while not stopped.
void RunCodeTableSteps(RunContext& ctx);
// The other new-table steps whose switches are on, in run order, while not stopped.
void RunNewTableSteps(RunContext& ctx);

}  // namespace kvt::upgrade
