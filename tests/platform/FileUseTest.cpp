// The platform's answer to "does another process use this file", against a real second
// process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "HeldFiles.h"
#include "ScratchPrefix.h"
#include "platform/FileUse.h"

namespace kvt::platform {
namespace {
namespace fs = std::filesystem;
using kvt::testing::HeldFiles;
using kvt::testing::TryLockElsewhere;
using Paths = std::vector<fs::path>;

class FileUseTest : public ::testing::Test {
 protected:
  FileUseTest() {
    for (const char* name : {"A.DB", "A.PX", "B.DB"}) {
      scratch.put(dir() / name, name);
      files.push_back(dir() / name);
    }
  }
  fs::path dir() { return scratch.root() / "drive_c"; }
  testing::ScratchPrefix scratch;
  Paths files;
  const FileUse& use = systemFileUse();
};

TEST_F(FileUseTest, OpenAndLockedFilesOfOtherProcessesAreInUse) {
  EXPECT_TRUE(use.inUse(files).empty());
  // The process's own descriptors do not count.
  const int own = ::open(files[0].c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_TRUE(use.inUse(files).empty());
  {
    HeldFiles held({files[1]});
    // Found through another name of the same file as well, and a missing file is not in use.
    const fs::path link = dir() / "link";
    fs::create_symlink(files[1], link);
    EXPECT_EQ(use.inUse({dir() / "missing", files[0], link, files[2], files[1]}),
              (Paths{link, files[1]}));
  }
  EXPECT_TRUE(use.inUse(files).empty());  // the holder is gone: a stale file does not count
  {
    HeldFiles locked({files[2]}, HeldFiles::Mode::Lock);
    EXPECT_EQ(use.inUse(files), Paths{files[2]});
    EXPECT_EQ(use.hold(files).inUse, Paths{files[2]});
    EXPECT_EQ(use.hold(files).hold, nullptr);
  }
  ::close(own);
}

TEST_F(FileUseTest, AHoldKeepsLockRequestsOutUntilReleased) {
  {
    HoldResult held = use.hold({files[0], dir() / "missing", files[1]});
    ASSERT_NE(held.hold, nullptr);
    EXPECT_TRUE(held.inUse.empty());
    EXPECT_EQ(TryLockElsewhere(files[0]), "refused");
    EXPECT_EQ(TryLockElsewhere(files[1]), "refused");
    EXPECT_EQ(TryLockElsewhere(files[2]), "locked");
    EXPECT_TRUE(use.inUse(files).empty());  // this process's own locks
  }
  EXPECT_EQ(TryLockElsewhere(files[0]), "locked");
}

}  // namespace
}  // namespace kvt::platform
