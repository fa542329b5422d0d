// The table inspector: its value texts and both reports, run as the program support uses.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include "engine/paradox/TableStorage.h"
#include "tests/paradox/TestSupport.h"
#include "tools/tableinfo/CodePageText.h"
#include "tools/tableinfo/TableReport.h"

namespace kvt::tableinfo {
namespace {

std::string run(const std::string& args, int& status) {
  const std::string command = std::string(KVT_TABLE_TOOL) + " " + args + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  status = pclose(pipe.release());
  return out;
}

TEST(TableTool, CalendarValuesAsText) {
  TableSchema s;
  s.fields = {{"D", FieldType::Date, 0}, {"T", FieldType::Time, 0}, {"S", FieldType::Timestamp, 0}};
  const Row row = {Value(Date{730179}), Value(Time{(13 * 3600 + 5 * 60 + 9) * 1000 + 999}),
                   Value(Timestamp{(737456.0 - 1) * 86400000 + 3601000})};
  EXPECT_EQ(rowJson(s, row, 950),
            "{\"D\": \"2000-02-29\", \"T\": \"13:05:09\", \"S\": \"2020-02-01 01:00:01\"}");
}

TEST(TableTool, RowJsonTakesTextFromTheTablesCodePage) {
  TableSchema s;
  s.fields = {{"\xA6\x57\xBA\xD9", FieldType::Alpha, 10},  // 名稱 (name)
              {"N", FieldType::Number, 0},
              {"L", FieldType::Logical, 0},
              {"B", FieldType::Bcd, 2},
              {"G", FieldType::Graphic, 10},
              {"M", FieldType::Memo, 1},
              {"I", FieldType::Long, 0},
              {"F", FieldType::FmtMemo, 0}};
  const Row row = {
      Value("\xA4\xA4\xA4\xE5"), Value(2.5),      Value(true),   Value(Decimal{"-1.20"}),
      Value(Bytes{"BM\x01"}),    Value("a\"b\n"), Value::null(), Value(std::string("\x07\0", 2))};
  EXPECT_EQ(
      rowJson(s, row, 950),
      "{\"\xE5\x90\x8D\xE7\xA8\xB1\": \"\xE4\xB8\xAD\xE6\x96\x87\", \"N\": 2.5, \"L\": true, "
      "\"B\": \"-1.20\", \"G\": \"Qk0B\", \"M\": \"a\\\"b\\n\", \"I\": null, \"F\": \"BwA=\"}");
  // Bytes the code page does not define are replaced, not dropped.
  EXPECT_EQ(toUtf8("a\xFF", 950), "a\xEF\xBF\xBD");
  EXPECT_EQ(toUtf8("\x82", 1252), "\xE2\x80\x9A");
}

TEST(TableTool, ReportsOnASampleTable) {
  KVT_REQUIRE_SAMPLES();
  int status = -1;
  const std::string dir = (paradox::test::samplesDir() / "db").string();
  const std::string structure = run("structure " + dir + " customer", status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(structure.find("Level: 7\n"), std::string::npos) << structure;
  EXPECT_NE(structure.find("Code page: 1252\n"), std::string::npos);
  EXPECT_NE(structure.find("Block size: 2048\n"), std::string::npos);
  EXPECT_NE(structure.find("Records: 20\n"), std::string::npos);
  EXPECT_NE(structure.find("  9  Comments  M  100\n"), std::string::npos);
  EXPECT_NE(structure.find("Key fields: CustNo\n"), std::string::npos);

  const std::string rows = run("rows " + dir + " CUSTOMER.DB", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 20);
  EXPECT_EQ(rows.rfind("{\"CustNo\": 1, \"FirstName\": \"Luke\"", 0), 0u) << rows.substr(0, 200);
  EXPECT_NE(rows.find("\"Comments\": \"Small comment (less 100 symbols)\", \"DateEntered\": "
                      "\"1996-02-02\"}\n"),
            std::string::npos);

  const std::string missing = run("rows " + dir + " NOTHERE", status);
  EXPECT_NE(status, 0);
  EXPECT_NE(missing.find("NOTHERE"), std::string::npos);
  run("", status);
  EXPECT_NE(status, 0);
}

}  // namespace
}  // namespace kvt::tableinfo
