// The form-file tool: its JSON reader and writer, the tables as JSON and back, and the
// command line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FormsTestSupport.h"
#include "forms/FormFileVersion.h"
#include "schema/MemoryDatabase.h"
#include "tools/formfile/FormJson.h"
#include "tools/formfile/HostFiles.h"
#include "tools/formfile/Json.h"

namespace kvt::formfile {
namespace {

using forms::FormTable;
using forms::testing::big5;
using forms::testing::field;
using forms::testing::rowsOf;

std::string written(const Json& j) {
  std::ostringstream out;
  writeJson(out, j);
  return out.str();
}

TEST(Json, ParsesEveryKindAndWritesItBack) {
  const Json j = parseJson(
      R"( {"a": [1, -2.5e3, 0, true, false, null], "s": "x\"\\\/\n\t\u4e2d\ud83d\ude00", "o": {}} )");
  ASSERT_EQ(j.kind(), Json::Kind::Object);
  const Json& a = *j.find("a");
  ASSERT_EQ(a.items().size(), 6u);
  EXPECT_EQ(a.items()[0].asInteger(), 1);
  EXPECT_FALSE(a.items()[1].asInteger());
  EXPECT_EQ(a.items()[1].asDouble(), -2500.0);
  EXPECT_TRUE(a.items()[3].asBool());
  EXPECT_TRUE(a.items()[5].isNull());
  EXPECT_EQ(j.find("s")->text(), "x\"\\/\n\t中😀");
  EXPECT_EQ(j.find("missing"), nullptr);
  EXPECT_EQ(written(j), R"({"a":[1,-2.5e3,0,true,false,null],"s":"x\"\\/\n\t中😀","o":{}})");
}

TEST(Json, IntegersStayExactAndDoublesTakeTheirShortestForm) {
  EXPECT_EQ(parseJson("9007199254740993").asInteger(), 9007199254740993);
  EXPECT_FALSE(parseJson("99999999999999999999").asInteger());
  std::ostringstream out;
  writeJsonDouble(out, 0.1);
  out << ' ';
  writeJsonDouble(out, std::nan(""));
  out << ' ';
  writeJsonDouble(out, -HUGE_VAL);
  EXPECT_EQ(out.str(), R"(0.1 "NaN" "-Infinity")");
  EXPECT_TRUE(std::isnan(*Json::string("NaN").asDouble()));
  EXPECT_FALSE(Json::string("1").asDouble());
}

TEST(Json, RefusesMalformedText) {
  for (const char* bad : {"", "[1,]", "{\"a\" 1}", "{\"a\":1,}", "\"open", "01", "1.", "-", "tru",
                          "[1] 2", "\"\\x\"", "\"\\ud800\"", "\"a\nb\"", "{1:2}"}) {
    EXPECT_THROW(parseJson(bad), JsonError) << bad;
  }
  EXPECT_THROW(parseJson(std::string(100, '[') + std::string(100, ']')), JsonError);
}

TEST(FormJson, TablesGoToJsonAndBackUnchanged) {
  MemoryDatabase db;
  const std::string source = R"({"version": "0940404", "tables": {
    "CB20": [{"FormNo": 7, "FormName": "出口", "FormWidth": 21.25, "HOffset": "NaN",
              "MasterForm": true, "PMValue": false, "FontSize": 12}],
    "CB25": [{"BlockName": "B", "Memo": "line 1\r\n第二行"}],
    "CB2F0": [{"Code": "FM41", "FieldNo": 20, "DoIt": false}]}})";
  EXPECT_EQ(loadFormTablesJson(source, db), "0940404");
  const Row form = rowsOf(db, FormTable::CB20).at(0);
  EXPECT_EQ(field(form, FormTable::CB20, "FormName"), Value(big5("出口")));
  EXPECT_TRUE(std::isnan(field(form, FormTable::CB20, "HOffset").asFloat()));
  EXPECT_TRUE(field(form, FormTable::CB20, "FormDesc").isNull());

  const std::string json = formTablesJson(db, "0940404");
  MemoryDatabase again;
  EXPECT_EQ(loadFormTablesJson(json, again), "0940404");
  EXPECT_EQ(formTablesJson(again, "0940404"), json);
  // Every field of every row is named, in the tables' order.
  const Json doc = parseJson(json);
  const Json& forms = *doc.find("tables")->find("CB20");
  ASSERT_EQ(forms.items().size(), 1u);
  EXPECT_EQ(forms.items()[0].members().size(), 56u);
  EXPECT_EQ(forms.items()[0].members()[0].first, "FormNo");
  EXPECT_EQ(forms.items()[0].members()[55].first, "Note");
  EXPECT_EQ(doc.find("tables")->members().size(), 7u);
}

