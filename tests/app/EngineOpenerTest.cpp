// The real opener: a Paradox directory opens under the name the steps use; without the MySQL
// engine in the build, a MySQL alias is refused with an engine error rather than a crash.
#include <gtest/gtest.h>

#include "TestPrefix.h"
#include "app/EngineOpener.h"
#include "schema/EngineError.h"

namespace kvt::app {
namespace {

TEST(EngineOpener, OpensTheParadoxDirectoryUnderItsWindowsName) {
  testing::TestPrefix prefix;
  prefix.mkdir("C:\\Velmor\\KVT\\Database");
  EngineOpener opener;
  auto db =
      opener.openParadox(prefix.local("C:\\Velmor\\KVT\\Database"), "C:\\Velmor\\KVT\\Database\\");
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->kind(), DatabaseKind::Standard);
  EXPECT_EQ(db->name(), "C:\\Velmor\\KVT\\Database\\");
  EXPECT_FALSE(db->tableExists("Company"));
}

#ifndef KVT_WITH_MYSQL
TEST(EngineOpener, MySqlWithoutTheEngineIsAnEngineError) {
  EngineOpener opener;
  MySqlAliasParams params;
  params.server = "127.0.0.1";
  try {
    opener.connectMySql(params, "MyKVT");
    FAIL() << "no error";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Unsupported);
  }
}
#endif

}  // namespace
}  // namespace kvt::app
