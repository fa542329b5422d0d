// The whole upgrade of a large demonstration installation: the demo prefix with its X102Base-
// shaped tables ("...Base", keyed on a wide text) holding many rows, its two form files
// generated at about 40 MB each, and a tree of 200 000 files below the installation for the
// search, upgraded with every switch of the demo on through the real steps, as the program
// runs them. Prints the run's total and each step's share, the time to copy as many bytes as
// the run read and wrote (one file copied to another), their ratio, and the run's peak memory.
// Once on Paradox tables, once on a throwaway MariaDB server when the build has that engine.
//
//   bench_upgrade [rows-per-table] [form-file-MB] [scratch-dir]   (default 200000 40)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/EngineOpener.h"
#include "app/MainView.h"
#include "app/UpgradeFrm.h"
#include "app/UpgradeSteps.h"
#include "bench/forms/FormFileGenerator.h"
#include "engine/paradox/ParadoxDatabase.h"
#include "forms/SelectGlobalPathFrm.h"
#include "platform/PrefixFileSystem.h"
#include "schema/Table.h"
#include "tools/demo/DemoPrefix.h"
#ifdef KVT_WITH_MYSQL_DEMO
#include "bench/mysql/ThrowawayServer.h"
#include "engine/mysql/MySqlDatabase.h"
#include "tools/demo/DemoMySql.h"
#endif

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kvt;

namespace {

double since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// The window: keeps nothing but the line count, takes the form directory offered.
class QuietView : public app::MainView {
 public:
  app::TUpgradeFrm* frm = nullptr;
  size_t lines = 0;
  std::string memo;
  std::string memoText() const override { return memo; }
  void setMemoText(const std::string& text) override { memo = text; }
  void appendMemoLine(const std::string& text) override {
    ++lines;
    memo += text + "\n";
  }
  void setDirLabel(const std::string&) override {}
  void setButtonVisible(app::MainButton, bool) override {}
  void closeWindow() override {
    if (frm && frm->FormCloseQuery()) frm->FormClose();
  }
  bool showFormDirDialog(app::TSelectGlobalPathFrm& dialog) override {
    dialog.OkBtnClick();
    return dialog.Result().value_or(false);
  }
  void messageBox(platform::BoxKind, const std::string&) override {}
  void setBusyCursor(bool) override {}
  void processEvents() override {}
};

// The real steps, each call timed.
class TimedSteps : public app::RunSteps {
 public:
  std::map<std::string, double> seconds;

  void SearchInstallations(RunContext& ctx, const std::string& dir) override {
    time("installation search", [&] { real_.SearchInstallations(ctx, dir); });
  }
  void UpdateFormDirProgram(RunContext& ctx) override {
    time("program files", [&] { real_.UpdateFormDirProgram(ctx); });
  }
  void CopyDtxFile(RunContext& ctx, const std::string& name) override {
    time("program files", [&] { real_.CopyDtxFile(ctx, name); });
  }
  bool CopyIfNewer(RunContext& ctx, const std::string& source, const std::string& target,
                   bool onlyIfNewer, bool reportNew) override {
    bool r = false;
    time("program files",
         [&] { r = real_.CopyIfNewer(ctx, source, target, onlyIfNewer, reportNew); });
    return r;
  }
  void RunDatabaseSteps(RunContext& ctx) override {
    time("database steps", [&] { real_.RunDatabaseSteps(ctx); });
  }
  void UpgradeFormFiles(RunContext& ctx) override {
    time("form files", [&] { real_.UpgradeFormFiles(ctx); });
  }
  void SendReport(RunContext& ctx, const std::string& logText) override {
    real_.SendReport(ctx, logText);
  }

