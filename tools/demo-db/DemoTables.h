// The tables a demonstration of the database upgrade needs: old layouts (with rows) in the
// installed package's database, new layouts and reference rows in the release directory.
//
// Layouts are written as short texts, one field per ";"-separated part: a name, a Paradox
// type letter with its size, and "*" for a primary-key field ("MsgID A20 *; Remark A40").
#pragma once

#include <string>
#include <vector>

#include "schema/Database.h"
#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt::demo {

// Parses a layout text. Throws std::invalid_argument on a malformed part.
TableSchema Layout(const std::string& text);

struct DemoTable {
  std::string name;
  TableSchema schema;
  std::vector<Row> rows;  // values in field order, text as stored (code page 950)
};

// The package's tables before the upgrade: the columns the release widens, adds or drops
// are in their old form; each table holds a few rows with Chinese text.
std::vector<DemoTable> InstallationTables();

// The release's Paradox tables: the new layouts of the upgraded tables, the new code and
// message tables, and the reference rows (XMLApp, XNoMap2, KVT43, the SourceDB tables).
std::vector<DemoTable> ReleaseTables();

// The table of that name from a list; throws std::out_of_range when it is not there.
const DemoTable& Find(const std::vector<DemoTable>& tables, const std::string& name);

// Creates each table (replacing none: an existing table is an error) and inserts its rows.
void BuildTables(Database& db, const std::vector<DemoTable>& tables);
void BuildTable(Database& db, const DemoTable& table);

// The switch text that asks for every database step the demo tables serve.
std::string DemoSwitchText();

}  // namespace kvt::demo
