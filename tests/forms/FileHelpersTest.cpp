// Deleting, emptying and renaming through the file helpers.
#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "forms/FileHelpers.h"

namespace kvt::forms {
namespace {

using testing::ScratchDrive;

TEST(FileHelpers, ForceDeleteFileRemovesAReadOnlyFile) {
  ScratchDrive drive;
  drive.put("C:\\W\\a.txt", "x");
  ASSERT_TRUE(drive.fs().setReadOnly("C:\\W\\a.txt", true));
  ASSERT_FALSE(drive.fs().deleteFile("C:\\W\\a.txt"));
  ForceDeleteFile(drive.fs(), "C:\\W\\a.txt");
  EXPECT_FALSE(drive.exists("C:\\W\\a.txt"));
  // A file that is not there is no error.
  ForceDeleteFile(drive.fs(), "C:\\W\\a.txt");
}

TEST(FileHelpers, ClearDirectoryDeletesFilesAndLeavesSubdirectories) {
  ScratchDrive drive;
  drive.put("C:\\T\\CB20.DB", "1");
  drive.put("C:\\T\\CB20.PX", "2");
  drive.put("C:\\T\\sub\\inner.txt", "3");
  drive.put("C:\\T\\.hidden", "4");
  drive.fs().setReadOnly("C:\\T\\CB20.PX", true);
  ClearDirectory(drive.fs(), "C:\\T\\");
  EXPECT_EQ(drive.namesIn("C:\\T"), (std::vector<std::string>{".hidden", "sub"}));
  EXPECT_TRUE(drive.exists("C:\\T\\sub\\inner.txt"));
  // A directory that is not there is no error.
  ClearDirectory(drive.fs(), "C:\\Nowhere\\");
}

TEST(FileHelpers, ForceRenameFileNeverReplacesAnExistingFile) {
  ScratchDrive drive;
  drive.put("C:\\R\\old.txt", "old");
  drive.put("C:\\R\\new.txt", "new");
  ForceRenameFile(drive.fs(), "C:\\R\\old.txt", "C:\\R\\new.txt");
  EXPECT_EQ(drive.get("C:\\R\\old.txt"), "old");
  EXPECT_EQ(drive.get("C:\\R\\new.txt"), "new");
  EXPECT_FALSE(TryForceRenameFile(drive.fs(), "C:\\R\\old.txt", "C:\\R\\new.txt"));
}

TEST(FileHelpers, ForceRenameFileMovesAReadOnlyFileIntoAnotherDirectory) {
  ScratchDrive drive;
  drive.put("C:\\R\\a.txt", "a");
  drive.put("C:\\R\\Backup\\keep.txt", "k");
  drive.fs().setReadOnly("C:\\R\\a.txt", true);
  EXPECT_TRUE(TryForceRenameFile(drive.fs(), "C:\\R\\a.txt", "C:\\R\\Backup\\b.txt"));
  EXPECT_FALSE(drive.exists("C:\\R\\a.txt"));
  EXPECT_EQ(drive.get("C:\\R\\Backup\\b.txt"), "a");
}

TEST(FileHelpers, ForceRenameFileTriesAgainAfterClearingAttributes) {
  ScratchDrive drive;
  platform::FaultyFileSystem faults(drive.fs());
  drive.put("C:\\R\\a.txt", "a");
  faults.failOn(platform::FsOp::MoveFile, "a.txt", 1);
  EXPECT_TRUE(TryForceRenameFile(faults, "C:\\R\\a.txt", "C:\\R\\b.txt"));
  EXPECT_EQ(faults.calls(platform::FsOp::MoveFile), 2);
  EXPECT_EQ(faults.calls(platform::FsOp::SetReadOnly), 1);
  EXPECT_EQ(drive.get("C:\\R\\b.txt"), "a");

  // A source that is gone is not tried again.
  faults.failOn(platform::FsOp::MoveFile, "gone.txt", 1);
  EXPECT_FALSE(TryForceRenameFile(faults, "C:\\R\\gone.txt", "C:\\R\\c.txt"));
  EXPECT_EQ(faults.calls(platform::FsOp::MoveFile), 3);
}

}  // namespace
}  // namespace kvt::forms
