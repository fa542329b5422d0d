// The table engine's configuration calls, as its library IDAPI32.DLL exports them: stdcall,
// every structure packed to one byte, texts NUL-ended in fixed fields. Both the alias reader
// and the tests' stand-in engine are built from this one description.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kvt::app::engine {

inline constexpr const wchar_t* kLibraryName = L"IDAPI32.DLL";
// The engine's key in the 32-bit view of the registry; its value DLLPATH names the library's
// directory (or several, separated by ";").
inline constexpr const wchar_t* kRegistryKey = L"SOFTWARE\\Borland\\Database Engine";
inline constexpr const wchar_t* kDllPathValue = L"DLLPATH";

using Result = std::uint16_t;
inline constexpr Result kOk = 0;
inline constexpr std::uint16_t kInterfaceVersion = 0x1F4;

inline constexpr int kNameSize = 32;    // a name of up to 31 bytes and its NUL
inline constexpr int kPathSize = 261;   // a path of up to 260 bytes and its NUL
inline constexpr int kValueSize = 128;  // a configuration text with its NUL

#pragma pack(push, 1)
struct DatabaseDesc {  // DBDesc
  char name[kNameSize];
  char description[kNameSize];
  char physicalName[kPathSize];  // a standard database's directory
  char type[kNameSize];          // "STANDARD", or the driver of an SQL or ODBC alias
};
struct ConfigDesc {  // CFGDesc: one node of a configuration list
  char nodeName[kNameSize];
  char description[kValueSize];
  std::uint16_t dataType;
  char value[kValueSize];
  std::uint16_t hasSubnodes;
};
#pragma pack(pop)
static_assert(sizeof(DatabaseDesc) == 357);
static_assert(sizeof(ConfigDesc) == 292);

using Cursor = void*;
inline constexpr std::int32_t kOpenReadOnly = 1;      // DBIOpenMode
inline constexpr std::int32_t kConfigPersistent = 0;  // CFGMode: the configuration file
inline constexpr std::int32_t kNoLock = 0;            // DBILockType

using InitFn = Result(__stdcall*)(std::uint16_t version, void* environment);
using ExitFn = Result(__stdcall*)();
using GetDatabaseDescFn = Result(__stdcall*)(char* name, DatabaseDesc* desc);
using OpenCfgInfoListFn = Result(__stdcall*)(void* config, std::int32_t openMode,
                                             std::int32_t configMode, char* path, Cursor* cursor);
using GetNextRecordFn = Result(__stdcall*)(Cursor cursor, std::int32_t lock, void* record,
                                           void* recordProps);
using CloseCursorFn = Result(__stdcall*)(Cursor* cursor);

// The configuration paths of an alias: a standard alias's PATH and TYPE, an ODBC alias's
// ODBC DSN, USER NAME and PASSWORD.
inline constexpr const char* kDatabasesNode = "\\DATABASES\\";
inline constexpr const char* kInfoNode = "\\DB INFO";
inline constexpr const char* kOpenNode = "\\DB OPEN";

}  // namespace kvt::app::engine
