#include "tools/demo/DemoSwitches.h"

#include "platform/AsciiText.h"
#include "tools/demo-db/DemoTables.h"
#include "tools/demo-files/DemoFiles.h"
#include "tools/demo-forms/DemoForms.h"

namespace kvt::demo {
namespace {}  // namespace

std::string MergeSwitchLines(std::string_view text, std::string& seenKeys) {
  std::string out;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = platform::TrimBlanks(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line == "[System]") continue;
    if (line.front() != ';') {
      const size_t eq = line.find('=');
      if (eq == std::string_view::npos) continue;
      // Keys are kept between newlines so that one key never matches inside another.
      const std::string key = "\n" + std::string(platform::TrimBlanks(line.substr(0, eq))) + "\n";
      if (seenKeys.find(key) != std::string::npos) continue;
      seenKeys += key;
    }
    out.append(line);
    out += "\r\n";
  }
  return out;
}

std::string DemoSwitchFileText() {
  std::string keys;
  std::string text =
      ";KVT 更新設定檔 (示範發行版)\r\n"
      ";開關的值為 YES 才執行；分號之後為註解。\r\n"
      "[System]\r\n";
  text += ";----- 程式更新 -----\r\n";
  text += MergeSwitchLines(
      "DependOnMainEXE=YES       ;主程式沒有更新時不繼續\r\n"
      "ShowUpgradeOnly=NO        ;已是新版的項目也列出\r\n",
      keys);
  text += MergeSwitchLines(kProgramFileDemoSwitches, keys);
  text += ";----- 表單檔 -----\r\n";
  text += MergeSwitchLines(kFormFileDemoSwitches, keys);
  text += MergeSwitchLines(
      "SourceDBL001=KVTE.DBL     ;副表單檔\r\n"
      "SourceMap001=LOGO.BMP     ;圖檔\r\n",
      keys);
  text += ";----- 資料庫 -----\r\n";
  text += MergeSwitchLines(DemoSwitchText(), keys);
  // The column upgrade of X101_12 comes first and leaves the code table in place.
  text += MergeSwitchLines("DoAddX101_12=YES\r\n", keys);
  return text;
}

}  // namespace kvt::demo
