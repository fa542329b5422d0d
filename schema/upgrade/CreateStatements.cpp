#include "schema/upgrade/CreateStatements.h"

#include <map>

namespace kvt::upgrade {

std::vector<std::string> CodeTableStatement(const std::string& table, int codeWidth,
                                            const std::string& descriptionColumn,
                                            int descriptionWidth) {
  const std::string description = descriptionColumn.empty() ? "Description" : descriptionColumn;
  const bool typedCName = table == "X101_12" || table == "X101_13";
  std::vector<std::string> lines;
  lines.push_back("CREATE TABLE `" + table + "` (");
  if (table == "ECFAUnit") lines.push_back("  `SEQ` int(11) NOT NULL,");
  if (table == "X101_16") lines.push_back("  `Type` varchar( 4) NOT NULL default \"\",");
  if (typedCName) {
    lines.push_back("  `Type`  varchar( 2) NOT NULL default \"\",");
    lines.push_back("  `CName` varchar(10) NOT NULL default \"\",");
  }
  lines.push_back("  `Code`        varchar(" + std::to_string(codeWidth) +
                  ") NOT NULL default \"\",");
  if (table == "X101_11") lines.push_back("  `Type` varchar(12)        default \"\",");
  lines.push_back("  `" + description + "` varchar(" + std::to_string(descriptionWidth) +
                  ")           default \"\",");
  if (table == "X601_15") lines.push_back("  `CName` varchar(20)       default \"\",");
  if (table == "X101_11" || table == "X101_13")
    lines.push_back("  `PrintText` varchar(4)    default \"\",");
  if (table == "PortCN" || table == "PortTW") {
    lines.push_back("  `EName` varchar(40)       default \"\",");
    lines.push_back("  `CodeCName` varchar(35)   default \"\",");
  }
  if (table == "ECFAUnit") lines.push_back("  `Note`      varchar(80)   default \"\",");
  if (typedCName) {
    lines.push_back("  PRIMARY KEY  (`Type`,`CName`,`Code`)");
  } else if (table == "ECFAUnit") {
    lines.push_back("  PRIMARY KEY  (`SEQ`,`Code`)");
  } else if (table == "X101_16") {
    lines.push_back("  PRIMARY KEY  (`Type`,`Code`)");
  } else {
    lines.push_back("  PRIMARY KEY  (`Code`)");
  }
  lines.push_back(") TYPE=MyISAM;");
  return lines;
}

const std::vector<std::string>& ScriptedTableStatement(const std::string& table) {
  static const std::map<std::string, std::vector<std::string>> statements = {
      {"X901_5th",
       {
           "CREATE TABLE `X901_5th` (",
           "  `MsgID` varchar(20) NOT NULL default \"\",",
           "  `SNo`   varchar(10) NOT NULL default \"\",",
           "  `AppNo` varchar(14) NOT NULL default \"\",",
           "  PRIMARY KEY  (`MsgID`,`SNo`,`AppNo`)",
           ") TYPE=MyISAM;",
       }},
      {"XIDPSW",
       {
           "CREATE TABLE `XIDPSW` (",
           "  `XID`   varchar(10) NOT NULL default \"\",",
           "  `CName` varchar(40)          default NULL,",
           "  `URL`   varchar(240)         default NULL,",
           "  `ID`    varchar(20)          default NULL,",
           "  `PSW`   varchar(20)          default NULL,",
           "  PRIMARY KEY  (`XID`)",
           ") TYPE=MyISAM;",
       }},
      {"EMailFTP",
       {
           "CREATE TABLE `EMailFTP` (",
           "  `Code`     varchar(8)  NOT NULL default \"\",",
           "  `Type`     varchar(1)  NOT NULL default \"\",",
           "  `Mode`     varchar(1)  NOT NULL default \"\",",
           "  `Address`  varchar(40)        default NULL,",
           "  `UserID`   varchar(40)        default NULL,",
           "  `Password` varchar(40)        default NULL,",
           "  `Note`     varchar(40)        default NULL,",
           "  PRIMARY KEY  (`Code`,`Type`,`Mode`)",
           ") TYPE=MyISAM;",
       }},
      {"EMailLog",
       {
           "CREATE TABLE `EMailLog` (",
           "  `Type`         varchar(1)  NOT NULL default \"\",",
           "  `SendDateTime` DateTime    NOT NULL default \"0000-00-00 00:00:00\",",
           "  `Code`         varchar(8)           default NULL,",
           "  `Address`      varchar(40)          default NULL,",
           "  `Sender`       varchar(40)          default NULL,",
           "  `FileName`     varchar(64)          default NULL,",
           "  `Note`         varchar(40)          default NULL,",
           "  PRIMARY KEY  (`Type`,`SendDateTime`)",
           ") TYPE=MyISAM;",
       }},
      {"X903Base",
       {
           "CREATE TABLE `X903Base` (",
           "  `MsgID`         varchar(20)  NOT NULL default \"\",",
           "  `SNo`           varchar(10)  NOT NULL default \"\",",
           "  `SenderMsgID`   varchar(20)  default NULL,",
           "  `MsgCreateTime` varchar(20)  default NULL,",
           "  `OrgMsgType`    varchar(10)  default NULL,",
           "  `OrgMsgUUID`    varchar(40)  default NULL,",
           "  `FromParty`     varchar(10)  default NULL,",
           "  `GoodsAppNo`    varchar(14)  default NULL,",
           "  `XMLFile`       varchar(128) default NULL,",
           "  PRIMARY KEY (`MsgID`,`SNo`)",
           ") TYPE=MyISAM;",
       }},
      {"X903_2nd",
       {
           "CREATE TABLE `X903_2nd` (",
           "  `MsgID`       varchar(20) NOT NULL default \"\" ,",
           "  `SNo`         varchar(10) NOT NULL default \"\" ,",
           "  `SEQ`         int(11)     NOT NULL default \"0\",",
           "  `ErrorType`   varchar(20) default NULL,",
           "  `Description` text,",
           "  PRIMARY KEY  (`MsgID`,`SNo`,`SEQ`)",
           ") TYPE=MyISAM;",
       }},
      {"XS01Base",
       {
           "CREATE TABLE `XS01Base` (",
           "  `MsgID`       varchar( 20) NOT NULL default \"\" ,",
           "  `SNo`         varchar( 10) NOT NULL default \"\" ,",
           "  `SenderID`    varchar( 10) default NULL,",
           "  `ReceiverID`  varchar( 10) default NULL,",
           "  `MessageDate` Date         default NULL,",
           "  `MessageTime` Time         default NULL,",
           "  `Ack`            char(  1) default NULL,",
           "  `Remark`      varchar(200) default NULL,",
           "  PRIMARY KEY  (`MsgID`,`SNo`)",
           ") TYPE=MyISAM;",
       }},
      {"XS02Base",
       {
           "CREATE TABLE `XS02Base` (",
           "  `MsgID`          varchar(20) NOT NULL default \"\" ,",
           "  `SNo`            varchar(10) NOT NULL default \"\" ,",
           "  `MessageDate`    Date                 default NULL,",
           "  `MessageTime`    Time                 default NULL,",
           "  `PremiumNo`      varchar(12)          default NULL,",
           "  `PremiumAmount`  Double(16,4)         default NULL,",
           "  `CurrencyCode`   Char(3)              default NULL,",
           "  `ExchangeRate`   Double(16,4)         default NULL,",
           "  `IssureDate`     Date                 default NULL,",
           "  `ResponseRemark` text,",
           "  PRIMARY KEY  (`MsgID`,`SNo`)",
           ") TYPE=MyISAM;",
       }},
      {"X602Base",
       {
           "CREATE TABLE `X602base` (",
           "  `MsgID`           varchar(20)  binary NOT NULL default \"\",",
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
           "  `Remarks`         varchar(255) default NULL,",
           "  PRIMARY KEY  (`MsgID`,`SNo`)",
           ") TYPE=MyISAM;",
       }},
      {"X602_2nd",
       {
           "CREATE TABLE `X602_2nd` (",
           "  `MsgID`     varchar(20) NOT NULL default \"\" ,",
           "  `SNo`       varchar(10) NOT NULL default \"\" ,",
           "  `ErrorCode` varchar(4) binary NOT NULL default \"\",",
           "  PRIMARY KEY  (`MsgID`,`SNo`,`ErrorCode`)",
           ") TYPE=MyISAM;",
       }},
      {"X602_3rd",
       {
           "CREATE TABLE `X602_3rd` (",
           "  `MsgID`  varchar(20) NOT NULL default \"\" ,",
           "  `SNo`    varchar(10) NOT NULL default \"\" ,",
           "  `ItemNo` int(11) NOT NULL default \"0\",",
           "  PRIMARY KEY  (`MsgID`,`SNo`,`ItemNo`)",
           ") TYPE=MyISAM;",
       }},
  };
  static const std::vector<std::string> none;
  auto it = statements.find(table);
  return it == statements.end() ? none : it->second;
}

}  // namespace kvt::upgrade
