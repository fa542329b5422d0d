// Small tables the schema tests share, built in an in-memory database.
#pragma once

#include <string>
#include <vector>

#include "schema/MemoryDatabase.h"
#include "schema/Table.h"

namespace kvt::testing {

// XMLApp: Mode A10, SEQ I, Name A18, Flag L; primary key Mode;SEQ.
TableSchema xmlAppSchema();
// Log: Line I, Text A20; no key.
TableSchema logSchema();

// Appends one row through the handle and posts it.
void addApp(Table& t, const std::string& mode, int seq, const std::string& name);

// "Mode/SEQ" of every row the handle walks from the first.
std::vector<std::string> walkKeys(Table& t);

}  // namespace kvt::testing
