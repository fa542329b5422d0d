// Tables written by the engine: created, filled with every type the package's tables use,
// read back by the engine and by pxlib; sample tables written back unchanged.
#include <gtest/gtest.h>

#include "engine/paradox/BlobFile.h"
#include "engine/paradox/DataBlocks.h"
#include "engine/paradox/FileOps.h"
#include "engine/paradox/IndexFile.h"
#include "engine/paradox/TableStorage.h"
#include "schema/EngineError.h"
#include "tests/paradox/TestSupport.h"

#if KVT_WITH_PXLIB
extern "C" {
#include <paradox.h>
}
#endif

namespace kvt::paradox {
namespace {

namespace fs = std::filesystem;

// Big5 (code page 950) bytes of 中文表單 ("Chinese form").
const std::string kChinese = "\xA4\xA4\xA4\xE5\xAA\xED\xB3\xE6";

TableSchema formSchema() {
  TableSchema s;
  s.fields = {{"BlockName", FieldType::Alpha, 15}, {"SEQ", FieldType::Short, 0},
              {"EntryNo", FieldType::Long, 0},     {"VPos", FieldType::Number, 0},
              {"IsM", FieldType::Logical, 0},      {"Memo", FieldType::Memo, 1},
              {"Note", FieldType::Alpha, 40}};
  s.indexes = {{"", {"BlockName", "SEQ"}, true, true, false}};
  return s;
}

Row formRow(const std::string& name, int seq, const Value& memo) {
  return {Value(name),
          Value(seq),
          Value(int64_t{seq} * 1000 - 7),
          Value(seq / 4.0 - 3.5),
          Value(seq % 2 == 0),
          memo,
          Value(kChinese + " " + std::to_string(seq))};
}

void save(const fs::path& dir, const std::string& stem, const TableFormat& format,
          const TableSchema& schema, const std::vector<Row>& rows, const TableFiles* files) {
  saveTable(defaultFileOps(), dir, stem, files, format, schema, rows.size(),
            [&](size_t r) -> const Row& { return rows[r]; });
}

// Every level-1 entry of the .PX points at the block that starts with its key and
// counts that block's records; together they cover every block once.
void expectIndexMatchesTable(const fs::path& dbFile, const fs::path& pxFile) {
  const std::string db = test::readFile(dbFile);
  const FileHeader h = parseHeader(db);
  const auto leaves = readIndexLeaves(test::readFile(pxFile));
  const auto records = readRecordChain(db, h);
  std::vector<uint32_t> blocks;
  for (const auto& r : records) {
    if (blocks.empty() || blocks.back() != r.block) blocks.push_back(r.block);
  }
  ASSERT_EQ(leaves.size(), blocks.size());
  for (size_t i = 0; i < leaves.size(); ++i) {
    EXPECT_EQ(leaves[i].block, blocks[i]);
    const auto inBlock = readBlock(db, h, leaves[i].block);
    ASSERT_FALSE(inBlock.empty());
    EXPECT_EQ(db.substr(inBlock.front().offset, leaves[i].key.size()), leaves[i].key);
    EXPECT_EQ(leaves[i].count, inBlock.size());
  }
}

TEST(TableWrite, NewTableReadsBackThroughEngineAndPxlib) {
  test::ScratchDir dir;
  const TableSchema schema = formSchema();
  const std::vector<Row> rows = {
      formRow("A", 10, Value::null()),                   // no memo
      formRow("A", 20, Value("x")),                      // fits the one-byte leader
      formRow("B", 10, Value(std::string(240, 'm'))),    // shares a blob block
      formRow("B", 20, Value(std::string(70000, 'z'))),  // a blob block of its own
      formRow(kChinese, 30, Value(kChinese + "\r\n" + std::string(300, 'q'))),
      {Value::null(), Value::null(), Value::null(), Value::null(), Value::null(), Value::null(),
       Value::null()},
  };
  std::vector<Row> sorted = rows;
  // Key order of the stored bytes: blank first, then "A", "B", then the Big5 text.
  std::rotate(sorted.begin(), sorted.end() - 1, sorted.end());
  save(dir.path(), "CB25", newTableFormat("CB25.DB", schema), schema, sorted, nullptr);

  const StoredTable back = loadTable(defaultFileOps(), dir.path(), "cb25");
  EXPECT_EQ(back.image.rows, sorted);
  EXPECT_EQ(back.image.schema.fields, schema.fields);
  ASSERT_EQ(back.image.schema.indexes.size(), 1u);
  EXPECT_EQ(back.image.schema.indexes[0].fields, schema.indexes[0].fields);
  ASSERT_TRUE(back.files.px && back.files.mb);
  expectIndexMatchesTable(back.files.db, *back.files.px);
  test::expectPxlibAgrees(back);

  const FileHeader& h = back.image.format.db;
  EXPECT_EQ(h.fileVersion, 0x0Bu);
  EXPECT_EQ(h.codePage, 950u);
  EXPECT_EQ(h.blockSize(), 2048u);
  EXPECT_EQ(h.sortOrderName, "ascii");
  // Memos too long for the leader live in the blob file: 240 and 300+ bytes share a
  // block, 70000 bytes have their own (header + shared block + 18 units).
  EXPECT_EQ(fs::file_size(*back.files.mb), 4096u * (1 + 1 + 18));

  // Rows handed over out of key order are placed in it, each with its own memo.
  const std::vector<Row> reversed(sorted.rbegin(), sorted.rend());
  save(dir.path(), "CB26", newTableFormat("CB26.DB", schema), schema, reversed, nullptr);
  const StoredTable placed = loadTable(defaultFileOps(), dir.path(), "CB26");
  EXPECT_EQ(placed.image.rows, sorted);
  expectIndexMatchesTable(placed.files.db, *placed.files.px);
  test::expectPxlibAgrees(placed);
}

#if KVT_WITH_PXLIB
TEST(TableWrite, PxlibSeesTheHeaderOfANewTable) {
  test::ScratchDir dir;
  const TableSchema schema = formSchema();
  save(dir.path(), "CB25", newTableFormat("CB25.DB", schema), schema, {}, nullptr);
  pxdoc_t* doc = PX_new();
  ASSERT_EQ(PX_open_file(doc, (dir.path() / "CB25.DB").c_str()), 0);
  EXPECT_EQ(PX_get_num_records(doc), 0);
  ASSERT_EQ(PX_get_num_fields(doc), 7);
  pxfield_t* fields = PX_get_fields(doc);
  EXPECT_STREQ(fields[0].px_fname, "BlockName");
  EXPECT_EQ(fields[0].px_ftype, pxfAlpha);
  EXPECT_EQ(fields[0].px_flen, 15);
  EXPECT_EQ(fields[5].px_ftype, pxfMemoBLOb);
  EXPECT_EQ(fields[5].px_flen, 11);
  EXPECT_EQ(doc->px_head->px_doscodepage, 950);
  EXPECT_EQ(doc->px_head->px_primarykeyfields, 2);
  EXPECT_EQ(doc->px_head->px_fileversion, 50);
  PX_close(doc);
  PX_delete(doc);
}
#endif

TEST(TableWrite, LargeTableGetsAMultiLevelIndex) {
  test::ScratchDir dir;
  TableSchema schema;
  schema.fields = {{"ID", FieldType::Long, 0}, {"Name", FieldType::Alpha, 10}};
  schema.indexes = {{"", {"ID"}, true, true, false}};
  std::vector<Row> rows;
  // More than a megabyte: written and walked in several pieces.
  for (int i = 0; i < 100000; ++i)
    rows.push_back({Value(i - 50000), Value("n" + std::to_string(i))});
  save(dir.path(), "BIG", newTableFormat("BIG.DB", schema), schema, rows, nullptr);
  const auto px = parseHeader(test::readFile(dir.path() / "BIG.PX"));
  EXPECT_EQ(px.indexLevels, 2u);
  expectIndexMatchesTable(dir.path() / "BIG.DB", dir.path() / "BIG.PX");
  const StoredTable back = loadTable(defaultFileOps(), dir.path(), "BIG");
  EXPECT_EQ(back.image.rows, rows);
  std::vector<Row> walked;
  loadTable(defaultFileOps(), dir.path(), "BIG", false,
            [&](const Row& row) { walked.push_back(row); });
  EXPECT_EQ(walked, rows);
  test::expectPxlibAgrees(back);
}

TEST(TableWrite, ValuesAFieldCannotHoldAreRefusedWithNothingWritten) {
  test::ScratchDir dir;
  const TableSchema schema = formSchema();
  std::vector<Row> rows = {formRow("A", 10, Value::null())};
  save(dir.path(), "T", newTableFormat("T.DB", schema), schema, rows, nullptr);
  const std::string before = test::readFile(dir.path() / "T.DB");
  const StoredTable t = loadTable(defaultFileOps(), dir.path(), "T");
  rows.push_back(formRow("B", 40000, Value::null()));  // beyond a short
  try {
    save(dir.path(), "T", t.image.format, t.image.schema, rows, &t.files);
    FAIL() << "a short of 40000 was written";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Conversion);
  }
  rows.back() = formRow("B", 10, Value(3.5));  // a number where a memo goes
  EXPECT_THROW(save(dir.path(), "T", t.image.format, t.image.schema, rows, &t.files), EngineError);
  EXPECT_EQ(test::readFile(dir.path() / "T.DB"), before);
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".kvt"), std::string::npos)
        << entry.path() << " left behind";
  }
  // Text longer than an alpha field keeps its leading bytes.
  rows.back() = formRow(std::string(20, 'L'), 10, Value::null());
  save(dir.path(), "T", t.image.format, t.image.schema, rows, &t.files);
  EXPECT_EQ(loadTable(defaultFileOps(), dir.path(), "T").image.rows[1][0],
            Value(std::string(15, 'L')));
}

