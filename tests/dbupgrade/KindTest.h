// Tests that run once on a Paradox installation and once on the MariaDB test server.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/dbupgrade/Installation.h"

namespace kvt::testing {

class KindTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    if (GetParam() == Kind::MySql) {
      std::string why;
      if (!TestServer(&why)) GTEST_SKIP() << why;
    }
    inst = std::make_unique<Installation>(GetParam());
  }
  void TearDown() override { inst.reset(); }

  bool mysql() const { return GetParam() == Kind::MySql; }
  // "MySQL" or "Paradox", as the log lines name the kind.
  std::string kindWord() const { return mysql() ? "MySQL" : "Paradox"; }
  RunContext& ctx() { return inst->ctx(); }

  std::unique_ptr<Installation> inst;
};

inline std::string KindParamName(const ::testing::TestParamInfo<Kind>& info) {
  return KindName(info.param);
}

// The kinds this build tests: MySQL only where the build has its engine (KVT_TEST_MYSQL);
// without it the tests that need the server skip.
inline std::vector<Kind> TestedKinds() {
#ifdef KVT_TEST_MYSQL
  return {Kind::Paradox, Kind::MySql};
#else
  return {Kind::Paradox};
#endif
}

#define KVT_BOTH_KINDS(Suite) \
  INSTANTIATE_TEST_SUITE_P(Kinds, Suite, ::testing::ValuesIn(TestedKinds()), KindParamName)

// Every database step switched on.
inline void AllDatabaseSwitches(UpgradeSwitches& sw) {
  sw.DoUpgradeX102Base = sw.DoUpgradeX202Base = sw.DoUpgradeX202Memo = sw.DoUpgradeXS02Base =
      sw.DoUpgradeX402Base = sw.DoUpgradeX802Base = sw.DoUpgradeX802_3rd = sw.DoUpgradeX901Base =
          sw.DoUpgradeX901_2nd = sw.DoUpgradeX902Base = sw.DoUpgradeX202_4 = sw.DoUpgradeX101_12 =
              true;
  sw.DoAddX101_9 = sw.DoAddX101_10 = sw.DoAddX101_11 = sw.DoAddX101_13 = sw.DoAddX101_14 =
      sw.DoAddX101_15 = sw.DoAddX101_16 = sw.DoAddX101_17 = sw.DoAddPortCN = sw.DoAddPortTW =
          sw.DoAddECFAUnit = true;
  sw.DoAddX901_5th = sw.DoAddXIDPSW = sw.DoAddEMailFTP = sw.DoAddX903Base = sw.DoAddX903_2nd =
      sw.DoAddXS01Base = sw.DoAddXS02Base = sw.DoAddCargoDOC = sw.DoAddCargoSex = sw.DoAddCargoBM =
          sw.DoAddCargoCY = sw.DoAddCNCode = sw.DoAddX602Base = sw.DoAddX602_2nd =
              sw.DoAddX602_3rd = sw.DoAddX602_01 = sw.DoAddX602_02 = sw.DoAddX602_03 = true;
  for (bool& on : sw.DoAddX601) on = true;
  sw.ChangeDS43Port = sw.ChangeXMLAppX102 = sw.ChangeXMLAppX602 = sw.ChangeXMLAppX903 =
      sw.ChangeXMLAppXS01 = sw.ChangeXMLAppXS02 = sw.ChangeXNoMap2X101 = sw.ChangeXNoMap2X201 =
          sw.ChangeXNoMap2X301 = sw.ChangeXNoMap2X401 = sw.ChangeXNoMap2X601 =
              sw.ChangeXNoMap2XSEA = true;
  sw.X101DestinationCountry15766And15768 = true;
  sw.SourceDB = {"X101_6", "X201_6"};
}

// Values of one column over all rows, in table order.
std::vector<Value> Column(Database& db, const std::string& table, const std::string& field);
// The field names of a table in order.
std::vector<std::string> FieldNames(Database& db, const std::string& table);

}  // namespace kvt::testing
