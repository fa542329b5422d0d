// The search of the installation trees for the package's executables and what is done with
// each one found.
#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "InstallationSearchFixture.h"
#include "files/InstallationSearch.h"

namespace kvt::files::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

TEST_F(InstallationSearchTest, OnlyDirectoriesNamedKvtOutsideBackupsQualify) {
  const std::string base = "C:\\Velmor\\KVT\\";
  const std::vector<std::string> ignored = {
      "C:\\Velmor\\KVT\\Client\\",           // not named KVT
      "C:\\Velmor\\KVT\\BACKUP\\KVT\\",      // a backup
      "C:\\Velmor\\KVT\\old backup\\kvt\\",  // a backup, any letter case
      "C:\\Velmor\\KVT\\舊備份\\KVT\\",      // a backup, in Chinese
      "C:\\Velmor\\KVT\\KVT2\\",             // not exactly KVT
  };
  for (const auto& dir : ignored) install(dir, "KVT.EXE");
  install(base, "KVT.EXE");
  install("C:\\Velmor\\KVT\\Client\\KVT\\", "KVT.EXE");
  install("C:\\Velmor\\KVT\\Shop\\kvt\\", "KVT.EXE");

  SearchInstallations(ctx, base);

  for (const auto& dir : ignored) EXPECT_EQ(get(dir + "KVT.EXE"), "old KVT.EXE") << dir;
  EXPECT_TRUE(updated(base, "KVT.EXE"));
  EXPECT_TRUE(updated("C:\\Velmor\\KVT\\Client\\KVT\\", "KVT.EXE"));
  EXPECT_TRUE(updated("C:\\Velmor\\KVT\\Shop\\kvt\\", "KVT.EXE"));
  EXPECT_TRUE(ctx.MainExeUpdated);
  EXPECT_FALSE(ctx.ExeNotUpdated);
  EXPECT_EQ(window.log.size(), 3u);
  EXPECT_EQ(ctx.UpdatedExeDirs.size(), 3u);
  EXPECT_THAT(ctx.UpdatedExeDirs, Contains("C:\\Velmor\\KVT\\Client\\KVT\\"));
}

TEST_F(InstallationSearchTest, SkippedPathsAreNotEntered) {
  for (const char* dir : {"C:\\Velmor\\KVT\\WINDOWS\\KVT\\", "C:\\Velmor\\KVT\\Template\\KVT\\",
                          "C:\\Velmor\\KVT\\Temp\\KVT\\", "C:\\Velmor\\KVT\\Programs\\KVT\\",
                          "C:\\Velmor\\KVT\\Documents\\KVT\\", "C:\\Velmor\\KVT\\KVT更新\\KVT\\"})
    install(dir, "KVT.EXE");
  install("C:\\Velmor\\KVT\\Data\\KVT\\", "KVT.EXE");
  SearchInstallations(ctx, "C:\\Velmor\\KVT\\");
  EXPECT_THAT(ctx.UpdatedExeDirs, ElementsAre("C:\\Velmor\\KVT\\Data\\KVT\\"));
  // The skipped directories were shown on the label but nothing below them was.
  EXPECT_THAT(window.labels, Contains("C:\\Velmor\\KVT\\WINDOWS\\"));
  EXPECT_THAT(window.labels, Not(Contains("C:\\Velmor\\KVT\\WINDOWS\\KVT\\")));
}

TEST_F(InstallationSearchTest, StartDirectoryMissingDoesNothing) {
  SearchInstallations(ctx, "C:\\Velmor\\KVT\\");
  EXPECT_THAT(window.log, IsEmpty());
  EXPECT_THAT(window.labels, ElementsAre("C:\\Velmor\\KVT\\"));
  EXPECT_FALSE(ctx.MainExeUpdated);
}

TEST_F(InstallationSearchTest, CutOffDateDecidesWhatIsTooOld) {
  const std::string a = "C:\\Velmor\\KVT\\A\\KVT\\", b = "C:\\Velmor\\KVT\\B\\KVT\\";
  install(a, "KVT.EXE", At(2005, 7, 14, 23, 59, 59));
  install(b, "KVT.EXE", Day(2005, 7, 15));
  SearchInstallations(ctx, "C:\\Velmor\\KVT\\");
  EXPECT_EQ(get(a + "KVT.EXE"), "old KVT.EXE");
  EXPECT_TRUE(logHas("找到 " + a + "KVT.EXE，但太舊不行自動更新。"));
  EXPECT_TRUE(updated(b, "KVT.EXE"));
  EXPECT_EQ(get(b + "KVT940715.EXE"), "old KVT.EXE");
  EXPECT_THAT(ctx.UpdatedExeDirs, ElementsAre(b));
}

