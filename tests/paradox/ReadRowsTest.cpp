// Walking a table's rows without opening it: the rows a handle walks, in its order, whether
// the table is on disk only or open with changes not yet written; the errors an open gives.
#include <gtest/gtest.h>

#include "engine/paradox/ParadoxDatabase.h"
#include "schema/EngineError.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"
#include "tests/paradox/TestSupport.h"

namespace kvt::paradox {
namespace {

TableSchema keyed() {
  TableSchema s;
  s.fields = {
      {"No", FieldType::Long, 0}, {"Name", FieldType::Alpha, 20}, {"Memo", FieldType::Memo, 1}};
  s.indexes = {{"", {"No"}, true, true, false}};
  return s;
}

void fill(Database& db, const std::vector<int>& numbers) {
  Table t(db, "T");
  t.open();
  for (int n : numbers) {
    t.append();
    t.set("No", Value(n));
    t.set("Name", Value("row " + std::to_string(n)));
    // Long memos live in the blob file, short ones in the record.
    t.set("Memo", Value(std::string(size_t(n % 3 == 0 ? 3000 : 5), char('a' + n % 26))));
    t.post();
  }
  t.close();
}

std::vector<Row> walked(Database& db) {
  Table t(db, "T");
  t.open(OpenMode::ReadOnly);
  std::vector<Row> rows;
  for (t.first(); !t.eof(); t.next()) {
    Row row;
    for (int i = 0; i < t.fieldCount(); ++i) row.push_back(t.get(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<Row> read(Database& db) {
  std::vector<Row> rows;
  db.readRows("T", [&](const Row& row) { rows.push_back(row); });
  return rows;
}

ErrorKind errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EngineError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no error raised";
  return ErrorKind::State;
}

TEST(ReadRows, GivesTheRowsAHandleWalksFromDiskAndFromMemory) {
  test::ScratchDir dir;
  ParadoxDatabase db(dir.path());
  db.createTable("T", keyed());
  fill(db, {5, 3, 900, 1, 42, 7, 600});
  const std::vector<Row> onDisk = read(db);
  ASSERT_EQ(onDisk.size(), 7u);
  EXPECT_EQ(onDisk, walked(db));
  EXPECT_EQ(onDisk.front()[0], Value(int64_t{1}));
  EXPECT_EQ(onDisk.back()[2].asString(), std::string(3000, 'a' + 900 % 26));

  // Open with a change not yet written: the rows in memory are the ones read.
  Table open(db, "T");
  open.open();
  ASSERT_TRUE(open.locate("No", {Value(3)}));
  open.deleteRow();
  const std::vector<Row> inMemory = read(db);
  EXPECT_EQ(inMemory.size(), 6u);
  EXPECT_EQ(inMemory, walked(db));

  // Another database on the same directory still sees the file as it is.
  ParadoxDatabase other(dir.path());
  EXPECT_EQ(read(other), onDisk);

  // MemoryDatabase walks its store the same way.
  MemoryDatabase memory;
  memory.createTable("T", keyed());
  fill(memory, {5, 3, 900, 1, 42, 7, 600});
  EXPECT_EQ(read(memory), onDisk);
}

TEST(ReadRows, RefusesAsAnOpenWouldAndPassesOnWhatTheSinkThrows) {
  test::ScratchDir dir;
  ParadoxDatabase db(dir.path());
  EXPECT_EQ(errorOf([&] { read(db); }), ErrorKind::MissingTable);
  db.createTable("T", keyed());
  fill(db, {1, 2, 3});
  {
    Table exclusive(db, "T");
    exclusive.open(OpenMode::Exclusive);
    EXPECT_EQ(errorOf([&] { read(db); }), ErrorKind::Locked);
  }
  int seen = 0;
  EXPECT_THROW(db.readRows("T",
                           [&](const Row&) {
                             if (++seen == 2) throw std::runtime_error("stop");
                           }),
               std::runtime_error);
  EXPECT_EQ(seen, 2);
  // Nothing was left open: the table can still be opened exclusively.
  Table after(db, "T");
  EXPECT_NO_THROW(after.open(OpenMode::Exclusive));

  // The same through the store of the default walk.
  MemoryDatabase memory;
  memory.createTable("T", keyed());
  fill(memory, {1, 2, 3});
  seen = 0;
  EXPECT_THROW(memory.readRows("T",
                               [&](const Row&) {
                                 if (++seen == 1) throw std::runtime_error("stop");
                               }),
               std::runtime_error);
  Table memoryAfter(memory, "T");
  EXPECT_NO_THROW(memoryAfter.open(OpenMode::Exclusive));
}

}  // namespace
}  // namespace kvt::paradox
