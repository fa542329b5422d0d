// The record blocks that follow the header of a .DB or .X file. Index files (.PX, .Y) use the
// same block layout for their entries.
//
// Block n (counted from 1) starts at headerSize + (n - 1) * blockSize with a 6-byte head:
// next block, previous block (0 at either end of the chain) and the offset of the last record
// counted from the end of the head (minus one record length when the block is empty). The
// records follow, packed, in key order; the header names the first block of the chain.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/paradox/FileHeader.h"

namespace kvt::paradox {

constexpr int kBlockHeadSize = 6;

struct RecordRef {
  size_t offset;   // of the record in the file
  uint32_t block;  // number of the block that holds it
};

// The head of a block: its next block and the offset of its last record.
struct BlockHead {
  uint32_t next = 0;
  int16_t lastOffset = -1;
};
BlockHead blockHeadAt(const char* p);

// A block of the chain and the records it holds.
struct ChainBlock {
  uint32_t block;
  uint32_t records;
};

// Where block `block` (counted from 1) starts in the file.
size_t blockStart(const FileHeader& h, uint32_t block);

// Walks the chain: `headOf` gives the head of each block (asked only for blocks that lie in a
// file of `fileSize` bytes) and `onBlock` gets each block that holds records, in chain order,
// once its head is checked. Throws as readRecordChain does, the count check at the end.
void walkRecordChain(const FileHeader& h, uint64_t fileSize,
                     const std::function<BlockHead(uint32_t)>& headOf,
                     const std::function<void(const ChainBlock&)>& onBlock);

// The records of the chain, in chain order. Throws EngineError(Format) for a chain that
// loops, leaves the file, or holds a record count that does not fit its block, and when the
// records found differ from the header's record count.
std::vector<RecordRef> readRecordChain(std::string_view file, const FileHeader& h);

// The records of one block, as read by the index readers (no count check against a header).
std::vector<RecordRef> readBlock(std::string_view file, const FileHeader& h, uint32_t block);

// Packs records of `recordSize` bytes (concatenated in `records`) into full blocks numbered
// from 1 and chained in order. Returns the block area that follows the header.
std::string packBlocks(std::string_view records, uint32_t recordSize, uint32_t blockSize);
// The same blocks appended to `out` (the file's header already in it), so that a large
// table's blocks are not held twice while the file is put together.
void appendBlocks(std::string& out, std::string_view records, uint32_t recordSize,
                  uint32_t blockSize);
// The blocks for `count` records appended to `out` with every record zero, for records to be
// written in place (at recordOffset from the first block) rather than packed from a copy.
void appendEmptyBlocks(std::string& out, size_t count, uint32_t recordSize, uint32_t blockSize);
// The head of block `b` (counted from 0) of `blocks` chained in order, holding `n` records.
void writeBlockHead(char* block, size_t b, size_t blocks, size_t n, uint32_t recordSize);
// The records of a block area made by packBlocks, concatenated in order.
std::string unpackBlocks(std::string_view blocks, size_t count, uint32_t recordSize,
                         uint32_t blockSize);

inline uint32_t recordsPerBlock(uint32_t recordSize, uint32_t blockSize) {
  return (blockSize - kBlockHeadSize) / recordSize;
}

// Where record `r` (counted from 0) of packed blocks starts, from the first block.
inline size_t recordOffset(size_t r, uint32_t recordSize, uint32_t blockSize) {
  const size_t perBlock = recordsPerBlock(recordSize, blockSize);
  return (r / perBlock) * blockSize + kBlockHeadSize + (r % perBlock) * recordSize;
}

// Sets the block counts of a data file header for `recordCount` records packed by packBlocks.
void setBlockCounts(FileHeader& h, uint32_t recordCount);

}  // namespace kvt::paradox
