#include <gtest/gtest.h>

#include "platform/FileSystem.h"

namespace kvt::platform {
namespace {

TEST(PathText, DirectoryPartKeepsTheBackslashOfARootOnly) {
  EXPECT_EQ(extractFileDir("C:\\a\\b.txt"), "C:\\a");
  EXPECT_EQ(extractFileDir("C:\\a\\b\\"), "C:\\a\\b");
  EXPECT_EQ(extractFileDir("C:\\b.txt"), "C:\\");
  EXPECT_EQ(extractFileDir("C:b.txt"), "C:");
  EXPECT_EQ(extractFileDir("b.txt"), "");
  EXPECT_EQ(extractFileDir("C:\\Velmor\\備份\\表單.DBT"), "C:\\Velmor\\備份");

  EXPECT_EQ(extractFilePath("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(extractFilePath("C:\\b.txt"), "C:\\");
  EXPECT_EQ(extractFilePath("C:b.txt"), "C:");
  EXPECT_EQ(extractFilePath("b.txt"), "");
}

TEST(PathText, NameAndExtensionAreTakenAfterTheLastSeparator) {
  EXPECT_EQ(extractFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(extractFileName("C:\\a\\"), "");
  EXPECT_EQ(extractFileName("C:b.txt"), "b.txt");
  EXPECT_EQ(extractFileName("b.txt"), "b.txt");

  EXPECT_EQ(extractFileExt("C:\\a\\b.txt"), ".txt");
  EXPECT_EQ(extractFileExt("C:\\a\\b.tar.GZ"), ".GZ");
  EXPECT_EQ(extractFileExt("C:\\dir.d\\file"), "");  // a dot in a directory is no extension
  EXPECT_EQ(extractFileExt("C:\\a\\b."), ".");
  EXPECT_EQ(extractFileExt("C:\\a\\.hidden"), ".hidden");
  EXPECT_EQ(extractFileExt("noext"), "");
}

TEST(PathText, TrailingBackslashAddedOrRemovedOnce) {
  EXPECT_EQ(includeTrailingBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(includeTrailingBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(includeTrailingBackslash(""), "\\");
  EXPECT_EQ(excludeTrailingBackslash("C:\\a\\"), "C:\\a");
  EXPECT_EQ(excludeTrailingBackslash("C:\\a\\\\"), "C:\\a\\");
  EXPECT_EQ(excludeTrailingBackslash("C:\\a"), "C:\\a");
  EXPECT_EQ(excludeTrailingBackslash(""), "");
}

struct WildcardCase {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(PathText, WildcardsMatchAsAWindowsListingDoes) {
  const WildcardCase cases[] = {
      {"*.*", "KVT.EXE", true},
      {"*.*", "README", true},  // no dot needed
      {"*.*", ".", true},
      {"*.*", "..", true},
      {"*", "a.b.c", true},
      {"X102*.*", "x102base.db", true},  // letter case ignored
      {"X102*.*", "X102", true},
      {"X102*.*", "X102A", true},
      {"X102*.*", "X10.DB", false},
      {"X102*.*", "AX102.DB", false},
      {"*.DBT", "kvt.dbt", true},
      {"*.DBT", "KVT.DBTX", false},
      {"*.DBT", "KVT.DB", false},
      {"?.txt", "a.txt", true},
      {"?.txt", "ab.txt", false},
      {"?.txt", ".txt", false},
      {"?.txt", "備.txt", true},  // one character, though three bytes
      {"表*.DBT", "表單.dbt", true},
      {"表*.DBT", "單表.dbt", false},
      {"*.", "README", true},
      {"*.", "a.b", false},
      {"a*b*c", "aXbYc", true},
      {"a*b", "aXbYc", false},
      {"*ab", "aaab", true},  // needs backtracking past the first "a"
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"KVT.EXE", "kvt.exe", true},
      {"KVT.EXE", "KVT.EXE.BAK", false},
      {"", "x", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(matchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
}

}  // namespace
}  // namespace kvt::platform
