// Many new rows at once: multi-row statements within the server's limits, and the rows the
// server refuses found one by one, on a table that keeps a failed statement's first rows
// (MyISAM) and on one that rolls it back (InnoDB).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "MySqlTestServer.h"
#include "engine/mysql/BulkInsert.h"

namespace kvt::mysql::testing {
namespace {

class BulkInsertTest : public MySqlTest {
 protected:
  // Statements this session has executed so far.
  uint64_t executed() {
    const auto rows = db_->connection().query("SHOW SESSION STATUS LIKE 'Com_stmt_execute'");
    return std::stoull(*rows.at(0).at(1));
  }
  // Fills `table` (K int key, T varchar(8) NOT NULL default 'dflt', B char(1)) with keys
  // 0..n-1 in one go, key `taken` already being there and key `twice` given twice; checks
  // that exactly those two are refused and that the held rows are the server's.
  void fillWithTwoRefused(const std::string& engine) {
    db_->execSql(
        "CREATE TABLE `Bulk` (`K` int NOT NULL, `T` varchar(8) NOT NULL default "
        "'dflt', `B` char(1), PRIMARY KEY (`K`)) ENGINE=" +
        engine);
    otherSession()->execute("INSERT INTO Bulk VALUES (4321, 'old', 'F')");
    auto store = db_->openTable("Bulk", OpenMode::ReadWrite);
    const uint64_t changes = store->changeCount();
    constexpr int n = 5000, taken = 4321, twice = 77;
    std::vector<Row> rows;
    for (int k = 0; k < n; ++k) {
      // A null for the NOT NULL text takes its default; a Boolean goes to a text column.
      rows.push_back(
          {Value(k), k % 3 ? Value("t" + std::to_string(k)) : Value::null(), Value(k % 2 == 0)});
      if (k == twice) rows.push_back({Value(k), Value("again"), Value(true)});
    }
    const uint64_t before = executed();
    const std::vector<bool> stored = store->insertMany(rows);
    // Bulk statements, plus a few single rows around each refused one.
    EXPECT_LT(executed() - before, 100u);
    ASSERT_EQ(stored.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      const bool refused = i == twice + 1 || rows[i][0] == Value(taken);
      EXPECT_EQ(stored[i], !refused) << i;
    }
    EXPECT_EQ(
        serverRows("SELECT COUNT(*), SUM(K) FROM Bulk"),
        (std::vector<std::string>{std::to_string(n) + "|" + std::to_string(n * (n - 1) / 2)}));
    EXPECT_EQ(serverRows("SELECT K, T, B FROM Bulk WHERE K IN (0, 1, 77, 4321) ORDER BY K"),
              (std::vector<std::string>{"0|dflt|T", "1|t1|F", "77|t77|F", "4321|old|F"}));
    ASSERT_EQ(store->size(), size_t(n));
    EXPECT_EQ(store->row(0)[1], Value("dflt"));
    EXPECT_EQ(store->row(n - 1)[0], Value(n - 1));
    EXPECT_GT(store->changeCount(), changes);
    db_->closeTable(store, OpenMode::ReadWrite);
    // The lock is gone with the write: another session adds rows again.
    otherSession()->execute("INSERT INTO Bulk VALUES (-1, 'x', 'T')");
  }
};

TEST_F(BulkInsertTest, RefusedRowsAreFoundOnATableThatKeepsPartOfAStatement) {
  fillWithTwoRefused("MyISAM");
}

TEST_F(BulkInsertTest, RefusedRowsAreFoundOnATableThatRollsAStatementBack) {
  fillWithTwoRefused("InnoDB");
}

TEST_F(BulkInsertTest, StatementsStayWithinThePacketLimitAndCutValuesAreHeldAsStored) {
  db_->execSql(
      "CREATE TABLE `Wide` (`ID` int NOT NULL auto_increment, `V` text, `S` char(3), "
      "PRIMARY KEY (`ID`)) TYPE=MyISAM;");
  const size_t packet =
      std::stoull(*db_->connection().query("SELECT @@max_allowed_packet").at(0).at(0));
  // Together three times the packet limit: they cannot go in one statement.
  const std::string big(packet / 1000, 'v');
  auto store = db_->openTable("Wide", OpenMode::ReadWrite);
  std::vector<Row> rows(3000, Row{Value::null(), Value(big), Value("abcdef")});
  const uint64_t before = executed();
  const std::vector<bool> stored = store->insertMany(rows);
  const uint64_t statements = executed() - before;
  EXPECT_GE(statements, 4u);
  EXPECT_LT(statements, 20u);
  EXPECT_EQ(std::count(stored.begin(), stored.end(), true), 3000);
  EXPECT_EQ(serverRows("SELECT COUNT(DISTINCT ID), MIN(ID), MAX(ID), MAX(S), "
                       "MIN(LENGTH(V)) FROM Wide"),
            (std::vector<std::string>{"3000|1|3000|abc|" + std::to_string(big.size())}));
  // The server cut the short column (the lenient mode warns); the rows held say so.
  ASSERT_EQ(store->size(), 3000u);
  EXPECT_EQ(store->row(2999)[2], Value("abc"));
  EXPECT_EQ(store->row(2999)[0], Value(3000));
  db_->closeTable(store, OpenMode::ReadWrite);
}

TEST(BulkInsertLimits, StatementsKeepUnderThePlaceholderAndPacketLimits) {
  EXPECT_LE(BulkInsert::rowsPerStatement(100) * 100, 65535u);
  EXPECT_EQ(BulkInsert::rowsPerStatement(70000), 1u);
  EXPECT_LE(BulkInsert::bytesPerStatement(1 << 20), size_t{1} << 19);
}

}  // namespace
}  // namespace kvt::mysql::testing
