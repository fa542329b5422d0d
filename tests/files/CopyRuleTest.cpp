// The copy rule: when a release file replaces an installed one, what is kept as a backup, and
// what the log says.
#include "FilesFixture.h"
#include "files/CopyRule.h"

namespace kvt::files::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kTarget = "C:\\Velmor\\KVT\\KVT.EXE";

class CopyRuleTest : public FilesTest {
 protected:
  // Release KVT.EXE dated `releaseTime`, installed one dated `installedTime`.
  void setUpPair(platform::FileTime releaseTime, platform::FileTime installedTime) {
    putRelease("KVT.EXE", "release", releaseTime);
    put(kTarget, "installed", installedTime);
  }
  bool copy(bool onlyIfNewer, bool reportNew = true) {
    return CopyIfNewer(ctx, ctx.ReleaseDir + "KVT.EXE", kTarget, onlyIfNewer, reportNew);
  }
};

TEST_F(CopyRuleTest, NewerReleaseReplacesTheInstalledFileAndKeepsItUnderItsDate) {
  setUpPair(Day(2013, 9, 5), At(2010, 3, 4, 10, 0, 0));
  EXPECT_TRUE(copy(true));
  EXPECT_EQ(get(kTarget), "release");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT990304.EXE"), "installed");
  EXPECT_EQ(*faults.modificationTime(kTarget), Day(2013, 9, 5));
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\KVT.EXE 並更新完成。"));
}

TEST_F(CopyRuleTest, OlderReleaseIsRefusedOnlyWhenAskedForNewer) {
  setUpPair(Day(2010, 3, 4), Day(2013, 9, 5));
  EXPECT_TRUE(copy(true));
  EXPECT_EQ(get(kTarget), "installed");
  EXPECT_THAT(namesIn("C:\\Velmor\\KVT\\"), ElementsAre("KVT.EXE"));
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\KVT.EXE，但這個檔案已是新的。"));

  window.log.clear();
  ctx.ShowUpgradeOnly = true;
  EXPECT_TRUE(copy(true));
  EXPECT_THAT(window.log, IsEmpty());

  // Without OnlyIfNewer the older release copy goes in, after a backup of the newer file.
  EXPECT_TRUE(copy(false));
  EXPECT_EQ(get(kTarget), "release");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT1020905.EXE"), "installed");
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\KVT.EXE 並更新完成。"));
}

TEST_F(CopyRuleTest, EqualTimesAreAlreadyNewOrReplacedWithoutBackup) {
  putRelease("KVT.EXE", "same bytes", At(2013, 9, 5, 8, 30, 0));
  put(kTarget, "same bytes", At(2013, 9, 5, 8, 30, 0));
  EXPECT_TRUE(copy(true));
  EXPECT_TRUE(copy(false));
  EXPECT_EQ(get(kTarget), "same bytes");
  EXPECT_THAT(namesIn("C:\\Velmor\\KVT\\"), ElementsAre("KVT.EXE"));
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\KVT.EXE，但這個檔案已是新的。",
                                      "找到 C:\\Velmor\\KVT\\KVT.EXE 並更新完成。"));
}

TEST_F(CopyRuleTest, EqualTimesWithOtherContentsKeepTheReplacedFile) {
  // A table written in the same second as the release's copy: its rows live on in the backup.
  setUpPair(At(2013, 9, 5, 8, 30, 0), At(2013, 9, 5, 8, 30, 0));
  EXPECT_TRUE(copy(true));
  EXPECT_EQ(get(kTarget), "installed");

  EXPECT_TRUE(copy(false));
  EXPECT_EQ(get(kTarget), "release");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT1020905.EXE"), "installed");
}

TEST_F(CopyRuleTest, TimesAreComparedToTheSecond) {
  // The installed copy carries a fraction of a second more than the release's: the same
  // version, as another file system would have stored it.
  putRelease("KVT.EXE", "same bytes", At(2013, 9, 5, 8, 30, 0));
  put(kTarget, "same bytes", At(2013, 9, 5, 8, 30, 0) + std::chrono::milliseconds(700));
  EXPECT_TRUE(copy(false));
  EXPECT_EQ(get(kTarget), "same bytes");
  EXPECT_THAT(namesIn("C:\\Velmor\\KVT\\"), ElementsAre("KVT.EXE"));
}