 private:
  template <typename F>
  void time(const std::string& step, F f) {
    const auto t0 = Clock::now();
    f();
    seconds[step] += since(t0);
  }
  app::UpgradeRunSteps real_;
};

// Rows for a table of the demo's layouts: the first key field numbered, the rest filled.
Row makeRow(const TableSchema& schema, int i) {
  Row row;
  for (const FieldDef& f : schema.fields) {
    switch (f.type) {
      case FieldType::Alpha: {
        std::string s = std::to_string(i);
        if (row.empty())
          s = std::string(size_t(std::max(0, std::min(f.size, 12) - int(s.size()))), '0') + s;
        else
          s = "R" + s + " demo text of a row";
        if (int(s.size()) > f.size) s.resize(size_t(f.size));
        row.push_back(Value(s));
        break;
      }
      case FieldType::Memo:
        row.push_back(Value("memo of row " + std::to_string(i)));
        break;
      case FieldType::Logical:
        row.push_back(Value(i % 2 == 0));
        break;
      case FieldType::Date:
        row.push_back(Value::null());
        break;
      default:
        row.push_back(Value(int64_t{i % 30000}));
    }
  }
  return row;
}

// Fills each "...Base" table whose first key field is a text of at least 12 characters up to
// `rows` rows.
void enlargeTables(Database& db, const std::vector<demo::DemoTable>& tables, int rows) {
  for (const demo::DemoTable& t : tables) {
    const auto& fields = t.schema.fields;
    if (t.name.size() < 4 || t.name.substr(t.name.size() - 4) != "Base" || fields.empty() ||
        fields[0].type != FieldType::Alpha || fields[0].size < 12 ||
        t.schema.primaryKey().empty() || t.schema.primaryKey()[0] != 0) {
      continue;
    }
    Table table(db, t.name);
    table.open();
    std::vector<Row> add;
    for (int i = 0; i < rows; ++i) add.push_back(makeRow(table.schema(), i + 1000000));
    const size_t refused = table.addRows(std::move(add));
    table.close();
    std::printf("  %-10s %d rows (%zu refused)\n", t.name.c_str(), rows, refused);
  }
}

void touch(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + file.string());
  ::close(fd);
}

// 2 000 directories of 100 files below the installation, none of them a program.
void addSearchTree(const fs::path& top) {
  for (int d = 0; d < 2000; ++d) {
    const fs::path dir = top / ("Set" + std::to_string(d / 100)) / ("Data" + std::to_string(d));
    fs::create_directories(dir);
    for (int f = 0; f < 100; ++f) touch(dir / ("F" + std::to_string(f) + ".DAT"));
  }
}

struct Io {
  uint64_t read = 0, written = 0;
};
Io ioSoFar() {
  std::ifstream in("/proc/self/io");
  Io io;
  std::string key;
  uint64_t value = 0;
  while (in >> key >> value) {
    if (key == "rchar:") io.read = value;
    if (key == "wchar:") io.written = value;
  }
  return io;
}

// The peak resident size since the last reset, in MB.
double peakMb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}
void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// Copies a file of `bytes` bytes to another through a buffer, every byte read and written
// (no in-kernel copy, which may share blocks instead), best of three warm copies.
double copySeconds(const fs::path& dir, uint64_t bytes) {
  const fs::path from = dir / "copy-from", to = dir / "copy-to";
  std::vector<char> buffer(1 << 20, 'x');
  {
    std::ofstream out(from, std::ios::binary);
    for (uint64_t n = 0; n < bytes; n += buffer.size()) {
      out.write(buffer.data(), std::streamsize(std::min<uint64_t>(buffer.size(), bytes - n)));
    }
  }
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto t0 = Clock::now();
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (in < 0 || out < 0) throw std::runtime_error("cannot copy " + from.string());
    for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;) {
      if (::write(out, buffer.data(), size_t(n)) != n) throw std::runtime_error("short write");
    }
    ::close(in);
    ::close(out);
    best = std::min(best, since(t0));
  }
  fs::remove(from);
  fs::remove(to);
  return best;
}

