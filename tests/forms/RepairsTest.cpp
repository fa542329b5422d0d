// The repairs the reader makes: field definitions X-144, X-145 and X-191, wide fields, the
// code-to-field map's renamed codes, merged duplicates, repaired numbers, moved sum marks and
// form codes pointing at forms that exist.
#include <gtest/gtest.h>

#include "ReaderFixture.h"

namespace kvt::forms {
namespace {

using namespace testing;

class RepairsTest : public ReaderTest {
 protected:
  // A file with these forms, field definitions and codes, and nothing else. Forms and field
  // definitions are written in today's layout.
  bool readWith(const std::string& version, const std::vector<int32_t>& forms,
                const std::vector<FieldDefinition>& fields,
                const std::vector<std::pair<std::string, int32_t>>& codes) {
    FileBytes file;
    file.header(version).i32(int32_t(forms.size()));
    for (int32_t no : forms) formRow(file, no);
    file.i32(0).i32(int32_t(fields.size()));
    for (const auto& f : fields) fieldDefinitionRow(file, f);
    file.emptySections(3).i32(int32_t(codes.size()));
    for (const auto& [code, no] : codes) codeRow(file, code, no);
    return read(file);
  }
  // The field number of a code, or nullopt when there is no such row.
  std::optional<Value> codeNo(const std::string& code) {
    const auto all = rows(FormTable::CB2F0);
    const Row* r = findRow(all, FormTable::CB2F0, {Value(code)});
    if (!r) return std::nullopt;
    return field(*r, FormTable::CB2F0, "FieldNo");
  }
  const Row* definition(const std::vector<Row>& all, const char* type, int no) {
    return findRow(all, FormTable::CB22, {Value(type), Value(no)});
  }
};

TEST_F(RepairsTest, FieldX144IsRenamedAndNarrowedAndX145IsAddedAsItsPrintCopy) {
  ASSERT_TRUE(readWith(
      "1020905", {},
      {{.type = "X",
        .fieldNo = 144,
        .name = big5("台瓜生產者"),
        .length = 3,
        .lookupMode = "Y",
        .listNumbers = {7, 8}},
       {.type = "X", .fieldNo = 191, .name = "Z", .lookupMode = "Y", .listNumbers = {1, 144, 144}}},
      {}));
  const auto all = rows(FormTable::CB22);
  ASSERT_EQ(all.size(), 3u);
  const Row* x144 = definition(all, "X", 144);
  const Row* x145 = definition(all, "X", 145);
  const Row* x191 = definition(all, "X", 191);
  ASSERT_TRUE(x144 && x145 && x191);
  EXPECT_EQ(field(*x144, FormTable::CB22, "FieldName"), Value(big5("稅則列印選擇")));
  EXPECT_EQ(field(*x144, FormTable::CB22, "FieldLength"), Value(1));
  EXPECT_EQ(field(*x145, FormTable::CB22, "FieldName"), Value(big5("生產者(列印用)")));
  EXPECT_EQ(field(*x145, FormTable::CB22, "FieldLength"), Value(4));
  // Everything else is X-144's, repaired.
  for (const auto& f : formTableSchema(FormTable::CB22).fields) {
    if (f.name == "FieldNo" || f.name == "FieldName" || f.name == "FieldLength") continue;
    EXPECT_EQ(field(*x145, FormTable::CB22, f.name), field(*x144, FormTable::CB22, f.name))
        << f.name;
  }
  EXPECT_EQ(field(*x145, FormTable::CB22, "SourceNo"), Value(144));
  EXPECT_EQ(field(*x145, FormTable::CB22, "ListFieldNo2"), Value(8));
  // X-191's second list points at 145 now; its third is left alone.
  EXPECT_EQ(field(*x191, FormTable::CB22, "ListFieldNo2"), Value(145));
  EXPECT_EQ(field(*x191, FormTable::CB22, "ListfieldNo3"), Value(144));
}

TEST_F(RepairsTest, AnExistingX145StaysAndOtherTypesAreNotRepaired) {
  ASSERT_TRUE(readWith("1020905", {},
                       {{.type = "X", .fieldNo = 144, .name = "A", .length = 2},
                        {.type = "X", .fieldNo = 145, .name = "OWN", .length = 9},
                        {.type = "E", .fieldNo = 144, .name = big5("台瓜生產者"), .length = 3}},
                       {}));
  const auto all = rows(FormTable::CB22);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(field(*definition(all, "X", 144), FormTable::CB22, "FieldLength"), Value(2));
  EXPECT_EQ(field(*definition(all, "X", 145), FormTable::CB22, "FieldName"), Value("OWN"));
  EXPECT_EQ(field(*definition(all, "E", 144), FormTable::CB22, "FieldLength"), Value(3));
  EXPECT_EQ(field(*definition(all, "E", 144), FormTable::CB22, "FieldName"),
            Value(big5("台瓜生產者")));
}

TEST_F(RepairsTest, OnlyTheFourWideFieldsGetAttributeW) {
  std::vector<FieldDefinition> defs;
  for (auto [type, no] : {std::pair{"I", 4}, {"P", 4}, {"P", 16}, {"S", 4}, {"I", 5}, {"E", 4}}) {
    defs.push_back({.type = type, .fieldNo = no, .name = "N", .attribute = "R"});
  }
  ASSERT_TRUE(readWith("1020905", {}, defs, {}));
  const auto all = rows(FormTable::CB22);
  for (auto [type, no, attr] : {std::tuple{"I", 4, "W"},
                                {"P", 4, "W"},
                                {"P", 16, "W"},
                                {"S", 4, "W"},
                                {"I", 5, "R"},
                                {"E", 4, "R"}}) {
    EXPECT_EQ(field(*definition(all, type, no), FormTable::CB22, "Attribute"), Value(attr))
        << type << no;
  }
  EXPECT_EQ(all.size(), 6u);
}

TEST_F(RepairsTest, ALaterCodeRowReplacesAnEarlierOneDescriptionIncluded) {
  FileBytes file;
  file.header("1020905").emptySections(6).i32(4);
  codeRow(file, "IV01", 5, "first", "I", false);
  codeRow(file, "EY09", 3);
  codeRow(file, "IV01", 17, big5("數量"), "E", true);
  codeRow(file, "", 9);  // no code: not kept
  ASSERT_TRUE(read(file));
  const auto codes = rows(FormTable::CB2F0);
  ASSERT_EQ(codes.size(), 2u);
  const Row* r = findRow(codes, FormTable::CB2F0, {Value("IV01")});
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(field(*r, FormTable::CB2F0, "FieldNo"), Value(17));
  EXPECT_EQ(field(*r, FormTable::CB2F0, "Type"), Value("E"));
  EXPECT_EQ(field(*r, FormTable::CB2F0, "Description"), Value(big5("數量")));
  EXPECT_EQ(field(*r, FormTable::CB2F0, "DoIt"), Value(true));
}

TEST_F(RepairsTest, OldCodeNamesAreRenamedInFilesUpTo0940404) {
  const std::vector<std::pair<std::string, std::string>> renamed{
      {"FI20", "FM41"}, {"FI21", "FM42"}, {"FI30", "FM25"}, {"FI35", "FM43"}, {"FI38", "FM44"},
      {"FI40", "FM21"}, {"FI44", "FM01"}, {"FI48", "FM02"}, {"FI52", "FM22"}, {"FI53", "FM45"}};
  std::vector<std::pair<std::string, int32_t>> codes;
  for (const auto& [from, to] : renamed) codes.emplace_back(from, 1);
  codes.emplace_back("FI99", 1);

  ASSERT_TRUE(readWith("0940404", {}, {}, codes));
  for (const auto& [from, to] : renamed) {
    EXPECT_TRUE(codeNo(to)) << to;
    EXPECT_FALSE(codeNo(from)) << from;
  }
  EXPECT_TRUE(codeNo("FI99"));

  CreateFormTables(db);
  ASSERT_TRUE(readWith("0940405", {}, {}, codes));
  for (const auto& [from, to] : renamed) EXPECT_TRUE(codeNo(from)) << from;
}

TEST_F(RepairsTest, CodeFieldNumbersAreRepaired) {
  const std::vector<std::pair<std::string, int32_t>> codes{
      {"EY09", 10010}, {"EY10", 10011}, {"IV13", 61}, {"IV14", 62},
      {"EY43", 16258}, {"EZ84", 0},     {"EZ86", 0},  {"IV15", 61}};
  ASSERT_TRUE(readWith("0890807", {}, {}, codes));
  EXPECT_EQ(codeNo("EY09"), Value(10011));
  EXPECT_EQ(codeNo("EY10"), Value(10010));
  EXPECT_EQ(codeNo("IV13"), Value(0));
  EXPECT_EQ(codeNo("IV14"), Value(20));
  EXPECT_EQ(codeNo("EY43"), Value(16054));
  EXPECT_EQ(codeNo("EZ84"), Value(12029));
  EXPECT_EQ(codeNo("EZ86"), Value(12031));
  EXPECT_EQ(codeNo("IV15"), Value(61));

  // From "0890808" on the two are no longer swapped; the rest still applies.
  CreateFormTables(db);
  ASSERT_TRUE(readWith("0890808", {}, {}, codes));
  EXPECT_EQ(codeNo("EY09"), Value(10010));
  EXPECT_EQ(codeNo("EY10"), Value(10011));
  EXPECT_EQ(codeNo("IV13"), Value(0));

  CreateFormTables(db);
  ASSERT_TRUE(readWith("1020905", {}, {}, {{"EZ84", 5}, {"IV14", 61}}));
  EXPECT_EQ(codeNo("EZ84"), Value(5));
  EXPECT_EQ(codeNo("IV14"), Value(61));
}

TEST_F(RepairsTest, SumMarksFollowTheirCodesInFilesBefore0920520) {
  // The I fields of a file this old carry no sum mark; the four standard ones get it.
  FileBytes file;
  file.header("0920519").emptySections(2).i32(5);
  for (int no : {5, 17, 8, 11, 30}) {
    file.str("I").i32(no).str("N").i32(1).i32(0).i32(0).str("").str("").i32(0).str("").str("");
    file.i32(0).i32(no).str("").b(false);  // packed transfer, SourceNo, LogicCheckMode, Hide
    for (int i = 0; i < 9; ++i) file.b(false);
    file.str("").str("").str("N").str("");  // no SumField yet
  }
  file.emptySections(3).i32(3);
  codeRow(file, "IV01", 30);  // quantity now in I-30
  codeRow(file, "IV09", 17);  // standard
  codeRow(file, "IV24", 99);  // points at a field that does not exist
  ASSERT_TRUE(read(file));
  const auto all = rows(FormTable::CB22);
  const auto sum = [&](int no) {
    return field(*definition(all, "I", no), FormTable::CB22, "SumField");
  };
  EXPECT_EQ(sum(5), Value(false));
  EXPECT_EQ(sum(30), Value(true));
  EXPECT_EQ(sum(17), Value(true));
  EXPECT_EQ(sum(8), Value(false));
  EXPECT_EQ(sum(11), Value(true));  // IV27 has no row: nothing moves
}

TEST_F(RepairsTest, SumMarksOfNewerFilesAreLeftAsRead) {
  // (The field definitions of "0940606" are laid out as those of today.)
  ASSERT_TRUE(readWith("0940606", {},
                       {{.type = "I", .fieldNo = 5, .sumField = true},
                        {.type = "I", .fieldNo = 30, .sumField = false}},
                       {{"IV01", 30}}));
  const auto all = rows(FormTable::CB22);
  EXPECT_EQ(field(*definition(all, "I", 5), FormTable::CB22, "SumField"), Value(true));
  EXPECT_EQ(field(*definition(all, "I", 30), FormTable::CB22, "SumField"), Value(false));
}

TEST_F(RepairsTest, FormCodesPointOnlyAtFormsInTheFile) {
  const std::vector<std::pair<std::string, int32_t>> codes{
      {"AF07", 16008}, {"AF08", 15100}, {"AF10", 15300}, {"AF09", 0}, {"AF11", 0}};
  ASSERT_TRUE(readWith("1020905", {15201, 15440}, {}, codes));
  EXPECT_EQ(codeNo("AF07"), Value(0));
  EXPECT_EQ(codeNo("AF08"), Value(0));
  EXPECT_EQ(codeNo("AF10"), Value(0));
  EXPECT_EQ(codeNo("AF09"), Value(15201));
  EXPECT_EQ(codeNo("AF11"), Value(15440));

  CreateFormTables(db);
  ASSERT_TRUE(readWith("1020905", {16008, 15100, 15300, 15201, 15202, 15430}, {}, codes));
  EXPECT_EQ(codeNo("AF07"), Value(16008));
  EXPECT_EQ(codeNo("AF08"), Value(15100));
  EXPECT_EQ(codeNo("AF10"), Value(15300));
  EXPECT_EQ(codeNo("AF09"), Value(0));  // both forms there: left alone
  EXPECT_EQ(codeNo("AF11"), Value(15430));

  CreateFormTables(db);
  ASSERT_TRUE(readWith("1020905", {15202}, {}, {{"AF09", 7}, {"AF07", 5}}));
  EXPECT_EQ(codeNo("AF09"), Value(7));  // only a 0 is pointed at a form
  EXPECT_EQ(codeNo("AF07"), Value(5));
}

TEST_F(RepairsTest, AFormCountsAsPresentEvenWhenItsRowIsRefused) {
  // Form 15201 twice: the second row is a duplicate and dropped, the first counts.
  ASSERT_TRUE(readWith("1020905", {15201, 15201}, {}, {{"AF09", 0}}));
  EXPECT_EQ(rows(FormTable::CB20).size(), 1u);
  EXPECT_EQ(codeNo("AF09"), Value(15201));
}

}  // namespace
}  // namespace kvt::forms
