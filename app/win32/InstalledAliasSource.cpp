// The aliases of the installed table engine, read through the engine itself from the library
// its registry key names; the registry file DBALIAS.INI when no engine is installed (no
// DLLPATH, no library there, or a library without the calls) or when it does not start.
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/AliasSource.h"
#include "app/win32/EngineConfig.h"
#include "platform/AsciiText.h"
#include "platform/win32/LoadedLibrary.h"
#include "platform/win32/WideText.h"

namespace kvt::app {
namespace {

namespace win32 = platform::win32;

struct EngineCalls {
  engine::InitFn init = nullptr;
  engine::ExitFn exit = nullptr;
  engine::GetDatabaseDescFn getDatabaseDesc = nullptr;
  engine::OpenCfgInfoListFn openCfgInfoList = nullptr;
  engine::GetNextRecordFn getNextRecord = nullptr;
  engine::CloseCursorFn closeCursor = nullptr;
};

std::optional<EngineCalls> callsOf(HMODULE library) {
  EngineCalls c;
  c.init = win32::exportOf<engine::InitFn>(library, "DbiInitFn");
  c.exit = win32::exportOf<engine::ExitFn>(library, "DbiExit");
  c.getDatabaseDesc = win32::exportOf<engine::GetDatabaseDescFn>(library, "DbiGetDatabaseDesc");
  c.openCfgInfoList = win32::exportOf<engine::OpenCfgInfoListFn>(library, "DbiOpenCfgInfoList");
  c.getNextRecord = win32::exportOf<engine::GetNextRecordFn>(library, "DbiGetNextRecord");
  c.closeCursor = win32::exportOf<engine::CloseCursorFn>(library, "DbiCloseCursor");
  if (!c.init || !c.exit || !c.getDatabaseDesc || !c.openCfgInfoList || !c.getNextRecord ||
      !c.closeCursor)
    return std::nullopt;
  return c;
}

// DLLPATH as a 32-bit program sees it: the engine is a 32-bit library, whose key lies under
// WOW6432Node on 64-bit Windows. Empty when there is no such value.
std::wstring engineDllPath() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, engine::kRegistryKey, 0,
                      KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
    return {};
  DWORD type = 0;
  DWORD size = 0;
  std::wstring value;
  if (::RegQueryValueExW(key, engine::kDllPathValue, nullptr, &type, nullptr, &size) ==
          ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    value.resize(size / sizeof(wchar_t) + 1);
    if (::RegQueryValueExW(key, engine::kDllPathValue, nullptr, &type,
                           reinterpret_cast<BYTE*>(value.data()), &size) == ERROR_SUCCESS)
      value.resize(::wcsnlen(value.data(), size / sizeof(wchar_t)));  // the NUL may be absent
    else
      value.clear();
  }
  ::RegCloseKey(key);
  if (type == REG_EXPAND_SZ && !value.empty()) {
    std::wstring expanded(32768, L'\0');
    const DWORD n = ::ExpandEnvironmentStringsW(value.c_str(), expanded.data(), 32768);
    if (n > 0 && n <= 32768) value.assign(expanded.c_str());
  }
  return value;
}

std::vector<std::wstring> libraryCandidates(const std::wstring& dllPath) {
  std::vector<std::wstring> files;
  size_t start = 0;
  while (start <= dllPath.size()) {
    size_t end = dllPath.find(L';', start);
    if (end == std::wstring::npos) end = dllPath.size();
    std::wstring dir = dllPath.substr(start, end - start);
    while (!dir.empty() && dir.back() == L' ') dir.pop_back();
    while (!dir.empty() && dir.front() == L' ') dir.erase(0, 1);
    if (!dir.empty()) {
      if (dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
      files.push_back(dir + engine::kLibraryName);
    }
    start = end + 1;
  }
  return files;
}

// A fixed text field up to its NUL; the engine's texts are in the ANSI code page, in which it
// also opens the files they name.
template <size_t N>
std::string fieldText(const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n] != '\0') ++n;
  return win32::fromCodePage(CP_ACP, std::string_view(field, n));
}