TEST_F(InstallationSearchTest, ExecutableMissingFromTheReleaseAsksTheMaker) {
  const std::string dir = "C:\\Velmor\\KVT\\";
  install(dir, "pnx.exe");
  SearchInstallations(ctx, dir);
  EXPECT_EQ(get(dir + "pnx.exe"), "old pnx.exe");
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\PNX.EXE，但沒有更新。\r\n"
                                      "     請回函Velmor電腦 service@velmor.example\r\n"
                                      "     要求補寄 PNX.EXE。"));
  EXPECT_FALSE(ctx.MainExeUpdated);
  EXPECT_FALSE(ctx.ExeNotUpdated);
}

TEST_F(InstallationSearchTest, EachExecutableListsItsDirectory) {
  const std::string dir = "C:\\Velmor\\KVT\\";
  install(dir, "KVT.EXE");
  install(dir, "KVTA.EXE", kRelease);  // already new counts too
  install(dir, "README.TXT");
  SearchInstallations(ctx, dir);
  EXPECT_THAT(ctx.UpdatedExeDirs, ElementsAre(dir, dir));
  EXPECT_TRUE(logHas("找到 C:\\Velmor\\KVT\\KVTA.EXE，但這個檔案已是新的。"));
  EXPECT_EQ(get(dir + "README.TXT"), "old README.TXT");
}

TEST_F(InstallationSearchTest, LibrariesAloneWhenOnlyTheyAreSwitchedOn) {
  ctx.switches.UpgradeKVTEXE = false;
  ctx.switches.UpgradeSSLDLL = true;
  const std::string dir = "C:\\Velmor\\KVT\\", old = "C:\\Velmor\\KVT\\Old\\KVT\\";
  install(dir, "KVT.EXE");
  install(old, "KVT.EXE", Day(2004, 1, 1));
  install("C:\\Velmor\\KVT\\Client\\", "KVT.EXE");
  SearchInstallations(ctx, dir);
  EXPECT_EQ(get(dir + "KVT.EXE"), "old KVT.EXE");
  EXPECT_EQ(get(dir + "libeay32.dll"), "new libeay32");
  EXPECT_EQ(get(dir + "ssleay32.dll"), "new ssleay32");
  EXPECT_FALSE(exists(old + "libeay32.dll"));
  EXPECT_FALSE(exists("C:\\Velmor\\KVT\\Client\\libeay32.dll"));
  EXPECT_FALSE(ctx.MainExeUpdated);
  EXPECT_THAT(ctx.UpdatedExeDirs, IsEmpty());
  EXPECT_TRUE(logHas("沒找到 C:\\Velmor\\KVT\\ssleay32.dll 但更新完成。"));
}

TEST_F(InstallationSearchTest, FailedCopiesMarkExecutablesNotUpdated) {
  ctx.switches.UpgradeSSLDLL = true;
  const std::string dir = "C:\\Velmor\\KVT\\";
  install(dir, "KVT.EXE");
  faults.failOn(platform::FsOp::CopyFile, "KVT.EXE");
  SearchInstallations(ctx, dir);
  EXPECT_EQ(get(dir + "KVT.EXE"), "old KVT.EXE");
  EXPECT_TRUE(ctx.ExeNotUpdated);
  EXPECT_FALSE(ctx.MainExeUpdated);
  EXPECT_THAT(ctx.UpdatedExeDirs, IsEmpty());
  EXPECT_TRUE(logHas("找到 C:\\Velmor\\KVT\\KVT.EXE，但更新失敗。"));
  EXPECT_EQ(get(dir + "libeay32.dll"), "new libeay32");  // the libraries still go in

  // A library that cannot be copied marks the executables as not updated as well.
  ctx.ExeNotUpdated = false;
  faults.clearFaults();
  faults.failOn(platform::FsOp::CopyFile, "ssleay32");
  const std::string other = "C:\\Velmor\\KVT\\Other\\KVT\\";
  install(other, "KVT.EXE");
  UpdateFoundExecutable(ctx, "KVT.EXE", other);
  EXPECT_TRUE(updated(other, "KVT.EXE"));
  EXPECT_EQ(get(other + "libeay32.dll"), "new libeay32");
  EXPECT_TRUE(ctx.MainExeUpdated);
  EXPECT_TRUE(ctx.ExeNotUpdated);
}

TEST_F(InstallationSearchTest, SharedInstallationIsFoundByItsMarkers) {
  ctx.databaseKind = DatabaseKind::MySQL;
  const std::string plain = "C:\\Velmor\\KVT\\A\\KVT\\", shared = "C:\\Velmor\\KVT\\B\\KVT\\";
  install(plain, "KVT.EXE");
  for (const char* sub : {"Database", "Image", "DOC"}) mkdir(plain + sub);
  install(shared, "KVT.EXE");
  for (const char* sub : {"Database", "Image", "DOC", "Help"}) mkdir(shared + sub);
  SearchInstallations(ctx, "C:\\Velmor\\KVT\\");
  EXPECT_EQ(ctx.SharedDirFound, shared);

  // Not when the database is Paradox, nor when the form directory is known.
  for (DatabaseKind kind : {DatabaseKind::Standard, DatabaseKind::MySQL}) {
    ctx.databaseKind = kind;
    ctx.FormDir = kind == DatabaseKind::MySQL ? "C:\\Share\\" : "";
    ctx.SharedDirFound.clear();
    UpdateFoundExecutable(ctx, "KVT.EXE", shared);
    EXPECT_EQ(ctx.SharedDirFound, "");
  }
}

