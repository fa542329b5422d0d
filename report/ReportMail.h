// The report mail of the report button: the company record, the release's version line, the
// subject and the body with the whole log, handed to the desktop's mail client.
#pragma once

#include <optional>
#include <string>

#include "report/MailClient.h"
#include "run/RunContext.h"

namespace kvt::report {

// Builds the mail from ctx.packageDb's Company table, ctx.ReleaseDir's KVT.EXE and `logText`
// (the log as the window shows it: UTF-8, lines ended by CR LF), sends it through `client`
// and shows the error box of a result other than success. Errors of the table engine (no
// package database, no Company table, a missing column) reach the caller before anything is
// sent.
void SendReport(RunContext& ctx, MailClient& client, const std::string& logText);

// The text of the error box for a mail result; nullopt for success.
std::optional<std::string> MailResultMessage(int result);

}  // namespace kvt::report
