// Replacing a table's files: a failed rename or write leaves the old files, a process that
// dies at any step leaves either all old or all new files once the table is next opened.
#include <gtest/gtest.h>

#include <map>

#include "engine/paradox/FileSetCommit.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "engine/paradox/TableStorage.h"
#include "schema/EngineError.h"
#include "tests/paradox/TestSupport.h"

namespace kvt::paradox {
namespace {

namespace fs = std::filesystem;

struct Crash {};

// Counts the writing operations and fails (or "dies" at) a chosen one.
class FaultyOps : public FileOps {
 public:
  enum class Mode { Fail, Die };
  FaultyOps(int at, Mode mode) : at_(at), mode_(mode) {}
  int count() const { return count_; }

  bool writeFileFrom(const fs::path& p, const FileContent& content, std::string& error) override {
    if (hit(error)) return false;
    return FileOps::writeFileFrom(p, content, error);
  }
  bool rename(const fs::path& from, const fs::path& to, std::string& error) override {
    if (hit(error)) return false;
    return FileOps::rename(from, to, error);
  }
  bool remove(const fs::path& p, std::string& error) override {
    if (hit(error)) return false;
    return FileOps::remove(p, error);
  }

 private:
  bool hit(std::string& error) {
    if (++count_ != at_) return false;
    if (mode_ == Mode::Die) throw Crash{};
    error = "injected failure";
    return true;
  }
  int at_;
  Mode mode_;
  int count_ = 0;
};

TableSchema schema() {
  TableSchema s;
  s.fields = {{"Code", FieldType::Alpha, 8}, {"Text", FieldType::Memo, 1}};
  s.indexes = {{"", {"Code"}, true, true, false}};
  return s;
}

std::vector<Row> rowsOf(int n) {
  std::vector<Row> rows;
  for (int i = 0; i < n; ++i) {
    rows.push_back({Value("C" + std::to_string(100 + i)), Value(std::string(50 + i * 40, 't'))});
  }
  return rows;
}

void write(FileOps& ops, const fs::path& dir, const std::vector<Row>& rows) {
  const auto files = findTableFiles(dir, "T");
  const TableSchema s = schema();
  if (files) {
    const StoredTable t = loadTable(ops, dir, "T");
    saveTable(ops, dir, "T", &*files, t.image.format, s, rows.size(),
              [&](size_t r) -> const Row& { return rows[r]; });
  } else {
    saveTable(ops, dir, "T", nullptr, newTableFormat("T.DB", s), s, rows.size(),
              [&](size_t r) -> const Row& { return rows[r]; });
  }
}

TEST(TableCommit, AFailedWriteOrRenameLeavesTheOldFiles) {
  test::ScratchDir dir;
  write(defaultFileOps(), dir.path(), rowsOf(3));
  const auto before = test::snapshot(dir.path());
  // Count the operations of a whole write, then fail each in turn.
  test::ScratchDir probe;
  write(defaultFileOps(), probe.path(), rowsOf(3));
  FaultyOps counter(-1, FaultyOps::Mode::Fail);
  write(counter, probe.path(), rowsOf(40));
  ASSERT_GT(counter.count(), 8);
  // The last four operations remove the old files and the journal once the new files are
  // in place; a failure there leaves the new table and a leftover the next open removes.
  for (int at = 1; at <= counter.count() - 4; ++at) {
    SCOPED_TRACE("failing operation " + std::to_string(at));
    FaultyOps ops(at, FaultyOps::Mode::Fail);
    try {
      write(ops, dir.path(), rowsOf(40));
    } catch (const EngineError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Io);
    }
    EXPECT_TRUE(test::snapshot(dir.path()) == before);
  }
  EXPECT_EQ(loadTable(defaultFileOps(), dir.path(), "T").image.rows, rowsOf(3));
}

TEST(TableCommit, DyingAtAnyStepLeavesAllOldOrAllNewFiles) {
  test::ScratchDir probe;
  write(defaultFileOps(), probe.path(), rowsOf(3));
  FaultyOps counter(-1, FaultyOps::Mode::Fail);
  write(counter, probe.path(), rowsOf(40));
  for (int at = 1; at <= counter.count(); ++at) {
    SCOPED_TRACE("dying at operation " + std::to_string(at));
    test::ScratchDir dir;
    write(defaultFileOps(), dir.path(), rowsOf(3));
    FaultyOps ops(at, FaultyOps::Mode::Die);
    EXPECT_THROW(write(ops, dir.path(), rowsOf(40)), Crash);
    // The next look finishes or clears the interrupted write.
    EXPECT_TRUE(ParadoxDatabase(dir.path()).tableExists("T"));
    const auto rows = loadTable(defaultFileOps(), dir.path(), "T").image.rows;
    EXPECT_TRUE(rows == rowsOf(3) || rows == rowsOf(40));
    for (const auto& [name, bytes] : test::snapshot(dir.path())) {
      EXPECT_EQ(name.find(".kvt"), std::string::npos) << name << " left behind";
    }
  }
}

TEST(TableCommit, AnUnreadableJournalStopsTheOpen) {
  test::ScratchDir dir;
  write(defaultFileOps(), dir.path(), rowsOf(3));
  test::writeFile(dir.path() / "T.kvtjournal", "garbage");
  try {
    loadTable(defaultFileOps(), dir.path(), "T");
    FAIL() << "a damaged journal was ignored";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Io);
  }
}

}  // namespace
}  // namespace kvt::paradox
