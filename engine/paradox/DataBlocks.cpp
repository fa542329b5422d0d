#include "engine/paradox/DataBlocks.h"

#include <cstring>

#include "engine/paradox/Endian.h"

namespace kvt::paradox {
size_t blockStart(const FileHeader& h, uint32_t block) {
  return h.headerSize + static_cast<size_t>(block - 1) * h.blockSize();
}

namespace {

// The records a block holds, checked against its size and the file's.
size_t recordsOf(const FileHeader& h, size_t start, const BlockHead& head, uint64_t fileSize) {
  if (head.lastOffset < 0) return 0;  // an empty block
  if (head.lastOffset % h.recordSize != 0) throwFormat("table block holds a damaged record count");
  const size_t count = head.lastOffset / h.recordSize + 1;
  const size_t used = kBlockHeadSize + count * h.recordSize;
  if (used > h.blockSize()) throwFormat("table block holds more records than fit");
  if (start + used > fileSize) throwFormat("table block is cut short");
  return count;
}

BlockHead headIn(std::string_view file, const FileHeader& h, uint32_t block) {
  if (block < 1) throwFormat("table block chain is damaged");
  const size_t start = blockStart(h, block);
  if (start + kBlockHeadSize > file.size()) throwFormat("table block chain leaves the file");
  return blockHeadAt(file.data() + start);
}

}  // namespace

BlockHead blockHeadAt(const char* p) {
  const std::string_view head(p, kBlockHeadSize);
  return {getU16(head, 0), static_cast<int16_t>(getU16(head, 4))};
}

void walkRecordChain(const FileHeader& h, uint64_t fileSize,
                     const std::function<BlockHead(uint32_t)>& headOf,
                     const std::function<void(const ChainBlock&)>& onBlock) {
  size_t records = 0;
  if (fileSize > h.headerSize) {
    // Each block is visited once; a longer walk means the chain loops.
    const size_t blocksInFile = (fileSize - h.headerSize + h.blockSize() - 1) / h.blockSize();
    std::vector<bool> seen(blocksInFile + 1, false);
    uint32_t block = h.firstBlock;
    while (block != 0) {
      if (block > blocksInFile || seen[block]) throwFormat("table block chain is damaged");
      seen[block] = true;
      const size_t start = blockStart(h, block);
      if (start + kBlockHeadSize > fileSize) throwFormat("table block chain leaves the file");
      const BlockHead head = headOf(block);
      const size_t n = recordsOf(h, start, head, fileSize);
      if (n > 0) onBlock({block, static_cast<uint32_t>(n)});
      records += n;
      block = head.next;
    }
  } else if (h.firstBlock != 0) {
    throwFormat("table file ends before its first block");
  }
  if (records != h.recordCount) {
    throwFormat("table holds " + std::to_string(records) + " records where its header says " +
                std::to_string(h.recordCount));
  }
}

std::vector<RecordRef> readRecordChain(std::string_view file, const FileHeader& h) {
  std::vector<RecordRef> out;
  walkRecordChain(
      h, file.size(), [&](uint32_t b) { return headIn(file, h, b); },
      [&](const ChainBlock& b) {
        const size_t start = blockStart(h, b.block) + kBlockHeadSize;
        for (size_t i = 0; i < b.records; ++i) out.push_back({start + i * h.recordSize, b.block});
      });
  return out;
}

std::vector<RecordRef> readBlock(std::string_view file, const FileHeader& h, uint32_t block) {
  const BlockHead head = headIn(file, h, block);
  const size_t start = blockStart(h, block);
  const size_t n = recordsOf(h, start, head, file.size());
  std::vector<RecordRef> out;
  for (size_t i = 0; i < n; ++i) out.push_back({start + kBlockHeadSize + i * h.recordSize, block});
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
    writeBlockHead(out.data() + start + b * blockSize, b, blocks,
                   std::min(perBlock, count - b * perBlock), recordSize);
  }
}

void writeBlockHead(char* block, size_t b, size_t blocks, size_t n, uint32_t recordSize) {
  putLe(block, 2, b + 1 < blocks ? static_cast<uint32_t>(b + 2) : 0);
  putLe(block + 2, 2, static_cast<uint32_t>(b));
  putLe(block + 4, 2, static_cast<uint32_t>((n - 1) * recordSize));
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
