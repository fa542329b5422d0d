// The texts of the report mail: the version line, the subject, the body and the recipient.
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "report/CompanyRecord.h"
#include "report/MailClient.h"

namespace kvt::report {

// The maker's report desk, the one recipient of every report.
inline constexpr const char* kMakerDisplayName = "Velmor 客服";

// "使用版本：yyyy/mm/dd" CR LF from the modification date of KVT.EXE in `releaseDir` (with
// trailing backslash); empty when there is no such file.
std::string VersionLine(const platform::FileSystem& fs, const std::string& releaseDir);

// The mail: subject "<Name> KVT 更新情形"; the body's four company lines, the version line,
// an empty line and the log; one "to" recipient, the maker. Line breaks of the log, whatever
// their kind, become CR LF.
MailMessage BuildReportMessage(const CompanyRecord& company, const std::string& versionLine,
                               const std::string& logText);

}  // namespace kvt::report
