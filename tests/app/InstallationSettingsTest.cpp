// Finding the installed package: the database kind of the alias KVT, the KVT.INI settings and
// the directories derived from them.
#include <gtest/gtest.h>

#include "RunHarness.h"
#include "app/AliasRegistry.h"
#include "app/InstallationSettings.h"
#include "schema/EngineError.h"

namespace kvt::app {
namespace {

using testing::RunHarness;

class InstallationSettingsTest : public ::testing::Test {
 protected:
  RunHarness h;
  void SetUp() override { h.startForSteps(); }
  RunContext& ctx() { return h.ctx(); }
  std::string log() const { return h.log(); }
  void detect() { DetectDatabaseKind(ctx(), h.opener, "KVT"); }
};

TEST_F(InstallationSettingsTest, StandardAliasGivesTheDirectoryAndOpensIt) {
  h.writeAliases("[KVT]\r\nDRIVER=STANDARD\r\nPATH=C:\\Velmor\\KVT\\Database\r\n");
  h.prefix.mkdir("C:\\Velmor\\KVT\\Database");
  detect();
  EXPECT_EQ(ctx().databaseKind, DatabaseKind::Standard);
  EXPECT_EQ(ctx().DatabaseDir, "C:\\Velmor\\KVT\\Database\\");
  EXPECT_EQ(log(), "KVT Alias 路徑 [C:\\Velmor\\KVT\\Database\\]。");
  ASSERT_NE(ctx().packageDb, nullptr);
  EXPECT_EQ(ctx().packageDb->name(), "C:\\Velmor\\KVT\\Database\\");
  // The same directory: a file put there is found through the opener's path.
  h.prefix.put("C:\\Velmor\\KVT\\Database\\probe", "x");
  EXPECT_TRUE(std::filesystem::exists(h.opener.paradoxDir / "probe"));
}

TEST_F(InstallationSettingsTest, PathLineIsTakenWhereverItStands) {
  // Other parameters before PATH, lower-case names, a Chinese directory with a backslash.
  h.writeAliases(
      "[Other]\r\nDRIVER=MYSQL\r\n[kvt]\r\nDEFAULT DRIVER=PARADOX\r\ndriver=standard\r\n"
      "path=D:\\資料庫\\\r\n");
  h.prefix.mkdir("D:\\資料庫");
  detect();
  EXPECT_EQ(ctx().databaseKind, DatabaseKind::Standard);
  EXPECT_EQ(ctx().DatabaseDir, "D:\\資料庫\\");
}

TEST_F(InstallationSettingsTest, MissingDirectoryLogsEmptyBrackets) {
  h.writeAliases("[KVT]\r\nDRIVER=STANDARD\r\nPATH=C:\\Nowhere\r\n");
  detect();
  EXPECT_EQ(ctx().DatabaseDir, "");
  EXPECT_EQ(log(), "KVT Alias 路徑 []。");
  EXPECT_EQ(ctx().packageDb, nullptr);
  EXPECT_TRUE(h.opener.calls.empty());
}

TEST_F(InstallationSettingsTest, MissingAliasOrRegistryIsSilentStandard) {
  detect();  // no DBALIAS.INI at all
  EXPECT_EQ(ctx().databaseKind, DatabaseKind::Standard);
  EXPECT_EQ(ctx().DatabaseDir, "");
  EXPECT_EQ(log(), "");

  h.writeAliases("[KVT2]\r\nDRIVER=MYSQL\r\n");
  detect();
  EXPECT_EQ(ctx().databaseKind, DatabaseKind::Standard);
  EXPECT_EQ(log(), "");

  h.writeAliases("[KVT]\r\nDRIVER=STANDARD\r\n");  // no parameters
  detect();
  EXPECT_EQ(ctx().DatabaseDir, "");
  EXPECT_EQ(log(), "");
}

TEST_F(InstallationSettingsTest, DriverNamesDecideTheKind) {
  struct Case {
    const char* driver;
    DatabaseKind kind;
  };
  const Case cases[] = {{"STANDARD", DatabaseKind::Standard}, {"standard", DatabaseKind::Standard},
                        {"MYSQL", DatabaseKind::MySQL},       {"mysql", DatabaseKind::MySQL},
                        {"MySQL ODBC", DatabaseKind::MySQL},  {"INTRBASE", DatabaseKind::Standard},
                        {"MSSQL", DatabaseKind::Standard}};
  for (const Case& c : cases) {
    RunHarness fresh;
    fresh.startForSteps();
    fresh.writeAliases(std::string("[KVT]\r\nDRIVER=") + c.driver +
                       "\r\nPATH=C:\\DB\r\nSERVER NAME=db.local\r\n");
    fresh.prefix.mkdir("C:\\DB");
    DetectDatabaseKind(fresh.ctx(), fresh.opener, "KVT");
    EXPECT_EQ(fresh.ctx().databaseKind, c.kind) << c.driver;
    if (c.kind == DatabaseKind::MySQL) {
      EXPECT_EQ(fresh.ctx().DatabaseDir, "MyKVT");
      EXPECT_EQ(fresh.log(), "使用 MySQL 資料庫。");
      EXPECT_EQ(fresh.opener.calls, std::vector<std::string>{"connectMySql MyKVT"});
    } else {
      EXPECT_EQ(fresh.ctx().DatabaseDir, "C:\\DB\\") << c.driver;
    }
  }
}

TEST_F(InstallationSettingsTest, MySqlAliasParametersReachTheConnection) {
  h.writeAliases(
      "[KVT]\r\nDRIVER=MYSQL\r\nSERVER NAME=10.0.0.5\r\nPORT=3307\r\nDATABASE NAME=kvtdb\r\n"
      "USER NAME=kvt\r\nPASSWORD=secret\r\nCHARSET=big5\r\n");
  detect();
  EXPECT_EQ(h.opener.mySqlParams.server, "10.0.0.5");
  EXPECT_EQ(h.opener.mySqlParams.port, 3307u);
  EXPECT_EQ(h.opener.mySqlParams.database, "kvtdb");
  EXPECT_EQ(h.opener.mySqlParams.user, "kvt");
  EXPECT_EQ(h.opener.mySqlParams.password, "secret");
  EXPECT_EQ(h.opener.mySqlParams.charset, "big5");

  // A second call keeps the open connection.
  detect();
  EXPECT_EQ(h.opener.calls.size(), 1u);

  AliasInfo odd{"MYSQL", {"PORT=abc"}};
  EXPECT_EQ(MySqlParamsOf(odd).port, 3306u);
  odd.params = {"PORT=99999"};
  EXPECT_EQ(MySqlParamsOf(odd).port, 3306u);
}

TEST_F(InstallationSettingsTest, RefusedMySqlConnectionIsAnErrorWithTheServerMessage) {
  h.writeAliases("[KVT]\r\nDRIVER=MYSQL\r\nSERVER NAME=db\r\n");
  h.opener.refuseMySql = true;
  try {
    detect();
    FAIL() << "no error";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("Access denied"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("MySQL"), std::string::npos);
  }
  EXPECT_EQ(ctx().packageDb, nullptr);
}

// The aliases of an engine's configuration: what it was asked and what it answers.
class ScriptedAliases : public AliasSource {
 public:
  AliasLookup answer;
  mutable std::vector<std::string> asked;
  AliasLookup lookup(std::string_view alias) const override {
    asked.emplace_back(alias);
    return answer;
  }
};

TEST_F(InstallationSettingsTest, EngineAliasSourceIsLoggedAndOdbcValuesReachTheConnection) {
  ScriptedAliases engine;
  engine.answer = {
      AliasInfo{"MySQL ODBC", {"ODBC DSN=KVT 資料", "USER NAME=kvt", "PASSWORD=s3cr!t"}},
      "KVT Alias 取自資料庫引擎 [C:\\BDE\\IDAPI32.DLL]。"};
  DetectDatabaseKind(ctx(), h.opener, engine, "KVT");
  EXPECT_EQ(engine.asked, std::vector<std::string>{"KVT"});
  EXPECT_EQ(ctx().databaseKind, DatabaseKind::MySQL);
  EXPECT_EQ(h.opener.mySqlParams.dsn, "KVT 資料");
  EXPECT_EQ(h.opener.mySqlParams.user, "kvt");
  EXPECT_EQ(h.opener.mySqlParams.password, "s3cr!t");
  EXPECT_EQ(log(), "KVT Alias 取自資料庫引擎 [C:\\BDE\\IDAPI32.DLL]。\n使用 MySQL 資料庫。");
  EXPECT_EQ(log().find("s3cr!t"), std::string::npos);

  // No alias where the engine keeps them: the source is still named, nothing else is said.
  RunHarness fresh;
  fresh.startForSteps();
  engine.answer = {std::nullopt, "沒有安裝資料庫引擎，KVT Alias 取自 [D:\\WINNT\\DBALIAS.INI]。"};
  DetectDatabaseKind(fresh.ctx(), fresh.opener, engine, "KVT");
  EXPECT_EQ(fresh.ctx().DatabaseDir, "");
  EXPECT_EQ(fresh.log(), engine.answer.sourceLine);
}

TEST_F(InstallationSettingsTest, UnopenableParadoxDirectoryIsLoggedAndSkipped) {
  h.writeAliases("[KVT]\r\nDRIVER=STANDARD\r\nPATH=C:\\DB\r\n");
  h.prefix.mkdir("C:\\DB");
  h.opener.refuseParadox = true;
  detect();
  EXPECT_EQ(ctx().DatabaseDir, "");
  EXPECT_EQ(ctx().packageDb, nullptr);
  EXPECT_NE(log().find("無法開啟資料庫 [C:\\DB\\]"), std::string::npos);
}

TEST_F(InstallationSettingsTest, SettingsFileIsSearchedInOrder) {
  h.prefix.putCp950("C:\\windows\\KVT.INI", "[System]\r\n");
  EXPECT_EQ(FindSettingsFile(ctx()), "C:\\windows\\KVT.INI");
  h.prefix.putCp950("D:\\Velmor\\KVT\\KVT.ini", "[System]\r\n");
  EXPECT_EQ(FindSettingsFile(ctx()), "D:\\Velmor\\KVT\\KVT.ini");
  h.prefix.putCp950("C:\\Velmor\\KVT\\kvt.INI", "[System]\r\n");  // names ignore case
  EXPECT_EQ(FindSettingsFile(ctx()), "C:\\Velmor\\KVT\\KVT.ini");
  EXPECT_TRUE(h.view.boxes.empty());
}

TEST_F(InstallationSettingsTest, MissingSettingsFileWarnsLogsAndLeavesFieldsEmpty) {
  ctx().databaseKind = DatabaseKind::Standard;
  ctx().DatabaseDir = "C:\\Velmor\\KVT\\Database\\";
  ReadInstallationSettings(ctx());
  ASSERT_EQ(h.view.boxes.size(), 1u);
  EXPECT_EQ(h.view.boxes[0].kind, platform::BoxKind::Warning);
  EXPECT_EQ(h.view.boxes[0].text, "找不到 KVT.ini 檔 !");
  EXPECT_EQ(log(), "找不到 KVT.ini 檔 !");
  EXPECT_EQ(ctx().FormDir, "");  // not even taken from the database directory
  EXPECT_EQ(ctx().NetDir, "");
  EXPECT_EQ(ctx().DtxDir, "");
}

struct SettingsCase {
  const char* name;
  DatabaseKind kind;
  const char* databaseDir;
  const char* systemLines;
  const char* formDir;
  const char* log;
};

class SettingsDerivation : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsDerivation, FormDirectoryAndLog) {
  const SettingsCase& c = GetParam();
  RunHarness h;
  h.startForSteps();
  h.prefix.putCp950("C:\\Velmor\\KVT\\KVT.ini", std::string("[System]\r\n") + c.systemLines);
  h.ctx().databaseKind = c.kind;
  h.ctx().DatabaseDir = c.databaseDir;
  ReadInstallationSettings(h.ctx());
  EXPECT_EQ(h.ctx().FormDir, c.formDir);
  EXPECT_EQ(h.log(), c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsDerivation,
    ::testing::Values(
        SettingsCase{"DatabasePathParent", DatabaseKind::Standard, "C:\\Other\\DB\\",
                     "DatabasePath=C:\\Velmor\\KVT\\Database\r\n", "C:\\Velmor\\KVT\\", ""},
        SettingsCase{
            "HostPathOverrides", DatabaseKind::Standard, "C:\\Other\\DB\\",
            "DatabasePath=C:\\Velmor\\KVT\\Database\r\nKVTHostPath=\\\\server\\KVT ;host\r\n",
            "\\\\server\\KVT\\", ""},
        SettingsCase{"AliasParentWithoutDatabasePath", DatabaseKind::Standard,
                     "D:\\Velmor\\KVT\\Database\\", "NetFileDir=D:\\Net\r\n", "D:\\Velmor\\KVT\\",
                     ""},
        SettingsCase{"MySqlNotSet", DatabaseKind::MySQL, "MyKVT", "eTradeVANID=1\r\n", "",
                     "網路共用路徑 [沒有設定]。"},
        SettingsCase{"MySqlFromDatabasePath", DatabaseKind::MySQL, "MyKVT",
                     "DatabasePath=E:\\共用\\KVT\\Data\\\r\n", "E:\\共用\\KVT\\",
                     "網路共用路徑 [E:\\共用\\KVT\\]。"},
        SettingsCase{"MySqlHostPath", DatabaseKind::MySQL, "MyKVT", "KVTHostPath=F:\\KVT\r\n",
                     "F:\\KVT\\", "網路共用路徑 [F:\\KVT\\]。"}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return info.param.name; });

TEST_F(InstallationSettingsTest, ValuesLoseCommentsAndDirectoriesGetBackslashes) {
  h.prefix.mkdir("C:\\Net");
  h.prefix.putCp950("C:\\Velmor\\KVT\\KVT.ini",
                    "[System]\r\nNetFileDir=C:\\Net ;網路\r\neTradeDTXPath=C:\\DTX ; 便捷化\r\n"
                    "eTradeVANID=1 ;加值網路\r\neTradeASKPath=C:\\ASK\\\r\n"
                    "DatabasePath=C:\\Velmor\\KVT\\Database\r\n[Other]\r\nKVTHostPath=X:\\\r\n");
  ctx().databaseKind = DatabaseKind::Standard;
  ReadInstallationSettings(ctx());
  EXPECT_EQ(ctx().NetDir, "C:\\Net\\");
  EXPECT_EQ(ctx().NetControlDir, "C:\\Net\\");
  EXPECT_EQ(ctx().DtxDir, "C:\\DTX\\");
  EXPECT_EQ(ctx().VanId, "1");
  EXPECT_EQ(ctx().AskDir, "C:\\ASK\\");
  EXPECT_EQ(ctx().HostDir, "");  // only section System counts
  EXPECT_EQ(ctx().FormDir, "C:\\Velmor\\KVT\\");
}

TEST_F(InstallationSettingsTest, NetDirFallsBackToDatabasePathAndControlDirNeedsItToExist) {
  h.prefix.putCp950("C:\\Velmor\\KVT\\KVT.ini",
                    "[System]\r\nDatabasePath=C:\\Velmor\\KVT\\Database\r\n");
  ReadInstallationSettings(ctx());
  EXPECT_EQ(ctx().NetDir, "C:\\Velmor\\KVT\\Database\\");
  EXPECT_EQ(ctx().NetControlDir, "");  // the directory does not exist

  h.prefix.mkdir("C:\\Velmor\\KVT\\Database");
  ReadInstallationSettings(ctx());
  EXPECT_EQ(ctx().NetControlDir, "C:\\Velmor\\KVT\\Database\\");
}

}  // namespace
}  // namespace kvt::app
