// The import dialog offscreen: its controls and their first states, the open button filling
// the list, the chosen forms imported by OK, and Cancel; over a form file, an unreadable second
// source and an error of the table engine, which leave the file as it was.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <deque>

#include "UpgradeTestSupport.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "forms/upgrade/InteractiveImport.h"
#include "gui/ImportTableDialog.h"

namespace kvt::gui {
namespace {

using namespace forms::testing;

constexpr const char* kWork = "C:\\KVT更新\\Table\\";
constexpr const char* kSourceWork = "C:\\KVT更新\\SrcTable\\";
constexpr const char* kSource = "C:\\KVT更新\\NEW.DBT";
constexpr const char* kTarget = "C:\\Velmor\\KVT\\KVTE.DBT";
constexpr const char* kTargetWork = "C:\\KVT更新\\Work\\";

class ImportTableDialogTest : public ::testing::Test {
 protected:
  ImportTableDialogTest() : logic(drive.fs(), ui), dialog(logic, drive.fs(), nullptr) {
    drive.mkdir(kWork);
    drive.mkdir(kSourceWork);
    {
      paradox::ParadoxDatabase db(drive.local(kWork));
      forms::CreateFormTables(db);
    }
    writeFormFile(
        drive, kSource, "1020905",
        R"({"CB20": [{"FormNo": 100, "FormName": "甲表"}, {"FormNo": 200, "FormName": "B"}]})");
    logic.destinationDir = kWork;
    logic.sourceDir = kSourceWork;
    dialog.setFilePicker([this](const std::string& dir, const std::string& name) {
      asked.push_back(dir + "|" + name);
      return std::optional<std::string>(kSource);
    });
  }
  template <class W>
  W* child(const char* name) {
    W* w = dialog.findChild<W*>(QString::fromUtf8(name));
    if (w == nullptr) throw std::logic_error(std::string("no control ") + name);
    return w;
  }
  std::vector<int64_t> destinationForms() {
    paradox::ParadoxDatabase db(drive.local(kWork));
    std::vector<int64_t> forms;
    for (const Row& row : rowsOf(db, forms::FormTable::CB20)) forms.push_back(row[0].asInt());
    return forms;
  }

  ScratchDrive drive;
  RecordingUi ui;
  forms::TImportTableFrm logic;
  ImportTableDialog dialog;
  std::vector<std::string> asked;
};

TEST_F(ImportTableDialogTest, ControlsStartWithAllFormsAndFullImport) {
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("匯入主表單"));
  EXPECT_TRUE(child<QCheckBox>("AllCBox")->isChecked());
  EXPECT_EQ(child<QCheckBox>("AllCBox")->text(), QString::fromUtf8("全部表單"));
  EXPECT_FALSE(child<QCheckBox>("SetPrintOnlyCBtn")->isChecked());
  EXPECT_FALSE(child<QCheckBox>("OverWriteCBox")->isChecked());
  EXPECT_EQ(child<QPushButton>("OKBtn")->text(), QString::fromUtf8("確 定 (&O)"));
  EXPECT_EQ(child<QPushButton>("CancelBtn")->text(), QString::fromUtf8("取 消 &X)"));
  EXPECT_EQ(child<QListWidget>("FormNameLBox")->count(), 0);
}

TEST_F(ImportTableDialogTest, OpeningASourceListsItsForms) {
  child<QToolButton>("OpenSBtn")->click();
  EXPECT_EQ(asked, (std::vector<std::string>{"D:\\|"}));
  EXPECT_EQ(child<QLineEdit>("ImportTableEdit")->text(), QString::fromUtf8(kSource));
  auto* list = child<QListWidget>("FormNameLBox");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), QString::fromUtf8("   100 甲表"));
  // A second open starts where the first source lies.
  child<QToolButton>("OpenSBtn")->click();
  EXPECT_EQ(asked.back(), "C:\\KVT更新\\|NEW.DBT");
}