TEST_F(CopyRuleTest, MissingSourceIsReportedAndChangesNothing) {
  put(kTarget, "installed", Day(2010, 3, 4));
  EXPECT_FALSE(copy(false));
  EXPECT_EQ(get(kTarget), "installed");
  EXPECT_THAT(window.log, ElementsAre("找不到來源檔 C:\\KVT更新\\KVT.EXE。"));
}

TEST_F(CopyRuleTest, NewFileIsReportedOnlyWhenAsked) {
  putRelease("KVT.EXE", "release", Day(2013, 9, 5));
  mkdir("C:\\Velmor\\KVT\\");
  EXPECT_TRUE(copy(true, false));
  EXPECT_EQ(get(kTarget), "release");
  EXPECT_THAT(window.log, IsEmpty());

  const std::string other = "C:\\Velmor\\KVT\\KVTA.EXE";
  EXPECT_TRUE(CopyIfNewer(ctx, ctx.ReleaseDir + "KVT.EXE", other, true, true));
  EXPECT_THAT(window.log, ElementsAre("沒找到 C:\\Velmor\\KVT\\KVTA.EXE 但更新完成。"));
}

TEST_F(CopyRuleTest, CopyIntoAMissingDirectoryFailsSilently) {
  putRelease("LOGO.BMP", "picture", Day(2013, 9, 5));
  EXPECT_FALSE(CopyIfNewer(ctx, ctx.ReleaseDir + "LOGO.BMP", "C:\\Velmor\\KVT\\Image\\LOGO.BMP",
                           true, true));
  EXPECT_FALSE(exists("C:\\Velmor\\KVT\\Image"));
  EXPECT_THAT(window.log, IsEmpty());
}

TEST_F(CopyRuleTest, FailedCopyLeavesTheInstalledFileInPlace) {
  setUpPair(Day(2013, 9, 5), Day(2010, 3, 4));
  faults.setReadOnly(kTarget, true);
  faults.failOn(platform::FsOp::CopyFile, "\\Velmor\\");
  EXPECT_FALSE(copy(true));
  // The file was renamed aside for its backup; it is put back under its own name, read-only
  // again, and no backup is left behind.
  EXPECT_EQ(get(kTarget), "installed");
  EXPECT_TRUE(faults.isReadOnly(kTarget));
  EXPECT_EQ(*faults.modificationTime(kTarget), Day(2010, 3, 4));
  EXPECT_THAT(namesIn("C:\\Velmor\\KVT\\"), ElementsAre("KVT.EXE"));
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\KVT.EXE，但更新失敗。"));
}

TEST_F(CopyRuleTest, WithoutABackupTheFileIsNotReplaced) {
  setUpPair(Day(2013, 9, 5), Day(2010, 3, 4));
  faults.setReadOnly(kTarget, true);
  faults.failOn(platform::FsOp::MoveFile);
  EXPECT_FALSE(copy(true));
  EXPECT_EQ(get(kTarget), "installed");
  EXPECT_TRUE(faults.isReadOnly(kTarget));
  EXPECT_THAT(namesIn("C:\\Velmor\\KVT\\"), ElementsAre("KVT.EXE"));
  EXPECT_EQ(faults.calls(platform::FsOp::CopyFile), 0);
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\KVT.EXE，但更新失敗。"));

  // A rename refused once (twice, with the attributes cleared in between) is tried again
  // under the numbered name.
  window.log.clear();
  faults.clearFaults();
  faults.failOn(platform::FsOp::MoveFile, "", 2);
  EXPECT_TRUE(copy(true));
  EXPECT_EQ(get(kTarget), "release");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT990304(2).EXE"), "installed");
}

TEST_F(CopyRuleTest, UnreadableTimesLeaveTheTargetWhereItIs) {
  setUpPair(Day(2013, 9, 5), Day(2010, 3, 4));
  faults.failOn(platform::FsOp::ModificationTime);
  EXPECT_TRUE(copy(true));
  EXPECT_EQ(get(kTarget), "installed");
  EXPECT_THAT(namesIn("C:\\Velmor\\KVT\\"), ElementsAre("KVT.EXE"));
  EXPECT_THAT(window.log, IsEmpty());
  EXPECT_EQ(faults.calls(platform::FsOp::MoveFile), 0);
}

