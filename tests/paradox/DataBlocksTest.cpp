// Data blocks built in place: the same bytes as blocks packed from loose records, every
// record where recordOffset says, and the records read back out of them in order.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/paradox/DataBlocks.h"

namespace kvt::paradox {
namespace {

// `count` records of `size` bytes, each filled with a byte of its own.
std::string looseRecords(size_t count, uint32_t size) {
  std::string records;
  for (size_t r = 0; r < count; ++r) records.append(size, static_cast<char>('A' + r % 50));
  return records;
}

TEST(DataBlocks, RecordsWrittenInPlaceMatchPackedRecords) {
  constexpr uint32_t kBlock = 1024;
  for (const uint32_t size : {1u, 7u, 100u, 1018u}) {
    const size_t perBlock = recordsPerBlock(size, kBlock);
    for (const size_t count : {size_t{0}, size_t{1}, perBlock, perBlock + 1, 3 * perBlock - 1}) {
      const std::string records = looseRecords(count, size);
      std::string inPlace = "HEAD";
      appendEmptyBlocks(inPlace, count, size, kBlock);
      for (size_t r = 0; r < count; ++r) {
        std::memcpy(inPlace.data() + 4 + recordOffset(r, size, kBlock), records.data() + r * size,
                    size);
      }
      EXPECT_EQ(inPlace, "HEAD" + packBlocks(records, size, kBlock)) << size << " x " << count;

      std::string appended = "HEAD";
      appendBlocks(appended, records, size, kBlock);
      EXPECT_EQ(appended, inPlace) << size << " x " << count;

      EXPECT_EQ(unpackBlocks(std::string_view(inPlace).substr(4), count, size, kBlock), records)
          << size << " x " << count;
    }
  }
}

TEST(DataBlocks, BlocksAreChainedAndCountTheirRecords) {
  constexpr uint32_t kBlock = 1024, kSize = 100;
  const size_t perBlock = recordsPerBlock(kSize, kBlock);  // 10
  std::string blocks;
  appendEmptyBlocks(blocks, 2 * perBlock + 3, kSize, kBlock);
  ASSERT_EQ(blocks.size(), 3 * kBlock);
  auto le16 = [&](size_t at) {
    return unsigned(static_cast<unsigned char>(blocks[at])) |
           unsigned(static_cast<unsigned char>(blocks[at + 1])) << 8;
  };
  // Next, previous, and the offset of the last record.
  EXPECT_EQ(le16(0), 2u);
  EXPECT_EQ(le16(2), 0u);
  EXPECT_EQ(le16(4), (perBlock - 1) * kSize);
  EXPECT_EQ(le16(kBlock), 3u);
  EXPECT_EQ(le16(kBlock + 2), 1u);
  EXPECT_EQ(le16(2 * kBlock), 0u);
  EXPECT_EQ(le16(2 * kBlock + 2), 2u);
  EXPECT_EQ(le16(2 * kBlock + 4), 2 * kSize);
  EXPECT_EQ(recordOffset(perBlock, kSize, kBlock), kBlock + kBlockHeadSize);
}

}  // namespace
}  // namespace kvt::paradox
