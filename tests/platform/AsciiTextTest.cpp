#include "platform/AsciiText.h"

#include <gtest/gtest.h>

namespace kvt::platform {
namespace {

TEST(AsciiText, OnlyAsciiLettersChangeCase) {
  EXPECT_EQ(UpperAscii("kvt.exe"), "KVT.EXE");
  EXPECT_EQ(UpperAscii("C:\\Velmor\\kvt\\"), "C:\\VELMOR\\KVT\\");
  // UTF-8 bytes of other characters, and the digits and signs between letters, stay.
  EXPECT_EQ(UpperAscii("kvt更新-1_a"), "KVT更新-1_A");
  EXPECT_EQ(UpperAscii(""), "");
  EXPECT_EQ(AsciiLower('Z'), 'z');
  EXPECT_EQ(AsciiLower('@'), '@');
  EXPECT_EQ(AsciiUpper('{'), '{');
  EXPECT_EQ(AsciiUpper('\xE6'), '\xE6');
}

TEST(AsciiText, EqualityIgnoresAsciiCaseOnly) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase("System", "SYSTEM"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("System", "Systems"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{"));  // 0x5B and 0x7B differ by the case bit
  EXPECT_TRUE(EqualsIgnoringAsciiCase("備份a", "備份A"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\xA9", "\xC3\x89"));  // é is not É here
}

}  // namespace
}  // namespace kvt::platform
