// The import offered outside a run: the chosen form file is changed only when the operator
// imported something, keeps its own version, and no scratch tables stay behind.
#include <gtest/gtest.h>

#include "UpgradeTestSupport.h"
#include "forms/FormFileVersion.h"
#include "forms/upgrade/InteractiveImport.h"

namespace kvt::forms {
namespace {

using namespace testing;

constexpr const char* kWork = "C:\\KVT更新\\Table\\";
constexpr const char* kSourceWork = "C:\\KVT更新\\SrcTable\\";
constexpr const char* kSource = "C:\\KVT更新\\NEW.DBT";
constexpr const char* kTarget = "C:\\Velmor\\KVT\\KVTE.DBT";

class InteractiveImportTest : public ::testing::Test {
 protected:
  InteractiveImportTest() {
    writeFormFile(drive, kTarget, "0990101", R"({"CB20": [{"FormNo": 100, "FormName": "OLD"}]})");
    writeFormFile(drive, kSource, "1020905",
                  R"({"CB20": [{"FormNo": 200, "FormName": "NEW"}],
                      "CB25": [{"BlockName": "HEAD", "Memo": "M"}]})");
    FormFileVersion = "1020905";
  }
  InteractiveImportResult importWith(const std::function<void(TImportTableFrm&)>& dialog) {
    const auto result = ImportIntoFormFile(drive.fs(), ui, kWork, kSourceWork, kTarget, dialog);
    EXPECT_TRUE(drive.namesIn(kWork).empty());
    EXPECT_FALSE(drive.exists(kSourceWork));
    // The run's own version is not disturbed.
    EXPECT_EQ(FormFileVersion, "1020905");
    return result;
  }

  ScratchDrive drive;
  RecordingUi ui;
};

TEST_F(InteractiveImportTest, ImportedFormsAreWrittenInTheTargetsOwnVersion) {
  const auto result = importWith([](TImportTableFrm& dialog) {
    dialog.LoadSourceFormFile(kSource);
    dialog.ImportSelectedForms();
  });
  EXPECT_EQ(result, InteractiveImportResult::Saved);
  const ReadBack back = readFormFile(drive, kTarget);
  EXPECT_EQ(back.version, "0990101");
  EXPECT_EQ(countRows(*back.db, FormTable::CB20), 2u);
  EXPECT_EQ(countRows(*back.db, FormTable::CB25), 1u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(InteractiveImportTest, ACancelledDialogLeavesTheFileAsItWas) {
  const std::string before = drive.get(kTarget);
  const auto result = importWith([](TImportTableFrm& dialog) {
    dialog.LoadSourceFormFile(kSource);
    dialog.AllCBox = false;
    dialog.ImportSelectedForms();  // refused: nothing chosen, though blocks were merged
    dialog.CancelBtnClick();
  });
  EXPECT_EQ(result, InteractiveImportResult::Cancelled);
  EXPECT_EQ(drive.get(kTarget), before);
  EXPECT_TRUE(drive.namesIn("C:\\Velmor\\KVT\\Backup").empty());
}

TEST_F(InteractiveImportTest, AnUnreadableTargetIsNotOfferedForImport) {
  drive.put(kTarget, "garbage");
  bool shown = false;
  const auto result = importWith([&](TImportTableFrm&) { shown = true; });
  EXPECT_EQ(result, InteractiveImportResult::Unreadable);
  EXPECT_FALSE(shown);
  EXPECT_EQ(drive.get(kTarget), "garbage");
}

}  // namespace
}  // namespace kvt::forms