TEST(FormJson, RefusesWhatTheTablesCannotTake) {
  const char* bad[] = {
      R"([])",
      R"({"tables": {}})",
      R"({"version": 1020905, "tables": {}})",
      R"({"version": "1020905", "tables": {"CB99": []}})",
      R"({"version": "1020905", "tables": {"CB20": {}}})",
      R"({"version": "1020905", "tables": {"CB20": [{"Nope": 1}]}})",
      R"({"version": "1020905", "tables": {"CB20": [{"FormNo": "1"}]}})",
      R"({"version": "1020905", "tables": {"CB20": [{"FormNo": 1.5}]}})",
      R"({"version": "1020905", "tables": {"CB20": [{"FormNo": 1, "MasterForm": 1}]}})",
      R"({"version": "1020905", "tables": {"CB20": [{"FormNo": 1, "FormName": 3}]}})",
      R"({"version": "1020905", "tables": {"CB20": [{"FormNo": 1}, {"FormNo": 1}]}})",
      R"({"version": "1020905", "tables": {"CB22": [{"Type": "I", "FieldNo": 40000}]}})",
  };
  for (const char* text : bad) {
    MemoryDatabase db;
    EXPECT_ANY_THROW(loadFormTablesJson(text, db)) << text;
  }
}

class FormTool : public ::testing::Test {
 protected:
  FormTool() : dir("kvt-form-tool-test") {}
  std::filesystem::path path(const std::string& name) const { return dir.path() / name; }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  ScratchDirectory dir;
};

TEST_F(FormTool, BuildThenDumpShowsWhatTheReaderLoaded) {
  write("in.json", R"({"version": "1020905", "tables": {
    "CB20": [{"FormNo": 15201, "FormName": "進口"}],
    "CB23": [{"FormNo": 1, "SEQ": 50, "EntryNo": 3}],
    "CB2F0": [{"Code": "AF09", "FieldNo": 0, "Description": "表單"}]}})");
  std::ostringstream err;
  ASSERT_TRUE(buildFormFile(path("in.json"), path("KVTE.DBT"), err)) << err.str();
  std::ostringstream out;
  ASSERT_TRUE(dumpFormFile(path("KVTE.DBT"), out, err)) << err.str();
  const Json doc = parseJson(out.str());
  EXPECT_EQ(doc.find("version")->text(), "1020905");
  const Json& tables = *doc.find("tables");
  EXPECT_EQ(tables.find("CB20")->items()[0].find("FormName")->text(), "進口");
  // The reader's numbering and repairs show.
  EXPECT_EQ(tables.find("CB23")->items()[0].find("SEQ")->asInteger(), 10);
  EXPECT_EQ(tables.find("CB2F0")->items()[0].find("FieldNo")->asInteger(), 15201);
  EXPECT_EQ(tables.find("CB2F0")->items()[0].find("Description")->text(), "表單");
  EXPECT_EQ(tables.find("CB20")->items()[0].find("BodyPrintMode")->text(), "1");
}

TEST_F(FormTool, ARefusedFileIsReportedAndNothingPrinted) {
  write("bad.DBT", "not a form file");
  std::ostringstream out, err;
  EXPECT_FALSE(dumpFormFile(path("bad.DBT"), out, err));
  EXPECT_TRUE(out.str().empty());
  EXPECT_NE(err.str().find("主表單檔的格式錯誤"), std::string::npos);
  EXPECT_FALSE(dumpFormFile(path("none.DBT"), out, err));
  EXPECT_FALSE(buildFormFile(path("none.json"), path("x.DBT"), err));
}

TEST_F(FormTool, TheCommandLine) {
  const std::string tool = KVT_FORM_TOOL;
  const auto run = [&](const std::string& args) {
    const int status = std::system(
        (tool + " " + args + " >" + path("out.txt").string() + " 2>" + path("err.txt").string())
            .c_str());
#ifdef WIFEXITED
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
    return status;  // the program's exit code itself
#endif
  };
  write("e.json", R"({"version": "1020905", "tables": {}})");
  EXPECT_EQ(run("build " + path("e.json").string() + " " + path("E.DBT").string()), 0);
  EXPECT_EQ(read("E.DBT").size(), 48u);
  EXPECT_EQ(run("dump " + path("E.DBT").string()), 0);
  EXPECT_EQ(parseJson(read("out.txt")).find("tables")->members().size(), 7u);
  EXPECT_EQ(run("dump"), 2);
  EXPECT_EQ(run("list x"), 2);
  write("v.DBT", forms::testing::FileBytes().header("1020906").emptySections(7).bytes());
  EXPECT_EQ(run("dump " + path("v.DBT").string()), 1);
  EXPECT_NE(read("err.txt").find("主程式的規格比主表單檔舊"), std::string::npos);
  write("bad.json", "{");
  EXPECT_EQ(run("build " + path("bad.json").string() + " " + path("B.DBT").string()), 1);
  EXPECT_FALSE(std::filesystem::exists(path("B.DBT")));
}

}  // namespace
}  // namespace kvt::formfile