TEST(TableWrite, EverySampleWrittenBackKeepsItsRecordsAndIndexes) {
  KVT_REQUIRE_SAMPLES();
  test::forEachSampleTable([](const fs::path& dir, const std::string& stem) {
    const StoredTable before = loadTable(defaultFileOps(), dir, stem);
    std::vector<std::string> oldSecondary;
    for (const auto& index : before.image.format.secondary) {
      oldSecondary.push_back(test::readFile(index.dataFile));
    }
    save(dir, stem, before.image.format, before.image.schema, before.image.rows, &before.files);
    const StoredTable after = loadTable(defaultFileOps(), dir, stem);
    EXPECT_EQ(after.image.rows, before.image.rows);
    EXPECT_EQ(after.image.schema.fields, before.image.schema.fields);
    EXPECT_EQ(after.image.schema.indexes, before.image.schema.indexes);
    EXPECT_EQ(after.image.format.db.codePage, before.image.format.db.codePage);
    EXPECT_EQ(after.image.format.db.sortOrderName, before.image.format.db.sortOrderName);
    EXPECT_EQ(after.image.format.db.blockSizeCode, before.image.format.db.blockSizeCode);
    EXPECT_EQ(after.image.format.db.fileVersion, before.image.format.db.fileVersion);
    if (after.image.format.db.keyFieldCount > 0) {
      ASSERT_TRUE(after.files.px);
      expectIndexMatchesTable(after.files.db, *after.files.px);
    }
    test::expectPxlibAgrees(after);
    // The rebuilt secondary indexes hold the same rows in the same order.
    for (size_t i = 0; i < after.image.format.secondary.size(); ++i) {
      const auto& index = after.image.format.secondary[i];
      const std::string x = test::readFile(index.dataFile);
      const auto rowsOf = [](const std::string& file) {
        const FileHeader h = parseHeader(file);
        std::vector<std::string> out;
        for (const auto& r : readRecordChain(file, h))
          out.push_back(file.substr(r.offset, h.recordSize));
        return out;
      };
      EXPECT_EQ(rowsOf(x), rowsOf(oldSecondary[i])) << index.dataFile;
      expectIndexMatchesTable(index.dataFile, index.indexFile);
    }
  });
}

}  // namespace
}  // namespace kvt::paradox

