#include "tools/demo/DemoPrefix.h"

#include <chrono>
#include <fstream>
#include <stdexcept>

#include "engine/paradox/ParadoxDatabase.h"
#include "platform/Cp950.h"
#include "platform/LocalDate.h"
#include "tools/demo-files/DemoFiles.h"
#include "tools/demo-forms/DemoForms.h"
#include "tools/demo/DriveLink.h"

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
  return DriveCPath(prefix, winPath);
}

DemoTable CompanyTable() {
  DemoTable t{"Company", Layout("BusinessID A8 *; Name A60; Address A80; TelNo A20"), {}};
  t.rows.push_back({Value("12345675"), Value(platform::utf8ToCp950("示範貿易股份有限公司")),
                    Value(platform::utf8ToCp950("台北市中正區示範路 1 號")),
                    Value("02-2345-6789")});
  return t;
}

void BuildDemoPrefix(const DemoLayout& layout, const fs::path& program) {
  prepareDirectory(layout.prefix);
  fs::create_directories(layout.prefix / "drive_c" / "windows");
  LinkDriveC(layout.prefix);

  writeText(layout.local("C:\\windows\\DBALIAS.INI"),
            "[KVT]\r\nDRIVER=STANDARD\r\nPATH=" +
                layout.databaseDir.substr(0, layout.databaseDir.size() - 1) + "\r\n");

  // The installed package: settings, the four marker directories, an older secondary form file.
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
  const fs::path installedDbl = layout.local(layout.installDir + "KVTE.DBL");
  writeBytes(installedDbl, "demo secondary form file, installed version\r\n");
  setDate(installedDbl, 2012, 3, 1);

  // The release: its switch file and the files it delivers to the form directory.
  const fs::path release = layout.local(layout.releaseDir);
  fs::create_directories(release);
  writeText(release / "KVTUpgrade.INI", DemoSwitchFileText());
  writeBytes(release / "KVTE.DBL", "demo secondary form file, release version\r\n");
  setDate(release / "KVTE.DBL", 2013, 9, 5);
  writeBytes(release / "LOGO.BMP", "BM demo picture\r\n");
  setDate(release / "LOGO.BMP", 2013, 9, 5);

  // Programs old and new on both sides, and the trade-facilitation files.
  AddProgramFileDemo(layout.prefix, layout.releaseDir);

  // The tables: old layouts with rows in the installation, new layouts and reference rows in
  // the release. Each database writes its files when it goes out of scope.
  {
    paradox::ParadoxDatabase installation(layout.local(layout.databaseDir), layout.databaseDir);
    BuildTables(installation, InstallationTables());
    BuildTable(installation, CompanyTable());
    paradox::ParadoxDatabase releaseTables(release, layout.releaseDir);
    BuildTables(releaseTables, ReleaseTables());
  }
  // Installed tables older than the release's, as on a customer's PC: a replaced table file
  // is then kept under its dated backup name (files of one time count as the same version).
  for (const auto& entry : fs::directory_iterator(layout.local(layout.databaseDir)))
    setDate(entry.path(), 2012, 3, 1);
  for (const auto& entry : fs::directory_iterator(release)) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".DB" || ext == ".PX" || ext == ".MB") setDate(entry.path(), 2013, 9, 5);
  }

  AddFormFileDemo(layout.prefix, layout.releaseDir, layout.installDir);

  if (!program.empty()) {
    fs::copy_file(program, release / program.filename(), fs::copy_options::overwrite_existing);
    fs::permissions(release / program.filename(),
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec);
  }
}

}  // namespace kvt::demo
