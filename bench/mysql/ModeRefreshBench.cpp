#include "bench/mysql/ModeRefreshBench.h"

#include <stdexcept>
#include <string>

#include "schema/upgrade/ReferenceRefresh.h"

namespace kvt::bench {

RefreshFigures RefreshMode(std::unique_ptr<Database>& package, int releaseRows) {
  const std::string big5 = "\xA5\xD8\xAA\xBA";  // 目的
  RefreshSetup setup{"XNoMap2",
                     "CREATE TABLE `XNoMap2` (`Mode` char(10) NOT NULL default '', `KVTNo` int "
                     "NOT NULL default 0, `FNo` char(10), `Name` char(40), PRIMARY KEY (`Mode`, "
                     "`KVTNo`)) TYPE=MyISAM",
                     {},
                     "XNoMap2",
                     {{{"Mode", FieldType::Alpha, 10},
                       {"KVTNo", FieldType::Long, 0},
                       {"FNo", FieldType::Alpha, 10},
                       {"Name", FieldType::Alpha, 40}},
                      {{"", {"Mode", "KVTNo"}, true}}},
                     {}};
  for (int i = 0; i < releaseRows; ++i) {
    setup.held.push_back({Value("X201"), Value(i), Value("E2"), Value("other")});
    if (i % 2 == 0) setup.held.push_back({Value("X101"), Value(i), Value("OLD"), Value("old")});
    setup.releaseRows.push_back({Value("X101"), Value(i), Value("E" + std::to_string(10000 + i)),
                                 Value(big5 + std::to_string(i))});
  }
  const RefreshFigures fig = TimeRefresh(package, std::move(setup), [](RunContext& ctx) {
    upgrade::RefreshFromReleaseByMode(ctx, upgrade::XNoMap2Refresh("X101"));
  });
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
