// Secondary indexes: an .X file holding one row per table row (the indexed fields, then
// the primary key, then the number of the table block holding the row), sorted on all but
// the last field, and a .Y file indexing the .X blocks the way a .PX indexes a table.
// .Xnn files index the single field nn; .XGn files carry a list of fields and a name.
//
// A write of the table rebuilds them from its rows, ordered as the table's sort order
// orders text (SortOrder.h), and ties their headers to the table's (FamilyTies.h). A
// non-maintained index of an unkeyed table (file types 3 and 6) is left as it is, as the
// desktop engine leaves it: it brings such an index up to date when it next uses it. What
// is not known well enough to rebuild faithfully is refused before anything is written:
// maintained indexes of unkeyed tables that hold rows (their row-number fields are not
// understood), texts whose order under the sort order is not known, and files whose layout
// does not match the table.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/paradox/FileHeader.h"
#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt::paradox {

struct SecondaryIndexFormat {
  std::filesystem::path dataFile;   // .Xnn / .XGn
  std::filesystem::path indexFile;  // .Ynn / .YGn
  FileHeader x;
  FileHeader y;
  IndexDef definition;
  std::vector<int> fields;       // table field positions of the indexed fields
  std::vector<bool> descending;  // per indexed field
  bool unkeyedTable = false;     // its rows cannot be rebuilt, only an empty index
  std::string problem;           // why it cannot be rebuilt; empty when it can
};

// True for an index that a write leaves untouched.
bool isLeftAsIs(const SecondaryIndexFormat& index);

// Reads the headers of an index. `y` may be empty (a missing .Y file); the index is then
// marked as not rebuildable. Throws EngineError(Format) for a damaged .X header.
SecondaryIndexFormat describeSecondaryIndex(const std::filesystem::path& dataFile,
                                            std::string_view x,
                                            const std::filesystem::path& indexFile,
                                            std::string_view y, const FileHeader& db);

struct RebuiltIndex {
  std::string data;   // the new .X file
  std::string index;  // the new .Y file
};

// Builds the index files for `count` rows whose encoded table records are `records`
// (concatenated, in table order) and which sit in table blocks `rowBlocks`; `db` is the
// table's header as written. Throws
// EngineError(Unsupported) naming the index and the reason when it cannot be rebuilt.
RebuiltIndex rebuildSecondaryIndex(const SecondaryIndexFormat& index, const FileHeader& db,
                                   std::string_view records,
                                   const std::vector<uint32_t>& rowBlocks);

}  // namespace kvt::paradox
