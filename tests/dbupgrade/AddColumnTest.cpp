// A column added to a Paradox table keeps the table: its rows, its secondary indexes, its
// language and its validity checks, on real tables made by the desktop engine.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "engine/paradox/FieldAppend.h"
#include "engine/paradox/TableStorage.h"
#include "schema/upgrade/TableOperations.h"
#include "tests/dbupgrade/KindTest.h"

namespace kvt::testing {
namespace {

namespace fs = std::filesystem;
const fs::path kJoins = fs::path(KVT_PARADOX_SAMPLES) / "joins";

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(AddColumn, ASampleTableKeepsItsIndexesLanguageAndValidityChecks) {
  Installation inst(Kind::Paradox);
  const fs::path dir = inst.databaseLocal();
  for (const char* ext : {".DB", ".PX", ".VAL", ".X02", ".X03", ".Y02", ".Y03"}) {
    fs::copy_file(kJoins / (std::string("C") + ext), dir / (std::string("C") + ext));
    fs::permissions(dir / (std::string("C") + ext), fs::perms::owner_write, fs::perm_options::add);
  }
  auto& ops = paradox::defaultFileOps();
  const paradox::StoredTable before = paradox::loadTable(ops, dir, "C");
  const std::string oldVal = ReadAll(dir / "C.VAL");

  upgrade::AddColumnBySql(inst.ctx(), "C", "ValidationCode", "Char(8)");
  upgrade::AddColumnBySql(inst.ctx(), "C", "ValidationCode", "Char(8)");  // already there

  const paradox::StoredTable after = paradox::loadTable(ops, dir, "C");
  EXPECT_EQ(FieldNames(inst.package(), "C"),
            (std::vector<std::string>{"C", "A", "B", "ValidationCode"}));
  ASSERT_EQ(after.image.rows.size(), before.image.rows.size());
  for (size_t r = 0; r < after.image.rows.size(); ++r) {
    Row expected = before.image.rows[r];
    expected.push_back(Value());
    EXPECT_EQ(after.image.rows[r], expected);
  }
  EXPECT_EQ(paradox::languageOf(after.image.format.db),
            paradox::languageOf(before.image.format.db));
  EXPECT_EQ(after.image.format.db.codePage, 1252u);
  ASSERT_EQ(after.image.format.secondary.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    const auto& index = after.image.format.secondary[i];
    EXPECT_EQ(index.definition, before.image.format.secondary[i].definition);
    EXPECT_TRUE(index.problem.empty()) << index.problem;
    EXPECT_EQ(index.x.recordCount, 3u);
  }
  // The checks stand as they were; the field list at the end names the new field.
  const std::string newVal = ReadAll(dir / "C.VAL");
  EXPECT_EQ(newVal.substr(8, 0x431 - 8), oldVal.substr(8, 0x431 - 8));
  EXPECT_TRUE(newVal.ends_with(std::string("C\0A\0B\0ValidationCode\0", 21)));
  EXPECT_TRUE(paradox::validityWithAppendedField(newVal, {"C", "A", "B", "ValidationCode"},
                                                 {0x01, 8}, "More"));
  EXPECT_TRUE(inst.log().empty()) << inst.logText();

  // A row added afterwards goes into the table and both its indexes.
  {
    Table t(inst.package(), "C");
    t.open();
    t.append();
    t.set("C", Value(4));
    t.set("A", Value(7));
    t.set("B", Value(8));
    t.set("ValidationCode", Value("V1"));
    t.post();
  }
  const paradox::StoredTable more = paradox::loadTable(ops, dir, "C");
  EXPECT_EQ(more.image.rows.back(), (Row{Value(4), Value(7), Value(8), Value("V1")}));
  for (const auto& index : more.image.format.secondary) EXPECT_EQ(index.x.recordCount, 4u);
}

TEST(AddColumn, EverySampleValidityFileIsReadAsItsTablesFieldList) {
  int read = 0;
  for (const auto& e : fs::directory_iterator(kJoins)) {
    if (e.path().extension() != ".val" && e.path().extension() != ".VAL") continue;
    SCOPED_TRACE(e.path().filename().string());
    const auto table =
        paradox::loadTable(paradox::defaultFileOps(), kJoins, e.path().stem().string(), false);
    const std::string val = ReadAll(e.path());
    const auto grown = paradox::validityWithAppendedField(val, table.image.format.db.fieldNames,
                                                          {0x01, 8}, "Added");
    if (e.path().stem() == "fk4") {
      // Its list still names a field the table has since renamed (B, now B1): not touched.
      EXPECT_FALSE(grown);
      continue;
    }
    ASSERT_TRUE(grown);
    EXPECT_EQ(grown->size(), val.size() + 4 + 6);
    ++read;
  }
  EXPECT_GE(read, 12);
}

TEST(AddColumn, ATableTheEngineCannotChangeStaysAsItWasAndTheLogSaysSo) {
  Installation inst(Kind::Paradox);
  const fs::path dir = inst.databaseLocal();
  for (const char* ext : {".DB", ".PX", ".VAL"}) {
    fs::copy_file(kJoins / (std::string("C") + ext), dir / (std::string("C") + ext));
    fs::permissions(dir / (std::string("C") + ext), fs::perms::owner_write, fs::perm_options::add);
  }
  // Validity checks of a layout not known: better no column than broken checks.
  std::ofstream(dir / "C.VAL", std::ios::binary | std::ios::app) << "x";
  const std::string db = ReadAll(dir / "C.DB");
  upgrade::AddColumnBySql(inst.ctx(), "C", "ValidationCode", "Char(8)");
  EXPECT_EQ(ReadAll(dir / "C.DB"), db);
  EXPECT_TRUE(inst.logged("資料表 C        無法加入 ValidationCode 欄位，沒有更新。"))
      << inst.logText();
}

}  // namespace
}  // namespace kvt::testing
