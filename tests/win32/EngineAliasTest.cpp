// The alias read through the installed table engine: here the stand-in library built beside
// this program, whose directory the test writes as the engine's DLLPATH (and takes away
// again); and the registry file DBALIAS.INI when no engine is installed.
#include <gtest/gtest.h>
#include <windows.h>

#include "StandInEngine.h"
#include "app/AliasSource.h"
#include "app/win32/EngineConfig.h"
#include "platform/Cp950.h"
#include "platform/win32/LoadedLibrary.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsFileSystem.h"

namespace kvt::app {
namespace {

namespace win32 = platform::win32;

std::wstring programDir() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The real files, with a Windows directory of the test's own.
class ScratchWindowsDir : public platform::WindowsFileSystem {
 public:
  std::string dir;
  std::string windowsDirectory() const override { return dir; }
};

class EngineAliasTest : public ::testing::Test {
 protected:
  ScratchWindowsDir fs;
  std::wstring here = programDir();
  win32::Library engine;  // held here, so the reader's load finds the served stand-in
  StandInServeFn serve = nullptr;
  StandInRecordFn record = nullptr;
  HKEY key = nullptr;
  std::optional<std::wstring> savedDllPath;

  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    fs.dir = win32::narrow(temp) + "kvt-alias-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(fs.forceDirectories(fs.dir));
    ASSERT_TRUE(fs.writeFile(fs.dir + "\\DBALIAS.INI",
                             "[KVT]\r\nDRIVER=STANDARD\r\nPATH=C:\\FromFile\r\n"));

