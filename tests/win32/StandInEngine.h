// What the tests tell the stand-in table engine, and what it tells them back.
#pragma once

#include <cstdint>

// A script of lines, each of fields separated by "|":
//   DB|name|type|physical name          an alias, as DbiGetDatabaseDesc describes it
//   NODE|config path|node name|value   a leaf of a configuration list
//   INIT|result                        what DbiInitFn answers (decimal)
// Names and values are in the engine's code pages, as the engine keeps them. Each call
// replaces what was served before and clears the record.
using StandInServeFn = void(__stdcall*)(const char* script);

struct StandInRecord {
  int inits;
  int exits;
  int openCursors;  // opened and not yet closed
  std::uint16_t lastVersion;
  char asked[512];  // every name and configuration path asked for, each followed by ";"
};
using StandInRecordFn = const StandInRecord*(__stdcall*)();
