// The report mail of the report button: the company record, the release's version line, the
// subject and the body with the whole log, handed to the desktop's mail client.
#pragma once

#include <string>

#include "report/MailClient.h"
#include "run/RunContext.h"

namespace kvt::report {

// Builds the mail from ctx.packageDb's Company table, ctx.ReleaseDir's KVT.EXE and `logText`,
// sends it through `client` and shows the message box of a result other than success.
// Errors of the table engine (no Company table) reach the caller.
void SendReport(RunContext& ctx, MailClient& client, const std::string& logText);

}  // namespace kvt::report
