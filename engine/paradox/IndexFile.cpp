#include "engine/paradox/IndexFile.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "engine/paradox/DataBlocks.h"
#include "engine/paradox/Endian.h"
#include "schema/EngineError.h"

namespace kvt::paradox {
namespace {

// The three shorts use the sortable big-endian form of the data (top bit flipped).
void putShort(char* out, uint32_t v) {
  const uint32_t stored = (v & 0xFFFF) ^ 0x8000;
  out[0] = static_cast<char>(stored >> 8);
  out[1] = static_cast<char>(stored & 0xFF);
}

uint32_t getShort(const char* in) {
  return ((static_cast<uint8_t>(in[0]) << 8) | static_cast<uint8_t>(in[1])) ^ 0x8000;
}

std::string encodeEntry(const IndexEntry& e, uint32_t keyWidth) {
  std::string rec(keyWidth + 6, '\0');
  std::memcpy(rec.data(), e.key.data(), std::min<size_t>(e.key.size(), keyWidth));
  putShort(rec.data() + keyWidth, e.block);
  // A count above the largest positive short is kept at that largest value.
  putShort(rec.data() + keyWidth + 2, std::min<uint32_t>(e.count, 0x7FFF));
  putShort(rec.data() + keyWidth + 4, 0);
  return rec;
}

}  // namespace

std::string buildIndexFile(FileHeader h, const std::vector<IndexEntry>& leaves) {
  const uint32_t keyWidth = indexKeyWidth(h);
  const uint32_t blockSize = h.blockSize();
  const uint32_t perBlock = recordsPerBlock(h.recordSize, blockSize);
  if (perBlock < 2) throw EngineError(ErrorKind::Unsupported, "index key too wide for its block");

  // The levels from the leaves up; an entry above level 1 holds the position of its block
  // within the level below until the blocks are numbered.
  std::vector<std::vector<IndexEntry>> levels;
  if (!leaves.empty()) levels.push_back(leaves);
  while (!levels.empty() && levels.back().size() > perBlock) {
    const std::vector<IndexEntry>& below = levels.back();
    std::vector<IndexEntry> upper;
    for (size_t from = 0; from < below.size(); from += perBlock) {
      const size_t n = std::min<size_t>(perBlock, below.size() - from);
      uint32_t count = 0;
      for (size_t i = from; i < from + n; ++i) count += below[i].count;
      upper.push_back({below[from].key, static_cast<uint32_t>(from / perBlock), count});
    }
    levels.push_back(std::move(upper));
  }

  // The root is block 1; each level follows the one above it, and all blocks form one
  // chain in that order, each level in key order.
  std::vector<uint32_t> firstBlockOf(levels.size());
  uint32_t blockTotal = 0;
  for (size_t l = levels.size(); l-- > 0;) {
    firstBlockOf[l] = blockTotal + 1;
    blockTotal += static_cast<uint32_t>((levels[l].size() + perBlock - 1) / perBlock);
    if (blockTotal > 0xFFFF) {
      throw EngineError(ErrorKind::Unsupported, "index too large for its block size");
    }
  }
  std::string blocks(size_t{blockTotal} * blockSize, '\0');
  for (size_t l = levels.size(); l-- > 0;) {
    const std::vector<IndexEntry>& level = levels[l];
    for (size_t from = 0; from < level.size(); from += perBlock) {
      const uint32_t number = firstBlockOf[l] + static_cast<uint32_t>(from / perBlock);
      const size_t n = std::min<size_t>(perBlock, level.size() - from);
      char* block = blocks.data() + size_t{number - 1} * blockSize;
      putLe(block, 2, number < blockTotal ? number + 1 : 0);
      putLe(block + 2, 2, number - 1);
      putLe(block + 4, 2, static_cast<uint32_t>((n - 1) * h.recordSize));
      for (size_t i = 0; i < n; ++i) {
        IndexEntry e = level[from + i];
        if (l > 0) e.block += firstBlockOf[l - 1];
        const std::string rec = encodeEntry(e, keyWidth);
        std::memcpy(block + kBlockHeadSize + i * h.recordSize, rec.data(), rec.size());
      }
    }
  }
  uint32_t totalEntries = 0;
  for (const auto& level : levels) totalEntries += static_cast<uint32_t>(level.size());
  h.recordCount = totalEntries;
  h.usedBlocks = blockTotal;
  h.totalBlocks = blockTotal;
  h.maxBlocks = blockTotal;
  h.firstBlock = blockTotal > 0 ? 1 : 0;
  h.lastBlock = blockTotal;
  h.firstFreeBlock = 0;
  h.indexRoot = 1;
  h.indexLevels = static_cast<uint32_t>(levels.size());
  h.modifiedFlags1 = 0;
  h.modifiedFlags2 = 0;
  h.indexUpdateRequired = 0;
  return encodeHeader(h) + blocks;
}

std::vector<IndexEntry> readIndexLeaves(std::string_view file) {
  const FileHeader h = parseHeader(file);
  if (h.kind() != FileKind::PrimaryIndex && h.kind() != FileKind::SecondaryIndex) {
    throwFormat("not an index file");
  }
  std::vector<IndexEntry> out;
  if (h.recordCount == 0 || h.indexLevels == 0) return out;
  if (h.recordSize < 7) throwFormat("index record size is damaged");
  const uint32_t keyWidth = indexKeyWidth(h);
  // The last block may stop after its used part.
  const size_t blocksInFile = (file.size() - h.headerSize + h.blockSize() - 1) / h.blockSize();
  std::vector<bool> seen(blocksInFile + 1, false);
  std::function<void(uint32_t, uint32_t)> walk = [&](uint32_t block, uint32_t level) {
    if (block < 1 || block > blocksInFile || seen[block]) throwFormat("index is damaged");
    seen[block] = true;
    for (const RecordRef& r : readBlock(file, h, block)) {
      const char* rec = file.data() + r.offset;
      IndexEntry e{std::string(rec, keyWidth), getShort(rec + keyWidth),
                   getShort(rec + keyWidth + 2)};
      if (level == 1) {
        out.push_back(std::move(e));
      } else {
        walk(e.block, level - 1);
      }
    }
  };
  if (h.indexLevels > 16) throwFormat("index level count is damaged");
  walk(h.indexRoot, h.indexLevels);
  return out;
}

}  // namespace kvt::paradox
