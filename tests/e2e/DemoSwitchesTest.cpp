// The demonstration release's switch file: read as the run reads it, it turns on every
// switch the demonstration serves and fills every list; merged parts keep the first value
// of a key.
#include <gtest/gtest.h>

#include "DemoInstallation.h"
#include "app/UpgradeSwitchFile.h"
#include "platform/Cp950.h"

namespace kvt::e2e {
namespace {

TEST(DemoSwitches, MergingKeepsTheFirstValueOfAKeyAndDropsSectionLines) {
  std::string keys;
  const std::string first =
      demo::MergeSwitchLines("[System]\r\nA=YES ;one\r\n;note\r\n\r\nB=NO", keys);
  const std::string second = demo::MergeSwitchLines("A=NO\r\nAB=YES\r\nB=YES\r\nC=YES\n", keys);
  EXPECT_EQ(first, "A=YES ;one\r\n;note\r\nB=NO\r\n");
  EXPECT_EQ(second, "AB=YES\r\nC=YES\r\n");  // "AB" is no repeat of "A" or "B"
}

TEST(DemoSwitches, TheReleaseTurnsOnEverySwitchAndFillsEveryList) {
  DemoInstallation inst;
  const std::string text = inst.Read(inst.layout().releaseDir + "KVTUpgrade.INI");
  UpgradeSwitches sw =
      app::ReadUpgradeSwitches(inst.fs(), inst.layout().releaseDir, platform::cp950ToUtf8(text));
  std::vector<std::string> off;
  app::ForEachSwitch(sw, [&](std::string_view key, bool& on) {
    if (!on) off.emplace_back(key);
  });
#ifdef KVT_WITH_FORM_DEMO
  // Lines that report files and tables as already new stay in the log.
  EXPECT_EQ(off, std::vector<std::string>{"ShowUpgradeOnly"});
#else
  // Without the form-file demonstration its fixed patches have nothing to work on.
  EXPECT_EQ(
      off,
      (std::vector<std::string>{
          "X101Country15766Mode", "ShowUpgradeOnly",    "DisableOldX101Form",  "SetE15735Clear",
          "SetE15706Lookup",      "SetE13090Clear",     "DoIFormClass",        "DoEFormClass",
          "IAlterBodyFieldSize",  "IAlterBigFormular",  "EAlterBodyFieldSize", "EAlterBigFormular",
          "EAlterFI05Formular",   "EAlterFI36Formular", "EAlterEZ84EZ86",      "EAlterX191Lookup",
          "EAlterX198Lookup",     "EAlterX198FieldLen", "EAlterX6And7Trans",   "EAlterECFAFormular",
          "EAlterFR16Formular",   "InvisibleF15104"}));
#endif

  std::vector<std::string> empty;
  app::ForEachList(sw, [&](std::string_view key, std::vector<std::string>& list, size_t) {
    if (list.empty()) empty.emplace_back(key);
  });
#ifdef KVT_WITH_FORM_DEMO
  EXPECT_EQ(empty, std::vector<std::string>{});
#else
  // Without the form-file demonstration the form-file lists have nothing to work on.
  EXPECT_EQ(empty,
            (std::vector<std::string>{"SourceDBT", "IAddition", "EAddition", "IFormClass",
                                      "EFormClass", "IAlterBodyFieldSize", "IAlterBigFormular",
                                      "EAlterBodyFieldSize", "EAlterBigFormular"}));
#endif
}

}  // namespace
}  // namespace kvt::e2e
