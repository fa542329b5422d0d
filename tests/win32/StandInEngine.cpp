// A stand-in for the table engine's library: its configuration calls over the aliases a test
// serves, with a record of how they were called. A library's state lives between calls, so it
// is kept at namespace scope here.
#include <windows.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "StandInEngine.h"
#include "app/win32/EngineConfig.h"

using namespace kvt::app::engine;

namespace {

constexpr Result kUnknownDatabase = 0x2906;
constexpr Result kNotFound = 0x2201;
constexpr Result kEndOfList = 0x2202;
constexpr Result kNotInitialized = 0x2B01;

struct Database {
  std::string name, type, physicalName;
};
struct Node {
  std::string path, name, value;
};
struct ListCursor {
  std::vector<Node> nodes;
  size_t next = 0;
};

std::vector<Database> databases;
std::vector<Node> nodes;
Result initResult = kOk;
bool started = false;
StandInRecord record{};

bool sameAscii(const std::string& a, const char* b) {
  return ::lstrcmpiA(a.c_str(), b) == 0;
}

void noteAsked(const char* text) {
  std::string all = record.asked;
  all += text;
  all += ";";
  std::strncpy(record.asked, all.c_str(), sizeof record.asked - 1);
}

template <size_t N>
void put(char (&field)[N], const std::string& text) {
  std::strncpy(field, text.c_str(), N - 1);
  field[N - 1] = '\0';
}

}  // namespace

extern "C" {

__declspec(dllexport) void __stdcall StandInServe(const char* script) {
  databases.clear();
  nodes.clear();
  initResult = kOk;
  record = StandInRecord{};
  std::istringstream lines(script);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
      f.push_back(line.substr(start, bar - start));
    f.push_back(line.substr(start));
    if (f[0] == "DB" && f.size() == 4) databases.push_back({f[1], f[2], f[3]});
    if (f[0] == "NODE" && f.size() == 4) nodes.push_back({f[1], f[2], f[3]});
    if (f[0] == "INIT" && f.size() == 2) initResult = Result(std::stoi(f[1]));
  }
}

__declspec(dllexport) const StandInRecord* __stdcall StandInRecordOf() {
  return &record;
}

__declspec(dllexport) Result __stdcall DbiInitFn(std::uint16_t version, void*) {
  ++record.inits;
  record.lastVersion = version;
  started = initResult == kOk;
  return initResult;
}

__declspec(dllexport) Result __stdcall DbiExit() {
  ++record.exits;
  started = false;
  return kOk;
}

__declspec(dllexport) Result __stdcall DbiGetDatabaseDesc(char* name, DatabaseDesc* desc) {
  if (!started) return kNotInitialized;
  noteAsked(name);
  for (const Database& db : databases) {
    if (!sameAscii(db.name, name)) continue;
    *desc = DatabaseDesc{};
    put(desc->name, db.name);
    put(desc->physicalName, db.physicalName);
    put(desc->type, db.type);
    return kOk;
  }
  return kUnknownDatabase;
}

#ifndef KVT_STANDIN_WITHOUT_CFG_LIST
__declspec(dllexport) Result
    __stdcall DbiOpenCfgInfoList(void*, std::int32_t openMode, std::int32_t configMode, char* path,
                                 Cursor* cursor) {
  if (!started) return kNotInitialized;
  noteAsked(path);
  if (openMode != kOpenReadOnly || configMode != kConfigPersistent) return kNotFound;
  auto list = new ListCursor;
  for (const Node& n : nodes)
    if (sameAscii(n.path, path)) list->nodes.push_back(n);
  if (list->nodes.empty()) {
    delete list;
    return kNotFound;
  }
  ++record.openCursors;
  *cursor = list;
  return kOk;
}
#endif

__declspec(dllexport) Result
    __stdcall DbiGetNextRecord(Cursor cursor, std::int32_t, void* buffer, void*) {
  auto list = static_cast<ListCursor*>(cursor);
  if (list->next >= list->nodes.size()) return kEndOfList;
  const Node& n = list->nodes[list->next++];
  ConfigDesc desc{};
  put(desc.nodeName, n.name);
  put(desc.value, n.value);
  std::memcpy(buffer, &desc, sizeof desc);
  return kOk;
}

__declspec(dllexport) Result __stdcall DbiCloseCursor(Cursor* cursor) {
  delete static_cast<ListCursor*>(*cursor);
  *cursor = nullptr;
  --record.openCursors;
  return kOk;
}

}  // extern "C"
