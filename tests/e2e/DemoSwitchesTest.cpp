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
  // Lines that report files and tables as already new stay in the log.
  EXPECT_EQ(off, std::vector<std::string>{"ShowUpgradeOnly"});

  std::vector<std::string> empty;
  app::ForEachList(sw, [&](std::string_view key, std::vector<std::string>& list, size_t) {
    if (list.empty()) empty.emplace_back(key);
  });
  EXPECT_EQ(empty, std::vector<std::string>{});
}

}  // namespace
}  // namespace kvt::e2e