// The leaf nodes under a configuration path, by name and value; empty when the path is unknown.
std::vector<std::pair<std::string, std::string>> readNodes(const EngineCalls& calls,
                                                           std::string path) {
  engine::Cursor cursor = nullptr;
  if (calls.openCfgInfoList(nullptr, engine::kOpenReadOnly, engine::kConfigPersistent, path.data(),
                            &cursor) != engine::kOk ||
      cursor == nullptr)
    return {};
  struct Closer {
    const EngineCalls& calls;
    engine::Cursor& cursor;
    ~Closer() { calls.closeCursor(&cursor); }
  } closer{calls, cursor};

  std::vector<std::pair<std::string, std::string>> nodes;
  // A node list is a few lines; a bound keeps a faulty engine from looping for ever.
  for (int i = 0; i < 1000; ++i) {
    engine::ConfigDesc node{};
    if (calls.getNextRecord(cursor, engine::kNoLock, &node, nullptr) != engine::kOk) break;
    if (node.hasSubnodes == 0) nodes.emplace_back(fieldText(node.nodeName), fieldText(node.value));
  }
  return nodes;
}

std::optional<AliasInfo> readAlias(const EngineCalls& calls, std::string_view alias) {
  // The engine takes alias names in the OEM code page.
  std::string name = win32::toCodePage(CP_OEMCP, alias);
  if (name.empty() || name.size() >= size_t(engine::kNameSize)) return std::nullopt;
  engine::DatabaseDesc desc{};
  if (calls.getDatabaseDesc(name.data(), &desc) != engine::kOk) return std::nullopt;

  AliasInfo info;
  info.driver = fieldText(desc.type);
  const bool standard =
      info.driver.empty() || platform::EqualsIgnoringAsciiCase(info.driver, "STANDARD");
  const std::string path =
      engine::kDatabasesNode + name + (standard ? engine::kInfoNode : engine::kOpenNode);
  std::optional<std::string> pathLine;
  std::vector<std::string> others;
  for (auto& [key, value] : readNodes(calls, path)) {
    if (platform::EqualsIgnoringAsciiCase(key, "TYPE")) {
      if (info.driver.empty()) info.driver = value;
    } else if (platform::EqualsIgnoringAsciiCase(key, "PATH")) {
      pathLine = key + "=" + value;
    } else {
      others.push_back(key + "=" + value);
    }
  }
  if (!pathLine && standard && desc.physicalName[0] != '\0')
    pathLine = "PATH=" + fieldText(desc.physicalName);
  // The path leads a standard alias's parameters, as in the registry file.
  if (pathLine) info.params.push_back(*pathLine);
  info.params.insert(info.params.end(), others.begin(), others.end());
  return info;
}

// The full path alone: a library of that name elsewhere on the search path is not the installed
// engine. Its own dependencies are found beside it. A damaged or foreign library gives null,
// not the system's error box.
HMODULE loadQuietly(const std::wstring& file) {
  DWORD before = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &before);
  HMODULE library = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  ::SetThreadErrorMode(before, nullptr);
  return library;
}

class EngineAliasSource : public AliasSource {
 public:
  explicit EngineAliasSource(const platform::FileSystem& fs) : fs_(fs) {}

  AliasLookup lookup(std::string_view alias) const override {
    const std::string label = std::string(alias) + " Alias";
    for (const std::wstring& file : libraryCandidates(engineDllPath())) {
      win32::Library library(loadQuietly(file));
      if (!library) continue;
      std::optional<EngineCalls> calls = callsOf(library.get());
      if (!calls) continue;
      const std::string where = "[" + win32::narrow(file) + "]";
      const engine::Result started = calls->init(engine::kInterfaceVersion, nullptr);
      if (started != engine::kOk) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", unsigned(started));
        return fromRegistry(alias,
                            "資料庫引擎 " + where + " 無法啟動 (錯誤 " + code + ")，" + label);
      }
      struct Session {
        engine::ExitFn exit;
        ~Session() { exit(); }
      } session{calls->exit};
      return {readAlias(*calls, alias), label + " 取自資料庫引擎 " + where + "。"};
    }
    return fromRegistry(alias, "沒有安裝資料庫引擎，" + label);
  }

 private:
  AliasLookup fromRegistry(std::string_view alias, const std::string& lead) const {
    const std::string file =
        platform::includeTrailingBackslash(fs_.windowsDirectory()) + std::string(kAliasFile);
    return {ReadAlias(fs_, alias), lead + " 取自 [" + file + "]。"};
  }

  const platform::FileSystem& fs_;
};

}  // namespace

std::unique_ptr<AliasSource> InstalledAliasSource(const platform::FileSystem& fs) {
  return std::make_unique<EngineAliasSource>(fs);
}

}  // namespace kvt::app
