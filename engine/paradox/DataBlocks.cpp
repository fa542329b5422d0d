#include "engine/paradox/DataBlocks.h"

#include <cstring>

#include "engine/paradox/Endian.h"

namespace kvt::paradox {
namespace {

size_t blockOffset(const FileHeader& h, uint32_t block) {
  return h.headerSize + static_cast<size_t>(block - 1) * h.blockSize();
}

// The records of a block and its next block.
uint32_t readOneBlock(std::string_view file, const FileHeader& h, uint32_t block,
                      std::vector<RecordRef>& out) {
  if (block < 1) throwFormat("table block chain is damaged");
  const size_t start = blockOffset(h, block);
  if (start + kBlockHeadSize > file.size()) throwFormat("table block chain leaves the file");
  const uint32_t next = getU16(file, start);
  const auto lastOffset = static_cast<int16_t>(getU16(file, start + 4));
  if (lastOffset < 0) return next;  // an empty block
  if (lastOffset % h.recordSize != 0) throwFormat("table block holds a damaged record count");
  const size_t count = lastOffset / h.recordSize + 1;
  const size_t used = kBlockHeadSize + count * h.recordSize;
  if (used > h.blockSize()) throwFormat("table block holds more records than fit");
  if (start + used > file.size()) throwFormat("table block is cut short");
  for (size_t i = 0; i < count; ++i) {
    out.push_back({start + kBlockHeadSize + i * h.recordSize, block});
  }
  return next;
}

}  // namespace

std::vector<RecordRef> readRecordChain(std::string_view file, const FileHeader& h) {
  std::vector<RecordRef> out;
  if (h.recordCount > 0) out.reserve(std::min<size_t>(h.recordCount, file.size() / h.recordSize));
  if (file.size() > h.headerSize) {
    // Each block is visited once; a longer walk means the chain loops.
    const size_t blocksInFile = (file.size() - h.headerSize + h.blockSize() - 1) / h.blockSize();
    std::vector<bool> seen(blocksInFile + 1, false);
    uint32_t block = h.firstBlock;
    while (block != 0) {
      if (block > blocksInFile || seen[block]) throwFormat("table block chain is damaged");
      seen[block] = true;
      block = readOneBlock(file, h, block, out);
    }
  } else if (h.firstBlock != 0) {
    throwFormat("table file ends before its first block");
  }
  if (out.size() != h.recordCount) {
    throwFormat("table holds " + std::to_string(out.size()) + " records where its header says " +
                std::to_string(h.recordCount));
  }
  return out;
}

std::vector<RecordRef> readBlock(std::string_view file, const FileHeader& h, uint32_t block) {
  std::vector<RecordRef> out;
  readOneBlock(file, h, block, out);
  return out;
}

std::string packBlocks(std::string_view records, uint32_t recordSize, uint32_t blockSize) {
  std::string out;
  appendBlocks(out, records, recordSize, blockSize);
  return out;
}

void appendBlocks(std::string& out, std::string_view records, uint32_t recordSize,
                  uint32_t blockSize) {
  const size_t count = records.size() / recordSize;
  const size_t start = out.size();
  appendEmptyBlocks(out, count, recordSize, blockSize);
  const size_t perBlock = recordsPerBlock(recordSize, blockSize);
  for (size_t first = 0; first < count; first += perBlock) {
    const size_t n = std::min(perBlock, count - first);
    std::memcpy(out.data() + start + recordOffset(first, recordSize, blockSize),
                records.data() + first * recordSize, n * recordSize);
  }
}

void appendEmptyBlocks(std::string& out, size_t count, uint32_t recordSize, uint32_t blockSize) {
  const size_t perBlock = recordsPerBlock(recordSize, blockSize);
  const size_t blocks = (count + perBlock - 1) / perBlock;
  const size_t start = out.size();
  out.resize(start + blocks * blockSize, '\0');
  for (size_t b = 0; b < blocks; ++b) {
    char* block = out.data() + start + b * blockSize;
    const size_t n = std::min(perBlock, count - b * perBlock);
    putLe(block, 2, b + 1 < blocks ? static_cast<uint32_t>(b + 2) : 0);
    putLe(block + 2, 2, static_cast<uint32_t>(b));
    putLe(block + 4, 2, static_cast<uint32_t>((n - 1) * recordSize));
  }
}

std::string unpackBlocks(std::string_view blocks, size_t count, uint32_t recordSize,
                         uint32_t blockSize) {
  std::string records;
  records.reserve(count * recordSize);
  const size_t perBlock = recordsPerBlock(recordSize, blockSize);
  for (size_t first = 0; first < count; first += perBlock) {
    const size_t n = std::min(perBlock, count - first);
    records.append(blocks.substr(recordOffset(first, recordSize, blockSize), n * recordSize));
  }
  return records;
}

void setBlockCounts(FileHeader& h, uint32_t recordCount) {
  const uint32_t perBlock = recordsPerBlock(h.recordSize, h.blockSize());
  const uint32_t blocks = (recordCount + perBlock - 1) / perBlock;
  h.recordCount = recordCount;
  h.usedBlocks = blocks;
  h.totalBlocks = blocks;
  h.maxBlocks = blocks;
  h.firstBlock = blocks > 0 ? 1 : 0;
  h.lastBlock = blocks;
  h.firstFreeBlock = 0;
}

}  // namespace kvt::paradox
