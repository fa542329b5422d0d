// The form-file demonstration: its switch lines read as a release's switch file give every
// list value and every fixed patch a row to change in its form files.
#include <gtest/gtest.h>

#include <fstream>

#include "UpgradeTestSupport.h"
#include "app/UpgradeSwitchFile.h"
#include "forms/upgrade/FormUpgrade.h"
#include "tools/demo-forms/DemoForms.h"

namespace kvt::forms {
namespace {

using namespace testing;
namespace fs = std::filesystem;

constexpr const char* kRelease = "C:\\KVT更新\\";
constexpr const char* kForms = "C:\\Velmor\\KVT\\";

class DemoFormsTest : public ::testing::Test {
 protected:
  DemoFormsTest() : ctx(log, ui, drive.fs()) {
    // The scratch drives' folder is a demonstration prefix once it has the marker.
    prefix = drive.root();
    drive.mkdir(kRelease);
  }
  void markAsDemo() { std::ofstream(prefix / ".kvt-demo-prefix") << "made by kvt-demo\n"; }
  Value value(Database& db, FormTable t, const std::vector<Value>& key, const char* name) {
    const auto rows = rowsOf(db, t);
    const Row* row = findRow(rows, t, key);
    return row == nullptr ? Value("<no row>") : field(*row, t, name);
  }

  ScratchDrive drive;
  fs::path prefix;
  RecordingUi ui;
  LogLines log;
  RunContext ctx;
};

TEST_F(DemoFormsTest, APrefixWithoutTheMarkerIsRefused) {
  EXPECT_THROW(demo::AddFormFileDemo(prefix), std::runtime_error);
  EXPECT_FALSE(drive.exists(std::string(kForms) + "KVTE.DBT"));
}

TEST_F(DemoFormsTest, EverySwitchOfTheDemonstrationChangesItsFormFile) {
  markAsDemo();
  demo::AddFormFileDemo(prefix);
  ctx.ReleaseDir = kRelease;
  ctx.FormDir = kForms;
  ctx.switches = app::ReadUpgradeSwitches(drive.fs(), kRelease,
                                          std::string("[System]\n") + demo::kFormFileDemoSwitches);
  ASSERT_EQ(ctx.switches.SourceDBT.size(), 2u);
  UpgradeFormFiles(ctx);
  for (const std::string& line : log.lines) {
    EXPECT_EQ(line.find("失敗"), std::string::npos) << line;
    EXPECT_EQ(line.find("找不到"), std::string::npos) << line;
  }
  EXPECT_TRUE(ui.boxes.empty()) << ui.boxes.front().text;

  const ReadBack e = readFormFile(drive, std::string(kForms) + "KVTE.DBT");
  Database& x = *e.db;
  EXPECT_EQ(e.version, "0950209");
  // Imported form, with the blocks merged and the dictionary entry it shares kept.
  EXPECT_EQ(value(x, FormTable::CB20, {Value(16100)}, "FormName"), Value("ECFA"));
  EXPECT_EQ(value(x, FormTable::CB25, {text("出口表頭")}, "Memo"), text("示範出口表頭 (新版)"));
  // Lists.
  EXPECT_EQ(value(x, FormTable::CB21, {Value(10)}, "EntryName"), text("出口人統一編號"));
  EXPECT_EQ(value(x, FormTable::CB21, {Value(11)}, "Formular"), Value("//C<11>"));
  EXPECT_EQ(value(x, FormTable::CB20, {Value(100)}, "Class"), text("出口"));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(30)}, "FieldLength"), Value(14));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(31)}, "FieldName"), text("產地"));
  EXPECT_EQ(value(x, FormTable::CB2F0, {Value("AB01")}, "DoIt"), Value(false));
  // Fixed patches.
  EXPECT_EQ(value(x, FormTable::CB21, {Value(15735)}, "ListField1"), Value("<Clear>"));
  EXPECT_EQ(value(x, FormTable::CB21, {Value(15706)}, "LookupTable"), Value("X101_1"));
  EXPECT_EQ(value(x, FormTable::CB21, {Value(13090)}, "ListField1"), text("{出口商簡稱}"));
  EXPECT_EQ(value(x, FormTable::CB21, {Value(15768)}, "LookupField"), Value("EName"));
  EXPECT_EQ(value(x, FormTable::CB21, {Value(15766)}, "EntryName"), text("目的地國家代碼"));
  EXPECT_EQ(value(x, FormTable::CB23, {Value(15100), Value(10)}, "EntryNo"), Value(15766));
  EXPECT_EQ(value(x, FormTable::CB23, {Value(15100), Value(20)}, "EntryNo"), Value(15768));
  for (int form : {12000, 12007, 12010, 12022, 12030}) {
    EXPECT_EQ(value(x, FormTable::CB20, {Value(form)}, "PrintForm"), Value(false)) << form;
  }
  EXPECT_EQ(value(x, FormTable::CB20, {Value(15104)}, "MasterForm"), Value(false));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(191)}, "LookupTable"), Value("X101_13"));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(198)}, "LookupTable"), Value("X101_12"));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(198)}, "FieldLength"), Value(3));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("I"), Value(7)}, "ToX1stNo"), Value(7));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(6)}, "TransferNo"), Value(6));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(5)}, "Formular"),
            Value("#1(5,6,7);#2(0.83613)"));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(17)}, "Formular"), Value("#6( ,3,1)"));
  EXPECT_EQ(value(x, FormTable::CB22, {Value("X"), Value(43)}, "EnterCopy"), Value(true));
  EXPECT_EQ(value(x, FormTable::CB2F0, {Value("FI05")}, "FieldNo"), Value(154));
  EXPECT_EQ(value(x, FormTable::CB2F0, {Value("FI36")}, "DoIt"), Value(true));
  EXPECT_EQ(value(x, FormTable::CB2F0, {Value("EZ84")}, "FieldNo"), Value(12029));
  EXPECT_EQ(value(x, FormTable::CB2F0, {Value("EZ86")}, "DoIt"), Value(false));

  const ReadBack i = readFormFile(drive, std::string(kForms) + "KVTI.DBT");
  EXPECT_EQ(i.version, "1020905");
  EXPECT_EQ(value(*i.db, FormTable::CB21, {Value(20)}, "EntryName"), text("進口人統一編號"));
  EXPECT_EQ(value(*i.db, FormTable::CB20, {Value(200)}, "Class"), text("進口"));
  EXPECT_EQ(value(*i.db, FormTable::CB22, {Value("I"), Value(30)}, "FieldLength"), Value(16));
  EXPECT_EQ(value(*i.db, FormTable::CB2F0, {Value("AB02")}, "FieldNo"), Value(21));
  EXPECT_EQ(value(*i.db, FormTable::CB2F0, {Value("AB02")}, "DoIt"), Value(true));
}

}  // namespace
}  // namespace kvt::forms
