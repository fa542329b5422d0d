// Tests that run once on a Paradox installation and once on the MariaDB test server.
#pragma once

#include <gtest/gtest.h>

#include <memory>

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

#define KVT_BOTH_KINDS(Suite)                                                           \
  INSTANTIATE_TEST_SUITE_P(Kinds, Suite, ::testing::Values(Kind::Paradox, Kind::MySql), \
                           KindParamName)

// Values of one column over all rows, in table order.
std::vector<Value> Column(Database& db, const std::string& table, const std::string& field);
// The field names of a table in order.
std::vector<std::string> FieldNames(Database& db, const std::string& table);

}  // namespace kvt::testing
