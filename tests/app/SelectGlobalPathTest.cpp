// The form directory dialog's logic: the two warnings, browsing, candidates and the result.
#include <gtest/gtest.h>

#include "TestPrefix.h"
#include "forms/SelectGlobalPathFrm.h"

namespace kvt::forms {
namespace {

using app::testing::TestPrefix;

class ScriptedDialog : public SelectGlobalPathView {
 public:
  std::vector<std::string> warnings;
  std::vector<std::string> fieldUpdates;
  std::optional<std::string> browseAnswer;
  std::string browseStart, browsePreset;
  std::optional<bool> closedWith;

  void showWarning(const std::string& text) override { warnings.push_back(text); }
  std::optional<std::string> openFileDialog(const std::string& startDir,
                                            const std::string& preset) override {
    browseStart = startDir;
    browsePreset = preset;
    return browseAnswer;
  }
  void pathEditChanged(const std::string& text) override { fieldUpdates.push_back(text); }
  void closeDialog(bool ok) override { closedWith = ok; }
};

class SelectGlobalPathTest : public ::testing::Test {
 protected:
  TestPrefix prefix;
  ScriptedDialog view;
  TSelectGlobalPathFrm dialog{prefix.fs()};
  void SetUp() override {
    prefix.mkdir("C:\\Velmor\\KVT");
    prefix.mkdir("D:\\共用表單");
    dialog.AttachView(&view);
  }
};

TEST_F(SelectGlobalPathTest, OkWithEmptyFieldWarnsAndStaysOpen) {
  dialog.OkBtnClick();
  EXPECT_EQ(view.warnings, std::vector<std::string>{"請先選擇目錄 !"});
  EXPECT_FALSE(view.closedWith.has_value());
  EXPECT_FALSE(dialog.Result().has_value());
}

TEST_F(SelectGlobalPathTest, OkWithMissingDirectoryNamesItAndStaysOpen) {
  dialog.SetPathEdit("D:\\沒有這個目錄");
  dialog.OkBtnClick();
  EXPECT_EQ(view.warnings, std::vector<std::string>{"目錄 [D:\\沒有這個目錄] 不存在 !"});
  EXPECT_FALSE(dialog.Result().has_value());

  // A file is not a directory either.
  prefix.put("C:\\Velmor\\KVT\\KVT.EXE", "MZ");
  dialog.SetPathEdit("C:\\Velmor\\KVT\\KVT.EXE");
  dialog.OkBtnClick();
  EXPECT_EQ(view.warnings.size(), 2u);
  EXPECT_FALSE(dialog.Result().has_value());
}

TEST_F(SelectGlobalPathTest, OkWithTypedDirectoryClosesWithItAsTyped) {
  dialog.SetPathEdit("d:\\共用表單");  // any letter case, no trailing backslash
  dialog.OkBtnClick();
  EXPECT_TRUE(view.warnings.empty());
  EXPECT_EQ(view.closedWith, std::optional<bool>(true));
  EXPECT_EQ(dialog.Result(), std::optional<bool>(true));
  EXPECT_EQ(dialog.PathEdit(), "d:\\共用表單");
}

TEST_F(SelectGlobalPathTest, BrowsingFillsTheDirectoryOfTheConfirmedName) {
  view.browseAnswer = "C:\\Velmor\\KVT\\選擇目錄後直接按開啟鈕";
  dialog.SelPathSBtnClick();
  EXPECT_EQ(view.browseStart, "C:\\");
  EXPECT_EQ(view.browsePreset, "選擇目錄後直接按開啟鈕");
  EXPECT_EQ(dialog.PathEdit(), "C:\\Velmor\\KVT\\");
  EXPECT_EQ(view.fieldUpdates, std::vector<std::string>{"C:\\Velmor\\KVT\\"});

  // Cancelling the file dialog leaves the field alone.
  view.browseAnswer.reset();
  dialog.SelPathSBtnClick();
  EXPECT_EQ(dialog.PathEdit(), "C:\\Velmor\\KVT\\");
  EXPECT_EQ(view.fieldUpdates.size(), 1u);
}

TEST_F(SelectGlobalPathTest, ClickedCandidateIsReturned) {
  dialog.SetPathEdit("C:\\Velmor\\KVT\\");
  dialog.AddCandidate("C:\\Velmor\\KVT\\");
  dialog.AddCandidate("D:\\共用表單\\");
  dialog.PathLBoxClick(1);
  EXPECT_EQ(dialog.PathEdit(), "D:\\共用表單\\");
  dialog.PathLBoxClick(7);  // no such item
  EXPECT_EQ(dialog.PathEdit(), "D:\\共用表單\\");
  dialog.OkBtnClick();
  EXPECT_EQ(dialog.Result(), std::optional<bool>(true));
  EXPECT_EQ(dialog.PathEdit(), "D:\\共用表單\\");
}

TEST_F(SelectGlobalPathTest, CancelCloses) {
  dialog.SetPathEdit("C:\\Velmor\\KVT\\");
  dialog.CancelBtnClick();
  EXPECT_EQ(view.closedWith, std::optional<bool>(false));
  EXPECT_EQ(dialog.Result(), std::optional<bool>(false));
}

}  // namespace
}  // namespace kvt::forms
