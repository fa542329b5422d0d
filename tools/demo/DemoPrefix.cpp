#include "tools/demo/DemoPrefix.h"

#include <chrono>
#include <fstream>
#include <stdexcept>

#include "platform/Cp950.h"
#include "platform/LocalDate.h"

namespace kvt::demo {
namespace fs = std::filesystem;
namespace {

constexpr const char* kMarker = ".kvt-demo-prefix";

void writeBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

// Text files of the package are code page 950 with CR LF.
void writeText(const fs::path& file, const std::string& utf8) {
  writeBytes(file, platform::utf8ToCp950(utf8));
}

void setDate(const fs::path& file, int year, int month, int day) {
  const auto when = platform::localDate(year, month, day);
  fs::last_write_time(file,
                      fs::file_time_type::clock::now() + (when - std::chrono::system_clock::now()));
}

void prepareDirectory(const fs::path& prefix) {
  std::error_code ec;
  if (fs::exists(prefix)) {
    const bool ours = fs::exists(prefix / kMarker);
    if (!ours && !fs::is_empty(prefix, ec))
      throw std::runtime_error(prefix.string() +
                               " exists and was not made by kvt-demo; refusing to replace it");
    fs::remove_all(prefix);
  }
  fs::create_directories(prefix);
  writeBytes(prefix / kMarker, "made by kvt-demo\n");
}

}  // namespace

fs::path DemoLayout::local(const std::string& winPath) const {
  fs::path p = prefix / "drive_c";
  std::string rest = winPath.substr(3);  // after "C:\"
  size_t start = 0;
  while (start < rest.size()) {
    size_t slash = rest.find('\\', start);
    std::string part =
        rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!part.empty()) p /= part;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return p;
}

std::string DemoSwitchFileText() {
  return ";KVT 更新設定檔 (示範發行版)\r\n"
         ";開關的值為 YES 才執行；分號之後為註解。\r\n"
         "[System]\r\n"
         ";----- 程式更新 -----\r\n"
         "UpgradeKVTEXE=YES        ;更新各處的 KVT 主程式\r\n"
         "DependOnMainEXE=NO       ;主程式沒有更新時是否停止\r\n"
         "UpgradeSSLDLL=NO         ;更新 SSL 程式庫\r\n"
         "ShowUpgradeOnly=NO       ;只顯示有更新的項目\r\n"
         ";----- 表單檔 -----\r\n"
         "SourceDBT001=E, *, [KVT]KVTE.DBT, 出口報單 ;主表單檔\r\n"
         "SourceDBL001=KVTE.DBL    ;副表單檔\r\n"
         "SourceMap001=LOGO.BMP    ;圖檔\r\n"
         ";----- 貿易便捷化 -----\r\n"
         "SourceDTX001=X102.DTX\r\n"
         "SourceDTX002=X102.XSD\r\n"
         ";----- 資料庫 -----\r\n"
         "DoUpgradeX102Base=YES    ;X102 欄位更新\r\n"
         "DoUpgradeX202Base=YES\r\n"
         "DoAddX101_9=YES          ;新增代碼表\r\n"
         "DoAddPortCN=YES\r\n"
         "DoAddX901_5th=YES        ;新增資料表\r\n"
         "DoAddCNCode=YES\r\n"
         "ChangeDS43Port=YES       ;更新港口代碼\r\n"
         "ChangeXMLAppX102=YES\r\n"
         "ChangeXNoMap2X101=YES\r\n"
         "X101目的國家用15766及15768=YES\r\n"
         "SourceDB001=X101_6\r\n"
         "SourceDB002=DS43Port\r\n"
         ";----- 表單修正 -----\r\n"
         "DoEFormClass=NO\r\n"
         "EAlterFI05Formular=NO\r\n";
}

void BuildDemoPrefix(const DemoLayout& layout, const fs::path& program) {
  prepareDirectory(layout.prefix);
  fs::create_directories(layout.prefix / "drive_c" / "windows");
  fs::create_directories(layout.prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", layout.prefix / "dosdevices" / "c:");

  writeText(layout.local("C:\\windows\\DBALIAS.INI"),
            "[KVT]\r\nDRIVER=STANDARD\r\nPATH=" +
                layout.databaseDir.substr(0, layout.databaseDir.size() - 1) + "\r\n");

  // The installed package: settings, the four marker directories, an old main program.
  for (const char* sub : {"Database", "Image", "DOC", "Help", "DTX", "ASK"})
    fs::create_directories(layout.local(layout.installDir + sub));
  writeText(layout.local(layout.installDir + "KVT.ini"),
            "[System]\r\n"
            ";資料庫與共用檔案的位置\r\n"
            "DatabasePath=C:\\Velmor\\KVT\\Database\r\n"
            "NetFileDir=C:\\Velmor\\KVT\\Database\r\n"
            "eTradeDTXPath=C:\\Velmor\\KVT\\DTX ;貿易便捷化\r\n"
            "eTradeVANID=1 ;加值網路\r\n"
            "eTradeASKPath=C:\\Velmor\\KVT\\ASK\r\n");
  const fs::path installedExe = layout.local(layout.installDir + "KVT.EXE");
  writeBytes(installedExe, "MZ KVT demo program, installed version\r\n");
  setDate(installedExe, 2012, 3, 1);

  // The release: the upgrade program, its switch file and the files it delivers.
  const fs::path release = layout.local(layout.releaseDir);
  fs::create_directories(release);
  writeText(release / "KVTUpgrade.INI", DemoSwitchFileText());
  writeBytes(release / "KVT.EXE", "MZ KVT demo program, release version\r\n");
  setDate(release / "KVT.EXE", 2013, 9, 5);
  writeBytes(release / "KVTE.DBL", "demo secondary form file\r\n");
  writeBytes(release / "LOGO.BMP", "BM demo picture\r\n");
  writeBytes(release / "X102.DTX", "demo trade-facilitation file\r\n");
  writeBytes(release / "X102.XSD", "<?xml version=\"1.0\"?><schema/>\r\n");
  if (!program.empty()) {
    fs::copy_file(program, release / program.filename(), fs::copy_options::overwrite_existing);
    fs::permissions(release / program.filename(),
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec);
  }
}

}  // namespace kvt::demo
