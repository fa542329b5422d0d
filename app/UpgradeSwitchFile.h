// The switch text: the memo's INI text, section "System", read into UpgradeSwitches. Switches
// are on only for "YES" in any letter case; a value may carry a comment after ";"; lists are
// numbered keys (SourceDBL001, SourceDBL002, ...) read up to each list's capacity.
#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "run/EntryFields.h"
#include "run/Switches.h"

namespace kvt::app {

using SectionValues = std::vector<std::pair<std::string, std::string>>;

// The temporary copy of the memo text in the release directory.
inline constexpr std::string_view kTempSwitchFile = "KVTTemp.INI";
// The switch file shipped with a release, loaded into the memo at start.
inline constexpr std::string_view kSwitchFile = "KVTUpgrade.INI";

// The part before the first ";", trimmed of blanks and control characters; a value without
// ";" comes back unchanged.
std::string StripComment(std::string_view value);

// True when the key's value, comment stripped, is "YES" ignoring ASCII case.
bool ReadSwitch(const SectionValues& values, std::string_view key);

// The non-empty values of key001 .. key<maximum>, comments stripped, in number order.
std::vector<std::string> ReadList(const SectionValues& values, std::string_view key,
                                  std::size_t maximum);

// Calls f(key, list, maximum) for every list, in reading order.
template <typename F>
void ForEachList(UpgradeSwitches& s, F&& f) {
  f("SourceDBT", s.SourceDBT, 10);
  f("SourceDBL", s.SourceDBL, 200);
  f("SourceDTX", s.SourceDTX, 200);
  f("SourceMap", s.SourceMap, 200);
  f("SourceDB", s.SourceDB, 200);
  f("IAddition", s.IAddition, 200);
  f("EAddition", s.EAddition, 200);
  f("IFormClass", s.IFormClass, 200);
  f("EFormClass", s.EFormClass, 200);
  f("IAlterBodyFieldSize", s.IAlterBodyFieldSizeList, 50);
  f("IAlterBigFormular", s.IAlterBigFormularList, 50);
  f("EAlterBodyFieldSize", s.EAlterBodyFieldSizeList, 50);
  f("EAlterBigFormular", s.EAlterBigFormularList, 50);
}

// Calls f(key, flag) for every switch, in reading order.
template <typename F>
void ForEachSwitch(UpgradeSwitches& s, F&& f) {
  f("X101目的國家用15766及15768", s.X101DestinationCountry15766And15768);
  f("X101Country15766Mode", s.X101Country15766Mode);
  f("ShowUpgradeOnly", s.ShowUpgradeOnly);
  f("UpgradeKVTEXE", s.UpgradeKVTEXE);
  f("DependOnMainEXE", s.DependOnMainEXE);
  f("UpgradeSSLDLL", s.UpgradeSSLDLL);
  f("ChangeDS43Port", s.ChangeDS43Port);
  f("ChangeXMLAppX102", s.ChangeXMLAppX102);
  f("ChangeXMLAppX903", s.ChangeXMLAppX903);
  f("ChangeXMLAppXS01", s.ChangeXMLAppXS01);
  f("ChangeXMLAppXS02", s.ChangeXMLAppXS02);
  f("ChangeXMLAppX602", s.ChangeXMLAppX602);
  f("ChangeXNoMap2X101", s.ChangeXNoMap2X101);
  f("ChangeXNoMap2X201", s.ChangeXNoMap2X201);
  f("ChangeXNoMap2X301", s.ChangeXNoMap2X301);
  f("ChangeXNoMap2X401", s.ChangeXNoMap2X401);
  f("ChangeXNoMap2X601", s.ChangeXNoMap2X601);
  f("ChangeXNoMap2XSEA", s.ChangeXNoMap2XSEA);
  f("DoUpgradeX102Base", s.DoUpgradeX102Base);
  f("DoUpgradeX202Base", s.DoUpgradeX202Base);
  f("DoUpgradeX202Memo", s.DoUpgradeX202Memo);
  f("DoUpgradeXS02Base", s.DoUpgradeXS02Base);
  f("DoUpgradeX402Base", s.DoUpgradeX402Base);
  f("DoUpgradeX802Base", s.DoUpgradeX802Base);
  f("DoUpgradeX802_3rd", s.DoUpgradeX802_3rd);
  f("DoUpgradeX901Base", s.DoUpgradeX901Base);
  f("DoUpgradeX901_2nd", s.DoUpgradeX901_2nd);
  f("DoUpgradeX902Base", s.DoUpgradeX902Base);
  f("DoUpgradeX202_4", s.DoUpgradeX202_4);
  f("DoUpgradeX101_12", s.DoUpgradeX101_12);
  f("DoAddX101_9", s.DoAddX101_9);
  f("DoAddX101_10", s.DoAddX101_10);
  f("DoAddX101_11", s.DoAddX101_11);
  f("DoAddX101_12", s.DoAddX101_12);
  f("DoAddX101_13", s.DoAddX101_13);
  f("DoAddX101_14", s.DoAddX101_14);
  f("DoAddX101_15", s.DoAddX101_15);
  f("DoAddX101_16", s.DoAddX101_16);
  f("DoAddX101_17", s.DoAddX101_17);
  f("DoAddECFAUnit", s.DoAddECFAUnit);
  f("DoAddPortCN", s.DoAddPortCN);
  f("DoAddPortTW", s.DoAddPortTW);
  f("DoAddX901_5th", s.DoAddX901_5th);
  f("DoAddXIDPSW", s.DoAddXIDPSW);
  f("DoAddEMailFTP", s.DoAddEMailFTP);
  f("DoAddX903Base", s.DoAddX903Base);
  f("DoAddX903_2nd", s.DoAddX903_2nd);
  f("DoAddXS01Base", s.DoAddXS01Base);
  f("DoAddXS02Base", s.DoAddXS02Base);
  f("DoAddCargoDOC", s.DoAddCargoDOC);
  f("DoAddCargoSex", s.DoAddCargoSex);
  f("DoAddCargoBM", s.DoAddCargoBM);
  f("DoAddCargoCY", s.DoAddCargoCY);
  f("DoAddCNCode", s.DoAddCNCode);
  f("DoAddX602Base", s.DoAddX602Base);
  f("DoAddX602_2nd", s.DoAddX602_2nd);
  f("DoAddX602_3rd", s.DoAddX602_3rd);
  static const char* const x601Keys[15] = {
      "DoAddX601_01", "DoAddX601_02", "DoAddX601_03", "DoAddX601_04", "DoAddX601_05",
      "DoAddX601_06", "DoAddX601_07", "DoAddX601_08", "DoAddX601_09", "DoAddX601_10",
      "DoAddX601_11", "DoAddX601_12", "DoAddX601_13", "DoAddX601_14", "DoAddX601_15"};
  for (int i = 0; i < 15; ++i) f(x601Keys[i], s.DoAddX601[i]);
  f("DoAddX602_01", s.DoAddX602_01);
  f("DoAddX602_02", s.DoAddX602_02);
  f("DoAddX602_03", s.DoAddX602_03);
  f("DisableOldX101Form", s.DisableOldX101Form);
  f("SetE15735Clear", s.SetE15735Clear);
  f("SetE15706Lookup", s.SetE15706Lookup);
  f("SetE13090Clear", s.SetE13090Clear);
  f("DoIFormClass", s.DoIFormClass);
  f("DoEFormClass", s.DoEFormClass);
  f("IAlterBodyFieldSize", s.IAlterBodyFieldSize);
  f("IAlterBigFormular", s.IAlterBigFormular);
  f("EAlterBodyFieldSize", s.EAlterBodyFieldSize);
  f("EAlterBigFormular", s.EAlterBigFormular);
  f("EAlterFI05Formular", s.EAlterFI05Formular);
  f("EAlterFI36Formular", s.EAlterFI36Formular);
  f("EAlterEZ84EZ86", s.EAlterEZ84EZ86);
  f("EAlterX191Lookup", s.EAlterX191Lookup);
  f("EAlterX198Lookup", s.EAlterX198Lookup);
  f("EAlterX198FieldLen", s.EAlterX198FieldLen);
  f("EAlterX6And7Trans", s.EAlterX6And7Trans);
  f("EAlterECFAFormular", s.EAlterECFAFormular);
  f("EAlterFR16Formular", s.EAlterFR16Formular);
  f("InvisibleF15104", s.InvisibleF15104);
}

// Every list and switch from the values of section "System".
UpgradeSwitches ParseUpgradeSwitches(const SectionValues& values);

// The temporary switch file could not be written or read back.
class SwitchFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The memo text ("\n" between lines) saved as releaseDir + "KVTTemp.INI" in code page 950,
// read back as a profile file and deleted again. Throws SwitchFileError when the file cannot
// be written or read; the file is removed in either case.
UpgradeSwitches ReadUpgradeSwitches(platform::FileSystem& fs, const std::string& releaseDir,
                                    const std::string& memoText);

}  // namespace kvt::app
