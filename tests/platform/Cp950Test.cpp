#include "platform/Cp950.h"

#include <gtest/gtest.h>

#include "platform/Utf8.h"

#include <string>
#include <thread>
#include <vector>

namespace kvt::platform {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Cp950, ChineseTextRoundTripsThroughCodePage950) {
  const std::string text = "更新了 Paradox 資料表";
  std::string big5 = utf8ToCp950(text);
  // 更 is A7 F3 and 新 is B7 73 in Big5; the ASCII part stays one byte a character.
  ASSERT_GE(big5.size(), 4u);
  EXPECT_EQ(big5.substr(0, 4), "\xA7\xF3\xB7\x73");
  EXPECT_EQ(big5.size(), 3 * 2 + std::string(" Paradox ").size() + 3 * 2);
  EXPECT_EQ(cp950ToUtf8(big5), text);

  for (const std::string s : {"找不到 KVT.ini 檔 !", "網路共用路徑 [沒有設定]。", "備份",
                              "X101目的國家用15766及15768", "（全形）、，；"})
    EXPECT_EQ(cp950ToUtf8(utf8ToCp950(s)), s) << s;
}

TEST(Cp950, UserDefinedCharactersAreThePrivateUseOnesOfWindows) {
  // First and last character of each user-defined area, and one with a trail byte from the
  // second half of its row.
  const std::pair<const char*, char32_t> cases[] = {
      {"\xFA\x40", 0xE000}, {"\xFE\xFE", 0xE310}, {"\x8E\x40", 0xE311},
      {"\xA0\xFE", 0xEEB7}, {"\x81\x40", 0xEEB8}, {"\x8D\xFE", 0xF6B0},
      {"\xC6\xA1", 0xF6B1}, {"\xC8\xFE", 0xF848}, {"\xFB\xA1", 0xE000 + 157 + 63}};
  for (const auto& [big5, codePoint] : cases) {
    std::string utf8;
    AppendUtf8(utf8, codePoint);
    EXPECT_EQ(cp950ToUtf8(big5), utf8) << std::hex << uint32_t(codePoint);
    EXPECT_EQ(utf8ToCp950(utf8), big5) << std::hex << uint32_t(codePoint);
  }
  // A rare name among ordinary characters keeps every byte.
  const std::string name = utf8ToCp950("陳") + "\xFA\x41" + utf8ToCp950("明.DBT");
  EXPECT_EQ(utf8ToCp950(cp950ToUtf8(name)), name);
  EXPECT_EQ(utf8ToCp950("\xEF\xA1\x89"), "?");  // U+F849, past the last area
}

TEST(Cp950, AsciiAndEmbeddedNulPassUnchanged) {
  const std::string ascii("C:\\Velmor\\KVT\\KVT.EXE\0tail", 26);
  EXPECT_EQ(cp950ToUtf8(ascii), ascii);
  EXPECT_EQ(utf8ToCp950(ascii), ascii);
  const std::string mixed("\xA4\x40\0\xA4\x40", 5);  // 一 NUL 一
  EXPECT_EQ(cp950ToUtf8(mixed), std::string("一\0一", 7));
  EXPECT_EQ(utf8ToCp950(std::string("一\0一", 7)), mixed);
  EXPECT_EQ(cp950ToUtf8(""), "");
  EXPECT_EQ(utf8ToCp950(""), "");
}

TEST(Cp950, InvalidBytesDecodeToReplacementCharacters) {
  // A byte that is never valid, alone.
  EXPECT_EQ(cp950ToUtf8("a\xFF"
                        "b"),
            "a" + kReplacement + "b");
  // An unassigned double-byte code counts as one character; the text after it survives.
  EXPECT_EQ(cp950ToUtf8("\xA3\xC0z"), kReplacement + "z");
  // A lead byte cut off at the end of the text.
  EXPECT_EQ(cp950ToUtf8("一\xA4"), cp950ToUtf8("一") + kReplacement);
  EXPECT_EQ(cp950ToUtf8("\xA4\x40\xA4"), "一" + kReplacement);
  // A lead byte followed by a byte that cannot trail: both are kept apart.
  EXPECT_EQ(cp950ToUtf8("\xA4\x0A\xA4\x40"), kReplacement + "\n一");
  // Good text after bad keeps converting.
  EXPECT_EQ(cp950ToUtf8("\xFF\xFF\xB3\xC6\xA5\xF7"), kReplacement + kReplacement + "備份");
}

TEST(Cp950, UnmappableCharactersEncodeToQuestionMarks) {
  EXPECT_EQ(utf8ToCp950("a\xF0\x9F\x98\x80"
                        "b"),
            "a?b");  // an emoji
  EXPECT_EQ(utf8ToCp950("ŋ一"), "?\xA4\x40");
  // Malformed UTF-8: a cut sequence, a stray continuation byte, an overlong form.
  EXPECT_EQ(utf8ToCp950("x\xE4\xB8"), "x??");
  EXPECT_EQ(utf8ToCp950("\x80"
                        "A"),
            "?A");
  EXPECT_EQ(utf8ToCp950("\xC0\xAF"
                        "一"),
            "??\xA4\x40");
}

TEST(Cp950, CharactersWithTwoCodesAreWrittenAsWindowsWritesThem) {
  // ═ ╞ ╪ ╡ are both 0xA2A4-0xA2A7 and 0xF9F9, 0xF9E9-0xF9EB; Windows writes the second codes,
  // and reads both as the same character. Every other character is written alike by both
  // tables, ╭ (0xA27E and 0xF9FA) among them.
  const std::pair<const char*, const char*> twice[] = {{"\xA2\xA4", "\xF9\xF9"},
                                                       {"\xA2\xA5", "\xF9\xE9"},
                                                       {"\xA2\xA6", "\xF9\xEA"},
                                                       {"\xA2\xA7", "\xF9\xEB"}};
  for (const auto& [first, second] : twice) {
    const std::string text = cp950ToUtf8(first);
    EXPECT_EQ(cp950ToUtf8(second), text);
    EXPECT_EQ(utf8ToCp950(text), second);
    EXPECT_EQ(utf8ToCp950("a" + text + "更" + text),
              "a" + std::string(second) + "\xA7\xF3" + second);
  }
  EXPECT_EQ(cp950ToUtf8("\xF9\xF9\xF9\xFA\xF9\xFE"), "═╭▓");
  // Neighbours of the four keep their codes; other characters after E2 95 are untouched.
  EXPECT_EQ(utf8ToCp950("╭▓╒"), "\xA2\x7E\xF9\xFE\xF9\xE6");
  EXPECT_EQ(cp950ToUtf8(utf8ToCp950("╒╓╔╕")), "╒╓╔╕");
  // The single byte 0x80 is U+0080 and 0xFF no character, on either platform.
  EXPECT_EQ(cp950ToUtf8("\x80\xFF"), "\u0080" + kReplacement);
  EXPECT_EQ(utf8ToCp950("\u0080\uF8F8"), "\x80?");
}

TEST(Cp950, ThreadsConvertIndependently) {
  const std::string text = "更新了 Paradox 資料表";
  const std::string big5 = utf8ToCp950(text);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        // Interleave a failing conversion so a shared, half-reset converter would show.
        if (cp950ToUtf8("\x81") != kReplacement) ++failures[t];
        if (cp950ToUtf8(big5) != text || utf8ToCp950(text) != big5) ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
}  // namespace kvt::platform