TEST_F(ImportTableDialogTest, OkImportsTheSelectedFormsAndCloses) {
  child<QToolButton>("OpenSBtn")->click();
  child<QCheckBox>("AllCBox")->setChecked(false);
  child<QListWidget>("FormNameLBox")->item(1)->setSelected(true);
  dialog.open();
  child<QPushButton>("OKBtn")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(logic.modalResult, forms::TImportTableFrm::ModalResult::Ok);
  EXPECT_EQ(destinationForms(), (std::vector<int64_t>{200}));
}

TEST_F(ImportTableDialogTest, OkWithNothingChosenStaysOpenAndCancelCloses) {
  child<QToolButton>("OpenSBtn")->click();
  child<QCheckBox>("AllCBox")->setChecked(false);
  dialog.open();
  child<QPushButton>("OKBtn")->click();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "必需先選擇要匯入的表單 !");
  EXPECT_TRUE(destinationForms().empty());
  child<QPushButton>("CancelBtn")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(logic.modalResult, forms::TImportTableFrm::ModalResult::Cancel);
}

// The window's import over the form file kTarget, with the shown dialog driven by `script`;
// its open button picks `picks` in turn.
class FormFileImportTest : public ImportTableDialogTest {
 protected:
  FormFileImportTest() {
    writeFormFile(
        drive, kTarget, "1020905",
        R"({"CB20": [{"FormNo": 100, "FormName": "OLD"}, {"FormNo": 300, "FormName": "C"}],
                      "CB23": [{"FormNo": 100, "SEQ": 10, "EntryNo": 11}]})");
    before = drive.get(kTarget);
  }
  forms::InteractiveImportResult importWith(std::deque<std::string> picks,
                                            const std::function<void(ImportTableDialog&)>& script) {
    return forms::ImportIntoFormFile(
        drive.fs(), ui, kTargetWork, kSourceWork, kTarget, [&](forms::TImportTableFrm& l) {
          ImportTableDialog shown(l, drive.fs(), nullptr);
          shown.setFilePicker([&](const std::string&, const std::string&) {
            std::optional<std::string> next;
            if (!picks.empty()) next = picks.front(), picks.pop_front();
            return next;
          });
          shown.open();
          script(shown);
        });
  }
  static void click(ImportTableDialog& d, const char* name) {
    d.findChild<QAbstractButton*>(QString::fromUtf8(name))->click();
  }
  std::string before;
};

TEST_F(FormFileImportTest, AnUnreadableSecondSourceEmptiesTheListAndOkDeletesNothing) {
  drive.put("C:\\KVT更新\\BAD.DBT", "not a form file");
  const auto result = importWith({kSource, "C:\\KVT更新\\BAD.DBT"}, [&](ImportTableDialog& d) {
    click(d, "OpenSBtn");
    EXPECT_EQ(d.findChild<QListWidget*>()->count(), 2);
    click(d, "OpenSBtn");
    EXPECT_EQ(d.findChild<QListWidget*>()->count(), 0);
    click(d, "OKBtn");  // reloads the bad file: its box again, nothing imported
    EXPECT_TRUE(d.isVisible());
    click(d, "CancelBtn");
  });
  EXPECT_EQ(result, forms::InteractiveImportResult::Cancelled);
  EXPECT_EQ(drive.get(kTarget), before);
  ASSERT_FALSE(ui.boxes.empty());
  EXPECT_EQ(ui.boxes.back().text, "來源的主表單檔讀取錯誤 !");
}

TEST_F(FormFileImportTest, AnEngineErrorOnOkIsAnErrorBoxAndTheFileStays) {
  const auto result = importWith({kSource}, [&](ImportTableDialog& d) {
    click(d, "OpenSBtn");
    // A destination table damaged under the open dialog: the engine refuses to open it.
    drive.put(std::string(kTargetWork) + "CB21.DB", "damaged");
    click(d, "OKBtn");
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(result, forms::InteractiveImportResult::Cancelled);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, platform::BoxKind::Error);
  EXPECT_FALSE(ui.boxes[0].text.empty());
  EXPECT_EQ(drive.get(kTarget), before);
  EXPECT_TRUE(drive.namesIn("C:\\Velmor\\KVT\\Backup").empty());
}

}  // namespace
}  // namespace kvt::gui

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
