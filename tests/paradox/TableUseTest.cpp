// No file of a table is replaced while another process has it, or the directory's lock files,
// open: a real second process holds them.
#include <gtest/gtest.h>

#include "support/DirectorySnapshot.h"
#include "HeldFiles.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "schema/EngineError.h"
#include "schema/Table.h"
#include "tests/paradox/TestSupport.h"

namespace kvt::paradox {
namespace {

namespace fs = std::filesystem;
using kvt::testing::HeldFiles;
using kvt::testing::SnapshotDirectory;

class TableUseTest : public ::testing::Test {
 protected:
  TableUseTest() {
    TableSchema s;
    s.fields = {{"Code", FieldType::Alpha, 10}, {"Note", FieldType::Memo, 1}};
    s.indexes = {{"", {"Code"}, true, true, false}, {"NoteKey", {"Code"}, false, false, true}};
    ParadoxDatabase db(dir.path());
    db.createTable("T.DB", s);
    Table t(db, "T.DB");
    t.open();
    for (const char* code : {"A", "B"}) {
      t.append();
      t.set("Code", Value(code));
      t.set("Note", Value(std::string(code) + " note"));
      t.post();
    }
    t.close();
    test::writeFile(dir.path() / "T.VAL", "checks");
  }
  static void editFirstRow(ParadoxDatabase& db) {
    Table t(db, "T.DB");
    t.open();
    t.first();
    t.edit();
    t.set("Code", Value("C"));
    t.post();
    t.close();
  }
  // Every change of the table `T`; each returns the error kind it ended with.
  std::vector<ErrorKind> changeEverything(bool withCreate) {
    std::vector<std::function<void(ParadoxDatabase&)>> changes = {
        editFirstRow,
        [](ParadoxDatabase& db) { db.emptyTable("T.DB"); },
        [](ParadoxDatabase& db) {
          db.renameTable("T.DB", "U.DB");
          db.renameTable("U.DB", "T.DB");
        },
        [](ParadoxDatabase& db) { db.deleteTable("T.DB"); },
    };
    if (withCreate) {
      changes.push_back([](ParadoxDatabase& db) {
        db.createTable("NEW.DB", TableSchema{{{"A", FieldType::Alpha, 4}}, {}});
      });
    }
    std::vector<ErrorKind> kinds;
    for (const auto& change : changes) {
      ParadoxDatabase db(dir.path());
      try {
        change(db);
        kinds.push_back(ErrorKind::State);  // none
      } catch (const EngineError& e) {
        kinds.push_back(e.kind());
        EXPECT_NE(std::string(e.what()).find("in use by another program"), std::string::npos);
      }
    }
    return kinds;
  }
  test::ScratchDir dir;
};

const std::vector<ErrorKind> kAllRefused(4, ErrorKind::Locked);

TEST_F(TableUseTest, NothingChangesWhileAFileOfTheTableIsOpenElsewhere) {
  const auto before = SnapshotDirectory(dir.path());
  for (const char* held : {"T.DB", "T.MB", "T.PX", "T.VAL"}) {
    HeldFiles holder({dir.path() / held});
    EXPECT_EQ(changeEverything(false), kAllRefused) << held;
    EXPECT_EQ(SnapshotDirectory(dir.path()), before) << held;
  }
  // The holder gone, the edit goes through.
  ParadoxDatabase db(dir.path());
  EXPECT_NO_THROW(editFirstRow(db));
  EXPECT_NE(SnapshotDirectory(dir.path()), before);
  // A scratch directory of this program's own does not look.
  HeldFiles holder({dir.path() / "T.DB"});
  ParadoxDatabase scratch(dir.path(), "", Sharing::Private);
  EXPECT_NO_THROW(scratch.emptyTable("T.DB"));
}

TEST_F(TableUseTest, ADirectoryLockFileOpenElsewhereRefusesEveryWriteAStaleOneNone) {
  for (const char* lock : {"PARADOX.LCK", "pdoxusrs.lck"}) test::writeFile(dir.path() / lock, "");
  const auto before = SnapshotDirectory(dir.path());
  const std::vector<ErrorKind> kAllRefused5(5, ErrorKind::Locked);
  {
    HeldFiles holder({dir.path() / "pdoxusrs.lck"}, HeldFiles::Mode::Lock);
    EXPECT_EQ(changeEverything(true), kAllRefused5);
    EXPECT_EQ(SnapshotDirectory(dir.path()), before);
  }
  {
    HeldFiles holder({dir.path() / "PARADOX.LCK"});
    EXPECT_EQ(changeEverything(true), kAllRefused5);
    EXPECT_EQ(SnapshotDirectory(dir.path()), before);
  }
  // Left over from a session that ended: no holder, no refusal.
  const std::vector<ErrorKind> none(5, ErrorKind::State);
  EXPECT_EQ(changeEverything(true), none);
}

}  // namespace
}  // namespace kvt::paradox
