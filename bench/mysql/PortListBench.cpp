#include "bench/mysql/PortListBench.h"

#include <stdexcept>
#include <string>

#include "bench/mysql/StepRun.h"
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
  const std::string big5 = "\xB0\xF2\xB6\xA9";  // 基隆
  RefreshSetup setup{
      "DS43Port",
      "CREATE TABLE `DS43Port` (`Code` char(5) NOT NULL default '', `SEQ` char(1) "
      "NOT NULL default '', `Name` char(30), `Type` char(1), `CountryCode` "
      "char(2), PRIMARY KEY (`Code`, `SEQ`)) TYPE=MyISAM",
      {},
      "KVT43",
      {{{"Code", FieldType::Alpha, 5}, {"CName", FieldType::Alpha, 30}}, {{"", {"Code"}, true}}},
      {}};
  for (int i = 0; i < releaseRows; ++i) {
    if (i % 2 == 0) {
      setup.held.push_back({Value(portCode(i)), Value("1"), Value("old"), Value("A"), Value("JP")});
    }
    setup.releaseRows.push_back({Value(portCode(i)), Value(big5 + std::to_string(i))});
  }
  const RefreshFigures fig = TimeRefresh(package, std::move(setup),
                                         [](RunContext& ctx) { upgrade::RefreshDS43Port(ctx); });
  if (package->selectCount("SELECT * FROM DS43Port WHERE SEQ = '1' AND Type = 'L'") !=
          releaseRows ||
      package->selectCount("SELECT * FROM DS43Port") != releaseRows ||
      package->selectCount("SELECT * FROM DS43Port WHERE Name = 'old'") != 0) {
    throw std::runtime_error("the DS43Port merge did not leave one row per code");
  }
  return fig;
}

}  // namespace kvt::bench
