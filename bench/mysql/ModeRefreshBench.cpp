#include "bench/mysql/ModeRefreshBench.h"

#include <stdexcept>
#include <string>

#include "schema/MemoryDatabase.h"
#include "schema/Table.h"
#include "schema/upgrade/ReferenceRefresh.h"

namespace kvt::bench {

RefreshFigures RefreshMode(std::unique_ptr<Database>& package, int releaseRows) {
  Database& db = *package;
  const std::string big5 = "\xA5\xD8\xAA\xBA";  // 目的
  db.execSql("DROP TABLE IF EXISTS `XNoMap2`");
  db.execSql(
      "CREATE TABLE `XNoMap2` (`Mode` char(10) NOT NULL default '', `KVTNo` int NOT NULL "
      "default 0, `FNo` char(10), `Name` char(40), PRIMARY KEY (`Mode`, `KVTNo`)) TYPE=MyISAM");
  RefreshFigures fig;
  fig.releaseRows = releaseRows;
  {
    std::vector<Row> held;
    for (int i = 0; i < releaseRows; i += 2) {
      held.push_back({Value("X201"), Value(i), Value("E2"), Value("other")});
      held.push_back({Value("X201"), Value(i + 1), Value("E2"), Value("other")});
      held.push_back({Value("X101"), Value(i), Value("OLD"), Value("old")});
    }
    fig.heldRows = int(held.size());
    Table t(db, "XNoMap2");
    t.open();
    if (t.addRows(std::move(held)) != 0) throw std::runtime_error("XNoMap2 refused rows");
  }

  auto release = std::make_unique<MemoryDatabase>();
  TableSchema schema{{{"Mode", FieldType::Alpha, 10},
                      {"KVTNo", FieldType::Long, 0},
                      {"FNo", FieldType::Alpha, 10},
                      {"Name", FieldType::Alpha, 40}},
                     {{"", {"Mode", "KVTNo"}, true}}};
  release->createTable("XNoMap2", schema);
  {
    std::vector<Row> rows;
    for (int i = 0; i < releaseRows; ++i) {
      rows.push_back({Value("X101"), Value(i), Value("E" + std::to_string(10000 + i)),
                      Value(big5 + std::to_string(i))});
    }
    Table t(*release, "XNoMap2");
    t.open();
    t.addRows(std::move(rows));
  }

  const std::vector<double> seconds = TimeStep(
      package, std::move(release),
      [](RunContext& ctx) {
        upgrade::RefreshFromReleaseByMode(ctx, upgrade::XNoMap2Refresh("X101"));
      },
      2);
  fig.seconds = seconds[0];
  fig.againSeconds = seconds[1];

  if (package->selectCount("SELECT * FROM XNoMap2 WHERE Mode = 'X101' AND FNo = "
                           "CONCAT('E', 10000 + KVTNo) AND Name = CONCAT('" +
                           big5 + "', KVTNo)") != releaseRows ||
      package->selectCount("SELECT * FROM XNoMap2 WHERE Mode = 'X201' AND Name = 'other'") !=
          releaseRows ||
      package->selectCount("SELECT * FROM XNoMap2") != 2 * releaseRows) {
    throw std::runtime_error("the XNoMap2 refresh did not leave each release row as it is");
  }
  return fig;
}

}  // namespace kvt::bench
