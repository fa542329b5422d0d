// Damaged and cut-short table files end in EngineError(Format), never in a crash or a
// wrong table.
#include <gtest/gtest.h>

#include <bit>

#include "engine/paradox/Endian.h"
#include "engine/paradox/FileOps.h"
#include "engine/paradox/IndexFile.h"
#include "engine/paradox/TableStorage.h"
#include "schema/EngineError.h"
#include "tests/paradox/TestSupport.h"

namespace kvt::paradox {
namespace {

namespace fs = std::filesystem;

// Rows alike to the bit: a flipped bit can make a number NaN, which equals nothing.
bool sameRows(const std::vector<Row>& a, const std::vector<Row>& b) {
  const auto same = [](const Value& x, const Value& y) {
    if (x.isFloat() && y.isFloat()) {
      return std::bit_cast<uint64_t>(*x.get<double>()) == std::bit_cast<uint64_t>(*y.get<double>());
    }
    return x == y;
  };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const Row& x, const Row& y) {
    return std::equal(x.begin(), x.end(), y.begin(), y.end(), same);
  });
}

// The error of decoding the bytes whole, checking on the way that reading them from a file
// a piece at a time ends the same: the same rows, or the same error.
ErrorKind decodeError(const std::string& db, const std::string& mb) {
  std::optional<ErrorKind> whole;
  std::vector<Row> rows;
  try {
    rows = decodeTable(db, mb).rows;
  } catch (const EngineError& e) {
    whole = e.kind();
  }
  std::vector<Row> streamed;
  std::optional<ErrorKind> piecewise;
  try {
    streamTable(
        db.size(),
        [&](uint64_t offset, std::span<char> out) {
          if (offset + out.size() > db.size()) throw EngineError(ErrorKind::Io, "past the end");
          std::copy_n(db.data() + offset, out.size(), out.data());
        },
        mb, [&](const Row& row) { streamed.push_back(row); });
  } catch (const EngineError& e) {
    piecewise = e.kind();
  }
  EXPECT_EQ(whole, piecewise);
  if (!piecewise) EXPECT_TRUE(sameRows(streamed, rows));
  return whole.value_or(ErrorKind::State);  // State stands for "no error"
}

TEST(DamagedTable, CutShortOrBitFlippedSamplesNeverCrash) {
  KVT_REQUIRE_SAMPLES();
  for (const auto& [subdir, stem] : test::sampleTables()) {
    const auto files = findTableFiles(test::samplesDir() / subdir, stem);
    ASSERT_TRUE(files);
    const std::string db = test::readFile(files->db);
    const std::string mb = files->mb ? test::readFile(*files->mb) : std::string();
    SCOPED_TRACE(files->db.string());
    // Every cut inside the header and the first blocks, then coarser.
    for (size_t len = 0; len < db.size(); len += len < 4096 ? 7 : 509) {
      const ErrorKind k = decodeError(db.substr(0, len), mb);
      EXPECT_TRUE(k == ErrorKind::Format || k == ErrorKind::State) << "cut at " << len;
    }
    for (size_t len = 0; len < mb.size(); len += 997) {
      const ErrorKind k = decodeError(db, mb.substr(0, len));
      EXPECT_TRUE(k == ErrorKind::Format || k == ErrorKind::State) << "blob file cut at " << len;
    }
    uint32_t seed = 12345;
    for (int i = 0; i < 300; ++i) {
      seed = seed * 1103515245 + 12345;
      std::string bad = db;
      const size_t at = (seed >> 8) % std::min<size_t>(bad.size(), 0x1000);
      bad[at] = static_cast<char>(bad[at] ^ (1 << (seed % 8)));
      const ErrorKind k = decodeError(bad, mb);
      EXPECT_TRUE(k == ErrorKind::Format || k == ErrorKind::State || k == ErrorKind::Unsupported);
      try {
        readIndexLeaves(bad);
      } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Format);
      }
    }
  }
}

TEST(DamagedTable, SpecificDamageIsNamed) {
  KVT_REQUIRE_SAMPLES();
  const fs::path dir = test::samplesDir() / "fields";
  const std::string db = test::readFile(dir / "memo.db");
  const std::string mb = test::readFile(dir / "memo.mb");

  std::string moreRecords = db;
  putLe(moreRecords, 0x06, 4, 3);  // the header claims a record the blocks lack
  EXPECT_EQ(decodeError(moreRecords, mb), ErrorKind::Format);

  std::string loop = db;
  putLe(loop, 0x800, 2, 1);  // block 1 names itself as the next block
  EXPECT_EQ(decodeError(loop, mb), ErrorKind::Format);

  std::string farBlob = db;
  putLe(farBlob, 0x806 + 4 + 240, 4, 0x7000FF);  // the first memo points past the blob file
  EXPECT_EQ(decodeError(farBlob, mb), ErrorKind::Format);

  EXPECT_EQ(decodeError(db, ""), ErrorKind::Format);  // the blob file is missing

  std::string encrypted = db;
  putLe(encrypted, 0x5C, 4, 0x12345678);
  EXPECT_EQ(decodeError(encrypted, mb), ErrorKind::Unsupported);

  test::ScratchDir scratch;
  test::writeFile(scratch.path() / "BAD.DB", db.substr(0, 100));
  try {
    loadTable(defaultFileOps(), scratch.path(), "BAD");
    FAIL() << "a cut header was read";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Format);
    EXPECT_NE(std::string(e.what()).find("BAD.DB"), std::string::npos);
  }
  try {
    loadTable(defaultFileOps(), scratch.path(), "NOTHERE");
    FAIL() << "a missing table was read";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingTable);
  }
}

}  // namespace
}  // namespace kvt::paradox
