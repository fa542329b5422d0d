#include "bench/mysql/StepRun.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "platform/PrefixFileSystem.h"
#include "platform/Ui.h"
#include "schema/MemoryDatabase.h"
#include "schema/Table.h"

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

}  // namespace

std::vector<double> TimeStep(std::unique_ptr<Database>& package, std::unique_ptr<Database> release,
                             const std::function<void(RunContext&)>& step, int runs) {
  NoWindow window;
  NoUi ui;
  platform::PrefixFileSystem fs(std::filesystem::temp_directory_path());
  RunContext ctx(window, ui, fs);
  ctx.databaseKind = DatabaseKind::MySQL;
  ctx.releaseDb = std::move(release);
  ctx.packageDb = std::move(package);
  std::vector<double> seconds;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    step(ctx);
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  package = std::move(ctx.packageDb);
  return seconds;
}

RefreshFigures TimeRefresh(std::unique_ptr<Database>& package, RefreshSetup setup,
                           const std::function<void(RunContext&)>& step) {
  RefreshFigures fig;
  fig.releaseRows = int(setup.releaseRows.size());
  fig.heldRows = int(setup.held.size());
  package->execSql("DROP TABLE IF EXISTS `" + setup.table + "`");
  package->execSql(setup.create);
  {
    Table t(*package, setup.table);
    t.open();
    if (t.addRows(std::move(setup.held)) != 0) {
      throw std::runtime_error(setup.table + " refused rows");
    }
  }
  auto release = std::make_unique<MemoryDatabase>();
  release->createTable(setup.releaseTable, setup.releaseSchema);
  {
    Table t(*release, setup.releaseTable);
    t.open();
    t.addRows(std::move(setup.releaseRows));
  }
  const std::vector<double> seconds = TimeStep(package, std::move(release), step, 2);
  fig.seconds = seconds[0];
  fig.againSeconds = seconds[1];
  return fig;
}

}  // namespace kvt::bench
