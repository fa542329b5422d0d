// The installation search over what only a Wine-style prefix on POSIX has: directory links
// that lead back up the tree, and drives that are links in dosdevices.
#include <filesystem>
#include <stdexcept>

#include "InstallationSearchFixture.h"
#include "files/InstallationSearch.h"

namespace kvt::files::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(InstallationSearchTest, DirectoryLinksDoNotLoop) {
  const std::string dir = "C:\\Velmor\\KVT\\";
  install(dir, "KVT.EXE");
  mkdir(dir + "Sub");
  // Sub\Up leads back to the top; Sub\Again to Sub itself; Alias is a second name for Sub.
  std::filesystem::create_directory_symlink("..", local(dir + "Sub\\Up"));
  std::filesystem::create_directory_symlink(".", local(dir + "Sub\\Again"));
  std::filesystem::create_directory_symlink(local(dir + "Sub"), local(dir + "Alias"));
  install(dir + "Sub\\KVT\\", "KVT.EXE");
  // A walk that went round in circles is stopped here, as the operator would.
  ui.onProcessEvents = [this] {
    if (ui.processEventsCalls == 1000) ctx.StopFlag = true;
  };
  SearchInstallations(ctx, dir);
  EXPECT_FALSE(ctx.StopFlag);
  EXPECT_TRUE(updated(dir, "KVT.EXE"));
  EXPECT_TRUE(updated(dir + "Sub\\KVT\\", "KVT.EXE"));
  // Each real directory is walked once: one update line per executable.
  EXPECT_EQ(window.log.size(), 2u);
  EXPECT_EQ(ctx.UpdatedExeDirs.size(), 2u);
}

TEST_F(InstallationSearchTest, DrivesCToGAreSearchedAndAFailingOneIsPassedOver) {
  // Drive C throws while being listed; drive D is searched all the same.
  class ThrowingOnC : public platform::FaultyFileSystem {
   public:
    using FaultyFileSystem::FaultyFileSystem;
    std::optional<std::vector<platform::NameEntry>> listNames(
        std::string_view pattern) const override {
      if (pattern.substr(0, 2) == "C:") throw std::runtime_error("drive C fails");
      return FaultyFileSystem::listNames(pattern);
    }
  } throwing(prefixFs);
  RunContext dctx(window, ui, throwing);
  dctx.ReleaseDir = ctx.ReleaseDir;
  dctx.switches.UpgradeKVTEXE = true;
  install("C:\\Velmor\\KVT\\", "KVT.EXE");
  install("D:\\Velmor\\KVT\\", "KVT.EXE");
  // Drive H lies outside C to G; drive E is there but is no fixed disk.
  std::filesystem::create_directories(root / "drive_h");
  std::filesystem::create_directory_symlink(root / "drive_h", root / "dosdevices" / "h:");
  install("H:\\Velmor\\KVT\\", "KVT.EXE");
  put("C:\\e-device", "", kInstalled);
  std::filesystem::create_symlink(local("C:\\e-device"), root / "dosdevices" / "e:");
  ASSERT_NE(prefixFs.logicalDrives() & (1u << 4), 0u);

  SearchAllDrives(dctx);
  EXPECT_EQ(get("C:\\Velmor\\KVT\\KVT.EXE"), "old KVT.EXE");
  EXPECT_TRUE(updated("D:\\Velmor\\KVT\\", "KVT.EXE"));
  EXPECT_EQ(get("H:\\Velmor\\KVT\\KVT.EXE"), "old KVT.EXE");
  EXPECT_THAT(dctx.UpdatedExeDirs, ElementsAre("D:\\Velmor\\KVT\\"));
  EXPECT_THAT(window.labels, Not(Contains(HasSubstr("E:\\"))));
}

}  // namespace
}  // namespace kvt::files::testing