TEST_F(InstallationSearchTest, StopEndsTheSearchBetweenEntries) {
  for (char c = 'A'; c <= 'H'; ++c)
    install(std::string("C:\\Velmor\\KVT\\") + c + "\\KVT\\", "KVT.EXE");
  size_t labelsAtStop = 0, logAtStop = 0;
  ui.onProcessEvents = [&] {
    if (ui.processEventsCalls == 12) {
      ctx.StopFlag = true;
      labelsAtStop = window.labels.size();
      logAtStop = window.log.size();
    }
  };
  SearchInstallations(ctx, "C:\\Velmor\\KVT\\");
  ASSERT_TRUE(ctx.StopFlag);
  int updatedCount = 0;
  for (char c = 'A'; c <= 'H'; ++c)
    updatedCount += updated(std::string("C:\\Velmor\\KVT\\") + c + "\\KVT\\", "KVT.EXE");
  EXPECT_GE(updatedCount, 1);
  EXPECT_LT(updatedCount, 8);
  EXPECT_EQ(static_cast<int>(ctx.UpdatedExeDirs.size()), updatedCount);
  // Once the flag is up no further directory is entered and no file is looked at.
  EXPECT_EQ(window.labels.size(), labelsAtStop);
  EXPECT_EQ(window.log.size(), logAtStop);
}

TEST_F(InstallationSearchTest, UnreadableDirectoryIsPassedOver) {
  install("C:\\Velmor\\KVT\\A\\KVT\\", "KVT.EXE");
  install("C:\\Velmor\\KVT\\B\\KVT\\", "KVT.EXE");
  faults.failOn(platform::FsOp::List, "\\A\\");
  SearchInstallations(ctx, "C:\\Velmor\\KVT\\");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\A\\KVT\\KVT.EXE"), "old KVT.EXE");
  EXPECT_TRUE(updated("C:\\Velmor\\KVT\\B\\KVT\\", "KVT.EXE"));
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\B\\KVT\\KVT.EXE 並更新完成。"));
}

TEST_F(InstallationSearchTest, StopBeforeADriveSkipsIt) {
  install("D:\\Velmor\\KVT\\", "KVT.EXE");
  ctx.StopFlag = true;
  SearchAllDrives(ctx);
  EXPECT_THAT(window.labels, IsEmpty());
  EXPECT_EQ(get("D:\\Velmor\\KVT\\KVT.EXE"), "old KVT.EXE");
}

class FormDirProgramTest : public InstallationSearchTest {
 protected:
  FormDirProgramTest() { ctx.FormDir = "C:\\Share\\"; }
};

TEST_F(FormDirProgramTest, MainProgramAndLibrariesGoIntoTheFormDirectory) {
  ctx.switches.UpgradeSSLDLL = true;
  install(ctx.FormDir, "KVT.EXE");
  UpdateFormDirProgram(ctx);
  EXPECT_TRUE(updated(ctx.FormDir, "KVT.EXE"));
  EXPECT_EQ(get(ctx.FormDir + "libeay32.dll"), "new libeay32");
  EXPECT_TRUE(ctx.MainExeUpdated);
  EXPECT_FALSE(ctx.ExeNotUpdated);
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Share\\KVT.EXE 並更新完成。",
                                      "沒找到 C:\\Share\\libeay32.dll 但更新完成。",
                                      "沒找到 C:\\Share\\ssleay32.dll 但更新完成。"));
}

TEST_F(FormDirProgramTest, FailuresAreMarkedAndSwitchesRespected) {
  // The form directory does not exist: every copy fails without a log line.
  ctx.switches.UpgradeSSLDLL = true;
  UpdateFormDirProgram(ctx);
  EXPECT_TRUE(ctx.ExeNotUpdated);
  EXPECT_FALSE(ctx.MainExeUpdated);
  EXPECT_THAT(window.log, IsEmpty());

  ctx.ExeNotUpdated = false;
  ctx.switches.UpgradeKVTEXE = false;
  ctx.switches.UpgradeSSLDLL = false;
  UpdateFormDirProgram(ctx);
  EXPECT_FALSE(ctx.ExeNotUpdated);
  EXPECT_EQ(faults.calls(platform::FsOp::CopyFile), 3);
}

}  // namespace
}  // namespace kvt::files::testing
