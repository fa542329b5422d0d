#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include "platform/Cp950.h"

namespace kvt::platform {
namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

TEST(ProfileFile, SectionAndKeyNamesIgnoreAsciiCase) {
  auto ini = ProfileFile::parse("[System]\nUpgradeKVTEXE=YES\nX101目的國家用15766及15768=yes\n");
  EXPECT_EQ(ini.value("SYSTEM", "upgradekvtexe"), "YES");
  EXPECT_EQ(ini.value("system", "UPGRADEKVTEXE"), "YES");
  EXPECT_EQ(ini.value("System", "x101目的國家用15766及15768"), "yes");
  EXPECT_EQ(ini.value("System", "Missing"), std::nullopt);
  EXPECT_EQ(ini.value("Other", "UpgradeKVTEXE"), std::nullopt);
  EXPECT_EQ(ini.sectionValues("sYsTeM").size(), 2u);
  EXPECT_TRUE(ini.sectionValues("Other").empty());
}

TEST(ProfileFile, FirstOfDuplicateKeysWinsAndOrderIsKept) {
  auto ini = ProfileFile::parse(
      "[System]\n"
      "B=1\n"
      "A=first\n"
      "C=3\n"
      "a=second\n"
      "A=third\n");
  EXPECT_EQ(ini.value("System", "A"), "first");
  EXPECT_EQ(ini.sectionValues("System"), (Values{{"B", "1"}, {"A", "first"}, {"C", "3"}}));
}

TEST(ProfileFile, BlanksAroundKeysAndValuesAreTrimmedInnerOnesKept) {
  auto ini = ProfileFile::parse("[ System ]\n  \tKey One \t=\t two  words \t\nEmpty=\n=orphan\n");
  EXPECT_EQ(ini.sectionValues("System"), (Values{{"Key One", "two  words"}, {"Empty", ""}}));
  EXPECT_EQ(ini.value("System", "Empty"), "");  // present, though empty
}

TEST(ProfileFile, CommentLinesAreSkippedButTrailingCommentsStayInTheValue) {
  auto ini = ProfileFile::parse(
      "; leading comment\n"
      "[System]\n"
      ";UpgradeKVTEXE=YES\n"
      "   ; DoAddX101_9=YES\n"
      "SourceDBT001=a, b, c, d ;comment\n"
      "eTradeVANID=1 ; VAN\n"
      "Path=C:\\a;b\n");
  EXPECT_EQ(ini.sectionValues("System"), (Values{{"SourceDBT001", "a, b, c, d ;comment"},
                                                 {"eTradeVANID", "1 ; VAN"},
                                                 {"Path", "C:\\a;b"}}));
}

TEST(ProfileFile, MatchingQuotesAroundAValueAreRemoved) {
  auto ini = ProfileFile::parse(
      "[S]\n"
      "Double=\"  spaced  \"\n"
      "Single='x'\n"
      "Mixed=\"x'\n"
      "Inner=a \"b\" c\n"
      "Lone=\"\n"
      "EmptyQuotes=\"\"\n"
      "Trimmed=  \"q\"  \n");
  EXPECT_EQ(ini.value("S", "Double"), "  spaced  ");
  EXPECT_EQ(ini.value("S", "Single"), "x");
  EXPECT_EQ(ini.value("S", "Mixed"), "\"x'");
  EXPECT_EQ(ini.value("S", "Inner"), "a \"b\" c");
  EXPECT_EQ(ini.value("S", "Lone"), "\"");
  EXPECT_EQ(ini.value("S", "EmptyQuotes"), "");
  EXPECT_EQ(ini.value("S", "Trimmed"), "q");
}

TEST(ProfileFile, LinesWithoutEqualsAndLinesOutsideSectionsAreIgnored) {
  auto ini = ProfileFile::parse(
      "Loose=before any section\n"
      "[System]\n"
      "just some text\n"
      "K=a=b\n");
  EXPECT_EQ(ini.sectionValues("System"), (Values{{"K", "a=b"}}));
  EXPECT_EQ(ini.sectionNames(), std::vector<std::string>{"System"});
}

TEST(ProfileFile, LineEndingsAndByteOrderMark) {
  auto ini = ProfileFile::parse("\xEF\xBB\xBF[System]\r\nA=1\r\nB=2\nC=3\r\n\r\n[Next]\r\nD=4\r\n");
  EXPECT_EQ(ini.sectionValues("System"), (Values{{"A", "1"}, {"B", "2"}, {"C", "3"}}));
  EXPECT_EQ(ini.value("Next", "D"), "4");
  EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"System", "Next"}));
  // The last line needs no line end.
  EXPECT_EQ(ProfileFile::parse("[S]\nLast=x").value("S", "Last"), "x");
}

TEST(ProfileFile, FilesAreDecodedByTheirByteOrderMark) {
  const std::string text = "[System]\r\nUpgradeKVTEXE=YES ;更新\r\n";
  auto utf16 = [&](bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : std::u16string(u"[System]\r\nUpgradeKVTEXE=YES ;更新\r\n")) {
      const char hi = char(unit >> 8), lo = char(unit & 0xFF);
      bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
  };
  for (const std::string& bytes :
       {"\xEF\xBB\xBF" + text, utf16(false), utf16(true), utf8ToCp950(text)}) {
    EXPECT_EQ(DecodeProfileText(bytes), text);
    EXPECT_EQ(ProfileFile::parse(DecodeProfileText(bytes)).value("System", "UpgradeKVTEXE"),
              "YES ;更新");
  }
  // A character beyond the basic plane in UTF-16, and a surrogate with no partner.
  EXPECT_EQ(DecodeProfileText(std::string("\xFF\xFE\x3D\xD8\x00\xDE\x00\xD8", 8)), "\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(ProfileFile, ARepeatedSectionIsHiddenBehindTheFirst) {
  auto ini = ProfileFile::parse("[System]\nA=1\n[Other]\nB=2\n[SYSTEM]\nA=9\nC=3\n");
  EXPECT_EQ(ini.sectionValues("System"), (Values{{"A", "1"}}));
  EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"System", "Other"}));
}

TEST(ProfileFile, LookupValueIgnoresCaseAndGivesEmptyWhenAbsent) {
  Values values{{"NetFileDir", "C:\\Net"}, {"netfiledir", "later"}, {"KVTHostPath", ""}};
  EXPECT_EQ(lookupValue(values, "NETFILEDIR"), "C:\\Net");
  EXPECT_EQ(lookupValue(values, "kvthostpath"), "");
  EXPECT_EQ(lookupValue(values, "DatabasePath"), "");
  EXPECT_EQ(lookupValue({}, "x"), "");
}

}  // namespace
}  // namespace kvt::platform