namespace kvt::paradox {
namespace {

TEST(TableWrite, NewTablesTakeTheSortOrderOfTheirDirectory) {
  KVT_REQUIRE_SAMPLES();
  test::ScratchDir dir;
  EXPECT_EQ(languageOfDirectory(dir.path(), "X"), std::nullopt);
  dir.copySamples("db");
  // Four tables use ANSII850 with code page 1252, three "ascii" with 437, one "china".
  const auto western = languageOfDirectory(dir.path(), "NEW", 1252);
  ASSERT_TRUE(western);
  EXPECT_EQ(western->sortOrderName, "ANSII850");
  EXPECT_EQ(western->sortOrder, 0x11u);
  EXPECT_EQ(languageOfDirectory(dir.path(), "NEW"), std::nullopt);  // no code page 950 table

  TableSchema s;
  s.fields = {{"A", FieldType::Alpha, 5}};
  const TableLanguage big5{950, 0x5A, "BIG5"};
  for (const std::string stem : {"P", "Q"}) {
    saveTable(defaultFileOps(), dir.path(), stem, nullptr, newTableFormat(stem + ".DB", s, big5), s,
              0, [](size_t) -> const Row& { throw std::logic_error("no rows"); });
  }
  EXPECT_EQ(languageOfDirectory(dir.path(), "NEW"), big5);
  EXPECT_EQ(loadTable(defaultFileOps(), dir.path(), "P").image.format.db.sortOrder, 0x5Au);
}

}  // namespace
}  // namespace kvt::paradox
