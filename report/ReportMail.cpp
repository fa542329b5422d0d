#include "report/ReportMail.h"

#include "report/CompanyRecord.h"
#include "report/ReportText.h"
#include "schema/EngineError.h"

namespace kvt::report {

std::optional<std::string> MailResultMessage(int result) {
  switch (result) {
    case mail_result::kSuccess:
      return std::nullopt;
    case mail_result::kLoginFailure:
      return "沒有預設帳號 !";
    case mail_result::kInsufficientMemory:
      return "沒有足夠的記憶體 !";
    case mail_result::kAttachmentNotFound:
      return "找不到某個附檔 !";
    case mail_result::kAttachmentOpenFailure:
      return "開啟某個附檔時失敗 !";
    default:
      // The operator's cancel, a missing client and every other failure.
      return "連結 OutLook Express 沒有成功 !";
  }
}

void SendReport(RunContext& ctx, MailClient& client, const std::string& logText) {
  // Without a package database there is no Company table to read, as with a database that
  // lacks it.
  if (!ctx.packageDb) {
    throw EngineError(ErrorKind::MissingTable,
                      "Table Company does not exist: no package database was found");
  }
  const CompanyRecord company = ReadCompanyRecord(*ctx.packageDb);
  const MailMessage mail =
      BuildReportMessage(company, VersionLine(ctx.fs, ctx.ReleaseDir), logText);
  if (auto message = MailResultMessage(client.send(mail, ctx.ui))) {
    ctx.ui.messageBox(platform::BoxKind::Error, *message);
  }
}

}  // namespace kvt::report
