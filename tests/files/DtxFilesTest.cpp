// Release files for the trade-facilitation directory.
#include "FilesFixture.h"
#include "files/DtxFiles.h"

namespace kvt::files::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DtxFilesTest : public FilesTest {
 protected:
  DtxFilesTest() {
    ctx.DtxDir = "C:\\Velmor\\KVT\\DTX\\";
    mkdir(ctx.DtxDir);
  }
};

TEST_F(DtxFilesTest, ExtensionDecidesTheSubdirectory) {
  putRelease("ABC.DTX", "abc", Day(2013, 9, 5));
  putRelease("X102.XSD", "x102", Day(2013, 9, 5));
  putRelease("def.dtx", "lower", Day(2013, 9, 5));
  putRelease("README", "no extension", Day(2013, 9, 5));
  for (const char* name : {"ABC.DTX", "X102.XSD", "def.dtx", "README"}) CopyDtxFile(ctx, name);

  EXPECT_EQ(get("C:\\Velmor\\KVT\\DTX\\ABC.DTX"), "abc");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\DTX\\XSD\\X102"), "x102");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\DTX\\dtx\\def"), "lower");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\DTX\\README"), "no extension");
  EXPECT_THAT(namesIn(ctx.DtxDir), ElementsAre("ABC.DTX", "README", "XSD", "dtx"));
  EXPECT_THAT(window.log, ElementsAre("沒找到 C:\\Velmor\\KVT\\DTX\\ABC.DTX 但更新完成。",
                                      "沒找到 C:\\Velmor\\KVT\\DTX\\XSD\\X102 但更新完成。",
                                      "沒找到 C:\\Velmor\\KVT\\DTX\\dtx\\def 但更新完成。",
                                      "沒找到 C:\\Velmor\\KVT\\DTX\\\\README 但更新完成。"));
  EXPECT_THAT(ui.boxes, IsEmpty());
}

TEST_F(DtxFilesTest, InstalledFilesAreAlwaysReplaced) {
  putRelease("ABC.DTX", "release", Day(2010, 3, 4));
  put("C:\\Velmor\\KVT\\DTX\\ABC.DTX", "installed", Day(2013, 9, 5));
  CopyDtxFile(ctx, "ABC.DTX");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\DTX\\ABC.DTX"), "release");
  EXPECT_EQ(get("C:\\Velmor\\KVT\\DTX\\ABC1020905.DTX"), "installed");
  EXPECT_THAT(window.log, ElementsAre("找到 C:\\Velmor\\KVT\\DTX\\ABC.DTX 並更新完成。"));
}

TEST_F(DtxFilesTest, UndefinedOrMissingDirectoryWarnsForEachEntry) {
  putRelease("ABC.DTX", "abc", Day(2013, 9, 5));
  ctx.DtxDir.clear();
  for (int i = 0; i < 3; ++i) CopyDtxFile(ctx, "ABC.DTX");
  ASSERT_EQ(ui.boxes.size(), 3u);
  for (const Box& box : ui.boxes) {
    EXPECT_EQ(box.kind, platform::BoxKind::Warning);
    EXPECT_EQ(box.text, "沒有定義貿易便捷化 DTX 目錄 !");
  }

  ui.boxes.clear();
  ctx.DtxDir = "C:\\Velmor\\KVT\\Gone\\";
  CopyDtxFile(ctx, "ABC.DTX");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "貿易便捷化 DTX 目錄 [C:\\Velmor\\KVT\\Gone\\] 不存在 !");
  EXPECT_FALSE(exists("C:\\Velmor\\KVT\\Gone"));
  EXPECT_THAT(window.log, IsEmpty());
  EXPECT_EQ(faults.calls(platform::FsOp::CopyFile), 0);
}

TEST_F(DtxFilesTest, SubdirectoryThatCannotBeMadeWarnsAndTheCopyFailsQuietly) {
  putRelease("X102.XSD", "x102", Day(2013, 9, 5));
  faults.failOn(platform::FsOp::ForceDirectories);
  CopyDtxFile(ctx, "X102.XSD");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, platform::BoxKind::Warning);
  EXPECT_EQ(ui.boxes[0].text, "無法建立目錄 [C:\\Velmor\\KVT\\DTX\\XSD]");
  EXPECT_EQ(faults.calls(platform::FsOp::CopyFile), 1);
  EXPECT_THAT(window.log, IsEmpty());
}

TEST_F(DtxFilesTest, MissingReleaseFileIsLogged) {
  CopyDtxFile(ctx, "X102.XSD");
  EXPECT_THAT(window.log, ElementsAre("找不到來源檔 C:\\KVT更新\\X102.XSD。"));
  // The subdirectory is made before the source is looked at.
  EXPECT_TRUE(exists("C:\\Velmor\\KVT\\DTX\\XSD"));
}

}  // namespace
}  // namespace kvt::files::testing
