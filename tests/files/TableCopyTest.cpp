// A release's table over an installed one: the installed table moves aside whole, under one
// dated name, or not at all.
#include "FilesFixture.h"
#include "files/CopyRule.h"
#include "files/TableCopy.h"

namespace kvt::files::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kDb = "C:\\Velmor\\KVT\\Database\\";

class TableCopyTest : public FilesTest {
 protected:
  TableCopyTest() { ctx.DatabaseDir = kDb; }
  // The installed DS43Port with a memo file, secondary indexes with decimal and hexadecimal
  // numbers and validity checks; its .PX is of another day than its .DB.
  void installFamily() {
    put(kDb + "DS43Port.DB", "db", Day(2013, 9, 5));
    put(kDb + "DS43Port.PX", "px", Day(2013, 9, 6));
    for (const char* ext : {".MB", ".X02", ".Y02", ".X0A", ".Y0A", ".VAL"})
      put(kDb + "ds43port" + ext, std::string("old") + ext, Day(2013, 9, 7));
    put(kDb + "DS43PortA.DB", "another table", Day(2013, 9, 7));
  }
  void releaseDbPx() {
    putRelease("DS43Port.DB", "release db", Day(2014, 1, 2));
    putRelease("DS43Port.PX", "release px", Day(2014, 1, 2));
  }
  const std::vector<std::string> familyBackup = {
      "DS43Port1020905.DB",  "DS43Port1020905.PX",  "ds43port1020905.MB",  "ds43port1020905.VAL",
      "ds43port1020905.X02", "ds43port1020905.X0A", "ds43port1020905.Y02", "ds43port1020905.Y0A"};
};

