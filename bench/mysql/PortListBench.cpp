#include "bench/mysql/PortListBench.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/PrefixFileSystem.h"
#include "platform/Ui.h"
#include "run/RunContext.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"
#include "schema/upgrade/ReferenceRefresh.h"

namespace kvt::bench {
namespace {

class NoWindow : public MainWindowPort {
 public:
  void appendLog(const std::string&) override {}
  void setDirLabel(const std::string&) override {}
};

class NoUi : public platform::Ui {
 public:
  void messageBox(platform::BoxKind, const std::string&) override {}
  void setBusyCursor(bool) override {}
  void processEvents() override {}
};

// Five-character port codes: "T" and four base-36 digits.
std::string portCode(int i) {
  const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string code = "T0000";
  for (int k = 4; k > 0; --k, i /= 36) code[size_t(k)] = digits[i % 36];
  return code;
}

}  // namespace

PortListFigures MergePortList(std::unique_ptr<Database>& package, int releaseRows) {
  Database& db = *package;
  const std::string big5 = "\xB0\xF2\xB6\xA9";  // 基隆
  db.execSql("DROP TABLE IF EXISTS `DS43Port`");
  db.execSql(
      "CREATE TABLE `DS43Port` (`Code` char(5) NOT NULL default '', `SEQ` char(1) NOT NULL "
      "default '', `Name` char(30), `Type` char(1), `CountryCode` char(2), "
      "PRIMARY KEY (`Code`, `SEQ`)) TYPE=MyISAM");
  PortListFigures fig;
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

  NoWindow window;
  NoUi ui;
  platform::PrefixFileSystem fs(std::filesystem::temp_directory_path());
  RunContext ctx(window, ui, fs);
  ctx.databaseKind = DatabaseKind::MySQL;
  ctx.releaseDb = std::move(release);
  ctx.packageDb = std::move(package);

  const auto t0 = std::chrono::steady_clock::now();
  upgrade::RefreshDS43Port(ctx);
  fig.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const auto t1 = std::chrono::steady_clock::now();
  upgrade::RefreshDS43Port(ctx);
  fig.againSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
  package = std::move(ctx.packageDb);

  if (package->selectCount("SELECT * FROM DS43Port WHERE SEQ = '1' AND Type = 'L'") !=
          releaseRows ||
      package->selectCount("SELECT * FROM DS43Port") != releaseRows ||
      package->selectCount("SELECT * FROM DS43Port WHERE Name = 'old'") != 0) {
    throw std::runtime_error("the DS43Port merge did not leave one row per code");
  }
  return fig;
}

}  // namespace kvt::bench
