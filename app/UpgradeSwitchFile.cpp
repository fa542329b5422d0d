#include "app/UpgradeSwitchFile.h"

#include <cstdio>

#include "platform/AsciiText.h"
#include "platform/Cp950.h"
#include "platform/ProfileFile.h"

namespace kvt::app {
namespace {

using platform::TrimBlanks;
using platform::UpperAscii;

// The memo's lines joined with CR LF, each line ended, as a Windows text file holds them.
std::string windowsLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    if (text[i] == '\n')
      out += "\r\n";
    else
      out += text[i];
  }
  if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
  return out;
}

}  // namespace

std::string StripComment(std::string_view value) {
  size_t semicolon = value.find(';');
  if (semicolon == std::string_view::npos) return std::string(value);
  return std::string(TrimBlanks(value.substr(0, semicolon)));
}

bool ReadSwitch(const SectionValues& values, std::string_view key) {
  return UpperAscii(StripComment(platform::lookupValue(values, key))) == "YES";
}

std::vector<std::string> ReadList(const SectionValues& values, std::string_view key,
                                  std::size_t maximum) {
  std::vector<std::string> list;
  for (std::size_t number = 1; number <= maximum; ++number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03zu", number);
    std::string entry = StripComment(platform::lookupValue(values, std::string(key) + digits));
    if (!entry.empty() && list.size() < maximum) list.push_back(std::move(entry));
  }
  return list;
}

UpgradeSwitches ParseUpgradeSwitches(const SectionValues& values) {
  UpgradeSwitches s;
  ForEachList(s, [&](std::string_view key, std::vector<std::string>& list, std::size_t maximum) {
    list = ReadList(values, key, maximum);
  });
  ForEachSwitch(s, [&](std::string_view key, bool& flag) { flag = ReadSwitch(values, key); });
  return s;
}

UpgradeSwitches ReadUpgradeSwitches(platform::FileSystem& fs, const std::string& releaseDir,
                                    const std::string& memoText) {
  const std::string tempFile = releaseDir + std::string(kTempSwitchFile);
  if (!fs.writeFile(tempFile, platform::utf8ToCp950(windowsLines(memoText)))) {
    fs.deleteFile(tempFile);
    throw SwitchFileError("無法寫入暫存檔 [" + tempFile + "] !");
  }
  std::optional<std::string> bytes = fs.readFile(tempFile);
  fs.deleteFile(tempFile);
  if (!bytes) throw SwitchFileError("無法讀取暫存檔 [" + tempFile + "] !");
  platform::ProfileFile file = platform::ProfileFile::parse(platform::cp950ToUtf8(*bytes));
  return ParseUpgradeSwitches(file.sectionValues("System"));
}

}  // namespace kvt::app
