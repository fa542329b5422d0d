#include "support/FaultyFileSystem.h"

#include <gtest/gtest.h>

#include "support/ScratchDrives.h"

namespace kvt::platform {
namespace {

namespace fs = std::filesystem;
using kvt::testing::ScratchDrives;

class FaultyFileSystemTest : public ::testing::Test {
 protected:
  FaultyFileSystemTest() {
    prefix.put("C:\\Release\\KVT.EXE", "new");
    prefix.put("C:\\Release\\PNX.EXE", "pnx");
    prefix.put("C:\\KVT\\KVT.EXE", "old");
  }

  ScratchDrives prefix;
  FaultyFileSystem files{prefix.fs()};
};

TEST_F(FaultyFileSystemTest, PassesCallsThroughUntilToldOtherwise) {
  EXPECT_TRUE(files.copyFile("C:\\Release\\KVT.EXE", "C:\\KVT\\KVT.EXE", false));
  EXPECT_EQ(prefix.get("C:\\KVT\\KVT.EXE"), "new");
  EXPECT_EQ(files.readFile("C:\\KVT\\kvt.exe"), "new");
  EXPECT_EQ(files.resolve("C:\\KVT"), prefix.fs().resolve("C:\\KVT"));
  EXPECT_EQ(files.logicalDrives(), prefix.fs().logicalDrives());
  EXPECT_EQ(files.calls(FsOp::CopyFile), 1);
  EXPECT_EQ(files.calls(FsOp::ReadFile), 1);
  EXPECT_EQ(files.injectedFailures(), 0);
}

TEST_F(FaultyFileSystemTest, FailsOnlyTheChosenOperationAndPath) {
  files.failOn(FsOp::CopyFile, "\\kvt\\");  // matches the target path, in any letter case
  EXPECT_FALSE(files.copyFile("C:\\Release\\KVT.EXE", "C:\\kvt\\KVT.EXE", false));
  EXPECT_EQ(prefix.get("C:\\KVT\\KVT.EXE"), "old");
  EXPECT_FALSE(files.copyFile("C:\\Release\\PNX.EXE", "C:\\KVT\\PNX.EXE", false));
  EXPECT_FALSE(fs::exists(prefix.local("C:\\KVT\\PNX.EXE")));
  // Other paths and other operations are untouched.
  EXPECT_TRUE(files.copyFile("C:\\Release\\PNX.EXE", "C:\\Release\\PNX2.EXE", false));
  EXPECT_TRUE(files.moveFile("C:\\KVT\\KVT.EXE", "C:\\KVT\\KVT940715.EXE"));
  EXPECT_EQ(files.injectedFailures(), 2);
  EXPECT_EQ(files.calls(FsOp::CopyFile), 3);

  files.clearFaults();
  EXPECT_TRUE(files.copyFile("C:\\Release\\KVT.EXE", "C:\\KVT\\KVT.EXE", false));
  EXPECT_EQ(prefix.get("C:\\KVT\\KVT.EXE"), "new");
}

TEST_F(FaultyFileSystemTest, FailsACountedNumberOfCallsAfterSkippingSome) {
  // The second rename fails, once; the first and third go through.
  files.failOn(FsOp::MoveFile, "", 1, 1);
  EXPECT_TRUE(files.moveFile("C:\\KVT\\KVT.EXE", "C:\\KVT\\A.EXE"));
  EXPECT_FALSE(files.moveFile("C:\\KVT\\A.EXE", "C:\\KVT\\B.EXE"));
  EXPECT_TRUE(fs::exists(prefix.local("C:\\KVT\\A.EXE")));
  EXPECT_TRUE(files.moveFile("C:\\KVT\\A.EXE", "C:\\KVT\\B.EXE"));
  EXPECT_EQ(prefix.get("C:\\KVT\\B.EXE"), "old");
  EXPECT_EQ(files.injectedFailures(), 1);
}

TEST_F(FaultyFileSystemTest, FailedReadsWritesAndListingsLookLikeRealFailures) {
  files.failOn(FsOp::WriteFile, "KVTTemp");
  files.failOn(FsOp::ReadFile);
  files.failOn(FsOp::List, "Release");
  files.failOn(FsOp::ModificationTime, "PNX");
  files.failOn(FsOp::DeleteFile);
  files.failOn(FsOp::SetReadOnly);

  EXPECT_FALSE(files.writeFile("C:\\Release\\KVTTemp.INI", "[System]"));
  EXPECT_FALSE(fs::exists(prefix.local("C:\\Release\\KVTTemp.INI")));
  EXPECT_TRUE(files.writeFile("C:\\Release\\Other.INI", "x"));
  EXPECT_EQ(files.readFile("C:\\Release\\Other.INI"), std::nullopt);
  EXPECT_EQ(files.list("C:\\Release\\*.*"), std::nullopt);
  EXPECT_TRUE(files.list("C:\\KVT\\*.*").has_value());
  // A name listing is a listing: the same fault fails it, and it is counted with the others.
  EXPECT_EQ(files.listNames("C:\\Release\\*.*"), std::nullopt);
  auto kvt = files.listNames("C:\\KVT\\*.*");
  ASSERT_TRUE(kvt);
  EXPECT_EQ(*kvt, (std::vector<NameEntry>{{"KVT.EXE", false, false}}));
  EXPECT_EQ(files.calls(FsOp::List), 4);
  EXPECT_EQ(files.modificationTime("C:\\Release\\PNX.EXE"), std::nullopt);
  EXPECT_TRUE(files.modificationTime("C:\\Release\\KVT.EXE").has_value());
  EXPECT_FALSE(files.deleteFile("C:\\Release\\Other.INI"));
  EXPECT_TRUE(fs::exists(prefix.local("C:\\Release\\Other.INI")));
  EXPECT_FALSE(files.clearAttributes("C:\\Release\\Other.INI"));
  EXPECT_EQ(files.injectedFailures(), 7);
}

}  // namespace
}  // namespace kvt::platform
