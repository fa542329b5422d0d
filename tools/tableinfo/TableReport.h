// The two reports of the table inspector: the structure of a table and its rows as JSON.
#pragma once

#include <ostream>
#include <string>

#include "engine/paradox/TableStorage.h"

namespace kvt::tableinfo {

// Level, code page, sort order, block size, record count, fields (number, name, type
// letter, size), key fields and secondary indexes, one item a line.
void writeStructure(std::ostream& out, const paradox::StoredTable& table);

// One JSON object a line per record, in table order; field names are the keys.
void writeRows(std::ostream& out, const paradox::StoredTable& table);

// One record as a JSON object (no line break): text and memos decoded from the code page,
// binary blobs, graphics and formatted memos in base64.
std::string rowJson(const TableSchema& schema, const Row& row, int codePage);

}  // namespace kvt::tableinfo
