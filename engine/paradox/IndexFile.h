// The block index of a keyed data file: the .PX of a table, the .Y of a secondary index.
//
// Each entry is the key of the first record of a block (the leading key fields of that
// record, as stored) followed by three sortable shorts: the block number, the number of
// records below the entry, and a zero. Level-1 blocks point into the data file; when they
// do not fit in one block, further levels point at the blocks below them, up to one root
// block. The header names the root and the number of levels.
//
// Written indexes put the root in block 1 and each level after the one above it, all blocks
// on one chain from block 1 (each level in key order), as the public descriptions of the
// format and their readers expect. An entry above level 1 counts the records below it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/paradox/FileHeader.h"

namespace kvt::paradox {

struct IndexEntry {
  std::string key;     // the key bytes as stored in the data record
  uint32_t block = 0;  // the block the entry points at
  uint32_t count = 0;  // records below the entry
  friend bool operator==(const IndexEntry&, const IndexEntry&) = default;
};

// The whole index file. `header` gives the file kind, version, sort order, block size and
// key field descriptors (a header read from the old file keeps its unknown bytes); its
// counts, root and levels are set here. `leaves` holds one entry per data block, in order.
// Throws EngineError(Unsupported) when the index would need more blocks than a file holds.
std::string buildIndexFile(FileHeader header, const std::vector<IndexEntry>& leaves);

// The level-1 entries, walked from the root down. Throws EngineError(Format) for a damaged
// index (a loop, a block outside the file, a level that does not end in data blocks).
std::vector<IndexEntry> readIndexLeaves(std::string_view file);

// The key width of the entries of an index file header (record size minus the three shorts).
inline uint32_t indexKeyWidth(const FileHeader& h) {
  return h.recordSize - 6;
}

}  // namespace kvt::paradox