TEST_F(TableCopyTest, TheWholeInstalledTableGoesIntoOneDatedBackup) {
  installFamily();
  releaseDbPx();
  CopyTableFiles(ctx, "DS43Port");
  std::vector<std::string> expected = {"DS43Port.DB", "DS43Port.PX", "DS43PortA.DB"};
  expected.insert(expected.end(), familyBackup.begin(), familyBackup.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(namesIn(kDb), expected);
  EXPECT_EQ(get(kDb + "DS43Port.DB"), "release db");
  EXPECT_EQ(get(kDb + "DS43Port1020905.PX"), "px");
  EXPECT_EQ(get(kDb + "ds43port1020905.X0A"), "old.X0A");
  EXPECT_THAT(window.log, ElementsAre("找到 " + kDb + "DS43Port.DB 並更新完成。",
                                      "找到 " + kDb + "DS43Port.PX 並更新完成。"));

  // The next replacement on a day whose backup is taken gets a numbered name, and a memo
  // file the release brings is copied with the table.
  window.log.clear();
  putRelease("DS43Port.MB", "release mb", Day(2014, 1, 2));
  put(kDb + "DS43Port.DB", "db again", Day(2013, 9, 5));
  CopyTableFiles(ctx, "DS43Port");
  EXPECT_EQ(get(kDb + "DS43Port.MB"), "release mb");
  EXPECT_EQ(get(kDb + "DS43Port1020905(2).DB"), "db again");
  EXPECT_EQ(get(kDb + "DS43Port1020905(2).PX"), "release px");
  EXPECT_EQ(get(kDb + "DS43Port1020905.DB"), "db");
  EXPECT_THAT(window.log, ElementsAre("找到 " + kDb + "DS43Port.DB 並更新完成。",
                                      "找到 " + kDb + "DS43Port.PX 並更新完成。",
                                      "沒找到 " + kDb + "DS43Port.MB 但更新完成。"));
}

TEST_F(TableCopyTest, ATableThatCannotBeMovedAsideIsLeftAsItWas) {
  installFamily();
  releaseDbPx();
  const auto before = namesIn(kDb);
  faults.failOn(platform::FsOp::MoveFile, ".X0A");
  CopyTableFiles(ctx, "DS43Port");
  EXPECT_EQ(namesIn(kDb), before);
  EXPECT_EQ(get(kDb + "DS43Port.DB"), "db");
  EXPECT_EQ(get(kDb + "ds43port.X0A"), "old.X0A");
  EXPECT_EQ(faults.calls(platform::FsOp::CopyFile), 0);
  EXPECT_THAT(window.log, ElementsAre("找到 " + kDb + "DS43Port.DB，但更新失敗。",
                                      "找到 " + kDb + "DS43Port.PX，但更新失敗。"));

  // A release file that cannot be copied: the installed table comes back whole.
  window.log.clear();
  faults.clearFaults();
  faults.failOn(platform::FsOp::CopyFile, ".PX");
  CopyTableFiles(ctx, "DS43Port");
  EXPECT_EQ(namesIn(kDb), before);
  EXPECT_EQ(get(kDb + "DS43Port.DB"), "db");
  EXPECT_EQ(get(kDb + "DS43Port.PX"), "px");
  EXPECT_EQ(window.log.size(), 2u);
}

TEST_F(TableCopyTest, AReleaseWithoutTheTableTouchesNothing) {
  installFamily();
  putRelease("DS43Port.PX", "release px", Day(2014, 1, 2));
  const auto before = namesIn(kDb);
  CopyTableFiles(ctx, "DS43Port");
  EXPECT_EQ(namesIn(kDb), before);
  EXPECT_EQ(get(kDb + "DS43Port.PX"), "px");
  EXPECT_THAT(window.log, ElementsAre("找不到來源檔 C:\\KVT更新\\DS43Port.DB。"));
}

TEST_F(TableCopyTest, OnlyIfNewerDecidesForTheWholeTableByItsDbFile) {
  installFamily();
  releaseDbPx();
  put(kDb + "DS43Port.DB", "db", Day(2014, 1, 3));  // newer than the release's
  const auto before = namesIn(kDb);
  TableCopyOptions options;
  options.onlyIfNewer = true;
  EXPECT_TRUE(CopyReleaseTable(ctx, "DS43Port", options).copied);
  EXPECT_EQ(namesIn(kDb), before);
  EXPECT_THAT(window.log, ElementsAre("找到 " + kDb + "DS43Port.DB，但這個檔案已是新的。",
                                      "找到 " + kDb + "DS43Port.PX，但這個檔案已是新的。"));

  // A new table over stray files of its name: they go into the backup too.
  window.log.clear();
  for (const std::string& name : namesIn(kDb)) std::filesystem::remove(local(kDb + name));
  put(kDb + "DS43Port.X02", "stray", Day(2013, 9, 7));
  const TableCopyResult result = CopyReleaseTable(ctx, "DS43Port", options);
  EXPECT_TRUE(result.copied);
  EXPECT_EQ(result.backup, "DS43Port1020907");
  EXPECT_THAT(namesIn(kDb), ElementsAre("DS43Port.DB", "DS43Port.PX", "DS43Port1020907.X02"));
  EXPECT_THAT(window.log, ElementsAre("沒找到 " + kDb + "DS43Port.DB 但更新完成。",
                                      "沒找到 " + kDb + "DS43Port.PX 但更新完成。"));

  EXPECT_TRUE(PutBackTable(ctx, "DS43Port", result.backup));
  EXPECT_THAT(namesIn(kDb), ElementsAre("DS43Port.X02"));
}

TEST_F(TableCopyTest, NothingWithoutADatabaseDirectory) {
  putRelease("DS43Port.DB", "release db", Day(2010, 3, 4));
  ctx.DatabaseDir.clear();
  CopyToDatabaseDir(ctx, "DS43Port.DB", false, true);
  CopyTableFiles(ctx, "DS43Port");
  EXPECT_THAT(window.log, IsEmpty());
  EXPECT_EQ(faults.calls(platform::FsOp::CopyFile), 0);
}

}  // namespace
}  // namespace kvt::files::testing
