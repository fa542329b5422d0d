// The package's CREATE TABLE statements, in their exact text (old "TYPE=MyISAM" option,
// double-quoted defaults, zero-date default and all), reach the server through the engine
// and make the tables they describe.
#include <gtest/gtest.h>

#include <map>

#include "MySqlTestServer.h"

namespace kvt::mysql::testing {
namespace {

struct Statement {
  std::string table;
  std::vector<std::string> lines;
};

// Code tables: the lines the code-table generator gives for each table.
const std::vector<Statement> kCodeTables = {
    {"X101_9",
     {"CREATE TABLE `X101_9` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(20)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X101_10",
     {"CREATE TABLE `X101_10` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(200)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X101_11",
     {"CREATE TABLE `X101_11` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `Type` varchar(12)        default \"\",",
      "  `Description` varchar(60)           default \"\",",
      "  `PrintText` varchar(4)    default \"\",", "  PRIMARY KEY  (`Code`)", ") TYPE=MyISAM;"}},
    {"X101_12",
     {"CREATE TABLE `X101_12` (", "  `Type`  varchar( 2) NOT NULL default \"\",",
      "  `CName` varchar(10) NOT NULL default \"\",",
      "  `Code`        varchar(3) NOT NULL default \"\",",
      "  `Description` varchar(200)           default \"\",",
      "  PRIMARY KEY  (`Type`,`CName`,`Code`)", ") TYPE=MyISAM;"}},
    {"X101_13",
     {"CREATE TABLE `X101_13` (", "  `Type`  varchar( 2) NOT NULL default \"\",",
      "  `CName` varchar(10) NOT NULL default \"\",",
      "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(200)           default \"\",",
      "  `PrintText` varchar(4)    default \"\",", "  PRIMARY KEY  (`Type`,`CName`,`Code`)",
      ") TYPE=MyISAM;"}},
    {"X101_14",
     {"CREATE TABLE `X101_14` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(200)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X101_15",
     {"CREATE TABLE `X101_15` (", "  `Code`        varchar(3) NOT NULL default \"\",",
      "  `Description` varchar(100)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X101_16",
     {"CREATE TABLE `X101_16` (", "  `Type` varchar( 4) NOT NULL default \"\",",
      "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(140)           default \"\",", "  PRIMARY KEY  (`Type`,`Code`)",
      ") TYPE=MyISAM;"}},
    {"X101_17",
     {"CREATE TABLE `X101_17` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(100)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"ECFAUnit",
     {"CREATE TABLE `ECFAUnit` (", "  `SEQ` int(11) NOT NULL,",
      "  `Code`        varchar(3) NOT NULL default \"\",",
      "  `Unit` varchar(20)           default \"\",", "  `Note`      varchar(80)   default \"\",",
      "  PRIMARY KEY  (`SEQ`,`Code`)", ") TYPE=MyISAM;"}},
    {"PortCN",
     {"CREATE TABLE `PortCN` (", "  `Code`        varchar(5) NOT NULL default \"\",",
      "  `CName` varchar(30)           default \"\",", "  `EName` varchar(40)       default \"\",",
      "  `CodeCName` varchar(35)   default \"\",", "  PRIMARY KEY  (`Code`)", ") TYPE=MyISAM;"}},
    {"PortTW",
     {"CREATE TABLE `PortTW` (", "  `Code`        varchar(5) NOT NULL default \"\",",
      "  `CName` varchar(30)           default \"\",", "  `EName` varchar(40)       default \"\",",
      "  `CodeCName` varchar(35)   default \"\",", "  PRIMARY KEY  (`Code`)", ") TYPE=MyISAM;"}},
    {"CargoDOC",
     {"CREATE TABLE `CargoDOC` (", "  `Code`        varchar(3) NOT NULL default \"\",",
      "  `Description` varchar(50)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"CargoSex",
     {"CREATE TABLE `CargoSex` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `CName` varchar(10)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"CargoBM",
     {"CREATE TABLE `CargoBM` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `CName` varchar(10)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"CargoCY",
     {"CREATE TABLE `CargoCY` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `CName` varchar(20)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"CNCode",
     {"CREATE TABLE `CNCode` (", "  `Code`        varchar(8) NOT NULL default \"\",",
      "  `Description` varchar(200)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_1",
     {"CREATE TABLE `X601_1` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `Description` varchar(10)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_2",
     {"CREATE TABLE `X601_2` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `Description` varchar(10)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_3",
     {"CREATE TABLE `X601_3` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `Description` varchar(10)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_4",
     {"CREATE TABLE `X601_4` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `Description` varchar(40)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_5",
     {"CREATE TABLE `X601_5` (", "  `Code`        varchar(10) NOT NULL default \"\",",
      "  `Description` varchar(20)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_6",
     {"CREATE TABLE `X601_6` (", "  `Code`        varchar(3) NOT NULL default \"\",",
      "  `Description` varchar(40)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_7",
     {"CREATE TABLE `X601_7` (", "  `Code`        varchar(3) NOT NULL default \"\",",
      "  `Description` varchar(20)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_8",
     {"CREATE TABLE `X601_8` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(60)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_9",
     {"CREATE TABLE `X601_9` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(40)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_10",
     {"CREATE TABLE `X601_10` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `Description` varchar(10)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_11",
     {"CREATE TABLE `X601_11` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(20)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_12",
     {"CREATE TABLE `X601_12` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(20)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_13",
     {"CREATE TABLE `X601_13` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(20)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_14",
     {"CREATE TABLE `X601_14` (", "  `Code`        varchar(2) NOT NULL default \"\",",
      "  `Description` varchar(100)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X601_15",
     {"CREATE TABLE `X601_15` (", "  `Code`        varchar(5) NOT NULL default \"\",",
      "  `Description` varchar(40)           default \"\",",
      "  `CName` varchar(20)       default \"\",", "  PRIMARY KEY  (`Code`)", ") TYPE=MyISAM;"}},
    {"X602_1",
     {"CREATE TABLE `X602_1` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `Description` varchar(10)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X602_2",
     {"CREATE TABLE `X602_2` (", "  `Code`        varchar(1) NOT NULL default \"\",",
      "  `Description` varchar(20)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
    {"X602_3",
     {"CREATE TABLE `X602_3` (", "  `Code`        varchar(4) NOT NULL default \"\",",
      "  `Description` varchar(100)           default \"\",", "  PRIMARY KEY  (`Code`)",
      ") TYPE=MyISAM;"}},
};

// The tables with a statement of their own.
const std::vector<Statement> kScriptedTables = {
    {"X901_5th",
     {"CREATE TABLE `X901_5th` (", "  `MsgID` varchar(20) NOT NULL default \"\",",
      "  `SNo`   varchar(10) NOT NULL default \"\",",
      "  `AppNo` varchar(14) NOT NULL default \"\",", "  PRIMARY KEY  (`MsgID`,`SNo`,`AppNo`)",
      ") TYPE=MyISAM;"}},
    {"XIDPSW",
     {"CREATE TABLE `XIDPSW` (", "  `XID`   varchar(10) NOT NULL default \"\",",
      "  `CName` varchar(40)          default NULL,",
      "  `URL`   varchar(240)         default NULL,",
      "  `ID`    varchar(20)          default NULL,",
      "  `PSW`   varchar(20)          default NULL,", "  PRIMARY KEY  (`XID`)", ") TYPE=MyISAM;"}},
    {"EMailFTP",
     {"CREATE TABLE `EMailFTP` (", "  `Code`     varchar(8)  NOT NULL default \"\",",
      "  `Type`     varchar(1)  NOT NULL default \"\",",
      "  `Mode`     varchar(1)  NOT NULL default \"\",",
      "  `Address`  varchar(40)        default NULL,",
      "  `UserID`   varchar(40)        default NULL,",
      "  `Password` varchar(40)        default NULL,",
      "  `Note`     varchar(40)        default NULL,", "  PRIMARY KEY  (`Code`,`Type`,`Mode`)",
      ") TYPE=MyISAM;"}},
    {"EMailLog",
     {"CREATE TABLE `EMailLog` (", "  `Type`         varchar(1)  NOT NULL default \"\",",
      "  `SendDateTime` DateTime    NOT NULL default \"0000-00-00 00:00:00\",",
      "  `Code`         varchar(8)           default NULL,",
      "  `Address`      varchar(40)          default NULL,",
      "  `Sender`       varchar(40)          default NULL,",
      "  `FileName`     varchar(64)          default NULL,",
      "  `Note`         varchar(40)          default NULL,",
      "  PRIMARY KEY  (`Type`,`SendDateTime`)", ") TYPE=MyISAM;"}},
    {"X903Base",
     {"CREATE TABLE `X903Base` (", "  `MsgID`         varchar(20)  NOT NULL default \"\",",
      "  `SNo`           varchar(10)  NOT NULL default \"\",",
      "  `SenderMsgID`   varchar(20)  default NULL,",
      "  `MsgCreateTime` varchar(20)  default NULL,",
      "  `OrgMsgType`    varchar(10)  default NULL,",
      "  `OrgMsgUUID`    varchar(40)  default NULL,",
      "  `FromParty`     varchar(10)  default NULL,",
      "  `GoodsAppNo`    varchar(14)  default NULL,",
      "  `XMLFile`       varchar(128) default NULL,", "  PRIMARY KEY (`MsgID`,`SNo`)",
      ") TYPE=MyISAM;"}},
    {"X903_2nd",
     {"CREATE TABLE `X903_2nd` (", "  `MsgID`       varchar(20) NOT NULL default \"\" ,",
      "  `SNo`         varchar(10) NOT NULL default \"\" ,",
      "  `SEQ`         int(11)     NOT NULL default \"0\",",
      "  `ErrorType`   varchar(20) default NULL,", "  `Description` text,",
      "  PRIMARY KEY  (`MsgID`,`SNo`,`SEQ`)", ") TYPE=MyISAM;"}},
    {"XS01Base",
     {"CREATE TABLE `XS01Base` (", "  `MsgID`       varchar( 20) NOT NULL default \"\" ,",
      "  `SNo`         varchar( 10) NOT NULL default \"\" ,",
      "  `SenderID`    varchar( 10) default NULL,", "  `ReceiverID`  varchar( 10) default NULL,",
      "  `MessageDate` Date         default NULL,", "  `MessageTime` Time         default NULL,",
      "  `Ack`            char(  1) default NULL,", "  `Remark`      varchar(200) default NULL,",
      "  PRIMARY KEY  (`MsgID`,`SNo`)", ") TYPE=MyISAM;"}},
    {"XS02Base",
     {"CREATE TABLE `XS02Base` (", "  `MsgID`          varchar(20) NOT NULL default \"\" ,",
      "  `SNo`            varchar(10) NOT NULL default \"\" ,",
      "  `MessageDate`    Date                 default NULL,",
      "  `MessageTime`    Time                 default NULL,",
      "  `PremiumNo`      varchar(12)          default NULL,",
      "  `PremiumAmount`  Double(16,4)         default NULL,",
      "  `CurrencyCode`   Char(3)              default NULL,",
      "  `ExchangeRate`   Double(16,4)         default NULL,",
      "  `IssureDate`     Date                 default NULL,", "  `ResponseRemark` text,",
      "  PRIMARY KEY  (`MsgID`,`SNo`)", ") TYPE=MyISAM;"}},
    {"X602Base",
     {"CREATE TABLE `X602base` (", "  `MsgID`           varchar(20)  binary NOT NULL default \"\",",
      "  `SNo`             varchar(10)  binary NOT NULL default \"\",",
      "  `AppNo`           varchar(14)  default NULL,",
      "  `CertificateNo`   varchar(15)  default NULL,",
      "  `SendingDate`     Date         default NULL,",
      "  `SendingTime`     Time         default NULL,",
      "  `MessageFunction` Char(1)      default NULL,",
      "  `SamplingDate`    Date         default NULL,",
      "  `SamplingPeriod`  Char(1)      default NULL,",
      "  `PaymentFee`      Double(16,4) default NULL,",
      "  `Result`          Char(1)      default NULL,",
      "  `Remarks`         varchar(255) default NULL,", "  PRIMARY KEY  (`MsgID`,`SNo`)",
      ") TYPE=MyISAM;"}},
    {"X602_2nd",
     {"CREATE TABLE `X602_2nd` (", "  `MsgID`     varchar(20) NOT NULL default \"\" ,",
      "  `SNo`       varchar(10) NOT NULL default \"\" ,",
      "  `ErrorCode` varchar(4) binary NOT NULL default \"\",",
      "  PRIMARY KEY  (`MsgID`,`SNo`,`ErrorCode`)", ") TYPE=MyISAM;"}},
    {"X602_3rd",
     {"CREATE TABLE `X602_3rd` (", "  `MsgID`  varchar(20) NOT NULL default \"\" ,",
      "  `SNo`    varchar(10) NOT NULL default \"\" ,",
      "  `ItemNo` int(11) NOT NULL default \"0\",", "  PRIMARY KEY  (`MsgID`,`SNo`,`ItemNo`)",
      ") TYPE=MyISAM;"}},
};

// The statement as sent: the lines joined by line breaks.
std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    if (!out.empty()) out += "\r\n";
    out += line;
  }
  return out;
}

class CreateStatements : public MySqlTest {
 protected:
  // Field name -> declared size, as an open handle reports them.
  std::map<std::string, int> sizes(const std::string& table) {
    auto store = db_->openTable(table, OpenMode::ReadOnly);
    std::map<std::string, int> out;
    for (const FieldDef& f : store->schema().fields) out[f.name] = f.size;
    db_->closeTable(store, OpenMode::ReadOnly);
    return out;
  }
  std::vector<std::string> fieldNames(const std::string& table) {
    auto store = db_->openTable(table, OpenMode::ReadOnly);
    std::vector<std::string> out;
    for (const FieldDef& f : store->schema().fields) out.push_back(f.name);
    db_->closeTable(store, OpenMode::ReadOnly);
    return out;
  }
  std::vector<std::string> primaryKey(const std::string& table) {
    auto store = db_->openTable(table, OpenMode::ReadOnly);
    std::vector<std::string> out;
    if (!store->schema().indexes.empty() && store->schema().indexes.front().primary) {
      out = store->schema().indexes.front().fields;
    }
    db_->closeTable(store, OpenMode::ReadOnly);
    return out;
  }
};

TEST_F(CreateStatements, EveryCodeTableStatementIsAcceptedAsWritten) {
  for (const Statement& s : kCodeTables) {
    ASSERT_FALSE(db_->tableExists(s.table)) << s.table;
    ASSERT_NO_THROW(db_->execSql(joined(s.lines))) << s.table;
    EXPECT_TRUE(db_->tableExists(s.table)) << s.table;
    EXPECT_EQ(serverRows("SELECT ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
                         "DATABASE() AND TABLE_NAME = '" +
                         s.table + "'"),
              std::vector<std::string>{"MyISAM"})
        << s.table;
  }
  EXPECT_EQ(sizes("X101_9"), (std::map<std::string, int>{{"Code", 2}, {"Description", 20}}));
  EXPECT_EQ(sizes("ECFAUnit"),
            (std::map<std::string, int>{{"SEQ", 0}, {"Code", 3}, {"Unit", 20}, {"Note", 80}}));
  EXPECT_EQ(fieldNames("X101_16"), (std::vector<std::string>{"Type", "Code", "Description"}));
  EXPECT_EQ(primaryKey("X101_16"), (std::vector<std::string>{"Type", "Code"}));
  EXPECT_EQ(fieldNames("X101_11"),
            (std::vector<std::string>{"Code", "Type", "Description", "PrintText"}));
  EXPECT_EQ(primaryKey("X101_11"), (std::vector<std::string>{"Code"}));
  EXPECT_EQ(fieldNames("PortCN"),
            (std::vector<std::string>{"Code", "CName", "EName", "CodeCName"}));
  EXPECT_EQ(primaryKey("X101_13"), (std::vector<std::string>{"Type", "CName", "Code"}));
  EXPECT_EQ(sizes("X101_13")["PrintText"], 4);
}

TEST_F(CreateStatements, EveryScriptedTableStatementIsAcceptedAsWritten) {
  for (const Statement& s : kScriptedTables) {
    ASSERT_NO_THROW(db_->execSql(joined(s.lines))) << s.table;
    EXPECT_TRUE(db_->tableExists(s.table == "X602Base" ? "X602base" : s.table)) << s.table;
  }
  EXPECT_EQ(sizes("XS02Base")["PremiumNo"], 12);
  EXPECT_EQ(sizes("XS02Base")["CurrencyCode"], 3);
  EXPECT_EQ(sizes("XS01Base")["Ack"], 1);
  EXPECT_EQ(sizes("X903Base")["XMLFile"], 128);
  EXPECT_EQ(primaryKey("EMailLog"), (std::vector<std::string>{"Type", "SendDateTime"}));
  // The binary attribute makes the key compare letter case.
  EXPECT_EQ(serverRows("SELECT COLLATION_NAME FROM information_schema.COLUMNS WHERE "
                       "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 'X602_2nd' AND "
                       "COLUMN_NAME = 'ErrorCode'"),
            std::vector<std::string>{"big5_bin"});
}

TEST_F(CreateStatements, ZeroDateDefaultsWorkUnderTheLegacyMode) {
  const Statement& emailLog = kScriptedTables[3];
  ASSERT_EQ(emailLog.table, "EMailLog");
  db_->execSql(joined(emailLog.lines));

  // A row without a send time takes the zero date-time default, and it reads back as such.
  auto store = db_->openTable("EMailLog", OpenMode::ReadWrite);
  Row row(store->schema().fields.size());
  row[0] = Value("M");
  row[2] = Value("C1");
  const size_t pos = store->insert(row);
  EXPECT_EQ(serverRows("SELECT Type, SendDateTime, Code FROM EMailLog"),
            std::vector<std::string>{"M|0000-00-00 00:00:00|C1"});
  const Timestamp* sent = store->row(pos)[1].get<Timestamp>();
  ASSERT_NE(sent, nullptr);
  EXPECT_EQ(sent->ms, -86'400'000.0);

  // The zero date-time is part of the key: the row can still be found, changed and removed.
  Row changed = store->row(pos);
  changed[3] = Value("a@b.c");
  store->update(pos, changed);
  EXPECT_EQ(serverRows("SELECT Address FROM EMailLog"), std::vector<std::string>{"a@b.c"});
  store->remove(0);
  EXPECT_TRUE(serverRows("SELECT * FROM EMailLog").empty());
  db_->closeTable(store, OpenMode::ReadWrite);
}

TEST_F(CreateStatements, TheOldOptionIsRetriedOnceAndOnlyForTheSyntaxError) {
  // A statement the server takes as written is not sent twice.
  db_->execSql("CREATE TABLE `A1` (`Code` varchar(2)) ENGINE=MyISAM;");
  EXPECT_TRUE(db_->tableExists("A1"));

  // The retry keeps the rest of the statement: an existing table is still an error.
  EXPECT_THROW(db_->execSql("CREATE TABLE `A1` (`Code` varchar(2)) TYPE=MyISAM;"), EngineError);

  // A syntax error elsewhere is reported as the server gave it, retry or not.
  try {
    db_->execSql("CREATE TABLE `A2` (`Code` varchar(2) NOT NUL) TYPE=MyISAM;");
    FAIL() << "a bad statement was accepted";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Server);
    EXPECT_NE(std::string(e.what()).find("syntax"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(db_->tableExists("A2"));

  // The table option inside a string default is data, and stays so.
  db_->execSql("CREATE TABLE `A3` (`Note` varchar(20) default \"TYPE=MyISAM\") TYPE=MyISAM;");
  EXPECT_EQ(serverRows("SELECT COLUMN_DEFAULT FROM information_schema.COLUMNS WHERE "
                       "TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 'A3'"),
            std::vector<std::string>{"'TYPE=MyISAM'"});
}

}  // namespace
}  // namespace kvt::mysql::testing
