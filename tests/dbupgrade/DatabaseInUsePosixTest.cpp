// The database part while the package runs on its tables, held by a second process: the
// holder is a POSIX program (open descriptors and fcntl locks).
#include <gtest/gtest.h>

#include <fstream>

#include "HeldFiles.h"
#include "schema/upgrade/DatabaseSteps.h"
#include "support/DirectorySnapshot.h"
#include "tests/dbupgrade/KindTest.h"
#include "tools/demo-db/DemoTables.h"

namespace kvt::testing {
namespace {

using kvt::upgrade::RunDatabaseSteps;

// The package running on its tables: a second process holds a table, the directory's lock file
// or the network control file open (or locked) during the run.
TEST(DatabaseStepsInUse, ThePackageRunningChangesNothingAndTheNextRunUpgrades) {
  Installation inst(Kind::Paradox);
  demo::BuildTables(inst.package(), demo::InstallationTables());
  demo::BuildTables(inst.release(), demo::ReleaseTables());
  inst.newRun();
  const std::filesystem::path db = inst.databaseLocal();
  const std::filesystem::path net = inst.local("C:\\Velmor\\Net\\");
  std::filesystem::create_directories(net);
  for (const auto& file : {db / "PARADOX.LCK", db / "PDOXUSRS.LCK", net / "PDOXUSRS.NET"})
    std::ofstream(file) << "session";
  // A read-only file the run would otherwise make writable first.
  std::filesystem::permissions(db / "X102Base.DB", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  const auto before = SnapshotDirectory(db);
  const std::string kDirLine = "資料庫目錄 [C:\\Velmor\\KVT\\Database\\] 正在被 KVT 使用中。";
  const std::string kLast = "KVT 正在執行，資料庫沒有更新，請先離開 KVT 後再重新執行更新程式 !";
  const struct {
    std::vector<std::filesystem::path> held;
    HeldFiles::Mode mode;
    std::vector<std::string> log;
  } cases[] = {
      {{db / "X102Base.DB", db / "X202Memo.MB"},
       HeldFiles::Mode::Open,
       {"資料表 X102Base 正在被其他程式使用中。", "資料表 X202Memo 正在被其他程式使用中。", kLast}},
      {{db / "PARADOX.LCK"}, HeldFiles::Mode::Lock, {kDirLine, kLast}},
      {{net / "PDOXUSRS.NET"},
       HeldFiles::Mode::Open,
       {"網路控制目錄 [C:\\Velmor\\Net\\] 正在被 KVT 使用中。", kLast}},
  };
  for (const auto& c : cases) {
    inst.newRun();
    inst.ctx().NetControlDir = "C:\\Velmor\\Net\\";
    AllDatabaseSwitches(inst.ctx().switches);
    HeldFiles holder(c.held, c.mode);
    RunDatabaseSteps(inst.ctx());
    EXPECT_EQ(inst.log(), c.log);
    EXPECT_TRUE(inst.ctx().DatabaseInUse);
    inst.ctx().packageDb.reset();  // whatever the handle would still write
    EXPECT_EQ(SnapshotDirectory(db), before) << inst.logText();
  }
  // Nobody holds anything: the lock files are left over from a session that ended.
  inst.newRun();
  inst.ctx().NetControlDir = "C:\\Velmor\\Net\\";
  AllDatabaseSwitches(inst.ctx().switches);
  RunDatabaseSteps(inst.ctx());
  EXPECT_FALSE(inst.ctx().DatabaseInUse);
  EXPECT_EQ(Installation::sizeOf(inst.package(), "X102Base", "MsgID"), 20) << inst.logText();
  EXPECT_TRUE(inst.package().tableExists("X101_16"));
}

}  // namespace
}  // namespace kvt::testing