    engine.reset(::LoadLibraryW((here + engine::kLibraryName).c_str()));
    ASSERT_TRUE(engine);
    serve = win32::exportOf<StandInServeFn>(engine.get(), "StandInServe");
    record = win32::exportOf<StandInRecordFn>(engine.get(), "StandInRecordOf");
    ASSERT_TRUE(serve && record);

    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, engine::kRegistryKey, 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    wchar_t value[2048];
    DWORD size = sizeof value;
    if (::RegQueryValueExW(key, engine::kDllPathValue, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
      savedDllPath = std::wstring(value, wcsnlen(value, size / sizeof(wchar_t)));
  }

  void TearDown() override {
    if (key) {
      if (savedDllPath)
        setDllPath(*savedDllPath);
      else
        ::RegDeleteValueW(key, engine::kDllPathValue);
      ::RegCloseKey(key);
    }
    fs.deleteFile(fs.dir + "\\DBALIAS.INI");
    fs.removeDirectory(fs.dir);
  }

  void setDllPath(const std::wstring& value) {
    ASSERT_EQ(::RegSetValueExW(key, engine::kDllPathValue, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(value.c_str()),
                               DWORD((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  AliasLookup lookup(std::string_view alias) { return InstalledAliasSource(fs)->lookup(alias); }
  std::string engineLine(const std::string& alias) {
    return alias + " Alias 取自資料庫引擎 [" + win32::narrow(here) + "IDAPI32.DLL]。";
  }
  std::string fileLine(const std::string& lead) {
    return lead + "KVT Alias 取自 [" + fs.dir + "\\DBALIAS.INI]。";
  }
};

TEST_F(EngineAliasTest, StandardAndOdbcAliasesComeFromTheEngine) {
  // Alias names go to the engine in the OEM code page, which is 950 here.
  ASSERT_EQ(::GetOEMCP(), 950u);
  const std::string data = platform::utf8ToCp950("資料");
  serve(("DB|KVT|STANDARD|C:\\Ignored\n"
         "NODE|\\DATABASES\\KVT\\DB INFO|TYPE|STANDARD\n"
         "NODE|\\DATABASES\\KVT\\DB INFO|DEFAULT DRIVER|PARADOX\n"
         "NODE|\\DATABASES\\KVT\\DB INFO|PATH|D:\\" +
         platform::utf8ToCp950("資料庫") +
         "\n"
         "DB|" +
         data + "|MySQL ODBC 5.1|\nNODE|\\DATABASES\\" + data +
         "\\DB OPEN|ODBC DSN|KVT_DSN\n"
         "NODE|\\DATABASES\\" +
         data + "\\DB OPEN|USER NAME|kvt\nNODE|\\DATABASES\\" + data +
         "\\DB OPEN|PASSWORD|pw!\n"
         "DB|OLD|STANDARD|C:\\Old\n")
            .c_str());
  setDllPath(L" C:\\NoEngineHere ; " + here);  // the first directory that holds the library

  AliasLookup standard = lookup("kvt");
  ASSERT_TRUE(standard.alias);
  EXPECT_EQ(standard.alias->driver, "STANDARD");
  EXPECT_EQ(standard.alias->params,
            (std::vector<std::string>{"PATH=D:\\資料庫", "DEFAULT DRIVER=PARADOX"}));
  EXPECT_EQ(standard.sourceLine, engineLine("kvt"));

  AliasLookup odbc = lookup("資料");
  ASSERT_TRUE(odbc.alias);
  EXPECT_EQ(odbc.alias->driver, "MySQL ODBC 5.1");
  const MySqlAliasParams p = MySqlParamsOf(*odbc.alias);
  EXPECT_EQ(p.dsn, "KVT_DSN");
  EXPECT_EQ(p.user, "kvt");
  EXPECT_EQ(p.password, "pw!");
  EXPECT_EQ(odbc.sourceLine, engineLine("資料"));

  // A standard alias without its list: the directory of the alias's description.
  AliasLookup old = lookup("OLD");
  ASSERT_TRUE(old.alias);
  EXPECT_EQ(old.alias->params, std::vector<std::string>{"PATH=C:\\Old"});

  AliasLookup none = lookup("NONE");  // the engine's answer stands: no alias
  EXPECT_FALSE(none.alias);
  EXPECT_EQ(none.sourceLine, engineLine("NONE"));

  const StandInRecord& r = *record();
  EXPECT_EQ(r.lastVersion, 0x1F4);
  EXPECT_EQ(r.inits, 4);
  EXPECT_EQ(r.exits, 4);
  EXPECT_EQ(r.openCursors, 0);
  EXPECT_EQ(std::string(r.asked), "kvt;\\DATABASES\\kvt\\DB INFO;" + data + ";\\DATABASES\\" +
                                      data + "\\DB OPEN;OLD;\\DATABASES\\OLD\\DB INFO;NONE;");
}

TEST_F(EngineAliasTest, WithoutAnEngineTheRegistryFileIsRead) {
  serve("DB|KVT|STANDARD|C:\\FromEngine\n");
  const std::vector<std::string> fromFile{"PATH=C:\\FromFile"};

  // The engine's key holds a value, as in a fresh Wine prefix, but no DLLPATH.
  HKEY init = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(key, L"Settings\\SYSTEM\\INIT", 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &init, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(init, L"SHAREDMEMLOCATION", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"9000"),
                   5 * sizeof(wchar_t));
  ::RegCloseKey(init);
  ::RegDeleteValueW(key, engine::kDllPathValue);
  // No DLLPATH; a directory without the library; a damaged library; one without every call.
  const std::string bad = fs.dir + "\\bad";
  ASSERT_TRUE(fs.forceDirectories(bad));
  ASSERT_TRUE(fs.writeFile(bad + "\\IDAPI32.DLL", "MZ and nothing of a library"));
  const std::optional<std::wstring> dllPaths[] = {std::nullopt, win32::widen(fs.dir),
                                                  win32::widen(bad), here + L"partial"};
  for (const std::optional<std::wstring>& dllPath : dllPaths) {
    if (dllPath) setDllPath(*dllPath);
    const std::string shown = dllPath ? win32::narrow(*dllPath) : "none";
    AliasLookup found = lookup("KVT");
    ASSERT_TRUE(found.alias) << shown;
    EXPECT_EQ(found.alias->params, fromFile) << shown;
    EXPECT_EQ(found.sourceLine, fileLine("沒有安裝資料庫引擎，")) << shown;
  }
  fs.deleteFile(bad + "\\IDAPI32.DLL");
  fs.removeDirectory(bad);
  EXPECT_EQ(record()->inits, 0);

  // An engine that does not start: the file again, saying why; no exit without a start.
  serve("INIT|11029\nDB|KVT|STANDARD|C:\\FromEngine\n");
  setDllPath(here);
  AliasLookup found = lookup("KVT");
  ASSERT_TRUE(found.alias);
  EXPECT_EQ(found.alias->params, fromFile);
  EXPECT_EQ(found.sourceLine, fileLine("資料庫引擎 [" + win32::narrow(here) +
                                       "IDAPI32.DLL] 無法啟動 (錯誤 0x2B15)，"));
  EXPECT_EQ(record()->inits, 1);
  EXPECT_EQ(record()->exits, 0);
}

}  // namespace
}  // namespace kvt::app