void runOnce(const std::string& label, const demo::DemoLayout& layout, const fs::path& scratch) {
  platform::PrefixFileSystem files(layout.prefix);
  QuietView view;
  app::EngineOpener opener;
  TimedSteps steps;
  app::TUpgradeFrm frm(view, files, opener, steps, layout.releaseDir);
  view.frm = &frm;
  resetPeak();
  const Io before = ioSoFar();
  const auto t0 = Clock::now();
  frm.FormCreate();
  frm.FormShow();
  frm.DoBtnClick();
  frm.ExitBtnClick();  // the tables are written back here
  const double total = since(t0);
  const Io after = ioSoFar();
  const double peak = peakMb();
  const uint64_t bytes = ((after.read - before.read) + (after.written - before.written)) / 2;
  const double copy = copySeconds(scratch, bytes);

  std::printf("%s: whole run %.2f s, %zu log lines\n", label.c_str(), total, view.lines);
  double stepsTotal = 0;
  for (const auto& [step, s] : steps.seconds) {
    std::printf("  %-20s %8.2f s  %5.1f%%\n", step.c_str(), s, 100 * s / total);
    stepsTotal += s;
  }
  std::printf("  %-20s %8.2f s  %5.1f%%\n", "window and log", total - stepsTotal,
              100 * (total - stepsTotal) / total);
  std::printf("  read %.1f MB, written %.1f MB; copy of %.1f MB %.3f s; run / copy %.1fx\n",
              (after.read - before.read) / 1e6, (after.written - before.written) / 1e6, bytes / 1e6,
              copy, total / copy);
  std::printf("  peak memory of the run %.0f MB\n", peak);
}

demo::DemoLayout buildInstallation(const fs::path& root, int rows, uint64_t formBytes,
                                   bool tablesOnServer) {
  demo::DemoLayout layout{root / "prefix"};
  demo::BuildDemoPrefix(layout, {});
  std::printf("building %s\n", layout.prefix.c_str());
  if (!tablesOnServer) {
    paradox::ParadoxDatabase db(layout.local(layout.databaseDir), layout.databaseDir);
    enlargeTables(db, demo::InstallationTables(), rows);
  }
  // Both form files of the installation at benchmark size: the shape scaled once more when
  // the first file misses the size, the second file a copy of the first.
  bench::FormFileShape shape = bench::formFileShapeOfSize(formBytes);
  const fs::path exportFile = layout.local(layout.installDir + "KVTE.DBT");
  uint64_t size = bench::GenerateFormFile(root / "formwork", exportFile, shape);
  if (size < formBytes * 95 / 100 || size > formBytes * 105 / 100) {
    shape.forms = int(double(shape.forms) * double(formBytes) / double(size));
    size = bench::GenerateFormFile(root / "formwork", exportFile, shape);
  }
  fs::copy_file(exportFile, layout.local(layout.installDir + "KVTI.DBT"),
                fs::copy_options::overwrite_existing);
  std::printf("  KVTE.DBT and KVTI.DBT %.1f MB each\n", size / 1e6);
  fs::remove_all(root / "formwork");
  addSearchTree(layout.local(layout.installDir + "Archive"));
  std::printf("  200 000 files below %sArchive\n", layout.installDir.c_str());
  return layout;
}

}  // namespace

int main(int argc, char** argv) try {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // progress shows as it comes
  const int rows = argc > 1 ? std::stoi(argv[1]) : 200000;
  const uint64_t formBytes = uint64_t(argc > 2 ? std::stoi(argv[2]) : 40) * 1000000;
  const fs::path scratch =
      argc > 3 ? fs::path(argv[3])
               : fs::temp_directory_path() / ("kvt-bench-upgrade-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  {
    const demo::DemoLayout layout = buildInstallation(scratch / "paradox", rows, formBytes, false);
    runOnce("Paradox", layout, scratch);
    fs::remove_all(scratch / "paradox");
  }
#ifdef KVT_WITH_MYSQL_DEMO
  {
    const bench::ThrowawayServer server(scratch / "server");
    const demo::DemoLayout layout = buildInstallation(scratch / "mariadb", rows, formBytes, true);
    demo::MySqlDemoServer target{server.params().server, server.params().port,
                                 server.params().database, server.params().user,
                                 server.params().password};
    demo::UseMySqlDatabase(layout, target);
    {
      auto db = mysql::MySqlDatabase::connect(server.params());
      enlargeTables(*db, demo::InstallationTables(), rows);
    }
    runOnce("MariaDB", layout, scratch);
    fs::remove_all(scratch / "mariadb");
  }
#endif
  std::error_code ec;
  fs::remove(scratch, ec);  // when nothing else is in it
  return 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "bench_upgrade: %s\n", e.what());
  return 1;
}