TEST_F(CopyRuleTest, ReadOnlyTargetIsReplaced) {
  setUpPair(Day(2013, 9, 5), Day(2010, 3, 4));
  faults.setReadOnly(kTarget, true);
  EXPECT_TRUE(copy(true));
  EXPECT_EQ(get(kTarget), "release");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT990304.EXE"), "installed");
}

TEST_F(CopyRuleTest, BackupOfTheSameDateIsKeptAndTheReplacedFileIsNumbered) {
  // An earlier run the same day left a backup: it stays, and the file replaced now takes the
  // next numbered name.
  setUpPair(Day(2013, 9, 5), At(2010, 3, 4, 9, 0, 0));
  put("C:\\Velmor\\KVT\\KVT990304.EXE", "earlier backup", At(2010, 3, 4, 8, 0, 0));
  put("C:\\Velmor\\KVT\\KVT990304(2).EXE", "second backup", At(2010, 3, 4, 8, 30, 0));
  EXPECT_TRUE(copy(true));
  EXPECT_EQ(get(kTarget), "release");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT990304.EXE"), "earlier backup");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT990304(2).EXE"), "second backup");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT990304(3).EXE"), "installed");
  EXPECT_EQ(BackupName(kTarget, Day(2010, 3, 4), 3), "C:\\Velmor\\KVT\\KVT990304(3).EXE");
}

TEST_F(CopyRuleTest, DotInADirectoryNameDoesNotTakeTheBackup) {
  const std::string target = "C:\\Velmor\\KVT.v2\\KVT\\KVT.EXE";
  putRelease("KVT.EXE", "release", Day(2013, 9, 5));
  put(target, "installed", Day(2010, 3, 4));
  EXPECT_TRUE(CopyIfNewer(ctx, ctx.ReleaseDir + "KVT.EXE", target, true, true));
  EXPECT_EQ(get(target), "release");
  EXPECT_EQ(get("C:\\Velmor\\KVT.v2\\KVT\\KVT990304.EXE"), "installed");
  EXPECT_THAT(namesIn("C:\\Velmor\\"), ElementsAre("KVT.v2"));
}

TEST_F(CopyRuleTest, NameWithoutDotIsReplacedWithoutBackup) {
  const std::string target = "C:\\Velmor\\KVT\\DTX\\XSD\\X102";
  putRelease("X102.XSD", "release", Day(2013, 9, 5));
  put(target, "installed", Day(2010, 3, 4));
  EXPECT_TRUE(CopyIfNewer(ctx, ctx.ReleaseDir + "X102.XSD", target, false, true));
  EXPECT_EQ(get(target), "release");
  EXPECT_THAT(namesIn("C:\\Velmor\\KVT\\DTX\\XSD\\"), ElementsAre("X102"));
}

TEST(BackupNameTest, StampGoesBeforeTheFirstDotOfTheFileName) {
  const platform::FileTime t = Day(2005, 7, 15);
  EXPECT_EQ(BackupName("C:\\Velmor\\KVT\\KVT.EXE", t), "C:\\Velmor\\KVT\\KVT940715.EXE");
  EXPECT_EQ(BackupName("C:\\Velmor\\KVT\\form.v1.dbt", t), "C:\\Velmor\\KVT\\form940715.v1.dbt");
  EXPECT_EQ(BackupName("C:\\A.B\\C.D\\KVT.EXE", t), "C:\\A.B\\C.D\\KVT940715.EXE");
  EXPECT_EQ(BackupName("C:\\A.B\\X102", t), "C:\\A.B\\X102940715");
  EXPECT_EQ(BackupName("C:\\Velmor\\KVT\\KVT.EXE", Day(2013, 9, 5)),
            "C:\\Velmor\\KVT\\KVT1020905.EXE");
  EXPECT_EQ(BackupName("C:\\Velmor\\KVT\\KVT.EXE", At(2010, 12, 31, 23, 59, 59)),
            "C:\\Velmor\\KVT\\KVT991231.EXE");
}

}  // namespace
}  // namespace kvt::files::testing
