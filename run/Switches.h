// The switches and lists of the switch file, read once at the start of a run.
#pragma once

#include <string>
#include <vector>

namespace kvt {

struct UpgradeSwitches {
  // Lists, in the order they are read, with their capacities.
  std::vector<std::string> SourceDBT;            // 10
  std::vector<std::string> SourceDBL;            // 200
  std::vector<std::string> SourceDTX;            // 200
  std::vector<std::string> SourceMap;            // 200
  std::vector<std::string> SourceDB;             // 200
  std::vector<std::string> IAddition;            // 200
  std::vector<std::string> EAddition;            // 200
  std::vector<std::string> IFormClass;           // 200
  std::vector<std::string> EFormClass;           // 200
  std::vector<std::string> IAlterBodyFieldSizeList;  // 50, key "IAlterBodyFieldSize"
  std::vector<std::string> IAlterBigFormularList;    // 50, key "IAlterBigFormular"
  std::vector<std::string> EAlterBodyFieldSizeList;  // 50, key "EAlterBodyFieldSize"
  std::vector<std::string> EAlterBigFormularList;    // 50, key "EAlterBigFormular"

  // Switches, in the order they are read.
  bool X101DestinationCountry15766And15768 = false;  // key "X101目的國家用15766及15768"
  bool X101Country15766Mode = false;
  bool ShowUpgradeOnly = false;
  bool UpgradeKVTEXE = false;
  bool DependOnMainEXE = false;
  bool UpgradeSSLDLL = false;
  bool ChangeDS43Port = false;
  bool ChangeXMLAppX102 = false;
  bool ChangeXMLAppX903 = false;
  bool ChangeXMLAppXS01 = false;
  bool ChangeXMLAppXS02 = false;
  bool ChangeXMLAppX602 = false;
  bool ChangeXNoMap2X101 = false;
  bool ChangeXNoMap2X201 = false;
  bool ChangeXNoMap2X301 = false;
  bool ChangeXNoMap2X401 = false;
  bool ChangeXNoMap2X601 = false;
  bool ChangeXNoMap2XSEA = false;
  bool DoUpgradeX102Base = false;
  bool DoUpgradeX202Base = false;
  bool DoUpgradeX202Memo = false;
  bool DoUpgradeXS02Base = false;
  bool DoUpgradeX402Base = false;
  bool DoUpgradeX802Base = false;
  bool DoUpgradeX802_3rd = false;
  bool DoUpgradeX901Base = false;
  bool DoUpgradeX901_2nd = false;
  bool DoUpgradeX902Base = false;
  bool DoUpgradeX202_4 = false;
  bool DoUpgradeX101_12 = false;
  bool DoAddX101_9 = false;
  bool DoAddX101_10 = false;
  bool DoAddX101_11 = false;
  bool DoAddX101_12 = false;
  bool DoAddX101_13 = false;
  bool DoAddX101_14 = false;
  bool DoAddX101_15 = false;
  bool DoAddX101_16 = false;
  bool DoAddX101_17 = false;
  bool DoAddECFAUnit = false;
  bool DoAddPortCN = false;
  bool DoAddPortTW = false;
  bool DoAddX901_5th = false;
  bool DoAddXIDPSW = false;
  bool DoAddEMailFTP = false;
  bool DoAddX903Base = false;
  bool DoAddX903_2nd = false;
  bool DoAddXS01Base = false;
  bool DoAddXS02Base = false;
  bool DoAddCargoDOC = false;
  bool DoAddCargoSex = false;
  bool DoAddCargoBM = false;
  bool DoAddCargoCY = false;
  bool DoAddCNCode = false;
  bool DoAddX602Base = false;
  bool DoAddX602_2nd = false;
  bool DoAddX602_3rd = false;
  bool DoAddX601[15] = {};  // DoAddX601_01 .. DoAddX601_15, index 0 is _01
  bool DoAddX602_01 = false;
  bool DoAddX602_02 = false;
  bool DoAddX602_03 = false;
  bool DisableOldX101Form = false;
  bool SetE15735Clear = false;
  bool SetE15706Lookup = false;
  bool SetE13090Clear = false;
  bool DoIFormClass = false;
  bool DoEFormClass = false;
  bool IAlterBodyFieldSize = false;
  bool IAlterBigFormular = false;
  bool EAlterBodyFieldSize = false;
  bool EAlterBigFormular = false;
  bool EAlterFI05Formular = false;
  bool EAlterFI36Formular = false;
  bool EAlterEZ84EZ86 = false;
  bool EAlterX191Lookup = false;
  bool EAlterX198Lookup = false;
  bool EAlterX198FieldLen = false;
  bool EAlterX6And7Trans = false;
  bool EAlterECFAFormular = false;
  bool EAlterFR16Formular = false;
  bool InvisibleF15104 = false;
};

}  // namespace kvt
