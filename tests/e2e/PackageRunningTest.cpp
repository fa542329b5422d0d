// A run while the package is running on its Paradox tables: a second process holds a table and
// the engine's network control file open. The database directory keeps every byte, the log and
// the last box say why, and the next run, with the package closed, upgrades the tables.
#include <gtest/gtest.h>

#include <fstream>

#include "DemoInstallation.h"
#include "support/DirectorySnapshot.h"
#include "HeldFiles.h"
#include "RunChecks.h"

namespace kvt::e2e {
namespace {

using kvt::testing::HeldFiles;
using kvt::testing::SnapshotDirectory;

TEST(PackageRunning, TheDatabaseIsLeftAsItWasUntilTheNextRun) {
  DemoInstallation inst;
  const auto db = inst.local("C:\\Velmor\\KVT\\Database\\");
  std::ofstream(db / "PDOXUSRS.NET") << "session";
  const auto before = SnapshotDirectory(db);
  RunResult run;
  {
    HeldFiles package({db / "PDOXUSRS.NET", db / "X202Base.DB"}, HeldFiles::Mode::Open);
    run = inst.Run();
  }
  EXPECT_EQ(SnapshotDirectory(db), before);
  const int first =
      FindLine(run.log, "網路控制目錄 [C:\\Velmor\\KVT\\Database\\] 正在被 KVT 使用中。");
  EXPECT_GE(first, 0);
  EXPECT_EQ(FindLine(run.log, "資料表 X202Base 正在被其他程式使用中。"), first + 1);
  EXPECT_EQ(FindLine(run.log, "KVT 正在執行，資料庫沒有更新，請先離開 KVT 後再重新執行更新程式 !"),
            first + 2);
  EXPECT_EQ(CountLines(run.log, "資料表 X"), 1);  // no table step ran
  ASSERT_FALSE(run.boxes.empty());
  EXPECT_EQ(run.boxes.front().kind, platform::BoxKind::Warning);
  EXPECT_EQ(run.boxes.front().text,
            "KVT 正在執行，資料庫沒有更新。\r\n請先離開 KVT 後再重新執行更新程式。");

  // The package closed, its control file left behind.
  WaitForNextSecond();
  const RunResult next = inst.Run();
  ExpectTablesUpgraded(inst);
  EXPECT_EQ(FindLine(next.log, "正在被"), -1);
  for (const auto& box : next.boxes) EXPECT_NE(box.kind, platform::BoxKind::Warning);
}

}  // namespace
}  // namespace kvt::e2e
