// The CREATE TABLE texts of the new tables, line by line: the package's other tools and
// existing databases were made from exactly these texts.
#include <gtest/gtest.h>

#include "schema/upgrade/CreateStatements.h"
#include "schema/upgrade/UpgradeSupport.h"

namespace kvt::upgrade {
namespace {

using Lines = std::vector<std::string>;

TEST(CodeTableStatement, TypedCodeTablesCarryTheirExtraColumnsAndKeys) {
  EXPECT_EQ(CodeTableStatement("X101_16", 2, "", 140),
            (Lines{"CREATE TABLE `X101_16` (", "  `Type` varchar( 4) NOT NULL default \"\",",
                   "  `Code`        varchar(2) NOT NULL default \"\",",
                   "  `Description` varchar(140)           default \"\",",
                   "  PRIMARY KEY  (`Type`,`Code`)", ") TYPE=MyISAM;"}));
  EXPECT_EQ(CodeTableStatement("X101_11", 1, "", 60),
            (Lines{"CREATE TABLE `X101_11` (", "  `Code`        varchar(1) NOT NULL default \"\",",
                   "  `Type` varchar(12)        default \"\",",
                   "  `Description` varchar(60)           default \"\",",
                   "  `PrintText` varchar(4)    default \"\",", "  PRIMARY KEY  (`Code`)",
                   ") TYPE=MyISAM;"}));
  EXPECT_EQ(CodeTableStatement("X101_12", 3, "", 200),
            (Lines{"CREATE TABLE `X101_12` (", "  `Type`  varchar( 2) NOT NULL default \"\",",
                   "  `CName` varchar(10) NOT NULL default \"\",",
                   "  `Code`        varchar(3) NOT NULL default \"\",",
                   "  `Description` varchar(200)           default \"\",",
                   "  PRIMARY KEY  (`Type`,`CName`,`Code`)", ") TYPE=MyISAM;"}));
  EXPECT_EQ(CodeTableStatement("X101_13", 2, "", 200),
            (Lines{"CREATE TABLE `X101_13` (", "  `Type`  varchar( 2) NOT NULL default \"\",",
                   "  `CName` varchar(10) NOT NULL default \"\",",
                   "  `Code`        varchar(2) NOT NULL default \"\",",
                   "  `Description` varchar(200)           default \"\",",
                   "  `PrintText` varchar(4)    default \"\",",
                   "  PRIMARY KEY  (`Type`,`CName`,`Code`)", ") TYPE=MyISAM;"}));
}

TEST(CodeTableStatement, NamedDescriptionColumnsAndTheirTables) {
  EXPECT_EQ(CodeTableStatement("ECFAUnit", 3, "Unit", 20),
            (Lines{"CREATE TABLE `ECFAUnit` (", "  `SEQ` int(11) NOT NULL,",
                   "  `Code`        varchar(3) NOT NULL default \"\",",
                   "  `Unit` varchar(20)           default \"\",",
                   "  `Note`      varchar(80)   default \"\",", "  PRIMARY KEY  (`SEQ`,`Code`)",
                   ") TYPE=MyISAM;"}));
  const Lines port = {"  `Code`        varchar(5) NOT NULL default \"\",",
                      "  `CName` varchar(30)           default \"\",",
                      "  `EName` varchar(40)       default \"\",",
                      "  `CodeCName` varchar(35)   default \"\",",
                      "  PRIMARY KEY  (`Code`)",
                      ") TYPE=MyISAM;"};
  for (const char* table : {"PortCN", "PortTW"}) {
    Lines expected = {std::string("CREATE TABLE `") + table + "` ("};
    expected.insert(expected.end(), port.begin(), port.end());
    EXPECT_EQ(CodeTableStatement(table, 5, "CName", 30), expected) << table;
  }
  EXPECT_EQ(CodeTableStatement("X601_15", 5, "", 40),
            (Lines{"CREATE TABLE `X601_15` (", "  `Code`        varchar(5) NOT NULL default \"\",",
                   "  `Description` varchar(40)           default \"\",",
                   "  `CName` varchar(20)       default \"\",", "  PRIMARY KEY  (`Code`)",
                   ") TYPE=MyISAM;"}));
  // A plain code table, and table names compared with their letter case.
  EXPECT_EQ(CodeTableStatement("x101_16", 8, "", 200),
            (Lines{"CREATE TABLE `x101_16` (", "  `Code`        varchar(8) NOT NULL default \"\",",
                   "  `Description` varchar(200)           default \"\",",
                   "  PRIMARY KEY  (`Code`)", ") TYPE=MyISAM;"}));
}

TEST(ScriptedTableStatement, MessageTablesAsTheyStand) {
  EXPECT_EQ(ScriptedTableStatement("X602Base").front(), "CREATE TABLE `X602base` (");
  EXPECT_EQ(ScriptedTableStatement("X602Base")[1],
            "  `MsgID`           varchar(20)  binary NOT NULL default \"\",");
  EXPECT_EQ(
      ScriptedTableStatement("EMailLog"),
      (Lines{"CREATE TABLE `EMailLog` (", "  `Type`         varchar(1)  NOT NULL default \"\",",
             "  `SendDateTime` DateTime    NOT NULL default \"0000-00-00 00:00:00\",",
             "  `Code`         varchar(8)           default NULL,",
             "  `Address`      varchar(40)          default NULL,",
             "  `Sender`       varchar(40)          default NULL,",
             "  `FileName`     varchar(64)          default NULL,",
             "  `Note`         varchar(40)          default NULL,",
             "  PRIMARY KEY  (`Type`,`SendDateTime`)", ") TYPE=MyISAM;"}));
  EXPECT_EQ(ScriptedTableStatement("X903_2nd")[3],
            "  `SEQ`         int(11)     NOT NULL default \"0\",");
  EXPECT_EQ(ScriptedTableStatement("XS02Base")[5],
            "  `PremiumNo`      varchar(12)          default NULL,");
  for (const char* table : {"X901_5th", "XIDPSW", "EMailFTP", "EMailLog", "X903Base", "X903_2nd",
                            "XS01Base", "XS02Base", "X602Base", "X602_2nd", "X602_3rd"}) {
    const Lines& lines = ScriptedTableStatement(table);
    ASSERT_GE(lines.size(), 4u) << table;
    EXPECT_EQ(lines.back(), ") TYPE=MyISAM;") << table;
    EXPECT_NE(lines[lines.size() - 2].find("PRIMARY KEY"), std::string::npos) << table;
  }
  EXPECT_TRUE(ScriptedTableStatement("X602base").empty());
}

TEST(JoinStatement, LinesAreJoinedByLineBreaksWithoutATrailingOne) {
  EXPECT_EQ(JoinStatement({"ALTER TABLE Port DROP PRIMARY KEY,",
                           "                 ADD PRIMARY KEY (Code, SEQ)"}),
            "ALTER TABLE Port DROP PRIMARY KEY,\r\n                 ADD PRIMARY KEY (Code, SEQ)");
}

}  // namespace
}  // namespace kvt::upgrade
