// The program-file demonstration, run through the search and the trade-facilitation copies:
// every kind of installed file it lays out ends as the demonstration means it to.
#include <fstream>

#include "FilesFixture.h"
#include "files/DtxFiles.h"
#include "files/InstallationSearch.h"
#include "tools/demo-files/DemoFiles.h"

namespace kvt::files::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

TEST_F(FilesTest, DemonstrationFilesGoThroughTheUpgrade) {
  std::ofstream(root / ".kvt-demo-prefix") << "test\n";
  demo::AddProgramFileDemo(root, ctx.ReleaseDir);
  ctx.switches.UpgradeKVTEXE = true;
  ctx.switches.UpgradeSSLDLL = true;
  ctx.DtxDir = "C:\\Velmor\\KVT\\DTX\\";

  SearchAllDrives(ctx);
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT.EXE"), "MZ KVT demo program, release version\r\n");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT1010301.EXE"), "MZ KVT demo program, installed version\r\n");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\Client\\KVT\\KVT1000520(2).EXE"),
            "MZ KVT demo program, client copy\r\n");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\Client\\KVT\\KVT1000520.EXE"),
            "MZ KVT demo program, earlier backup\r\n");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\Old\\KVT\\KVT.EXE"), "MZ KVT demo program, 2004\r\n");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\BACKUP\\KVT\\KVT.EXE"), "MZ KVT demo program, backup\r\n");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\Tools\\KVT.EXE"), "MZ KVT demo program, loose copy\r\n");
  EXPECT_THAT(ctx.UpdatedExeDirs, UnorderedElementsAre("C:\\Velmor\\KVT\\", "C:\\Velmor\\KVT\\",
                                                       "C:\\Velmor\\KVT\\Client\\KVT\\"));
  EXPECT_THAT(window.log,
              Contains("找到 C:\\Velmor\\KVT\\Old\\KVT\\KVT.EXE，但太舊不行自動更新。"));
  EXPECT_THAT(window.log, Contains("找到 C:\\Velmor\\KVT\\KVTA.EXE，但這個檔案已是新的。"));
  EXPECT_THAT(window.log, Contains(::testing::HasSubstr("要求補寄 PNX.EXE。")));
  EXPECT_EQ(get("C:\\Velmor\\KVT\\Client\\KVT\\ssleay32.dll"),
            "MZ ssleay32 demo library, release version\r\n");
  EXPECT_TRUE(ctx.MainExeUpdated);
  EXPECT_FALSE(ctx.ExeNotUpdated);

  window.log.clear();
  for (const char* name : {"X102.DTX", "X102.XSD"}) CopyDtxFile(ctx, name);
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\DTX\\X102.DTX 並更新完成。",
                                      "找到 C:\\Velmor\\KVT\\DTX\\XSD\\X102 並更新完成。"));
  EXPECT_EQ(get("C:\\Velmor\\KVT\\DTX\\X1021010101.DTX"),
            "demo trade-facilitation file, installed\r\n");
}

TEST_F(FilesTest, DemonstrationRefusesAPrefixItDidNotMake) {
  EXPECT_THROW(demo::AddProgramFileDemo(root, ctx.ReleaseDir), std::runtime_error);
  EXPECT_FALSE(exists("C:\\Velmor"));
}

}  // namespace
}  // namespace kvt::files::testing
