// The ties the desktop engine keeps between the files of one table, as its own tables show
// them. It takes a family whose headers disagree for damaged, so every write keeps them:
//
// - .DB 0x2D, the change counter, is one more with every write; .DB 0x2E, the family byte,
//   and .DB 0x60, the structure stamp, change only when the structure is made.
// - .PX 0x2C is the .DB's change counter plus the sort order's offset (0 under "ascii",
//   the sort order byte plus 2 under the others).
// - each .Xnn 0x2D is its own change counter, its 0x2E the .DB's family byte and its 0x2F
//   the .PX's 0x2C; its .Ynn's 0x2C is the .Xnn's counter plus the same offset.
// - .VAL byte 0 is the family byte and bytes 3 to 6 the structure stamp, so writes that keep
//   the structure leave the .VAL file as it is.
#pragma once

#include <cstdint>

#include "engine/paradox/FileHeader.h"

namespace kvt::paradox {

// The counter an index file (.PX of a .DB, .Y of an .X) carries for its data file.
uint32_t indexCounterFor(const FileHeader& data);

// Counts one more write of a data file (.DB or .X).
void countWrite(FileHeader& data);

// Ties a rebuilt .X header to its table: family byte and the .PX's counter (for an unkeyed
// table, the counter a .PX would carry).
void tieSecondaryData(FileHeader& x, const FileHeader& db, uint32_t primaryCounter);

// The places the desktop engine fills in the header of a table it makes: family byte and
// change counter (from `now`, seconds since 1970), structure stamp, the open order, and for
// a keyed table the key workspace.
void fillNewTable(FileHeader& db, uint32_t now);

// The open order of a new table's .PX.
uint32_t newPrimaryIndexOpenOrder(const FileHeader& db);

}  // namespace kvt::paradox
