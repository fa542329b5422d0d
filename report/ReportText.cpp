#include "report/ReportText.h"

#include "files/InstallationSearch.h"
#include "platform/LocalDate.h"

namespace kvt::report {
namespace {

constexpr const char* kCrLf = "\r\n";

// CR LF, a lone CR and a lone LF all become CR LF.
std::string withCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += kCrLf;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += kCrLf;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string VersionLine(const platform::FileSystem& fs, const std::string& releaseDir) {
  const std::string program = releaseDir + "KVT.EXE";
  if (!fs.fileExists(program)) return {};
  const auto modified = fs.modificationTime(program);
  if (!modified) return {};
  return "使用版本：" + platform::formatDateSlashed(*modified) + kCrLf;
}

MailMessage BuildReportMessage(const CompanyRecord& company, const std::string& versionLine,
                               const std::string& logText) {
  MailMessage mail;
  mail.subject = company.name + " KVT 更新情形";
  mail.body = "公司名稱：" + company.name + kCrLf;
  mail.body += "統一編號：" + company.businessId + kCrLf;
  mail.body += "電話號碼：" + company.telNo + kCrLf;
  mail.body += "公司地址：" + company.address + kCrLf;
  mail.body += versionLine;
  mail.body += kCrLf;
  mail.body += withCrLf(logText);
  mail.toName = kMakerDisplayName;
  // The same desk that is named for executables the release does not carry.
  mail.toAddress = std::string("SMTP:") + files::kMakerMailAddress;
  return mail;
}

}  // namespace kvt::report
