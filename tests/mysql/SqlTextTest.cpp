#include "engine/mysql/SqlText.h"

#include <gtest/gtest.h>

namespace kvt::mysql {
namespace {

TEST(SqlText, IdentifiersAreQuotedWithBackQuotesDoubled) {
  EXPECT_EQ(quoteIdentifier("X102Base"), "`X102Base`");
  EXPECT_EQ(quoteIdentifier("a`b"), "`a``b`");
  EXPECT_EQ(quoteIdentifier("x`; DROP TABLE y; --"), "`x``; DROP TABLE y; --`");
}

TEST(SqlText, TableNamesLoseTheParadoxExtension) {
  EXPECT_EQ(serverTableName("XMLApp.DB"), "XMLApp");
  EXPECT_EQ(serverTableName("XMLApp.db"), "XMLApp");
  EXPECT_EQ(serverTableName("XMLApp"), "XMLApp");
  EXPECT_EQ(serverTableName(".DB"), ".DB");
  EXPECT_EQ(serverTableName("X.DBF"), "X.DBF");
}

TEST(SqlText, NamedParametersBecomePlaceholdersInOrder) {
  PlaceholderText t = replaceNamedParameters(
      "DELETE FROM CB21 WHERE FormNo = :iFormNo AND Kind=:iKind OR x=:iFormNo");
  EXPECT_EQ(t.sql, "DELETE FROM CB21 WHERE FormNo = ? AND Kind=? OR x=?");
  EXPECT_EQ(t.names, (std::vector<std::string>{"iFormNo", "iKind", "iFormNo"}));
}

TEST(SqlText, ColonsInsideQuotesAndCommentsAreNotParameters) {
  const std::string sql =
      "UPDATE t SET a = 'at :noon', b = \"x:y\", `c:d` = 1 -- :comment\n"
      "/* :block */ # :hash\n"
      "WHERE e = :p AND f = 'it''s :q' AND g = 'back\\' :r' AND h=:s";
  PlaceholderText t = replaceNamedParameters(sql);
  EXPECT_EQ(t.names, (std::vector<std::string>{"p", "s"}));
  EXPECT_EQ(t.sql,
            "UPDATE t SET a = 'at :noon', b = \"x:y\", `c:d` = 1 -- :comment\n"
            "/* :block */ # :hash\n"
            "WHERE e = ? AND f = 'it''s :q' AND g = 'back\\' :r' AND h=?");
}

TEST(SqlText, ColonsThatDoNotStartANameStayText) {
  PlaceholderText t = replaceNamedParameters("SELECT @a := 1, x::y, a:b, :1, : z");
  EXPECT_TRUE(t.names.empty());
  EXPECT_EQ(t.sql, "SELECT @a := 1, x::y, a:b, :1, : z");
}

TEST(SqlText, TheOldTableOptionIsRespelled) {
  EXPECT_EQ(engineOptionSpelling("CREATE TABLE `t` (\n  `a` int\n) TYPE=MyISAM;"),
            "CREATE TABLE `t` (\n  `a` int\n) ENGINE=MyISAM;");
  EXPECT_EQ(engineOptionSpelling(") type = MyISAM"), ") ENGINE = MyISAM");
  EXPECT_EQ(engineOptionSpelling(")TYPE=MyISAM"), ")ENGINE=MyISAM");
}

TEST(SqlText, TypeColumnsAndQuotedTextAreNotTableOptions) {
  // Column names, string defaults and comments that spell TYPE= stay as they are.
  EXPECT_EQ(engineOptionSpelling("CREATE TABLE t (`Type` varchar(4) default \"TYPE=x\") "
                                 "/* TYPE=y */"),
            std::nullopt);
  EXPECT_EQ(engineOptionSpelling("SELECT * FROM t WHERE Type = 'a'"),
            "SELECT * FROM t WHERE ENGINE = 'a'")
      << "a bare Type compared with = looks like the option; the server decides by its refusal";
  EXPECT_EQ(engineOptionSpelling("SELECT MsgType=1, t.TYPE=2 FROM t"), std::nullopt);
  EXPECT_EQ(engineOptionSpelling("ALTER TABLE t ENGINE=MyISAM"), std::nullopt);
}

TEST(SqlText, OnlyASyntaxErrorAtTypeCallsForTheRetry) {
  const std::string atType =
      "You have an error in your SQL syntax; check the manual that corresponds to your "
      "MariaDB server version for the right syntax to use near 'TYPE=MyISAM' at line 4";
  EXPECT_TRUE(isTypeOptionSyntaxError(1064, atType));
  EXPECT_TRUE(isTypeOptionSyntaxError(1064, "... near 'type = MyISAM;' at line 1"));
  EXPECT_FALSE(isTypeOptionSyntaxError(1050, atType));
  EXPECT_FALSE(isTypeOptionSyntaxError(1064, "... near 'FROM x' at line 1"));
  EXPECT_FALSE(isTypeOptionSyntaxError(1064, "... near 'XTYPE=1' at line 1"));
}

}  // namespace
}  // namespace kvt::mysql
