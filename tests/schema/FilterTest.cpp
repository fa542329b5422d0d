// Filter expressions: what parses, what is refused, and which rows pass.
#include <gtest/gtest.h>

#include "schema/EngineError.h"
#include "schema/Filter.h"

namespace kvt {
namespace {

class FilterTest : public ::testing::Test {
 protected:
  TableSchema schema_{{{"Mode", FieldType::Alpha, 10},
                       {"FormNo", FieldType::Long, 0},
                       {"Width", FieldType::Number, 0},
                       {"Name", FieldType::Alpha, 20},
                       {"Code", FieldType::Alpha, 4}},
                      {}};

  Row row(Value mode, Value formNo, Value width = {}, Value name = {}, Value code = {}) {
    return {std::move(mode), std::move(formNo), std::move(width), std::move(name), std::move(code)};
  }
  bool passes(const std::string& expr, const Row& r) {
    return Filter::parse(expr).matches(schema_, r);
  }
};

TEST_F(FilterTest, ModeAlternativesAsTheStepsWriteThem) {
  const std::string expr = "([Mode] = 'X602') or ([Mode] = 'X602No')";
  EXPECT_TRUE(passes(expr, row("X602", 1)));
  EXPECT_TRUE(passes(expr, row("X602No", 1)));
  EXPECT_FALSE(passes(expr, row("X602NO", 1)));  // letter case counts
  EXPECT_FALSE(passes(expr, row("X602 ", 1)));   // so do blanks
  EXPECT_FALSE(passes(expr, row("X102", 1)));
  EXPECT_FALSE(passes(expr, row({}, 1)));
  EXPECT_TRUE(passes("([Mode] = 'X102')", row("X102", 1)));
}

TEST_F(FilterTest, NumbersCompareNumerically) {
  EXPECT_TRUE(passes("[FormNo] = 15100", row("", 15100)));
  EXPECT_FALSE(passes("[FormNo] = 15100", row("", 151000)));
  EXPECT_TRUE(passes("[FormNo] >= 15100 and [FormNo] < 15200", row("", 15190)));
  EXPECT_FALSE(passes("[FormNo] >= 15100 and [FormNo] < 15200", row("", 15200)));
  EXPECT_TRUE(passes("[Width] > 2.5", row("", 0, 2.75)));
  EXPECT_TRUE(passes("[Width] = 3", row("", 0, 3.0)));
  EXPECT_TRUE(passes("[Width] <= -1e3", row("", 0, -1000.0)));
  // A number held as text compares as a number; "9" is below "10".
  EXPECT_TRUE(passes("[Code] < 10", row("", 0, {}, {}, "9")));
  // A blank number passes no equality and sorts below every number.
  EXPECT_FALSE(passes("[FormNo] = 0", row("", {})));
  EXPECT_TRUE(passes("[FormNo] <> 0", row("", {})));
  EXPECT_TRUE(passes("[FormNo] < -5", row("", {})));
}

TEST_F(FilterTest, TextComparesByStoredBytes) {
  EXPECT_TRUE(passes("[Name] < 'b'", row("", 0, {}, "a")));
  EXPECT_TRUE(passes("[Name] > 'Z'", row("", 0, {}, "a")));  // lower case sorts after
  // Big5 bytes above 0x80 sort after ASCII.
  EXPECT_TRUE(passes("[Name] > 'z'", row("", 0, {}, "\xA4\xA4")));
  EXPECT_TRUE(passes("[Name] = '\xA4\xA4\xA4\xE5'", row("", 0, {}, "\xA4\xA4\xA4\xE5")));
  // A doubled quote is one quote.
  EXPECT_TRUE(passes("[Name] = 'it''s'", row("", 0, {}, "it's")));
  EXPECT_TRUE(passes("[Name] = ''''", row("", 0, {}, "'")));
  EXPECT_TRUE(passes("[Name] = \"say \"\"hi\"\"\"", row("", 0, {}, "say \"hi\"")));
  // A blank field equals the empty text.
  EXPECT_TRUE(passes("[Name] = ''", row("", 0)));
  EXPECT_TRUE(passes("[Name] <> 'x'", row("", 0)));
}

TEST_F(FilterTest, AndBindsTighterThanOrAndParenthesesRegroup) {
  // X and (no match) or Y
  const Row r = row("X102", 5);
  EXPECT_TRUE(passes("[Mode] = 'X602' and [FormNo] = 1 or [FormNo] = 5", r));
  EXPECT_FALSE(passes("[Mode] = 'X602' and ([FormNo] = 1 or [FormNo] = 5)", r));
  EXPECT_TRUE(passes("(([Mode] = 'X102'))", r));
  EXPECT_TRUE(passes("not ([Mode] = 'X602')", r));
  EXPECT_TRUE(passes("[Mode] = 'X102' AND [FormNo] = 5", r));
  EXPECT_TRUE(passes("[Mode]='X102'Or[FormNo]=1", r));
  // Bare field names and a literal on the left are taken too.
  EXPECT_TRUE(passes("FormNo = 5 and 'X102' = [Mode]", r));
  EXPECT_TRUE(passes("   ", r));  // an empty expression lets every row pass
}

TEST_F(FilterTest, MalformedExpressionsAreRefused) {
  for (const char* bad :
       {"([Mode] = 'X102'", "[Mode] = 'X102')", "[Mode] = 'X102", "[Mode = 'X'", "[Mode] 'X'",
        "[Mode] =", "= 'X'", "[Mode] == 'X'", "[Mode] = 'X' and", "or [Mode] = 'X'", "'a' = 'b'",
        "[Mode] = 1x2", "[Mode] = 'X' ; drop", "[Mode] ! 'X'"}) {
    try {
      Filter::parse(bad);
      ADD_FAILURE() << "parsed: " << bad;
    } catch (const EngineError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Unsupported) << bad;
    }
  }
}

TEST_F(FilterTest, UnknownFieldsAreReported) {
  const Filter f = Filter::parse("[Mode] = 'X' or [Missing] = 1");
  try {
    f.check(schema_);
    ADD_FAILURE() << "a missing field passed the check";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::MissingField);
    EXPECT_NE(std::string(e.what()).find("Missing"), std::string::npos);
  }
  // Field names keep their letter case.
  EXPECT_THROW(Filter::parse("[mode] = 'X'").check(schema_), EngineError);
  EXPECT_THROW(Filter::parse("[Missing] = 1").matches(schema_, row("X", 1)), EngineError);
  EXPECT_NO_THROW(Filter::parse("[Mode] = 'X'").check(schema_));
}

}  // namespace
}  // namespace kvt
