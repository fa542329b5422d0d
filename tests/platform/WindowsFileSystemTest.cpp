// The Windows file system on the machine's own drive: a scratch directory with a Chinese name
// in the user's temporary directory.
#include "platform/win32/WindowsFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "platform/AsciiText.h"
#include "platform/LocalDate.h"
#include "platform/win32/WideText.h"

namespace kvt::platform {
namespace {

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(n, 0u);
    root_ = win32::narrow(std::wstring_view(temp, n)) + "KVT更新-" +
            std::to_string(std::random_device{}()) + "\\";
    ASSERT_TRUE(fs_.forceDirectories(root_ + "備份\\深"));
  }
  void TearDown() override {
    std::error_code ec;
    if (auto local = fs_.resolve(root_)) {
      for (auto& e : std::filesystem::recursive_directory_iterator(*local, ec))
        ::SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
      std::filesystem::remove_all(*local, ec);
    }
  }
  std::vector<std::string> names(const std::string& pattern) const {
    std::vector<std::string> out;
    const auto entries = fs_.list(pattern);
    for (const auto& e : entries.value()) out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
  }

  WindowsFileSystem fs_;
  std::string root_;
};

TEST_F(WindowsFiles, TheMachinesDrivesAndWindowsDirectory) {
  EXPECT_NE(fs_.logicalDrives() & (1u << ('C' - 'A')), 0u);
  EXPECT_EQ(fs_.driveType('c'), DriveType::Fixed);
  const std::string windows = fs_.windowsDirectory();
  EXPECT_TRUE(EqualsIgnoringAsciiCase(windows, "C:\\windows")) << windows;
  EXPECT_TRUE(fs_.directoryExists(windows));
  EXPECT_TRUE(fs_.directoryExists("c:"));
  EXPECT_FALSE(fs_.resolve("relative\\name"));
}

TEST_F(WindowsFiles, ChineseNamesAndBinaryBytesArriveAsWritten) {
  const std::string file = root_ + "備份\\表單.DBT";
  const std::string bytes("line\r\nnext\n\0\x1A\xA4\x40", 15);
  ASSERT_TRUE(fs_.writeFile(file, bytes));
  EXPECT_EQ(fs_.readFile(file), bytes);
  EXPECT_TRUE(fs_.fileExists(root_ + "備份\\表單.dbt"));  // names ignore case
  // The local path names the same file for the standard library's streams.
  const auto local = fs_.resolve(file);
  ASSERT_TRUE(local);
  EXPECT_EQ(local->filename().wstring(), L"表單.DBT");
  {
    std::ifstream in(*local, std::ios::binary);
    std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read, bytes);
    // While it is open here, it cannot be replaced, and nothing of it is lost.
    EXPECT_FALSE(fs_.writeFile(file, "short"));
  }
  EXPECT_EQ(fs_.windowsPathOf(*local), file);
  EXPECT_EQ(fs_.readFile(file), bytes);
  // A rewrite replaces the content whole, and leaves no temporary file.
  ASSERT_TRUE(fs_.writeFile(file, "short"));
  EXPECT_EQ(fs_.readFile(file), "short");
  EXPECT_EQ(names(root_ + "備份\\*.*"), (std::vector<std::string>{".", "..", "深", "表單.DBT"}));
}

TEST_F(WindowsFiles, TimesKeepTheirFractionAndGoBefore1970) {
  const std::string file = root_ + "KVT.EXE";
  ASSERT_TRUE(fs_.writeFile(file, "MZ"));
  const FileTime old = localDate(1965, 3, 2) + std::chrono::milliseconds(45'296'500);
  ASSERT_TRUE(fs_.setModificationTime(file, old));
  EXPECT_EQ(fs_.modificationTime(file), old);
  EXPECT_EQ(formatEraYymmdd(*fs_.modificationTime(file)), "540302");
  ASSERT_TRUE(fs_.copyFile(file, root_ + "備份\\KVT.EXE", true));
  EXPECT_EQ(fs_.modificationTime(root_ + "備份\\KVT.EXE"), old);
  const auto listed = fs_.list(root_ + "K*.EXE").value();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].modified, old);
  EXPECT_FALSE(fs_.copyFile(file, root_ + "備份\\KVT.EXE", true));
  EXPECT_TRUE(fs_.setModificationTime(root_ + "備份", old));  // a directory too
  EXPECT_EQ(fs_.modificationTime(root_ + "備份"), old);
}

TEST_F(WindowsFiles, MovesNeverReplaceAndReadOnlyFilesStay) {
  ASSERT_TRUE(fs_.writeFile(root_ + "a.txt", "a"));
  ASSERT_TRUE(fs_.writeFile(root_ + "b.txt", "b"));
  EXPECT_FALSE(fs_.moveFile(root_ + "a.txt", root_ + "b.txt"));
  EXPECT_EQ(fs_.readFile(root_ + "b.txt"), "b");
  ASSERT_TRUE(fs_.moveFile(root_ + "a.txt", root_ + "A.TXT"));  // only the letter case
  EXPECT_EQ(names(root_ + "?.txt"), (std::vector<std::string>{"A.TXT", "b.txt"}));
  ASSERT_TRUE(fs_.moveFile(root_ + "A.TXT", root_ + "備份\\深\\a.txt"));

  ASSERT_TRUE(fs_.setReadOnly(root_ + "b.txt", true));
  EXPECT_TRUE(fs_.isReadOnly(root_ + "b.txt"));
  EXPECT_FALSE(fs_.writeFile(root_ + "b.txt", "x"));
  EXPECT_FALSE(fs_.deleteFile(root_ + "b.txt"));
  EXPECT_FALSE(fs_.copyFile(root_ + "備份\\深\\a.txt", root_ + "b.txt", false));
  EXPECT_EQ(fs_.readFile(root_ + "b.txt"), "b");
  ASSERT_TRUE(fs_.clearAttributes(root_ + "b.txt"));
  EXPECT_TRUE(fs_.deleteFile(root_ + "b.txt"));
  EXPECT_FALSE(fs_.removeDirectory(root_ + "備份\\深"));  // not empty
  EXPECT_FALSE(fs_.deleteFile(root_ + "備份"));           // a directory
}

TEST_F(WindowsFiles, WildcardsFollowTheSystemsRules) {
  for (const char* name : {"X102A", "X102B.DB", "X102B.PX", "X10.DB", "README"})
    ASSERT_TRUE(fs_.writeFile(root_ + name, ""));
  EXPECT_EQ(names(root_ + "X102*.*"), (std::vector<std::string>{"X102A", "X102B.DB", "X102B.PX"}));
  EXPECT_EQ(names(root_ + "*.db"), (std::vector<std::string>{"X10.DB", "X102B.DB"}));
  EXPECT_TRUE(fs_.list(root_ + "*.none").value().empty());
  EXPECT_FALSE(fs_.list(root_ + "missing\\*.*"));
  const auto entries = fs_.listNames(root_ + "*.*").value();
  EXPECT_EQ(entries.size(), 6u);  // the five files and 備份, without "." and ".."
  EXPECT_EQ(std::count_if(entries.begin(), entries.end(), [](auto& e) { return e.isDirectory; }),
            1);
}

}  // namespace
}  // namespace kvt::platform
