#include "bench/mysql/PortListBench.h"

#include <stdexcept>
#include <string>

#include "bench/mysql/StepRun.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"
#include "schema/upgrade/ReferenceRefresh.h"

namespace kvt::bench {
namespace {

// Five-character port codes: "T" and four base-36 digits.
std::string portCode(int i) {
  const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string code = "T0000";
  for (int k = 4; k > 0; --k, i /= 36) code[size_t(k)] = digits[i % 36];
  return code;
}

}  // namespace

RefreshFigures MergePortList(std::unique_ptr<Database>& package, int releaseRows) {
  Database& db = *package;
  const std::string big5 = "\xB0\xF2\xB6\xA9";  // 基隆
  db.execSql("DROP TABLE IF EXISTS `DS43Port`");
  db.execSql(
      "CREATE TABLE `DS43Port` (`Code` char(5) NOT NULL default '', `SEQ` char(1) NOT NULL "
      "default '', `Name` char(30), `Type` char(1), `CountryCode` char(2), "
      "PRIMARY KEY (`Code`, `SEQ`)) TYPE=MyISAM");
  RefreshFigures fig;
  fig.releaseRows = releaseRows;
  {
    std::vector<Row> held;
    for (int i = 0; i < releaseRows; i += 2) {
      held.push_back({Value(portCode(i)), Value("1"), Value("old"), Value("A"), Value("JP")});
    }
    fig.heldRows = int(held.size());
    Table t(db, "DS43Port");
    t.open();
    if (t.addRows(std::move(held)) != 0) throw std::runtime_error("DS43Port refused rows");
  }

  auto release = std::make_unique<MemoryDatabase>();
  TableSchema kvt43{{{"Code", FieldType::Alpha, 5}, {"CName", FieldType::Alpha, 30}},
                    {{"", {"Code"}, true}}};
  release->createTable("KVT43", kvt43);
  {
    std::vector<Row> rows;
    for (int i = 0; i < releaseRows; ++i) {
      rows.push_back({Value(portCode(i)), Value(big5 + std::to_string(i))});
    }
    Table t(*release, "KVT43");
    t.open();
    t.addRows(std::move(rows));
  }

  const std::vector<double> seconds = TimeStep(
      package, std::move(release), [](RunContext& ctx) { upgrade::RefreshDS43Port(ctx); }, 2);
  fig.seconds = seconds[0];
  fig.againSeconds = seconds[1];

  if (package->selectCount("SELECT * FROM DS43Port WHERE SEQ = '1' AND Type = 'L'") !=
          releaseRows ||
      package->selectCount("SELECT * FROM DS43Port") != releaseRows ||
      package->selectCount("SELECT * FROM DS43Port WHERE Name = 'old'") != 0) {
    throw std::runtime_error("the DS43Port merge did not leave one row per code");
  }
  return fig;
}

}  // namespace kvt::bench
